// The image browser's thumbnail database: round trips in the archive
// layout, a damaged file keeping what came before the damage, entries
// that claim too much refused, the thumbnail's size and sampling and the
// readable-file test.
#include <gtest/gtest.h>

#include "files/ThumbnailDb.h"

namespace lumora {
namespace {

ThumbnailItem Item(std::uint32_t w, std::uint32_t h, std::uint32_t time) {
  ThumbnailItem item;
  item.timeLow = time;
  item.timeHigh = ~time;
  if (w != 0) {
    WAPtr image = WAPtr::Adopt(NewWA(kWAType24, static_cast<int>(w), static_cast<int>(h), nullptr));
    for (std::uint32_t y = 0; y < h; ++y)
      for (std::uint32_t x = 0; x < 3 * w; ++x) image->Row(static_cast<int>(y))[x] = static_cast<std::uint8_t>(x + 7 * y);
    item = MakeThumbnail(*image);
    item.timeLow = time;
    item.timeHigh = ~time;
  }
  return item;
}

void ExpectSame(const ThumbnailDb& a, const ThumbnailDb& b) {
  ASSERT_EQ(a.items.size(), b.items.size());
  for (const auto& [path, item] : a.items) {
    const auto found = b.items.find(path);
    ASSERT_NE(found, b.items.end()) << path;
    EXPECT_EQ(found->second.timeLow, item.timeLow);
    EXPECT_EQ(found->second.timeHigh, item.timeHigh);
    EXPECT_EQ(found->second.width, item.width);
    EXPECT_EQ(found->second.height, item.height);
    EXPECT_EQ(found->second.dib, item.dib);
  }
}

TEST(ThumbnailDb, RoundTripsInTheArchiveLayout) {
  ThumbnailDb db;
  db.items["C:\\pictures\\a.jpg"] = Item(120, 90, 11);
  db.items["C:\\pictures\\broken.png"] = Item(0, 0, 12);  // could not be read
  db.items[std::string(300, 'p')] = Item(30, 90, 13);      // a long path: a 16-bit length
  const std::vector<std::uint8_t> bytes = db.Serialize();
  // Count 3; the first key "C:\pictures\a.jpg" with a one-byte length;
  // the class named once, later items by its index.
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(bytes[2], 17);
  EXPECT_EQ(std::string(bytes.begin() + 20, bytes.begin() + 26), std::string("\xFF\xFF\x01\x00\x0C\x00", 6));
  EXPECT_EQ(std::string(bytes.begin() + 26, bytes.begin() + 38), "CPaletteItem");
  ThumbnailDb back;
  EXPECT_TRUE(back.Parse(bytes));
  ExpectSame(db, back);

  // More entries than a 16-bit count holds: 0xFFFF and a 32-bit count.
  ThumbnailDb many;
  for (int i = 0; i < 0x10001; ++i) many.items["f" + std::to_string(i)] = Item(0, 0, static_cast<std::uint32_t>(i));
  const std::vector<std::uint8_t> big = many.Serialize();
  EXPECT_EQ(big[0], 0xFF);
  EXPECT_EQ(big[1], 0xFF);
  EXPECT_EQ(big[2] | big[3] << 8 | big[4] << 16, 0x10001);
  ThumbnailDb manyBack;
  EXPECT_TRUE(manyBack.Parse(big));
  EXPECT_EQ(manyBack.items.size(), 0x10001u);
}

TEST(ThumbnailDb, DamagedOrBoastfulEntriesKeepWhatCameBefore) {
  ThumbnailDb db;
  db.items["a"] = Item(40, 30, 1);
  db.items["b"] = Item(0, 0, 2);
  db.items["c"] = Item(120, 90, 3);
  std::vector<std::uint8_t> bytes = db.Serialize();

  std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 100);  // the third thumbnail runs past the end
  ThumbnailDb partial;
  EXPECT_FALSE(partial.Parse(cut));
  EXPECT_EQ(partial.items.size(), 2u);
  EXPECT_TRUE(partial.items.count("a") && partial.items.count("b"));

