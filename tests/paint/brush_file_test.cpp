// The brush file: the record layout against bytes built by hand, round
// trips through the disk, a failed save, damaged files, pruning of missing
// store files, and the unique-name rules.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/unique_temp_folder.h"
#include "framework/Archive.h"
#include "paint/BrushFile.h"
#include "store_archive.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

namespace fs = std::filesystem;
using paint::PageKind;

// Little-endian bytes in the archive's layout (strings below 255 bytes).
struct Bytes {
  std::vector<std::uint8_t> data;
  Bytes& u16(std::uint16_t v) {
    data.push_back(static_cast<std::uint8_t>(v)), data.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
  }
  Bytes& u32(std::uint32_t v) { return u16(static_cast<std::uint16_t>(v)).u16(static_cast<std::uint16_t>(v >> 16)); }
  Bytes& str(const std::string& s) {
    data.push_back(static_cast<std::uint8_t>(s.size()));
    data.insert(data.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& edge() {
    u32(0).u32(1).u32(0);
    for (std::uint16_t size : {0, 5, 10, 20, 0, 5, 20, 35}) u16(size);
    return *this;
  }
  // A brush page's settings with the defaults but the given shape and paper.
  Bytes& brushSettings(std::uint32_t shape = 0, std::uint32_t paper = 0, std::uint32_t opacity = 100) {
    u32(0).u32(shape).u32(paper).u32(0).u32(opacity).u32(12);
    for (int i = 0; i < 6; ++i) u32(0);
    return u32(0).u32(0).u32(12).edge();
  }
};

// One shape "brush\br0.bmp" named "Blob", no paper; the eraser has one
// preset, every other page none and its defaults (the clone's style 1).
Bytes HandBuiltFile() {
  Bytes b;
  b.u16(1).str("brush\\br0.bmp").str("Blob").u16(0);
  // eraser: one preset with the reserved value, then settings
  b.u16(1).str("Soft").u32(6).u32(30).u32(0xFFFFFFFF).u32(40).u32(7);
  b.u32(1).u32(2).u32(3).u32(4).u32(5).u32(6).edge().u32(0);
  b.brushSettings(6);
  b.u16(0).brushSettings();                // paint brush
  b.u16(0).brushSettings().u32(1);         // clone with its style
  b.u16(0).u32(20).u32(7).u32(0).u32(0).u32(0).u32(12);  // water
  b.u16(0).brushSettings(0, 0, 50);        // air: spray density 50
  b.u16(0).brushSettings();                // line
  b.u16(0).brushSettings();                // curve
  for (int i = 0; i < 3; ++i) b.u16(0).brushSettings().u32(0);  // rectangle, ellipse, polygon
  return b;
}

std::vector<std::uint8_t> Store(paint::BrushFile& file) { return painttest::StoreBytes(file); }

void LoadBytes(paint::BrushFile& file, const std::vector<std::uint8_t>& bytes) {
  painttest::LoadBytes(file, bytes.data(), bytes.size());
}

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

bool Empty(paint::BrushFile& file) {
  if (file.brushFiles.GetCount() != 0 || file.paperFiles.GetCount() != 0) return false;
  for (const paint::BrushPage& page : file.pages)
    if (!page.presets.empty() || page.settings.shape != 0) return false;
  return true;
}

class BrushFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = lumora::testing::MakeUniqueTempFolder("lumora-brush-file-");
    fs::create_directories(dir_ / "brush");
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(dir_, error);
  }
  void Touch(const std::string& name) { std::ofstream(dir_ / "brush" / name) << "x"; }
  std::string Path() const { return (dir_ / "LUMORA.BRS").string(); }
  fs::path dir_;
};

TEST(BrushFileLayout, ReadsAndWritesTheHandBuiltRecords) {
  const Bytes bytes = HandBuiltFile();
  paint::BrushFile file("");
  LoadBytes(file, bytes.data);
  ASSERT_EQ(file.brushFiles.GetCount(), 1);
  EXPECT_EQ(file.brushFiles.GetItem(0)->Name, "Blob");
  const paint::BrushPage& eraser = file.Page(PageKind::eraser);
  ASSERT_EQ(eraser.presets.size(), 1u);
  const auto* preset = dynamic_cast<const paint::ERASE_PREDEFITEM*>(eraser.presets[0].get());
  ASSERT_NE(preset, nullptr);
  EXPECT_EQ(preset->name, "Soft");
  EXPECT_EQ(preset->shape, 6u);
  EXPECT_EQ(preset->width, 30u);
  EXPECT_EQ(preset->paper, -1);
  EXPECT_EQ(preset->opacity, 40u);
  EXPECT_EQ(preset->insertMode, 7u);
  EXPECT_EQ(preset->params[5], 6u);
  EXPECT_EQ(preset->edge.sizes[7], 35);
  EXPECT_EQ(eraser.settings.shape, 6u);
  EXPECT_EQ(file.Page(PageKind::clone).settings.style, 1u);
  EXPECT_EQ(file.Page(PageKind::air).settings.opacity, 50u);
  EXPECT_EQ(file.Page(PageKind::water).settings.strength, 7u);
  EXPECT_EQ(Store(file), bytes.data) << "written back byte for byte";

  // A new file's defaults are the same records (bar the store and preset).
  paint::BrushFile fresh("");
  fresh.Page(PageKind::clone).settings.style = 1;
  fresh.Page(PageKind::eraser).settings.shape = 6;
  fresh.brushFiles.AppendItem("brush\\br0.bmp", "Blob");
  auto soft = fresh.Page(PageKind::eraser).NewPreset();
  soft->name = "Soft", soft->shape = 6, soft->width = 30, soft->paper = -1, soft->opacity = 40, soft->insertMode = 7;
  static_cast<paint::PB_PREDEFITEM&>(*soft).params = {1, 2, 3, 4, 5, 6};
  fresh.Page(PageKind::eraser).presets.push_back(std::move(soft));
  EXPECT_EQ(Store(fresh), bytes.data);
}

