// Opening and saving documents against files of other programs (ImageMagick
// and ag-psd make PSDs at test time), the stored layered files, and the
// real file-format library.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "document/DocumentFiles.h"
#include "document/StackPreload.h"
#include "engine/pixels/Progress.h"
#include "engine/pixels/WAccess.h"
#include "platform/stream_file.h"
#include "tests/document/null_host.h"
#include "tests/support/temp_workspace.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<char>;

using NullHost = testing::NullDocumentHost;

class FileHost : public DocumentFileHost {
 public:
  bool AskNewImage(NewImageChoice* choice) override {
    ++asked;
    choice->width = 33;
    choice->height = 22;
    return answerOk;
  }
  bool ConfirmWarning(const std::string& text) override {
    warnings.push_back(text);
    return answerOk;
  }
  void ReportFileError(int code, const std::string&, const std::string& reason) override {
    errors.push_back(code);
    reasons.push_back(reason);
  }

  bool answerOk = true;
  int asked = 0;
  std::vector<std::string> warnings;
  std::vector<int> errors;
  std::vector<std::string> reasons;
};

class Workspace : public testing::Workspace {
 public:
  Workspace() : testing::Workspace("lumora-docfiles-") {}
};

void Shell(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  ASSERT_EQ(status, 0) << command;
}

