// The brush and paper store: grey conversion, inversion, unique names,
// files written and read back through the file-format library, and the
// store's list in an archive.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "support/unique_temp_folder.h"
#include "paint/BrushRandom.h"
#include "paint/ImageStore.h"
#include "paint/PaintBrush.h"
#include "paint/ShapeImage.h"
#include "platform/rect.h"
#include "store_archive.h"

namespace {

namespace fs = std::filesystem;

WAPtr MakeImage(int type, int width, int height) {
  return WAPtr::Adopt(new VrWA2000::WA(type, width, height, static_cast<const PALETTEENTRY*>(nullptr), false));
}

// A fresh program folder for each test, removed afterwards.
class StoreFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = lumora::testing::MakeUniqueTempFolder("lumora-paint-store-");
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(dir_, error);
  }
  void Touch(const std::string& name) {
    fs::create_directories(dir_ / "brush");
    std::ofstream(dir_ / "brush" / name) << "x";
  }
  std::string Next(const std::string& prefix) {
    std::string full, relative;
    EXPECT_TRUE(paint::UniqueFileName(dir_.string(), prefix, &full, &relative));
    return relative;
  }
  fs::path dir_;
};

TEST(ImageStoreGrey, ConvertsByLuminanceAndInverts) {
  WAPtr rgb = MakeImage(kWAType24, 2, 1);
  std::uint8_t* row = rgb->Row(0);
  row[0] = 0, row[1] = 0, row[2] = 255;     // red: 76
  row[3] = 255, row[4] = 255, row[5] = 255;  // white: 255
  WAPtr grey = paint::ConvertTo8Bit(rgb.get(), false);
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->GetType(), kWAType8Grey);
  EXPECT_EQ(grey->Row(0)[0], 76);
  EXPECT_EQ(grey->Row(0)[1], 255);
  WAPtr inverted = paint::ConvertTo8Bit(rgb.get(), true);
  EXPECT_EQ(inverted->Row(0)[0], 255 - 76);
  EXPECT_FALSE(paint::ConvertTo8Bit(grey.get(), false));  // already grey
  paint::InvertImage(grey.get());
  EXPECT_EQ(grey->Row(0)[0], 255 - 76);
  EXPECT_EQ(grey->Row(0)[1], 0);
}

TEST(ImageStoreGrey, PaletteImagesThroughTheirPalette) {
  WAPtr indexed = MakeImage(kWAType4Bit, 3, 1);
  PALETTEENTRY entries[2] = {{0, 255, 0, 0}, {0, 0, 255, 0}};  // green, blue
  indexed->SetPaletteEntries(0, 2, entries);
  indexed->Row(0)[0] = 0x10;  // pixels 1, 0
  indexed->Row(0)[1] = 0x10;  // pixel 1
  WAPtr grey = paint::ConvertTo8Bit(indexed.get(), false);
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->Row(0)[0], 11 * 255 / 100);
  EXPECT_EQ(grey->Row(0)[1], 59 * 255 / 100);
  EXPECT_EQ(grey->Row(0)[2], 11 * 255 / 100);
}

TEST_F(StoreFolder, LowestFreeNumberComparedWithoutCase) {
  EXPECT_EQ(Next("paper"), "brush\\paper0.bmp");
  EXPECT_TRUE(fs::is_directory(dir_ / "brush"));
  Touch("paper0.bmp");
  Touch("paper2.bmp");
  EXPECT_EQ(Next("paper"), "brush\\paper1.bmp");
  Touch("Paper1.BMP");  // the same file on Windows
  EXPECT_EQ(Next("paper"), "brush\\paper3.bmp");
  EXPECT_EQ(Next("brush"), "brush\\brush0.bmp");
}

TEST_F(StoreFolder, AddedImagesRoundTripThroughTheirFiles) {
  paint::CFileManager store(dir_.string());
  store.Prefix = "paper";
  WAPtr grey = MakeImage(kWAType8Grey, 5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) grey->Row(y)[x] = static_cast<std::uint8_t>(40 * y + x);
  EXPECT_EQ(store.AddImage(grey.get(), "Plain", false), 0);
  EXPECT_EQ(store.AddImage(grey.get(), "Inverted", true), 1);
  EXPECT_EQ(grey->Row(1)[1], 41);  // the caller's image is left alone
  ASSERT_EQ(store.GetCount(), 2);
  EXPECT_EQ(store.GetItem(1)->File, "brush\\paper1.bmp");
  EXPECT_EQ(store.GetItem(1)->Name, "Inverted");
  WAPtr plain = store.ReadFileFromProgramDir(store.GetItem(0)->File);
  WAPtr inverted = store.ReadFileFromProgramDir(store.GetItem(1)->File);
  ASSERT_TRUE(plain);
  ASSERT_TRUE(inverted);
  EXPECT_EQ(plain->GetType(), kWAType8Grey);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(plain->Row(y)[x], 40 * y + x);
      EXPECT_EQ(inverted->Row(y)[x], 255 - (40 * y + x));
    }
  EXPECT_FALSE(store.GetItem(2));
}