  // The third entry's width claimed as 0xFFFFFFFF, then as 121: refused
  // before anything is allocated.
  ThumbnailDb two;
  two.items["a"] = db.items["a"];
  two.items["b"] = db.items["b"];
  const std::size_t third = two.Serialize().size();  // where "c" begins (count byte differs, not the length)
  for (std::uint32_t width : {0xFFFFFFFFu, 121u}) {
    std::vector<std::uint8_t> lie = bytes;
    const std::size_t at = third + 2 /*key*/ + 2 /*tag*/ + 8 /*time*/;
    for (int i = 0; i < 4; ++i) lie[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(width >> (8 * i));
    ThumbnailDb read;
    EXPECT_FALSE(read.Parse(lie)) << width;
    EXPECT_EQ(read.items.size(), 2u) << width;
  }
}

// The stored bitmap header goes to the system as it stands when the cell
// is drawn: a current entry whose header does not describe its record is
// dropped when the file is read (its thumbnail is made again), and the
// entries after it are still read.
TEST(ThumbnailDb, EntriesWhoseStoredHeaderDoesNotDescribeTheRecordAreDropped) {
  ThumbnailDb db;
  db.items["a"] = Item(40, 30, 1);
  db.items["b"] = Item(120, 90, 2);
  db.items["c"] = Item(30, 20, 3);
  const std::vector<std::uint8_t> bytes = db.Serialize();
  ThumbnailDb one;
  one.items["a"] = db.items["a"];
  // Where b's header begins: after a, b's key, tag, times and sizes.
  const std::size_t header = one.Serialize().size() + 2 + 2 + 16;
  ASSERT_EQ(bytes[header], 40);
  struct Lie {
    const char* what;
    std::size_t offset;
    std::uint32_t value;
    int bytes;
  } lies[] = {
      {"width 100000", 4, 100000, 4},  {"32 bits a pixel", 14, 32, 2}, {"top-down", 8, static_cast<std::uint32_t>(-90), 4},
      {"header of 124", 0, 124, 4},    {"two planes", 12, 2, 2},       {"run-length", 16, 1, 4},
      {"a colour table", 32, 16, 4},   {"height 89", 8, 89, 4},
  };
  for (const Lie& lie : lies) {
    std::vector<std::uint8_t> damaged = bytes;
    for (int i = 0; i < lie.bytes; ++i) damaged[header + lie.offset + i] = static_cast<std::uint8_t>(lie.value >> (8 * i));
    ThumbnailDb read;
    EXPECT_TRUE(read.Parse(damaged)) << lie.what;
    EXPECT_EQ(read.items.count("b"), 0u) << lie.what;
    EXPECT_EQ(read.items.size(), 2u) << lie.what;
    EXPECT_NE(read.Current("c", 3, ~3u), nullptr) << lie.what;
  }
}

TEST(ThumbnailDb, ChangedTimeIsNotCurrent) {
  ThumbnailDb db;
  db.items["a"] = Item(0, 0, 5);
  EXPECT_NE(db.Current("a", 5, ~5u), nullptr);
  EXPECT_EQ(db.Current("a", 6, ~5u), nullptr);
  EXPECT_EQ(db.Current("a", 5, 0), nullptr);
  EXPECT_EQ(db.Current("b", 5, ~5u), nullptr);
}

TEST(Thumbnail, SizeAndNearestSampling) {
  struct Case {
    int w, h, tw, th;
  } cases[] = {{4000, 3000, 120, 90}, {300, 100, 120, 40}, {100, 300, 30, 90}, {1, 100000, 1, 90}, {100000, 1, 120, 1},
               {12, 9, 120, 90},     {0, 5, 0, 0}};
  for (const Case& c : cases) {
    int w = -1, h = -1;
    ThumbnailSize(c.w, c.h, &w, &h);
    EXPECT_EQ(w, c.tw) << c.w << "x" << c.h;
    EXPECT_EQ(h, c.th) << c.w << "x" << c.h;
  }
  // A 4-bit picture of 240 x 180: each thumbnail pixel is source pixel
  // (2i, 2j) through the palette.
  PALETTEENTRY palette[256] = {};
  for (int i = 0; i < 16; ++i) palette[i] = PALETTEENTRY{static_cast<BYTE>(16 * i), static_cast<BYTE>(i), 200, 0};
  WAPtr image = WAPtr::Adopt(NewWAWithPalette(kWAType4Bit, 240, 180, palette));
  for (int y = 0; y < 180; ++y)
    for (int x = 0; x < 240; x += 2) image->Row(y)[x / 2] = static_cast<std::uint8_t>(((x + y) & 15) << 4 | ((x + 1 + y) & 15));
  const ThumbnailItem item = MakeThumbnail(*image);
  ASSERT_EQ(item.width, 120u);
  ASSERT_EQ(item.height, 90u);
  ASSERT_EQ(item.dib.size(), 40u + 360u * 90u);
  const std::uint8_t* pixel = item.dib.data() + 40 + 7 * 360 + 3 * 5;  // row 7, column 5
  const int index = (10 + 14) & 15;
  EXPECT_EQ(pixel[0], 200);
  EXPECT_EQ(pixel[1], index);
  EXPECT_EQ(pixel[2], 16 * index);
}

TEST(ThumbnailDb, ReadableFiles) {
  const std::string formats = std::string("JPEG files (*.jpg;*.jpeg)\0*.jpg;*.jpeg\0PNG (*.png)\0*.png\0", 56);
  struct Case {
    const char* path;
    bool readable;
  } cases[] = {{"C:\\a\\x.PSD", true},  {"C:\\a\\x.lud", true},  {"C:\\a\\x.JPEG", true}, {"C:\\a\\x.jpg", true},
               {"C:\\a\\x.png", true},  {"C:\\a\\x.jp", false},  {"C:\\a\\x.pn", false},  {"C:\\a\\x", false},
               {"C:\\a.b\\x", false},   {"C:\\a\\x.gif", false}};
  for (const Case& c : cases) EXPECT_EQ(IsReadableImagePath(c.path, formats), c.readable) << c.path;
}

}  // namespace
}  // namespace lumora