std::string NodeTool() {
  const char* prefix = std::getenv("LUMORA_NODE_PREFIX");
  const fs::path tool =
      fs::path(LUMORA_TEST_DATA).parent_path() / "engine" / "layered" / "interop" / "agpsd_tool.js";
  return "NODE_PATH='" + std::string(prefix != nullptr ? prefix : "/opt/lumora/node") +
         "/node_modules' node '" + tool.string() + "'";
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The merged image of the visible layers on white, as bytes.
std::vector<std::uint8_t> Composite(ImageDocument& doc) {
  const WAPtr image = GetFlattenedImage(doc);
  std::vector<std::uint8_t> bytes;
  if (!image) return bytes;
  const std::size_t row = static_cast<std::size_t>(image->GetW()) * 3;
  for (int y = 0; y < image->GetH(); ++y) {
    bytes.insert(bytes.end(), image->Row(y), image->Row(y) + row);
  }
  return bytes;
}

std::vector<std::string> LayerNames(const ImageDocument& doc) {
  std::vector<std::string> names;
  for (int i = 0; i < doc.GetLayers()->GetLayerCount(); ++i) {
    names.push_back(doc.GetLayers()->GetLayer(i)->GetLayerInfo().name);
  }
  return names;
}

struct Opened {
  NullHost host;
  ImageDocument doc{&host};
};

// The files of other programs and the stored ones: each opens with its
// layers, saved as .PSD and .LUD reopens alike, saved as .png and .bmp
// reopens as the composite on white, after the warning, still modified.
TEST(DocumentFiles, LayeredFilesOfOtherProgramsRoundTrip) {
  Workspace ws;
  Shell("convert -size 20x20 xc:red \\( -size 10x10 xc:blue -set label Plain -repage +2+2 \\) "
        "\\( -size 8x8 xc:green -set label Screen -set compose Screen -repage +1+1 \\) -depth 8 '" +
        ws("im.psd") + "'");
  Shell(NodeTool() + " make '" + ws("ag.psd") + "'");
  const std::string data = LUMORA_TEST_DATA;
  struct Case {
    std::string path;
    int layers;
  } cases[] = {{ws("im.psd"), 2},
               {ws("ag.psd"), 3},
               {data + "/layered/rich.psd", -1},
               {data + "/layered/rich.lud", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    FileHost files;
    Opened source;
    ASSERT_EQ(OpenDocumentFile(source.doc, c.path, files), 1);
    EXPECT_FALSE(source.doc.IsModified());
    if (c.layers > 0) {
      EXPECT_EQ(source.doc.GetLayers()->GetLayerCount(), c.layers);
    }
    EXPECT_GT(source.doc.GetLayers()->GetLayerCount(), 1);
    EXPECT_EQ(source.doc.GetLayers()->GetNativeFormat(), HasExtension(c.path, ".lud") ? 1u : 0u);
    const auto names = LayerNames(source.doc);
    const auto composite = Composite(source.doc);
    for (const char* ext : {".PSD", ".LUD"}) {
      SCOPED_TRACE(ext);
      const std::string saved = ws(std::string("saved") + ext);
      source.doc.SetModifiedFlag(true);
      ASSERT_EQ(SaveToFile(source.doc, saved, true, files), 1);
      EXPECT_FALSE(source.doc.IsModified());
      EXPECT_EQ(source.doc.GetLayers()->GetNativeFormat(), std::string(ext) == ".LUD" ? 1u : 0u);
      Opened back;
      ASSERT_EQ(OpenByExtension(back.doc, saved, files), 1);
      EXPECT_EQ(LayerNames(back.doc), names);
      // The PSD layout has no place for the native file's add/subtract
      // parameters: that one road may change the look.
      const bool nativeOnly = HasExtension(c.path, ".lud") && std::string(ext) == ".PSD";
      if (!nativeOnly) {
        EXPECT_EQ(Composite(back.doc), composite);
      }
    }
    EXPECT_TRUE(files.warnings.empty());
    for (const char* ext : {".png", ".bmp"}) {
      const std::string saved = ws(std::string("flat") + ext);
      source.doc.SetModifiedFlag(true);
      ASSERT_NE(SaveToFile(source.doc, saved, true, files), 0);
      EXPECT_TRUE(source.doc.IsModified());
      Opened back;
      ASSERT_EQ(OpenByExtension(back.doc, saved, files), 1);
      EXPECT_EQ(back.doc.GetLayers()->GetLayerCount(), 1);
      EXPECT_EQ(Composite(back.doc), composite);
    }
    EXPECT_EQ(files.warnings.size(), 2u);
    EXPECT_TRUE(files.errors.empty());
  }
}

// What a shell command prints on its standard output.
std::string ShellOutput(const std::string& command) {
  std::string text;
  if (std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
    pclose(pipe);
  }
  return text;
}

// ImageMagick's reading of a file's density, in dots per inch, and the
// unit the file keeps it in.
struct Density {
  double x = 0, y = 0;
  std::string unit;
};
Density DensityOf(const std::string& path) {
  Density d;
  char unit[64] = {};
  const std::string text = ShellOutput("identify -format '%x %y %U\\n' '" + path + "[0]'");
  if (std::sscanf(text.c_str(), "%lf %lf %63s", &d.x, &d.y, unit) != 3) return d;
  d.unit = unit;
  const double toInch = d.unit == "PixelsPerCentimeter" ? 2.54 : 1.0;
  d.x *= toInch;
  d.y *= toInch;
  return d;
}

// Every format that holds a resolution keeps it: ImageMagick's file at 150
// and at 72 dots per inch opens at that resolution, and the file the
// document writes again gives ImageMagick the density of the original, in
// the same unit (pixels per centimetre for PNG and BMP, whose metres round
// a dot per inch to a few hundredths).
TEST(DocumentFiles, EveryFormatThatHoldsAResolutionKeepsIt) {
  Workspace ws;
  FileHost files;
  for (const char* extension : {"png", "jpg", "tif", "bmp", "psd"}) {
    for (const int dpi : {150, 72}) {
      const std::string name = std::to_string(dpi) + "." + extension;
      SCOPED_TRACE(name);
      Shell("convert -size 30x20 gradient:'#ff2000'-'#0030c0' -units PixelsPerInch -density " +
            std::to_string(dpi) + " -depth 8 -type TrueColor '" + ws("in" + name) + "'");
      Opened o;
      ASSERT_EQ(OpenDocumentFile(o.doc, ws("in" + name), files), 1);
      EXPECT_EQ(o.doc.GetLayers()->GetResolution(), static_cast<std::uint32_t>(dpi) * 0x10001u);
      ASSERT_NE(SaveToFile(o.doc, ws("out" + name), true, files), 0);
      const Density original = DensityOf(ws("in" + name));
      ASSERT_FALSE(original.unit.empty());
      EXPECT_NEAR(original.x, dpi, 0.05);
      const Density written = DensityOf(ws("out" + name));
      EXPECT_EQ(written.unit, original.unit);
      EXPECT_NEAR(written.x, original.x, 0.05);
      EXPECT_NEAR(written.y, original.y, 0.05);
      // The native layered file, which no other program writes, keeps it
      // too.
      ASSERT_EQ(SaveToFile(o.doc, ws("out" + name + ".lud"), true, files), 1);
      Opened native;
      ASSERT_EQ(OpenDocumentFile(native.doc, ws("out" + name + ".lud"), files), 1);
      EXPECT_EQ(native.doc.GetLayers()->GetResolution(), static_cast<std::uint32_t>(dpi) * 0x10001u);
    }
  }
}

TEST(DocumentFiles, FlattenWarningCancelledWritesNothing) {
  Workspace ws;
  FileHost files;
  Opened source;
  ASSERT_EQ(OpenDocumentFile(source.doc, std::string(LUMORA_TEST_DATA) + "/layered/rich.lud", files), 1);
  source.doc.SetModifiedFlag(true);
  files.answerOk = false;
  EXPECT_EQ(SaveToFile(source.doc, ws("a.png"), true, files), 0);
  EXPECT_FALSE(fs::exists(ws("a.png")));
  // Export asks nothing and leaves the flag alone.
  EXPECT_NE(SaveToFile(source.doc, ws("b.png"), false, files), 0);
  EXPECT_EQ(files.warnings.size(), 1u);
  EXPECT_TRUE(source.doc.IsModified());
}

// Stops the library half-way through the rows.
class CancelHalfWay : public CProgress {
 public:
  void Begin() override {}
  void End() override {}
  int Step(int position, int total) override { return position * 2 < total ? 1 : 0; }
};

TEST(DocumentFiles, FailedFlatSaveLeavesTheOldFileByteForByte) {
  Workspace ws;
  FileHost files;
  Opened source;
  ASSERT_EQ(source.doc.NewImage({2, 300, 200, 0x00480048u, 0x3366CCu}), 1);
  ASSERT_EQ(SaveToFile(source.doc, ws("old.bmp"), true, files), 1);
  const Bytes before = FileBytes(ws("old.bmp"));
  ASSERT_FALSE(before.empty());
  WAPtr other = WAPtr::Adopt(NewWA(kWAType24, 300, 200, nullptr));
  ASSERT_EQ(source.doc.GetLayers()->GetActiveLayer()->SetImage(other.get()), 0);
  CancelHalfWay cancel;
  EXPECT_EQ(SaveToFile(source.doc, ws("old.bmp"), true, files, &cancel), 0);
  EXPECT_EQ(FileBytes(ws("old.bmp")), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(ws("old.bmp")).parent_path()),
                          fs::directory_iterator()),
            1);
}