TEST_F(BrushFolder, SavedFileLoadsAndSavesAgainByteForByte) {
  Touch("br0.bmp");
  Touch("paper0.bmp");
  paint::BrushFile file(dir_.string());
  LoadBytes(file, HandBuiltFile().data);
  file.paperFiles.AppendItem("brush\\paper0.bmp", "Canvas");
  file.Page(PageKind::paintBrush).settings.paper = 1;
  ASSERT_TRUE(file.Save(Path()).ok);
  const std::vector<std::uint8_t> first = FileBytes(Path());

  paint::BrushFile again(dir_.string());
  ASSERT_TRUE(again.Load(Path()).ok);
  ASSERT_TRUE(again.Load(Path()).ok) << "loading twice lists nothing twice";
  EXPECT_EQ(again.brushFiles.GetCount(), 1);
  EXPECT_EQ(again.paperFiles.GetCount(), 1);
  EXPECT_EQ(again.Page(PageKind::eraser).presets.size(), 1u);
  ASSERT_TRUE(again.Save(Path()).ok);
  EXPECT_EQ(FileBytes(Path()), first);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2) << "no temporary file left";
}

TEST_F(BrushFolder, MissingFileIsAFirstStartAndDamagedFilesLoadEmptyWithAMessage) {
  paint::BrushFile file(dir_.string());
  EXPECT_TRUE(file.Load(Path()).ok);
  EXPECT_TRUE(Empty(file));

  const std::vector<std::uint8_t> whole = HandBuiltFile().data;
  Bytes hugeCount;
  hugeCount.u16(0).u16(0).u16(0xFFFF).str("x");
  std::vector<std::vector<std::uint8_t>> damaged = {hugeCount.data};
  for (std::size_t cut : {std::size_t{1}, std::size_t{5}, std::size_t{30}, whole.size() / 2, whole.size() - 1})
    damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
  for (const auto& bytes : damaged) {
    Touch("br0.bmp");
    LoadBytes(file, whole);  // filled before the damaged load
    WriteBytes(Path(), bytes);
    const paint::BrushFileResult result = file.Load(Path());
    EXPECT_FALSE(result.ok) << bytes.size();
    EXPECT_NE(result.message.find("damaged"), std::string::npos);
    EXPECT_TRUE(Empty(file)) << bytes.size();
    EXPECT_EQ(FileBytes(Path()), bytes) << "the damaged file is left for the user";
  }
}

#ifndef _WIN32
TEST_F(BrushFolder, FailedSaveLeavesTheOldFileWhole) {
  const std::vector<std::uint8_t> old = HandBuiltFile().data;
  WriteBytes(Path(), old);
  paint::BrushFile file(dir_.string());
  for (int i = 0; i < 400; ++i) file.paperFiles.AppendItem("brush\\paper" + std::to_string(i) + ".bmp", "Paper");
  // Writes beyond 1 KiB fail in this process while the limit holds.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const paint::BrushFileResult result = file.Save(Path());
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message.rfind("Can't Save the brushes: ", 0), 0u) << result.message;
  EXPECT_EQ(FileBytes(Path()), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2) << "no temporary file left";
}
#endif

// A brush file whose store names files outside the store's folder: those
// entries are dropped on loading, and the files they name stay.
TEST_F(BrushFolder, EntriesOutsideTheStoresFolderArePrunedAndTheirFilesKept) {
  const fs::path program = dir_ / "prog";
  fs::create_directories(program / "brush");
  std::ofstream(dir_ / "victim.bmp") << "keep me";
  std::ofstream(program / "victim.bmp") << "keep me";
  std::ofstream(program / "brush" / "paper0.bmp") << "x";
  {
    paint::BrushFile file(program.string());
    file.paperFiles.AppendItem("..\\victim.bmp", "Hostile");
    file.paperFiles.AppendItem("brush\\..\\victim.bmp", "Hostile");
    file.paperFiles.AppendItem("brush\\paper0.bmp", "Canvas");
    ASSERT_TRUE(file.Save(Path()).ok);
  }
  paint::BrushFile again(program.string());
  ASSERT_TRUE(again.Load(Path()).ok);
  ASSERT_EQ(again.paperFiles.GetCount(), 1);
  EXPECT_EQ(again.paperFiles.GetItem(0)->Name, "Canvas");
  EXPECT_TRUE(fs::exists(dir_ / "victim.bmp"));
  EXPECT_TRUE(fs::exists(program / "victim.bmp"));
}

