// Pattern and colour fills, a layer's canvas, filling a layer or its mask,
// converting a layer's type, and the colour records of the layered file.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/layers/LayerMng.h"
#include "stack_support.h"

namespace {

using namespace lumora;
using lumora::testing::ColourLayer;
using lumora::testing::GreyLayer;
using lumora::testing::kNoMask;
using lumora::testing::PixelAt;
using lumora::testing::Px;
using lumora::testing::SolidBuffer;

// A packed 8-bit DIB of w x h whose pixel (x, y) is 10 * y + x.
std::vector<std::uint8_t> GreyDib(int w, int h) {
  const int stride = (w + 3) / 4 * 4;
  std::vector<std::uint8_t> dib(40 + 1024 + static_cast<std::size_t>(stride) * h, 0);
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biWidth = w;
  header.biHeight = h;
  header.biPlanes = 1;
  header.biBitCount = 8;
  std::memcpy(dib.data(), &header, sizeof header);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      dib[40 + 1024 + y * stride + x] = static_cast<std::uint8_t>(10 * y + x);
  }
  return dib;
}

TEST(LayerFills, PatternTilesAndScales) {
  const std::vector<std::uint8_t> dib = GreyDib(4, 2);
  WAPtr image = SolidBuffer(kWAType8Grey, 9, 5, 0);
  TilePattern8(image.get(), dib.data(), nullptr);
  EXPECT_EQ(image->Row(0)[5], 1);                          // column 5 mod 4
  EXPECT_EQ(image->Row(3)[2], 12);                         // row 3 mod 2
  FillPattern8(image.get(), dib.data(), 0, nullptr, 100);  // 100 percent tiles unscaled
  EXPECT_EQ(image->Row(3)[7], 13);
  // At 1 percent every tile is 2 x 2: two DIB samples across each.
  FillPattern8(image.get(), dib.data(), 0, nullptr, 1);
  EXPECT_EQ(image->Row(0)[0], 0);
  EXPECT_EQ(image->Row(0)[1], 2);
  EXPECT_EQ(image->Row(1)[1], 12);
  EXPECT_EQ(image->Row(2)[3], 2);
  // Without a DIB the colour fills; an empty rect fills nothing.
  const RECT part{1, 1, 3, 2};
  FillPattern8(image.get(), nullptr, RGB(255, 0, 0), &part, 50);
  EXPECT_EQ(image->Row(1)[2], 76);
  EXPECT_EQ(image->Row(1)[3], 12);
  const RECT empty{2, 2, 2, 2};
  FillColor8(image.get(), RGB(0, 0, 0), &empty);
  EXPECT_EQ(image->Row(1)[2], 76);
  WAPtr colour = SolidBuffer(kWAType24, 2, 2, 0);
  FillColor24(colour.get(), RGB(1, 2, 3), nullptr);
  EXPECT_EQ(PixelAt(colour.get(), 1, 1), (Px{3, 2, 1}));
}

TEST(LayerCanvas, GrowKeepsTheOldAreaOpaqueAndInsideChangesNothing) {
  CLayerPtr layer = ColourLayer(RECT{2, 2, 4, 4}, 5, 6, 7);
  EXPECT_TRUE(layer->SetLayerRect(RECT{2, 2, 3, 3}));  // inside: unchanged
  EXPECT_EQ(layer->PeekImage()->GetW(), 2);
  EXPECT_FALSE(layer->SetLayerRect(RECT{10, 10, 12, 12}));  // misses the layer
  EXPECT_FALSE(layer->SetLayerRect(RECT{0, 0, 0, 0}));
  ASSERT_TRUE(layer->SetLayerRect(RECT{1, 2, 4, 5}));
  EXPECT_TRUE(RectsEqual(layer->GetRect(), RECT{1, 2, 4, 5}));
  EXPECT_TRUE(RectsEqual(layer->GetMaskRect(), RECT{1, 2, 4, 5}));
  ASSERT_EQ(layer->HasMask(), 1);
  EXPECT_EQ(layer->IsMaskEnabled(), 1);
  EXPECT_EQ(layer->IsTransparencyLocked(), 0);
  EXPECT_EQ(PixelAt(layer->PeekImage(), 1, 0), (Px{5, 6, 7}));
  EXPECT_EQ(layer->PeekMask()->Row(0)[1], 255);
  EXPECT_EQ(layer->PeekMask()->Row(0)[0], 0);  // the new border is transparent
  EXPECT_EQ(layer->PeekMask()->Row(2)[2], 0);
}