TEST(DocumentFiles, RoadsByContentAndByExtension) {
  Workspace ws;
  const std::string lud = std::string(LUMORA_TEST_DATA) + "/layered/rich.lud";
  fs::copy_file(lud, ws("layered.bmp"));
  FileHost files;
  {
    Opened o;  // first bytes "LU40" win over the name
    EXPECT_EQ(OpenDocumentFile(o.doc, ws("layered.bmp"), files), 1);
    EXPECT_GT(o.doc.GetLayers()->GetLayerCount(), 1);
  }
  {
    Opened o;  // by extension it goes to the library, which refuses it
    EXPECT_EQ(OpenByExtension(o.doc, ws("layered.bmp"), files), 0);
    EXPECT_FALSE(o.doc.HasImage());
  }
  std::ofstream(ws("empty.lud")).close();
  std::ofstream(ws("empty.PSD")).close();
  {
    Opened o;  // an empty native file offers a new image, marked modified
    EXPECT_EQ(OpenByExtension(o.doc, ws("empty.lud"), files), 1);
    EXPECT_EQ(files.asked, 1);
    EXPECT_EQ(o.doc.GetLayers()->GetWidth(), 33);
    EXPECT_TRUE(o.doc.IsModified());
    EXPECT_EQ(o.doc.GetLayers()->GetNativeFormat(), 1u);
  }
  {
    Opened o;  // an empty PSD goes to the layered reader and fails
    EXPECT_EQ(OpenByExtension(o.doc, ws("empty.PSD"), files), 0);
    EXPECT_EQ(files.asked, 1);
    ASSERT_FALSE(files.errors.empty());
    EXPECT_EQ(files.errors.back(), 19);
    EXPECT_EQ(files.reasons.back(), "the file is empty");  // the reader's words
    EXPECT_EQ(Sentence(files.reasons.back()), "The file is empty.");
  }
  {
    Opened o;  // the new-image dialog cancelled
    files.answerOk = false;
    EXPECT_EQ(OpenByExtension(o.doc, ws("empty.lud"), files), 0);
    EXPECT_FALSE(o.doc.HasImage());
  }
}