TEST_F(StoreFolder, RemovingDeletesTheFileAndRenumbers) {
  paint::CFileManager store(dir_.string());
  store.Prefix = "brush";
  WAPtr rgb = MakeImage(kWAType24, 2, 2);
  for (const char* name : {"a", "b", "c"}) ASSERT_GE(store.AddImage(rgb.get(), name, false), 0);
  EXPECT_TRUE(store.FileExistsInProgramDir("brush\\brush0.bmp"));
  EXPECT_TRUE(store.RemoveItem(0));
  EXPECT_FALSE(store.FileExistsInProgramDir("brush\\brush0.bmp"));
  ASSERT_EQ(store.GetCount(), 2);
  EXPECT_EQ(store.GetItem(0)->Index, 0);
  EXPECT_EQ(store.GetItem(1)->Index, 1);
  EXPECT_EQ(store.GetItem(0)->Name, "b");
  EXPECT_FALSE(store.RemoveItem(2));
  // The freed number is taken again.
  EXPECT_EQ(store.AddImage(rgb.get(), "d", false), 2);
  EXPECT_EQ(store.GetItem(2)->File, "brush\\brush0.bmp");
}

// Entries that name files outside the store's folder, as a damaged or
// hostile brush file may hold them, are never read and never deleted.
TEST_F(StoreFolder, EntriesOutsideTheStoresFolderAreNeitherReadNorDeleted) {
  const fs::path program = dir_ / "prog";
  fs::create_directories(program / "brush");
  WAPtr grey = MakeImage(kWAType8Grey, 2, 2);
  for (const fs::path& victim : {dir_ / "victim.bmp", program / "victim.bmp", program / "brush" / "own.bmp"})
    ASSERT_TRUE(paint::WriteImageFile(grey.get(), victim.string())) << victim;
  const std::string outside[] = {"..\\victim.bmp",          "brush\\..\\..\\victim.bmp", "brush/../victim.bmp",
                                 "victim.bmp",              (dir_ / "victim.bmp").string(), "\\victim.bmp",
                                 "brush\\...\\victim.bmp", "brush\\\\victim.bmp",     "C:brush\\own.bmp",
                                 "brush\\own.bmp:stream",  "brush"};
  paint::CFileManager store(program.string());
  for (const std::string& entry : outside) {
    SCOPED_TRACE(entry);
    EXPECT_FALSE(paint::IsStoreFile(entry));
    EXPECT_FALSE(store.FileExistsInProgramDir(entry));
    EXPECT_FALSE(store.ReadFileFromProgramDir(entry));
    store.AppendItem(entry, "hostile");
    EXPECT_TRUE(store.RemoveItem(store.GetCount() - 1)) << "the entry goes";
    EXPECT_TRUE(fs::exists(dir_ / "victim.bmp"));
    EXPECT_TRUE(fs::exists(program / "victim.bmp"));
    EXPECT_TRUE(fs::exists(program / "brush" / "own.bmp")) << "its file stays";
  }
  for (const std::string entry : {"brush\\own.bmp", "brush/own.bmp"}) {
    SCOPED_TRACE(entry);
    EXPECT_TRUE(paint::IsStoreFile(entry));
    EXPECT_TRUE(store.ReadFileFromProgramDir(entry));
  }
  EXPECT_TRUE(paint::IsStoreFile("BRUSH\\sub\\paper0.bmp")) << "Windows names ignore case";
}

std::vector<std::uint8_t> Stored(paint::CFileManager& store) { return painttest::StoreBytes(store); }

void Load(paint::CFileManager& store, const std::vector<std::uint8_t>& bytes) {
  painttest::LoadBytes(store, bytes.data(), bytes.size());
}

