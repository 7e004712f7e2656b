// Pixel-format row converters, whole-image conversion and the converting
// rectangle copy.
#include <gtest/gtest.h>

#include <vector>

#include "engine/pixels/RowConverters.h"

namespace {

PALETTEENTRY Entry(int r, int g, int b) {
  return PALETTEENTRY{static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), 0};
}

std::vector<PALETTEENTRY> Ramp() {
  std::vector<PALETTEENTRY> p(256);
  for (int i = 0; i < 256; ++i) p[i] = Entry(i, 255 - i, i / 2);
  return p;
}

TEST(RowConverters, LuminanceWithoutDivision) {
  for (int x = 0; x <= 25500; ++x) ASSERT_EQ((x * 5243) >> 19, x / 100) << x;
  EXPECT_EQ(lumora::Luminance(255, 0, 0), 76);
  EXPECT_EQ(lumora::Luminance(0, 255, 0), 150);
  EXPECT_EQ(lumora::Luminance(0, 0, 255), 28);
  EXPECT_EQ(lumora::Luminance(255, 255, 255), 255);
}

TEST(RowConverters, OneBitRowsFromAnyBit) {
  std::vector<PALETTEENTRY> palette(256, Entry(0, 0, 0));
  palette[1] = Entry(255, 255, 255);
  const std::uint8_t row[2] = {0xB0, 0x80};  // 1,0,1,1,0,0,0,0 then 1
  std::uint8_t grey[9];
  ConvertRow1ToGrey(grey, row, palette.data(), 9, 0, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(grey, grey + 9),
            (std::vector<std::uint8_t>{255, 0, 255, 255, 0, 0, 0, 0, 255}));
  ConvertRow1ToGrey(grey, row, palette.data(), 6, 3, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(grey, grey + 6),
            (std::vector<std::uint8_t>{255, 0, 0, 0, 0, 255}));
  std::uint8_t rgb[6];
  palette[1] = Entry(10, 20, 30);
  ConvertRow1To24(rgb, row, palette.data(), 2, 2, 0);  // bits 1, 1
  EXPECT_EQ(std::vector<std::uint8_t>(rgb, rgb + 6),
            (std::vector<std::uint8_t>{30, 20, 10, 30, 20, 10}));
}

TEST(RowConverters, FourBitRowsHighNibbleFirst) {
  const std::vector<PALETTEENTRY> palette = Ramp();
  const std::uint8_t row[2] = {0x12, 0x34};
  std::uint8_t rgb[12];
  ConvertRow4To24(rgb, row, palette.data(), 4, 0, 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(rgb[3 * i + 2], i + 1);  // red = index
  ConvertRow4To24(rgb, row, palette.data(), 3, 1, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rgb[3 * i + 2], i + 2);
  std::uint8_t grey[4];
  ConvertRow4ToGrey(grey, row, palette.data(), 4, 0, 1);  // blue flag: the entry's blue
  EXPECT_EQ(std::vector<std::uint8_t>(grey, grey + 4), (std::vector<std::uint8_t>{0, 1, 1, 2}));
}

TEST(RowConverters, EightAndTwentyFourBitRows) {
  const std::vector<PALETTEENTRY> palette = Ramp();
  const std::uint8_t indexes[3] = {0, 100, 255};
  std::uint8_t grey[3], rgb[9];
  ConvertRow8ToGrey(grey, indexes, palette.data(), 2, 1, 0);
  EXPECT_EQ(grey[0], lumora::Luminance(100, 155, 50));
  EXPECT_EQ(grey[1], lumora::Luminance(255, 0, 127));
  ConvertRow8To24(rgb, indexes, palette.data(), 3, 0, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(rgb, rgb + 9),
            (std::vector<std::uint8_t>{0, 255, 0, 50, 155, 100, 127, 0, 255}));
  const std::uint8_t colours[9] = {0, 0, 255, 0, 255, 0, 255, 0, 0};  // red, green, blue
  ConvertRow24ToGrey(grey, colours, nullptr, 3, 0, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(grey, grey + 3), (std::vector<std::uint8_t>{76, 150, 28}));
  ConvertRow24ToGrey(grey, colours, nullptr, 3, 0, 1);
  EXPECT_EQ(std::vector<std::uint8_t>(grey, grey + 3), (std::vector<std::uint8_t>{0, 0, 255}));
  ConvertRow24ToGrey(grey, colours, nullptr, 1, 2, 0);
  EXPECT_EQ(grey[0], 28);
  const std::uint8_t g[1] = {77};
  ConvertRowGreyTo24(rgb, g, nullptr, 1, 0, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(rgb, rgb + 3), (std::vector<std::uint8_t>{77, 77, 77}));
}

TEST(ConvertImageFormat, ConvertsEveryRowOrRefuses) {
  const std::vector<PALETTEENTRY> palette = Ramp();
  WAPtr src = WAPtr::Adopt(NewWAWithPalette(kWAType8Palette, 5, 4, palette.data()));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) src->Row(y)[x] = static_cast<std::uint8_t>(10 * y + x);
  }
  int position = 0, total = 4, cancelled = 0;
  static std::vector<std::pair<int, int>> calls;
  calls.clear();
  const PROGRESSPROC record = [](int code, int t) {
    calls.emplace_back(code, t);
    return 1;
  };
  WAPtr rgb = WAPtr::Adopt(ConvertImageFormat(kWAType24, src.get(), palette.data(), record,
                                              &position, &total, &cancelled, 0));
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->GetType(), kWAType24);
  EXPECT_EQ(rgb->Row(3)[3 * 4 + 2], 34);  // red of index 34
  EXPECT_EQ(position, 4);
  EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
  // Without a palette the source's own is read.
  WAPtr grey = WAPtr::Adopt(
      ConvertImageFormat(kWAType8Grey, src.get(), nullptr, nullptr, nullptr, nullptr, nullptr, 0));
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->Row(1)[2], lumora::Luminance(12, 243, 6));
  EXPECT_EQ(
      ConvertImageFormat(kWAType24, rgb.get(), nullptr, nullptr, nullptr, nullptr, nullptr, 0),
      nullptr);
  EXPECT_EQ(
      ConvertImageFormat(kWAType8Grey, grey.get(), nullptr, nullptr, nullptr, nullptr, nullptr, 0),
      nullptr);
  EXPECT_EQ(
      ConvertImageFormat(kWAType4Bit, src.get(), nullptr, nullptr, nullptr, nullptr, nullptr, 0),
      nullptr);
  EXPECT_EQ(ConvertImageFormat(kWAType24, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0),
            nullptr);
}

