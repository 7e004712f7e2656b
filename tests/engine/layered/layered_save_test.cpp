// Saving a document safely, telling layered files by their first bytes,
// the merged image for previews, and the layer reference stream.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/layered/LayerFileErrors.h"
#include "layered_support.h"
#include "platform/file_replace.h"

namespace lumora::testing {
namespace {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder.
class TempFolder {
 public:
  TempFolder() {
    path_ = fs::temp_directory_path() / ("lumora-layered-" + std::to_string(CurrentProcessId()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  std::string File(const char* name) const { return (path_ / name).string(); }
  std::size_t Count() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(LayeredSave, ReplacesTheTargetAndOpensAgain) {
  TempFolder folder;
  const std::string path = folder.File("doc.lud");
  WriteFile(path, Bytes(100, 7));
  CLayersManagerPtr doc = RichDocument(kWAType24);
  doc->SetNativeFormat(1);
  CRWLayers(doc.get()).Save(path, 1);
  EXPECT_EQ(FileBytes(path), WriteStack(*doc, 1));
  EXPECT_EQ(folder.Count(), 1u);  // no temporary file left
  CLayersManagerPtr back = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, path));
  EXPECT_EQ(back->GetLayerCount(), doc->GetLayerCount());
  EXPECT_EQ(IsLayeredFile(path), 1);
}

TEST(LayeredSave, AFailedWriteLeavesTheTargetWhole) {
  TempFolder folder;
  const std::string path = folder.File("doc.psd");
  const Bytes old(300, 42);
  WriteFile(path, old);
  // A palette-type stack of a type the file cannot hold fails while writing.
  CLayersManagerPtr odd = CLayersManagerPtr::Adopt(new CLayersManager(kWAType4Bit, nullptr, 4, 4, 0x00600060u, 0, 1));
  EXPECT_THROW(CRWLayers(odd.get()).Save(path, 1), layer_err_fwrite);
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(folder.Count(), 1u);
  // A target that cannot be replaced (a folder holding a file): the
  // error says so and no temporary file is left.
  const std::string blocked = folder.File("blocked.psd");
  fs::create_directories(blocked);
  WriteFile(blocked + "/inside", old);
  CLayersManagerPtr doc = RichDocument(kWAType8Grey);
  try {
    CRWLayers(doc.get()).Save(blocked, 1);
    ADD_FAILURE() << "replaced a folder";
  } catch (const layer_err_fwrite& e) {
    EXPECT_NE(std::string(e.what()).find("old one is unchanged"), std::string::npos) << e.what();
  }
  EXPECT_EQ(FileBytes(blocked + "/inside"), old);
  EXPECT_EQ(folder.Count(), 2u);
  // A file marked read-only is not written over.
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  try {
    CRWLayers(doc.get()).Save(path, 1);
    ADD_FAILURE() << "replaced a read-only file";
  } catch (const layer_err_fwrite& e) {
    EXPECT_NE(std::string(e.what()).find("read-only"), std::string::npos) << e.what();
  }
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(FileBytes(path), old);
  EXPECT_EQ(folder.Count(), 2u);
  // A folder that does not exist.
  EXPECT_THROW(CRWLayers(doc.get()).Save(folder.File("none/doc.psd"), 1), layer_err_fwrite);
  EXPECT_THROW(CRWLayers(odd.get()).Save("", 1), FileException);
}

// A save that was killed leaves its temporary file, named after the
// target; the next save of that target removes it, and only those of that
// target.
TEST(LayeredSave, TemporaryFilesOfKilledSavesGoAtTheNextSave) {
  TempFolder folder;
  const std::string path = folder.File("doc.psd");
  std::string error;
  std::vector<std::string> killed = {CreateTempFileBeside(path, &error)};
  ASSERT_FALSE(killed.back().empty()) << error;
  EXPECT_EQ(fs::path(killed.back()).filename().string().rfind("doc.psd.lumora-tmp-", 0), 0u) << killed.back();
  // Left by other killed saves.
  for (const char* name : {"doc.psd.lumora-tmp-a1b2c3", "doc.psd.lumora-tmp-zzzzzz"}) {
    killed.push_back(folder.File(name));
    WriteFile(killed.back(), Bytes(1000, 1));
  }
  const std::string other = CreateTempFileBeside(folder.File("other.psd"), &error);
  WriteFile(folder.File("doc.psd.lumora-tmp-kept"), Bytes(5, 1));  // not one of ours: wrong length
  WriteFile(folder.File("tmpABCDEF"), Bytes(5, 1));
  EXPECT_EQ(folder.Count(), 6u);
  CLayersManagerPtr doc = RichDocument(kWAType24);
  CRWLayers(doc.get()).Save(path, 1);
  for (const std::string& stale : killed) EXPECT_FALSE(fs::exists(stale)) << stale;
  EXPECT_TRUE(fs::exists(other));
  EXPECT_EQ(folder.Count(), 4u);
  EXPECT_EQ(IsLayeredFile(path), 1);
}

TEST(LayeredSave, LayeredFilesAreToldByTheirFirstFourBytes) {
  TempFolder folder;
  const struct {
    const char* bytes;
    int expected;
  } cases[] = {{"8BPS\1", 1}, {"LU40", 1}, {"8bps", 0}, {"Lu40", 0}, {"8BP", 0}, {"GIF8", 0}};
  for (const auto& c : cases) {
    const std::string path = folder.File("probe");
    WriteFile(path, Bytes(c.bytes, c.bytes + std::strlen(c.bytes)));
    EXPECT_EQ(IsLayeredFile(path), c.expected) << c.bytes;
  }
  EXPECT_EQ(IsLayeredFile(folder.File("missing")), 0);
}

TEST(LayeredSave, CompositeReaderTakesTheMergedImageOnly) {
  TempFolder folder;
  CLayersManagerPtr doc = RichDocument(kWAType24);
  const std::string path = folder.File("doc.psd");
  doc->SetNativeFormat(0);
  CRWLayers(doc.get()).Save(path, 1);
  const WAPtr composite = ReadLayeredFileComposite(path);
  ASSERT_TRUE(composite);
  const WAPtr merged = doc->CreateMergedImage(1, 255, 255, 255);
  EXPECT_TRUE(SameBytes(composite.get(), merged.get()));
  EXPECT_EQ(composite->GetXRes(), 150);
  // Files of kinds not read give no picture; a missing file is the file's error.
  Bytes deep = FileBytes(path);
  deep[23] = 16;
  WriteFile(path, deep);
  EXPECT_FALSE(ReadLayeredFileComposite(path));
  deep[23] = 8;
  deep[25] = 4;
  WriteFile(path, deep);
  EXPECT_FALSE(ReadLayeredFileComposite(path));
  EXPECT_THROW(ReadLayeredFileComposite(folder.File("missing.psd")), FileException);
}

TEST(LayerReference, DroppedLayerArrivesAsACopyOfOnlyOfferedLayers) {
  const RECT rect = MakeRect(0, 0, 4, 3);
  CLayerPtr layer = ColourLayer(rect, 1, 2, 3, 200, "dragged");
  layer->PeekImage()->SetXRes(300);
  MemFile stream(64);
  CRWLayers(&stream).WriteLayerRef(layer.get());
  const Bytes bytes = Contents(stream);
  ASSERT_EQ(bytes.size(), kLayerRefBytes);
  EXPECT_EQ(bytes[0] | bytes[1] << 8, 300);
  auto read = [&bytes]() {
    ReadFile f(bytes);
    CLayer* out = reinterpret_cast<CLayer*>(1);
    CLayer* copy = CRWLayers(&f.file).ReadLayerRef(&out);
    EXPECT_EQ(copy, out);
    return CLayerPtr::Adopt(copy);
  };
  EXPECT_FALSE(read());  // not offered
  OfferLayerForReference(layer.get());
  const CLayerPtr copy = read();
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), layer.get());
  EXPECT_EQ(copy->GetRefCount(), 1);
  EXPECT_EQ(copy->GetName(), "dragged");
  EXPECT_TRUE(SameBytes(copy->PeekMask(), layer->PeekMask()));
  WithdrawLayerReference(layer.get());
  EXPECT_FALSE(read());
  EXPECT_THROW(CRWLayers(&stream).WriteLayerRef(nullptr), layer_bad_layer);
  EXPECT_THROW(CRWLayers(static_cast<StreamFile*>(nullptr)), FileException);
}

}  // namespace
}  // namespace lumora::testing