TEST(ImageStoreList, ArchiveLayoutRoundTripsAndReplaces) {
  paint::CFileManager store("unused");
  store.AppendItem("brush\\paper0.bmp", "Canvas");
  store.AppendItem("brush\\paper1.bmp", "");
  const auto bytes = Stored(store);
  const std::vector<std::uint8_t> want = {2, 0, 16, 'b', 'r', 'u', 's', 'h', '\\', 'p', 'a', 'p', 'e', 'r', '0', '.', 'b', 'm',
                                          'p', 6, 'C', 'a', 'n', 'v', 'a', 's', 16, 'b', 'r', 'u', 's', 'h', '\\', 'p', 'a',
                                          'p', 'e', 'r', '1', '.', 'b', 'm', 'p', 0};
  EXPECT_EQ(bytes, want);
  paint::CFileManager again("unused");
  Load(again, bytes);
  Load(again, bytes);  // read twice: listed once
  ASSERT_EQ(again.GetCount(), 2);
  EXPECT_EQ(again.GetItem(1)->Index, 1);
  EXPECT_EQ(Stored(again), bytes);
}

TEST(ImageStoreList, DamagedListThrowsAndLeavesTheStoreEmpty) {
  paint::CFileManager store("unused");
  store.AppendItem("brush\\paper0.bmp", "Canvas");
  auto bytes = Stored(store);
  bytes.resize(bytes.size() - 3);
  paint::CFileManager damaged("unused");
  damaged.AppendItem("old", "old");
  EXPECT_ANY_THROW(Load(damaged, bytes));
  EXPECT_EQ(damaged.GetCount(), 0);
  // A count far beyond the bytes that follow allocates nothing up front.
  EXPECT_ANY_THROW(Load(damaged, {0xFF, 0xFF, 1, 'a'}));
  EXPECT_EQ(damaged.GetCount(), 0);
}

TEST(ShapeImage, BoundsScaledIntoTheInnerBox) {
  WAPtr shape = MakeImage(kWAType8Grey, 10, 10);
  for (int y = 3; y < 5; ++y)
    for (int x = 2; x < 6; ++x) shape->Row(y)[x] = static_cast<std::uint8_t>(10 * x + y);
  const RECT bounds = paint::FindShapeBounds(shape.get());
  EXPECT_TRUE(lumora::RectsEqual(bounds, RECT{2, 3, 6, 5}));
  std::vector<std::uint8_t> mask(10 * 10, 0);
  paint::ScaleShapeIntoMask(shape.get(), mask.data(), 10, 10, 1);  // inner 8 x 8
  for (int j = 0; j < 8; ++j)
    for (int i = 0; i < 8; ++i) EXPECT_EQ(mask[(j + 1) * 10 + i + 1], 10 * (2 + i * 4 / 8) + 3 + j * 2 / 8) << i << "," << j;
  EXPECT_EQ(mask[0], 0);
  EXPECT_EQ(mask[9 * 10 + 9], 0);
  std::vector<std::uint8_t> untouched(16, 0);
  paint::ScaleShapeIntoMask(MakeImage(kWAType8Grey, 4, 4).get(), untouched.data(), 4, 4, 0);  // all zero
  EXPECT_EQ(untouched, std::vector<std::uint8_t>(16, 0));
  EXPECT_TRUE(lumora::RectIsEmpty(paint::FindShapeBounds(MakeImage(kWAType24, 4, 4).get())));
}

TEST_F(StoreFolder, BrushReadsItsCustomShapeAndPaperFromTheStores) {
  paint::CFileManager shapes(dir_.string()), papers(dir_.string());
  shapes.Prefix = "brush";
  papers.Prefix = "paper";
  WAPtr dot = MakeImage(kWAType8Grey, 3, 3);
  dot->Row(1)[1] = 255;
  ASSERT_EQ(shapes.AddImage(dot.get(), "Dot", false), 0);
  WAPtr stripes = MakeImage(kWAType8Grey, 2, 1);
  stripes->Row(0)[1] = 255;
  ASSERT_EQ(papers.AddImage(stripes.get(), "Stripes", false), 0);
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdAirBrush, 6, random);
  brush.SetWidth(6, 0, 0);
  brush.SetStores(&shapes, &papers);
  brush.SetShape(paint::kFirstCustomShape, shapes.GetItem(0)->File);
  ASSERT_TRUE(brush.BeginStroke());
  EXPECT_EQ(brush.BrushMask(), std::vector<std::uint8_t>(36, 255));  // the one pixel fills the box
  EXPECT_TRUE(brush.LoadPaperImage(papers.GetItem(0)->File));
  EXPECT_FALSE(brush.LoadPaperImage("brush\\missing.bmp"));
  brush.SetShape(paint::kFirstCustomShape, "brush\\gone.bmp");
  EXPECT_FALSE(brush.BeginStroke());  // a vanished shape starts no stroke
}

}  // namespace