TEST(DocumentFiles, ReloadReplacesOrLeavesEverythingAsItWas) {
  Workspace ws;
  FileHost files;
  Opened o;
  const std::string lud = std::string(LUMORA_TEST_DATA) + "/layered/rich.lud";
  fs::copy_file(lud, ws("doc.lud"));
  ASSERT_EQ(OpenDocumentFile(o.doc, ws("doc.lud"), files), 1);
  const auto names = LayerNames(o.doc);
  ASSERT_TRUE(o.doc.BackupImageByName("Brush"));
  o.doc.SetModifiedFlag(true);
  CLayersManager* before = o.doc.GetLayers();
  // A damaged file: nothing changes, the modified flag included.
  std::ofstream(ws("doc.lud"), std::ios::binary | std::ios::trunc) << "LU40 broken";
  EXPECT_EQ(ReloadDocument(o.doc, ws("doc.lud"), files), 0);
  EXPECT_EQ(o.doc.GetLayers(), before);
  EXPECT_TRUE(o.doc.IsModified());
  EXPECT_EQ(o.doc.History().UndoCount(), 1);
  fs::copy_file(lud, ws("doc.lud"), fs::copy_options::overwrite_existing);
  // A stack read whole whose composites cannot be made: installing it
  // fails, and the document keeps its stack, history and flag.
  {
    CLayersManagerPtr read = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, lud));
    VrWA2000::ReadWA::MM_SetMemoryLimits(VrWA2000::ReadWA::MM_BytesInUse());
    const int replaced = o.doc.ReplaceLayerStack(read.get());
    VrWA2000::ReadWA::MM_SetMemoryLimits(0);
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(o.doc.GetLayers(), before);
    EXPECT_TRUE(o.doc.HasImage());
    EXPECT_TRUE(o.doc.IsModified());
    EXPECT_EQ(o.doc.History().UndoCount(), 1);
    EXPECT_NE(read->GetDocument(), &o.doc);
    EXPECT_EQ(o.doc.InvalidateImageRect(nullptr, false, true), 1);
  }
  EXPECT_EQ(ReloadDocument(o.doc, ws("doc.lud"), files), 1);
  EXPECT_NE(o.doc.GetLayers(), before);
  EXPECT_EQ(LayerNames(o.doc), names);
  EXPECT_FALSE(o.doc.IsModified());
  EXPECT_EQ(o.doc.History().UndoCount(), 0);
}

// The library's list: two formats for 24-bit images, one for 4-bit.
int FakeFormats(char* buffer, int size, int type) {
  static const char kTrue[] = "PNG (*.PNG)\0*.PNG\0BMP (*.BMP)\0*.BMP\0";
  static const char kFour[] = "BMP (*.BMP)\0*.BMP\0";
  const char* list = type == kWAType4Bit ? kFour : kTrue;
  const int n = type == kWAType4Bit ? static_cast<int>(sizeof kFour) - 1
                                    : static_cast<int>(sizeof kTrue) - 1;
  if (buffer != nullptr && size >= n) std::memcpy(buffer, list, static_cast<std::size_t>(n));
  return n;
}

// Counts the reports that reach the program's progress indicator.
class CountingIndicator : public ProgressIndicator {
 public:
  void SetCaptionId(int) override { ++calls; }
  int Callback(int, int) override {
    ++calls;
    return 1;
  }
  int calls = 0;
};

