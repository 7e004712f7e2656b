// Packed DIBs to and from image buffers: every depth and header form read,
// malformed and overrunning DIBs refused, made DIBs exact to the byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <random>
#include <vector>

#include "engine/pixels/AppValues.h"
#include "engine/pixels/Dib.h"
#include "support/random_buffers.h"

// Cases name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

struct DibLayout {
  int width = 2;
  std::int32_t height = 2;
  int bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t used = 0;
  std::int32_t pelsPerMeter = 3780;
  std::vector<std::uint32_t> masks;  // written after the header
  std::vector<std::uint32_t> table;  // 0x00RRGGBB entries
  Bytes rows;                        // in file order
};

Bytes MakeDib(const DibLayout& s) {
  Bytes b;
  const std::uint64_t rowBytes = (std::uint64_t{static_cast<std::uint32_t>(s.bits)} * static_cast<std::uint32_t>(s.width) + 31) / 32 * 4;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(s.width));
  Put32(b, static_cast<std::uint32_t>(s.height));
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(s.bits));
  Put32(b, s.compression);
  Put32(b, static_cast<std::uint32_t>(rowBytes * static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(s.height)))));
  Put32(b, static_cast<std::uint32_t>(s.pelsPerMeter));
  Put32(b, static_cast<std::uint32_t>(s.pelsPerMeter));
  Put32(b, s.used);
  Put32(b, 0);
  for (std::uint32_t m : s.masks) Put32(b, m);
  for (std::uint32_t c : s.table) Put32(b, c);
  b.insert(b.end(), s.rows.begin(), s.rows.end());
  return b;
}

WAPtr Read(const Bytes& dib, int toRGB) { return WAPtr::Adopt(DIBToImage(dib.data(), dib.size(), toRGB)); }

// Blue, green, red of a 24-bit buffer's pixel as 0xRRGGBB.
std::uint32_t Pixel(const VrWA2000::WA& image, int x, int y) {
  const std::uint8_t* p = image.Row(y) + 3 * x;
  return static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

std::vector<std::uint32_t> GreyTable() {
  std::vector<std::uint32_t> t;
  for (std::uint32_t i = 0; i < 256; ++i) t.push_back(i << 16 | i << 8 | i);
  return t;
}

// Sides beyond 30000 are refused as the other geometry entries refuse
// them, even when the DIB holds every row.
TEST(DIBToImage, SidesBeyond30000AreRefused) {
  DibLayout wide;
  wide.width = 30001;
  wide.height = 1;
  wide.rows.assign((30001 * 3 + 3) / 4 * 4, 0x40);
  EXPECT_EQ(Read(MakeDib(wide), 0), nullptr);
  DibLayout tall;
  tall.width = 1;
  tall.height = -30001;
  tall.rows.assign(4 * 30001, 0x40);
  EXPECT_EQ(Read(MakeDib(tall), 1), nullptr);
  wide.width = 30000;
  wide.rows.resize(30000 * 3);
  const WAPtr widest = Read(MakeDib(wide), 0);
  ASSERT_NE(widest, nullptr);
  EXPECT_EQ(widest->GetW(), 30000);
}

TEST(DIBToImage, EightBitGreyRampIsGreyAndOneChangedEntryMakesAPalette) {
  DibLayout s{.width = 2, .height = 1, .bits = 8, .table = GreyTable(), .rows = {7, 200, 0, 0}};
  WAPtr grey = Read(MakeDib(s), 0);
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->GetType(), kWAType8Grey);
  EXPECT_EQ(grey->Row(0)[1], 200);
  s.table[200] = 0x123456;
  WAPtr palette = Read(MakeDib(s), 0);
  ASSERT_TRUE(palette);
  EXPECT_EQ(palette->GetType(), kWAType8Palette);
  EXPECT_EQ(palette->Palette()[200].peRed, 0x12);
  EXPECT_EQ(palette->Palette()[200].peBlue, 0x56);
  WAPtr rgb = Read(MakeDib(s), 1);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->GetType(), kWAType24);
  EXPECT_EQ(Pixel(*rgb, 0, 0), 0x070707u);
  EXPECT_EQ(Pixel(*rgb, 1, 0), 0x123456u);
}