TEST(LayerFills, LayerAndMaskRects) {
  CLayerPtr layer = ColourLayer(RECT{2, 0, 5, 2}, 0, 0, 0, 255);
  EXPECT_TRUE(FillLayerRect(layer.get(), RECT{0, 0, 3, 1}, 9));
  EXPECT_EQ(PixelAt(layer->PeekImage(), 0, 0), (Px{9, 9, 9}));
  EXPECT_EQ(PixelAt(layer->PeekImage(), 1, 0), (Px{0, 0, 0}));
  EXPECT_FALSE(FillLayerRect(layer.get(), RECT{9, 9, 10, 10}, 9));
  EXPECT_TRUE(ModifyLayerMaskRect(layer.get(), RECT{0, 0, 10, 1}, 128, 8));
  EXPECT_EQ(layer->PeekMask()->Row(0)[2], 128);
  EXPECT_EQ(layer->PeekMask()->Row(1)[2], 255);
  EXPECT_TRUE(ModifyLayerMaskRect(layer.get(), RECT{0, 1, 10, 2}, 7, 12));
  EXPECT_EQ(layer->PeekMask()->Row(1)[0], 7);
  EXPECT_FALSE(ModifyLayerMaskRect(layer.get(), RECT{0, 0, 10, 2}, 7, 3));
  CLayerPtr bare = ColourLayer(RECT{0, 0, 1, 1}, 0, 0, 0);
  EXPECT_FALSE(ModifyLayerMaskRect(bare.get(), RECT{0, 0, 1, 1}, 7, 12));
}

TEST(LayerConvert, ToTheStacksType) {
  CLayerPtr grey = GreyLayer(RECT{0, 0, 2, 1}, 100);
  grey->PeekImage()->SetXRes(150);
  EXPECT_TRUE(ConvertLayerType(grey.get(), kWAType8Grey, 0));
  EXPECT_FALSE(ConvertLayerType(grey.get(), kWAType8Palette, 0));
  ASSERT_TRUE(ConvertLayerType(grey.get(), kWAType24, 1));
  EXPECT_EQ(grey->PeekImage()->GetType(), kWAType24);
  EXPECT_EQ(grey->GetImageType(), kWAType24);
  EXPECT_EQ(grey->PeekImage()->GetXRes(), 150);
  EXPECT_EQ(PixelAt(grey->PeekImage(), 1, 0), (Px{100, 100, 100}));
  EXPECT_FALSE(ConvertLayerType(nullptr, kWAType24, 0));
  // A paletted layer that became colour can take a mask.
  WAPtr palette = SolidBuffer(kWAType8Palette, 2, 2, 3);
  CLayerPtr paletted = CLayerPtr::Adopt(new CLayer(palette.get(), POINT{0, 0}, 0, nullptr, 0));
  ASSERT_TRUE(ConvertLayerType(paletted.get(), kWAType24, 0));
  EXPECT_EQ(paletted->CreateMask(1), 0);
}

TEST(LayerColours, PsdRecords) {
  PSDColor record;
  SetPSDColorRGB(&record, 12, 34, 56);
  EXPECT_EQ(record.components[0], 12 * 257);
  EXPECT_EQ(PSDColorToRGB(record), RGB(12, 34, 56));
  const std::uint8_t white[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0, 0};  // HSB 0, 0 %, 100 %
  EXPECT_EQ(PSDColorToRGB(1, white), RGB(255, 255, 255));
  const std::uint8_t red[8] = {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
  EXPECT_EQ(PSDColorToRGB(1, red), RGB(255, 0, 0));
  EXPECT_EQ(PSDColorToRGB(7, red), 0u);
  const std::uint8_t bytes[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0, 0};
  EXPECT_EQ(PSDColorToRGB(0, bytes), RGB(0x12, 0x56, 0x9A));  // the high bytes
}

}  // namespace