TEST(ConvertImageFormat, CancelReleasesTheNewBuffer) {
  WAPtr src = WAPtr::Adopt(NewWA(kWAType24, 8, 8, nullptr));
  const std::uint64_t before = VrWA2000::WA::MM_BytesInUse();
  int position = 0, total = 8, cancelled = 0;
  const PROGRESSPROC cancelAtThree = [](int code, int) { return code < 3 ? 1 : 0; };
  EXPECT_EQ(ConvertImageFormat(kWAType8Grey, src.get(), nullptr, cancelAtThree, &position, &total,
                               &cancelled, 0),
            nullptr);
  EXPECT_EQ(cancelled, 1);
  EXPECT_EQ(position, 3);
  EXPECT_EQ(VrWA2000::WA::MM_BytesInUse(), before);
}

TEST(CopyImageToRGB, ClampsThePointsAndCutsTheSize) {
  WAPtr dst = WAPtr::Adopt(NewWA(kWAType24, 200, 100, nullptr));
  const std::vector<PALETTEENTRY> palette = Ramp();
  WAPtr src = WAPtr::Adopt(NewWAWithPalette(kWAType8Palette, 50, 50, palette.data()));
  for (int y = 0; y < 50; ++y)
    std::fill(src->Row(y), src->Row(y) + 50, static_cast<std::uint8_t>(y + 1));
  POINT dp{-5, 300}, sp{10, 20};
  EXPECT_EQ(CopyImageToRGB(dst.get(), &dp, src.get(), &sp, 30, 30, 0), 1);
  EXPECT_EQ(dp.x, 0);
  EXPECT_EQ(dp.y, 99);
  EXPECT_EQ(dst->Row(99)[2], 21);  // source row 20, red of index 21
  EXPECT_EQ(dst->Row(99)[3 * 29 + 2], 21);
  EXPECT_EQ(dst->Row(99)[3 * 30 + 2], 0);  // 30 pixels wide
  EXPECT_EQ(dst->Row(98)[2], 0);           // one row only
  // A grey destination takes palette sources only.
  WAPtr greyDst = WAPtr::Adopt(NewWA(kWAType8Grey, 10, 10, nullptr));
  POINT a{0, 0}, b{0, 0};
  EXPECT_EQ(CopyImageToRGB(greyDst.get(), &a, dst.get(), &b, 5, 5, 0), 0);
  EXPECT_EQ(CopyImageToRGB(greyDst.get(), &a, src.get(), &b, -4, 5, 0),
            1);  // negative width copies nothing
  EXPECT_EQ(greyDst->Row(0)[0], 0);
  EXPECT_EQ(CopyImageToRGB(greyDst.get(), &a, src.get(), &b, 5, 5, 1), 1);
  EXPECT_EQ(greyDst->Row(0)[0], 0);  // index 1's blue (1 / 2)
  EXPECT_EQ(greyDst->Row(4)[4], 2);  // index 5's blue
  EXPECT_EQ(CopyImageToRGB(nullptr, &a, src.get(), &b, 5, 5, 0), 0);
  // Same types: the library's copy.
  WAPtr dst2 = WAPtr::Adopt(NewWA(kWAType24, 10, 10, nullptr));
  POINT c{0, 0}, d{0, 99};
  EXPECT_EQ(CopyImageToRGB(dst2.get(), &c, dst.get(), &d, 10, 1, 0), 1);
  EXPECT_EQ(dst2->Row(0)[2], 21);
}

}  // namespace