TEST(DIBToImage, OneBitKeepsItsTwoColours) {
  // White on black: index 0 is white. Pixels 0 and 2 set.
  const DibLayout s{.width = 3, .height = 1, .bits = 1, .table = {0xFFFFFF, 0x000000}, .rows = {0xA0, 0, 0, 0}};
  WAPtr bits = Read(MakeDib(s), 0);
  ASSERT_TRUE(bits);
  EXPECT_EQ(bits->GetType(), kWAType1Bit);
  EXPECT_EQ(bits->Row(0)[0], 0xA0);
  EXPECT_EQ(bits->Palette()[0].peRed, 255);
  EXPECT_EQ(bits->Palette()[1].peRed, 0);
  WAPtr rgb = Read(MakeDib(s), 1);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(Pixel(*rgb, 0, 0), 0x000000u);
  EXPECT_EQ(Pixel(*rgb, 1, 0), 0xFFFFFFu);
  EXPECT_EQ(Pixel(*rgb, 2, 0), 0x000000u);
}

TEST(DIBToImage, UsedColoursShortenTheTable) {
  // Two table entries, rows directly behind them.
  const DibLayout s{.width = 2, .height = 1, .bits = 8, .used = 2, .table = {0x0000FF, 0xFF0000}, .rows = {1, 0, 0, 0}};
  WAPtr rgb = Read(MakeDib(s), 1);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(Pixel(*rgb, 0, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(*rgb, 1, 0), 0x0000FFu);
  // Four-bit DIBs read the same way.
  const DibLayout four{.width = 2, .height = 1, .bits = 4, .used = 2, .table = {0x00FF00, 0x0000FF}, .rows = {0x10, 0, 0, 0}};
  WAPtr nibbles = Read(MakeDib(four), 0);
  ASSERT_TRUE(nibbles);
  EXPECT_EQ(nibbles->GetType(), kWAType4Bit);
  EXPECT_EQ(nibbles->Palette()[1].peBlue, 255);
}

TEST(DIBToImage, TwentyFourBitsGiveTheSameBufferEitherWayAndTopDownIsTurned) {
  const Bytes rows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  const DibLayout up{.width = 2, .height = 2, .bits = 24, .rows = rows};
  WAPtr a = Read(MakeDib(up), 0), b = Read(MakeDib(up), 1);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(std::memcmp(a->Bits(), b->Bits(), 16), 0);
  EXPECT_EQ(a->Row(0)[0], 1);
  DibLayout down = up;
  down.height = -2;
  WAPtr turned = Read(MakeDib(down), 0);
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->Row(1)[0], 1);
  EXPECT_EQ(turned->Row(0)[0], 7);
}

TEST(DIBToImage, SixteenAndThirtyTwoBitsWithAndWithoutBitFields) {
  struct Case {
    const char* name;
    int bits;
    std::uint32_t compression;
    std::vector<std::uint32_t> masks;
    Bytes pixel;  // one pixel, padded to 4 bytes
    std::uint32_t rgb;
  };
  const Case cases[] = {
      {"555 red", 16, 0, {}, {0x00, 0x7C, 0, 0}, 0xFF0000},
      {"555 mid green", 16, 0, {}, {0x00, 0x02, 0, 0}, 0x008400},  // 16 of 31 -> 132
      {"565 fields", 16, 3, {0xF800, 0x07E0, 0x001F}, {0x1F, 0x00, 0, 0}, 0x0000FF},
      {"565 green", 16, 3, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0, 0}, 0x00FF00},
      {"32 plain", 32, 0, {}, {0x11, 0x22, 0x33, 0x99}, 0x332211},
      {"32 red low", 32, 3, {0xFF, 0xFF00, 0xFF0000}, {0x11, 0x22, 0x33, 0x99}, 0x112233},
      {"32 ten bits", 32, 3, {0x3FF00000, 0xFFC00, 0x3FF}, {0xFF, 0x03, 0x00, 0x3C}, 0xF000FF},
  };
  for (const Case& c : cases) {
    const DibLayout s{.width = 1, .height = 1, .bits = c.bits, .compression = c.compression, .masks = c.masks, .rows = c.pixel};
    WAPtr image = Read(MakeDib(s), 0);
    ASSERT_TRUE(image) << c.name;
    EXPECT_EQ(image->GetType(), kWAType24) << c.name;
    EXPECT_EQ(Pixel(*image, 0, 0), c.rgb) << c.name;
  }
}