TEST_F(BrushFolder, MissingStoreFilesArePrunedAndReferencesRenumbered) {
  paint::BrushFile file(dir_.string());
  for (const char* name : {"br0.bmp", "br1.bmp", "br2.bmp", "paper0.bmp", "paper1.bmp"}) {
    Touch(name);
    const std::string relative = std::string("brush\\") + name;
    (relative.find("paper") != std::string::npos ? file.paperFiles : file.brushFiles).AppendItem(relative, name);
  }
  paint::BrushPage& page = file.Page(PageKind::paintBrush);
  const std::uint32_t shapes[] = {1, 6, 7, 8};
  const std::int32_t papers[] = {-1, 0, 1, 1};
  for (int i = 0; i < 4; ++i) {
    page.presets.push_back(page.NewPreset());
    page.presets.back()->shape = shapes[i];
    page.presets.back()->paper = papers[i];
  }
  page.settings.shape = 7;
  page.settings.paper = 1;
  file.Page(PageKind::clone).settings.shape = 8;
  file.Page(PageKind::clone).settings.paper = 2;
  ASSERT_TRUE(file.Save(Path()).ok);
  fs::remove(dir_ / "brush" / "br1.bmp");
  fs::remove(dir_ / "brush" / "paper0.bmp");

  ASSERT_TRUE(file.Load(Path()).ok);
  ASSERT_EQ(file.brushFiles.GetCount(), 2);
  EXPECT_EQ(file.brushFiles.GetItem(1)->Name, "br2.bmp");
  ASSERT_EQ(file.paperFiles.GetCount(), 1);
  const paint::BrushPage& loaded = file.Page(PageKind::paintBrush);
  ASSERT_EQ(loaded.presets.size(), 4u);
  // Standard shapes stay, the vanished shape becomes Square, later ones move up.
  EXPECT_EQ(loaded.presets[0]->shape, 1u);
  EXPECT_EQ(loaded.presets[1]->shape, 6u);
  EXPECT_EQ(loaded.presets[2]->shape, paint::kShapeSquare);
  EXPECT_EQ(loaded.presets[3]->shape, 7u);
  EXPECT_EQ(loaded.presets[3]->index, 3);
  // Papers: the vanished one becomes none, later ones move down.
  EXPECT_EQ(loaded.presets[0]->paper, -1);
  EXPECT_EQ(loaded.presets[1]->paper, -1);
  EXPECT_EQ(loaded.presets[2]->paper, 0);
  EXPECT_EQ(loaded.presets[3]->paper, 0);
  // The pages' own selections follow the list: the item now at the place.
  EXPECT_EQ(loaded.settings.shape, 7u);
  EXPECT_EQ(loaded.settings.paper, 0u);
  EXPECT_EQ(file.Page(PageKind::clone).settings.shape, 7u);
  EXPECT_EQ(file.Page(PageKind::clone).settings.paper, 1u);
}

TEST(BrushFileNames, ExecutableNameTakesTheExtension) {
  EXPECT_EQ(paint::BrushFileNameFor("C:\\Lumora\\LUMORA.EXE"), "C:\\Lumora\\LUMORA.BRS");
  EXPECT_EQ(paint::BrushFileNameFor("/opt/a.b/lumora"), "/opt/a.b/lumora.BRS");
}

TEST(BrushFileNames, TrailingNumbersAndUniqueNames) {
  struct Case {
    std::string text;
    int front, value;
  };
  for (const Case& c : std::vector<Case>{{"Shape 12", 5, 12},
                                         {"A5", 0, 5},
                                         {" 7", 0, 7},
                                         {"Shape12", -1, -1},
                                         {"Shape ", -1, -1},
                                         {"12", -1, -1},
                                         {"Big 99999999999", -1, -1}}) {
    int value = 99;
    EXPECT_EQ(paint::ParseTrailingNumber(c.text, &value), c.front) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  int untouched = 99;
  EXPECT_EQ(paint::ParseTrailingNumber("", &untouched), -1);
  EXPECT_EQ(untouched, 99);
  const std::vector<std::string> names = {"Shape 1", "Shape 2", "shape 3", "Round", "Top 2147483647"};
  EXPECT_EQ(paint::MakeUniqueName("Shape", names, -1), "Shape");
  EXPECT_EQ(paint::MakeUniqueName("Shape", names, 0), "Shape 3") << "case counts";
  EXPECT_EQ(paint::MakeUniqueName("Shape", names, 1), "Shape 3");
  EXPECT_EQ(paint::MakeUniqueName("Shape", names, 3), "Round 0");
  EXPECT_EQ(paint::MakeUniqueName("Shape", names, 4), "Shape") << "no number left";
  EXPECT_EQ(paint::MakeUniqueName("Settings", {"Soft 4"}, 0), "Soft 5");
  EXPECT_EQ(paint::MakeUniqueName("Shape", {"A5"}, 0), "A 6");
}

}  // namespace