// Points the temporary directory at a new folder of this test's own while it
// lives: other test processes make and remove their own temporary files.
class PrivateTempDirectory {
 public:
  PrivateTempDirectory() : folder_(lumora::testing::MakeUniqueTempFolder("lud_temp_")) { Point(folder_.string()); }
  ~PrivateTempDirectory() {
    Point(previous_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

 private:
  static void Point(const std::string& path) {
#ifdef _WIN32
    _putenv_s("TMP", path.c_str());
    _putenv_s("TEMP", path.c_str());
#else
    if (path.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", path.c_str(), 1);
    }
#endif
  }
  static std::string Current() {
#ifdef _WIN32
    const char* value = std::getenv("TMP");
#else
    const char* value = std::getenv("TMPDIR");
#endif
    return value != nullptr ? value : "";
  }
  std::string previous_ = Current();
  fs::path folder_;
};

int LudTempFiles() {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
    if (entry.path().filename().string().rfind("lud.lumora-tmp-", 0) == 0) ++count;
  }
  return count;
}

void Rewind(MemFile& file) { file.SeekFromCurrent(-static_cast<std::int64_t>(file.GetPosition())); }

// A stream that counts the reads it is asked for (each one a call into
// another process when the stream is an OLE one).
class CountingReads : public MemFile {
 public:
  std::uint32_t Read(void* buffer, std::uint32_t count) override {
    ++reads;
    return MemFile::Read(buffer, count);
  }
  int reads = 0;
};

// An embedded image's stream is read in whole pieces, from where it stands
// (a container may keep other bytes before it), into the same layers.
TEST(DocumentFiles, ALayeredStackLoadsFromAStreamInPieces) {
  FileHost files;
  Opened source;
  ASSERT_EQ(OpenDocumentFile(source.doc, std::string(LUMORA_TEST_DATA) + "/layered/rich.lud", files), 1);
  CountingReads stream;
  stream.Write("head", 4);
  StoreLayeredStack(*source.doc.GetLayers(), stream);
  ASSERT_LT(stream.GetLength(), kSerializeChunkBytes);
  stream.SeekFromCurrent(4 - static_cast<std::int64_t>(stream.GetPosition()));
  CLayersManagerPtr loaded = LoadLayeredStack(stream);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(stream.reads, 2) << "one piece and the end";
  ASSERT_EQ(loaded->GetLayerCount(), source.doc.GetLayers()->GetLayerCount());
  for (int i = 0; i < loaded->GetLayerCount(); ++i) {
    EXPECT_EQ(loaded->GetLayer(i)->GetName(), source.doc.GetLayers()->GetLayer(i)->GetName());
  }
  MemFile damaged;
  damaged.Write("LU40junk", 8);
  Rewind(damaged);
  EXPECT_ANY_THROW(LoadLayeredStack(damaged));
}

// A stack without a document written to a layered file: the layout follows
// the extension, the file reopens with the same layers and composite; any
// other name is refused and nothing is written.
TEST(DocumentFiles, AStackSavesAsALayeredFileByItsExtension) {
  Workspace ws;
  FileHost files;
  Opened source;
  ASSERT_EQ(OpenDocumentFile(source.doc, std::string(LUMORA_TEST_DATA) + "/layered/rich.psd", files), 1);
  const auto names = LayerNames(source.doc);
  const auto composite = Composite(source.doc);
  for (const char* name : {"stack.lud", "stack.psd"}) {
    SCOPED_TRACE(name);
    SaveLayeredStack(*source.doc.GetLayers(), ws(name));
    std::FILE* f = std::fopen(ws(name).c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char head[4] = {};
    ASSERT_EQ(std::fread(head, 1, 4, f), 4u);
    std::fclose(f);
    EXPECT_EQ(std::string(head, 4), HasExtension(name, ".lud") ? "LU40" : "8BPS");
    Opened back;
    ASSERT_EQ(OpenByExtension(back.doc, ws(name), files), 1);
    EXPECT_EQ(LayerNames(back.doc), names);
    EXPECT_EQ(Composite(back.doc), composite);
  }
  EXPECT_THROW(SaveLayeredStack(*source.doc.GetLayers(), ws("stack.png")), std::invalid_argument);
  EXPECT_FALSE(fs::exists(ws("stack.png")));
}

// The archive road: a stack stored into a stream reopens with its layers;
// a paste takes the stack instead of the document; nothing moves while a
// document opens its file; no progress shows and no temporary file stays.
TEST(DocumentFiles, SerializedStackTravelsThroughAStream) {
  FileHost files;
  Opened source;
  ASSERT_EQ(OpenDocumentFile(source.doc, std::string(LUMORA_TEST_DATA) + "/layered/rich.lud", files), 1);
  CountingIndicator indicator;
  SetProgressIndicator(&indicator);
  PrivateTempDirectory privateTemp;
  const int tempBefore = LudTempFiles();

  MemFile stream;
  StoreSerializedStack(source.doc, stream);
  EXPECT_GT(stream.GetLength(), 0u);
  EXPECT_EQ(GetProgressIndicator(), &indicator);
  EXPECT_EQ(indicator.calls, 0);
  EXPECT_EQ(LudTempFiles(), tempBefore);

  Rewind(stream);
  Opened back;
  ASSERT_EQ(LoadSerializedStack(back.doc, stream), 1);
  EXPECT_EQ(LayerNames(back.doc), LayerNames(source.doc));
  EXPECT_EQ(Composite(back.doc), Composite(source.doc));
  // A document holds one image: a second load is refused.
  Rewind(stream);
  EXPECT_EQ(LoadSerializedStack(back.doc, stream), 0);

  // For a paste the stack waits to be taken; the document stays empty.
  SetPasteLoading(true);
  Rewind(stream);
  Opened pasteTarget;
  EXPECT_EQ(LoadSerializedStack(pasteTarget.doc, stream), 1);
  SetPasteLoading(false);
  EXPECT_FALSE(pasteTarget.doc.HasImage());
  CLayersManagerPtr taken = TakeStackToSerialize();
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->GetLayerCount(), source.doc.GetLayers()->GetLayerCount());
  EXPECT_EQ(GetStackToSerialize(), nullptr);

  // A stack to serialise is written instead of the document's own.
  SetStackToSerialize(taken.get());
  MemFile chosen;
  StoreSerializedStack(pasteTarget.doc, chosen);
  SetStackToSerialize(nullptr);
  EXPECT_GT(chosen.GetLength(), 0u);

  SetDocumentBeingOpened(true);
  Rewind(stream);
  Opened opening;
  EXPECT_EQ(LoadSerializedStack(opening.doc, stream), 0);
  MemFile nothing;
  StoreSerializedStack(source.doc, nothing);
  SetDocumentBeingOpened(false);
  EXPECT_FALSE(opening.doc.HasImage());
  EXPECT_EQ(nothing.GetLength(), 0u);

  // A damaged stream installs nothing.
  MemFile damaged;
  damaged.Write("8BPS garbage", 12);
  Rewind(damaged);
  Opened broken;
  EXPECT_EQ(LoadSerializedStack(broken.doc, damaged), 0);
  EXPECT_FALSE(broken.doc.HasImage());
  EXPECT_EQ(GetProgressIndicator(), &indicator);
  SetProgressIndicator(nullptr);
}

// The file named at start-up, read ahead on its own thread: opening it
// takes that stack (the same document, no second read: no progress at all,
// the thread reports none either), and only once.
TEST(FileReadAheadThreaded, OpensAsTheSameDocument) {
  Workspace ws;
  Shell(NodeTool() + " make '" + ws("ag.psd") + "'");
  for (const std::string& path : {ws("ag.psd"), std::string(LUMORA_TEST_DATA) + "/layered/rich.lud"}) {
    SCOPED_TRACE(path);
    FileHost files;
    CountingIndicator indicator;
    SetProgressIndicator(&indicator);
    Opened plain;
    ASSERT_EQ(OpenDocumentFile(plain.doc, path, files), 1);
    EXPECT_GT(indicator.calls, 0);  // a read on this thread shows progress

    indicator.calls = 0;
    StartStackPreload(path);
    Opened ahead;
    ASSERT_EQ(OpenDocumentFile(ahead.doc, path, files), 1);
    EXPECT_EQ(indicator.calls, 0);
    EXPECT_EQ(LayerNames(ahead.doc), LayerNames(plain.doc));
    EXPECT_EQ(Composite(ahead.doc), Composite(plain.doc));
    EXPECT_EQ(ahead.doc.GetLayers()->GetNativeFormat(), plain.doc.GetLayers()->GetNativeFormat());
    EXPECT_EQ(ahead.doc.GetLayers()->GetDocument(), static_cast<DocumentLock*>(&ahead.doc));
    EXPECT_FALSE(ahead.doc.IsModified());
    EXPECT_FALSE(TakePreloadedStack(path));
    EXPECT_TRUE(files.errors.empty());
    SetProgressIndicator(nullptr);
  }
}

// A read ahead is used only for the very file it read, unchanged; every
// other case reads the file as usual and reports its faults.
TEST(FileReadAheadThreaded, IsDroppedWhenItDoesNotFit) {
  Workspace ws;
  const std::string lud = std::string(LUMORA_TEST_DATA) + "/layered/rich.lud";
  fs::copy_file(lud, ws("a.lud"));
  fs::copy_file(lud, ws("b.lud"));
  const Bytes whole = FileBytes(lud);

  // Another file asked for first: the read ahead is over.
  StartStackPreload(ws("a.lud"));
  EXPECT_FALSE(TakePreloadedStack(ws("b.lud")));
  EXPECT_FALSE(TakePreloadedStack(ws("a.lud")));

  // Rewritten between the read and the opening: the new content opens.
  StartStackPreload(ws("a.lud"));
  fs::copy_file(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd", ws("a.lud"),
                fs::copy_options::overwrite_existing);
  EXPECT_FALSE(TakePreloadedStack(ws("a.lud")));

  // Damaged after the first bytes: no stack ahead, the opening reports it.
  std::ofstream(ws("cut.lud"), std::ios::binary).write(whole.data(), static_cast<std::streamsize>(whole.size() / 3));
  StartStackPreload(ws("cut.lud"));
  FileHost files;
  Opened cut;
  EXPECT_EQ(OpenDocumentFile(cut.doc, ws("cut.lud"), files), 0);
  ASSERT_EQ(files.errors.size(), 1u);
  EXPECT_EQ(files.errors[0], 19);

  // Not layered, or not there: nothing is read ahead.
  Shell("convert -size 4x4 xc:red '" + ws("flat.png") + "'");
  StartStackPreload(ws("flat.png"));
  EXPECT_FALSE(TakePreloadedStack(ws("flat.png")));
  StartStackPreload(ws("missing.lud"));
  EXPECT_FALSE(TakePreloadedStack(ws("missing.lud")));

  // Dropped unused while it may still run.
  StartStackPreload(ws("b.lud"));
  DiscardStackPreload();
  EXPECT_FALSE(TakePreloadedStack(ws("b.lud")));
}

TEST(DocumentFiles, SaveFilterFollowsTheStack) {
  const std::string layered = "Lumora 4.0 Document (*.LUD)|*.LUD|PhotoShop Document (*.PSD)|*.PSD";
  const std::string library = "PNG (*.PNG)|*.PNG|BMP (*.BMP)|*.BMP||";
  FileHost files;
  Opened flat;
  ASSERT_EQ(flat.doc.NewImage({2, 10, 10, 0, 0xFFFFFFu}), 1);
  EXPECT_EQ(BuildSaveFilter(flat.doc, false, FakeFormats), layered + "|" + library);
  Opened stacked;
  ASSERT_EQ(OpenDocumentFile(stacked.doc, std::string(LUMORA_TEST_DATA) + "/layered/rich.lud",
                             files),
            1);
  EXPECT_EQ(BuildSaveFilter(stacked.doc, false, FakeFormats), layered + "||");
  EXPECT_EQ(BuildSaveFilter(stacked.doc, true, FakeFormats), layered + "|" + library);
  Opened four;
  WAPtr image = WAPtr::Adopt(NewWA(kWAType4Bit, 8, 8, nullptr));
  if (four.doc.NewImage({0, reinterpret_cast<std::uintptr_t>(image.get())}) == 1 &&
      GetFlattenedImage(four.doc)->GetType() == kWAType4Bit) {
    EXPECT_EQ(BuildSaveFilter(four.doc, false, FakeFormats), "BMP (*.BMP)|*.BMP||");
  }
  EXPECT_EQ(BuildSaveFilter(flat.doc, false, [](char*, int, int) { return 0; }), layered + "|||");
}

}  // namespace
}  // namespace lumora
#endif