TEST(DIBToImage, ResolutionFromTheHeaderOrTheScreen) {
  lumora::SetScreenResolution(120, 144);
  const DibLayout s{.width = 1, .height = 1, .rows = {0, 0, 0, 0}};
  WAPtr stated = Read(MakeDib(s), 0);
  EXPECT_EQ(stated->GetXRes(), 96);
  DibLayout none = s;
  none.pelsPerMeter = -5;
  WAPtr screen = Read(MakeDib(none), 0);
  EXPECT_EQ(screen->GetXRes(), 120);
  EXPECT_EQ(screen->GetYRes(), 144);
  lumora::SetScreenResolution(96, 96);
}

TEST(DIBToImage, CoreHeaderWithThreeByteTable) {
  Bytes b;
  Put32(b, 12);
  Put16(b, 2);
  Put16(b, 1);
  Put16(b, 1);
  Put16(b, 4);
  for (int i = 0; i < 16; ++i) b.insert(b.end(), {std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(3 * i)});
  b.insert(b.end(), {0x5F, 0, 0, 0});
  WAPtr rgb = Read(b, 1);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(Pixel(*rgb, 0, 0), static_cast<std::uint32_t>(15 << 16 | 10 << 8 | 5));
  EXPECT_EQ(Pixel(*rgb, 1, 0), static_cast<std::uint32_t>(45 << 16 | 30 << 8 | 15));
}

TEST(DIBToImage, RefusesMalformedAndOverrunningDibs) {
  const DibLayout good{.width = 3, .height = 2, .bits = 8, .table = GreyTable(), .rows = Bytes(8, 1)};
  const Bytes dib = MakeDib(good);
  ASSERT_TRUE(Read(dib, 0));
  for (std::size_t size = 0; size < dib.size(); ++size) {
    EXPECT_EQ(DIBToImage(dib.data(), size, 0), nullptr) << size;
  }
  EXPECT_EQ(DIBToImage(nullptr, 100, 0), nullptr);
  auto variant = [&](auto change) {
    DibLayout s = good;
    change(s);
    return Read(MakeDib(s), 1);
  };
  EXPECT_FALSE(variant([](DibLayout& s) { s.used = 257; }));
  EXPECT_FALSE(variant([](DibLayout& s) { s.compression = 1; }));  // run-length
  EXPECT_FALSE(variant([](DibLayout& s) { s.width = -3; }));
  EXPECT_FALSE(variant([](DibLayout& s) { s.height = 0; }));
  EXPECT_FALSE(variant([](DibLayout& s) { s.width = INT32_MAX, s.height = INT32_MIN + 1, s.bits = 32, s.table.clear(); }));
  EXPECT_FALSE(variant([](DibLayout& s) { s.bits = 2; }));
  EXPECT_FALSE(variant([](DibLayout& s) {  // bit fields only for 16 and 32 bits
    s.bits = 24, s.compression = 3, s.table.clear(), s.masks = {0xFF0000, 0xFF00, 0xFF};
    s.rows = Bytes(24, 0);
  }));
  EXPECT_FALSE(variant([](DibLayout& s) {  // masks must be contiguous
    s.bits = 32, s.compression = 3, s.table.clear(), s.masks = {0xF0F0, 0xF00, 0xF};
    s.rows = Bytes(24, 0);
  }));
  Bytes otherHeader = dib;
  otherHeader[0] = 64;
  EXPECT_FALSE(Read(otherHeader, 0));
}

TEST(ImageToDIB, OneBitRectWidensToTheByteOnItsLeft) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType1Bit, 40, 3, nullptr));
  for (int y = 0; y < 3; ++y) std::memset(image->Row(y), 0xFF, image->GetBPLine());
  const Bytes dib = ImageToDIBBytes(image.get(), RECT{10, 1, 20, 3});
  ASSERT_EQ(dib.size(), 40u + 8 + 2 * 4);
  WAPtr back = Read(dib, 0);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetW(), 12);  // from x = 8
  EXPECT_EQ(back->GetH(), 2);
  // 12 pixels: one full byte, four bits of the next, the rest zero.
  EXPECT_EQ(dib[48], 0xFF);
  EXPECT_EQ(dib[49], 0xF0);
  EXPECT_EQ(dib[50], 0);
  EXPECT_EQ(dib[51], 0);
}

TEST(ImageToDIB, StatesTrueSizesCopiesOnlyTheRowAndZeroesFiller) {
  std::mt19937 rng(5);
  WAPtr image = lumora::testing::RandomBuffer(kWAType24, 5, 4, rng);
  image->SetXRes(300);
  const Bytes dib = ImageToDIBBytes(image.get(), RECT{1, 1, 3, 3});
  ASSERT_EQ(dib.size(), 40u + 8 * 2);
  auto field = [&](int offset) {
    return static_cast<std::uint32_t>(dib[offset] | dib[offset + 1] << 8 | dib[offset + 2] << 16 | dib[offset + 3] << 24);
  };
  EXPECT_EQ(field(4), 2u);
  EXPECT_EQ(field(8), 2u);
  EXPECT_EQ(field(20), 16u);  // image size
  EXPECT_EQ(field(24), 11811u);  // 300 dpi
  EXPECT_EQ(field(32), 0u);  // no colours
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(std::memcmp(&dib[40 + 8 * y], image->Row(1 + y) + 3, 6), 0);
    EXPECT_EQ(dib[46 + 8 * y], 0);
    EXPECT_EQ(dib[47 + 8 * y], 0);
  }
}

TEST(ImageToDIB, RowsWithoutFillerAreTheBuffersBytesBothWays) {
  // Widths whose rows need no filler take the whole-block copies.
  std::mt19937 rng(21);
  for (int type : {kWAType24, kWAType8Grey, kWAType1Bit}) {
    const int width = type == kWAType1Bit ? 64 : 8;
    WAPtr image = lumora::testing::RandomBuffer(type, width, 6, rng);
    const Bytes dib = ImageToDIBBytes(image.get(), RECT{0, 2, width, 6});
    const std::size_t table = type == kWAType24 ? 0 : 4u << image->GetBPP();
    ASSERT_EQ(dib.size(), 40 + table + 4u * image->GetBPLine());
    EXPECT_EQ(std::memcmp(&dib[40 + table], image->Row(2), 4u * image->GetBPLine()), 0) << type;
    WAPtr back = Read(dib, 0);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::memcmp(back->Bits(), image->Row(2), 4u * image->GetBPLine()), 0) << type;
    Bytes written(ImageToDIBSize(image.get(), RECT{0, 2, width, 6}), 0xEE);
    ASSERT_TRUE(WriteImageToDIB(image.get(), RECT{0, 2, width, 6}, written.data()));
    EXPECT_EQ(dib, written) << type << ": the appended block gives what the writer gives";
  }
}

TEST(ImageToDIB, ClipsTheRectAndRoundTripsEveryType) {
  std::mt19937 rng(9);
  for (int type : {kWAType1Bit, kWAType4Bit, kWAType8Palette, kWAType8Grey, kWAType24}) {
    WAPtr image = lumora::testing::RandomBuffer(type, 13, 7, rng);
    const Bytes dib = ImageToDIBBytes(image.get(), RECT{-5, -5, 100, 100});
    WAPtr back = Read(dib, 0);
    ASSERT_TRUE(back) << type;
    EXPECT_EQ(back->GetType(), type);
    EXPECT_EQ(back->GetW(), 13);
    EXPECT_EQ(ImageToDIBBytes(back.get(), RECT{0, 0, 13, 7}), dib) << type;
    for (int i = 0; i < (1 << image->GetBPP()) && type != kWAType24 && type != kWAType8Grey; ++i) {
      EXPECT_EQ(back->Palette()[i].peGreen, image->Palette()[i].peGreen) << type << " " << i;
    }
  }
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 4, 4, nullptr));
  EXPECT_TRUE(ImageToDIBBytes(image.get(), RECT{4, 0, 8, 4}).empty());
  EXPECT_TRUE(ImageToDIBBytes(nullptr, RECT{0, 0, 1, 1}).empty());
}

}  // namespace

// ImageMagick runs on the machine the native tests run on.
#ifndef _WIN32
namespace {

// A V4 (108) or V5 (124) header DIB of 32 bits with bit fields: masks
// red, green, blue, alpha in the header, the rest of the header zero.
Bytes MakeVersionedDib(std::uint32_t headerBytes, int width, int height, const Bytes& rows,
                       std::uint32_t alphaMask) {
  Bytes b;
  Put32(b, headerBytes);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, 32);
  Put32(b, 3);
  Put32(b, static_cast<std::uint32_t>(rows.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0x00FF0000);
  Put32(b, 0x0000FF00);
  Put32(b, 0x000000FF);
  Put32(b, alphaMask);
  Put32(b, 0x73524742);  // 'sRGB'
  while (b.size() < headerBytes) b.push_back(0);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

// ImageMagick's reading of the DIB as a BMP file: RGBA rows, top first.
Bytes MagickRgba(const Bytes& dib, const char* name, std::size_t pixelBytes = 0) {
  Bytes file = {'B', 'M'};
  Put32(file, static_cast<std::uint32_t>(14 + dib.size()));
  Put32(file, 0);
  const std::uint32_t header = dib[0] | dib[1] << 8;
  Put32(file, static_cast<std::uint32_t>(pixelBytes != 0 ? 14 + dib.size() - pixelBytes : 14 + header));
  file.insert(file.end(), dib.begin(), dib.end());
  const std::string base = ::testing::TempDir() + name;
  FILE* out = std::fopen((base + ".bmp").c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), out);
  std::fclose(out);
  const std::string command = "convert '" + base + ".bmp' -depth 8 rgba:'" + base + ".rgba'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  Bytes rgba;
  FILE* in = std::fopen((base + ".rgba").c_str(), "rb");
  if (in != nullptr) {
    int c;
    while ((c = std::fgetc(in)) != EOF) rgba.push_back(static_cast<std::uint8_t>(c));
    std::fclose(in);
  }
  std::remove((base + ".bmp").c_str());
  std::remove((base + ".rgba").c_str());
  return rgba;
}

}  // namespace

TEST(DIBToImage, VersionedHeadersGiveTheColoursImageMagickReadsAndTheirAlphaAsAMask) {
  const int w = 5, h = 3;
  std::mt19937 random(7);
  for (std::uint32_t header : {108u, 124u}) {
    for (bool alpha : {true, false}) {
      SCOPED_TRACE(std::to_string(header) + (alpha ? " with alpha" : " alpha all zero"));
      Bytes rows;
      for (int i = 0; i < w * h; ++i) {
        for (int k = 0; k < 3; ++k) rows.push_back(static_cast<std::uint8_t>(random()));
        rows.push_back(alpha ? static_cast<std::uint8_t>(random() | 1) : 0);
      }
      const Bytes dib = MakeVersionedDib(header, w, h, rows, 0xFF000000u);
      const WAPtr image = Read(dib, 0);
      ASSERT_TRUE(image);
      const WAPtr mask = WAPtr::Adopt(DIBAlphaToMask(dib.data(), dib.size()));
      const Bytes magick = MagickRgba(dib, "lumora-v5");
      ASSERT_EQ(magick.size(), static_cast<std::size_t>(w * h * 4));
      EXPECT_EQ(static_cast<bool>(mask), alpha);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* m = &magick[(static_cast<std::size_t>(h - 1 - y) * w + x) * 4];
          EXPECT_EQ(Pixel(*image, x, y), static_cast<std::uint32_t>(m[0] << 16 | m[1] << 8 | m[2])) << x << "," << y;
          if (alpha) EXPECT_EQ(mask->Row(y)[x], m[3]) << x << "," << y;
        }
      }
    }
  }
  // A header that claims more than the block holds is refused.
  const Bytes cut = MakeVersionedDib(124, 2, 2, Bytes(16, 0), 0xFF000000u);
  EXPECT_EQ(DIBToImage(cut.data(), 100, 0), nullptr);
  EXPECT_EQ(DIBAlphaToMask(cut.data(), 100), nullptr);
}
TEST(DIBToImage, RunLengthCodedDibsGiveTheIndicesImageMagickReadsAndHostileRunsAreRefused) {
  // 8 x 4 with a grey-free table: entry i = (i * 40, 255 - i * 30, i * 7).
  std::vector<std::uint32_t> table;
  for (std::uint32_t i = 0; i < 16; ++i) table.push_back((i * 40 & 255) << 16 | ((255 - i * 30) & 255) << 8 | (i * 7));
  struct Case {
    const char* what;
    int bits;
    Bytes data;
  } cases[] = {
      // run, absolute run (padded), end of line; delta; run; end of bitmap
      {"rle8", 8, {3, 1, 0, 3, 2, 3, 4, 0, 2, 5, 0, 0, 0, 2, 2, 1, 4, 6, 0, 0, 8, 7, 0, 1}},
      {"rle4", 4, {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 8, 0x67, 0, 0, 0, 2, 3, 1, 2, 0x9A, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DibLayout layout{8, 4, c.bits, c.bits == 8 ? 1u : 2u};
    layout.used = 16;
    layout.table = table;
    layout.rows = c.data;
    // Zeros after the end code, as writers leave the block: some readers
    // want at least a plain image's bytes.
    layout.rows.resize(std::max<std::size_t>(layout.rows.size(), 64), 0);
    Bytes dib = MakeDib(layout);
    for (int i = 0; i < 4; ++i) dib[20 + i] = static_cast<std::uint8_t>(layout.rows.size() >> (8 * i));
    const WAPtr image = Read(dib, 1);
    ASSERT_TRUE(image);
    const Bytes magick = MagickRgba(dib, c.what, layout.rows.size());
    ASSERT_EQ(magick.size(), 8u * 4 * 4);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 8; ++x) {
        const std::uint8_t* m = &magick[(static_cast<std::size_t>(3 - y) * 8 + x) * 4];
        EXPECT_EQ(Pixel(*image, x, y), static_cast<std::uint32_t>(m[0] << 16 | m[1] << 8 | m[2])) << x << "," << y;
      }
    }
  }
  const Bytes hostile[] = {
      {9, 1, 0, 1},                    // a run past the row
      {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 1},  // an absolute run past the row
      {0, 2, 1, 9, 0, 1},              // a delta past the image
      {0, 2, 9, 0, 0, 1},              // a delta past the row
      {3, 1, 0, 0},                    // no end of bitmap
      {0, 5, 1, 2},                    // an absolute run past the block
  };
  for (const Bytes& data : hostile) {
    DibLayout layout{8, 4, 8, 1u};
    layout.used = 16;
    layout.table = table;
    layout.rows = data;
    const Bytes dib = MakeDib(layout);
    EXPECT_EQ(Read(dib, 0), nullptr) << data.size();
  }
}

#endif  // _WIN32
