// Thumbnail bitmaps read back with GetDIBits against the portable work
// buffer, and the pattern bitmap loaded from this program's resources.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/layers/LayerThumbnail.h"
#include "engine/layers/win/LayerThumbnailWin.h"
#include "engine/layers/win/PatternDib.h"
#include "engine/pixels/Dib.h"
#include "../stack_support.h"

namespace {

using lumora::testing::Add;
using lumora::testing::ColourLayer;
using lumora::testing::EmptyStack;

// The bitmap's pixels as 0xRRGGBB, top row first.
std::vector<std::uint32_t> ReadBack(HBITMAP bitmap, SIZE* size) {
  BITMAP info = {};
  GetObject(bitmap, sizeof info, &info);
  *size = SIZE{info.bmWidth, info.bmHeight};
  BITMAPINFO header = {};
  header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -info.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(lines, info.bmHeight);
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

class ThumbnailBitmap : public ::testing::Test {
 protected:
  void SetUp() override { lumora::SetPatternDibLoader(LoadPatternDIB); }
  void TearDown() override { lumora::SetPatternDibLoader(nullptr); }
};

TEST_F(ThumbnailBitmap, EqualsTheWorkBufferInsideABlackFrame) {
  CLayersManagerPtr stack = EmptyStack(300, 200);
  ASSERT_EQ(stack->UpdateComposite(kWAType24), 0);
  ASSERT_FALSE(stack->GetPatternDib().empty());
  CLayer* layer = Add(*stack, ColourLayer(RECT{100, 20, 260, 150}, 40, 90, 200, 128));
  for (bool mask : {false, true}) {
    lumora::OwnedBitmap bitmap = mask ? CreateMaskThumbnail(*stack, RECT{0, 0, 48, 48}, layer)
                                      : CreateThumbnail(*stack, RECT{0, 0, 48, 48}, layer);
    ASSERT_TRUE(bitmap);
    SIZE size;
    const std::vector<std::uint32_t> pixels = ReadBack(bitmap.get(), &size);
    ASSERT_EQ(size.cx, 48);
    ASSERT_EQ(size.cy, 32);
    const WAPtr buffer = lumora::DrawThumbnailBuffer(*stack, *layer, size, mask);
    ASSERT_TRUE(buffer);
    for (int y = 0; y < size.cy; ++y) {
      for (int x = 0; x < size.cx; ++x) {
        const std::uint32_t got = pixels[static_cast<std::size_t>(y) * size.cx + x];
        const bool frame = x == 0 || y == 0 || x == size.cx - 1 || y == size.cy - 1;
        std::uint32_t expected = 0;
        if (!frame) {
          // Buffer row 0 is the picture's bottom, the bitmap's last row inside the frame.
          const std::uint8_t* p = buffer->Row(size.cy - 2 - y) + 3 * (x - 1);
          expected = static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
        }
        ASSERT_EQ(got, expected) << "mask " << mask << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(ThumbnailBitmap, ElongatedImagesStillGetAPictureAndStrangersNone) {
  CLayersManagerPtr stack = EmptyStack(3000, 2);
  CLayer* layer = Add(*stack, ColourLayer(RECT{0, 0, 3000, 2}, 0, 0, 255));
  lumora::OwnedBitmap bitmap = CreateThumbnail(*stack, RECT{0, 0, 40, 40}, layer);
  ASSERT_TRUE(bitmap);
  SIZE size;
  const std::vector<std::uint32_t> pixels = ReadBack(bitmap.get(), &size);
  EXPECT_EQ(size.cy, 3);
  EXPECT_EQ(pixels[static_cast<std::size_t>(1) * size.cx + 10], 0xFF0000u);
  CLayerPtr stranger = ColourLayer(RECT{0, 0, 10, 10}, 0, 0, 0);
  EXPECT_FALSE(CreateThumbnail(*stack, RECT{0, 0, 40, 40}, stranger.get()));
  EXPECT_FALSE(CreateThumbnail(*stack, RECT{0, 0, 40, 40}, nullptr));
}

TEST(PatternDib, ResourceBitmapAtTheImagesDepth) {
  WAPtr colour = WAPtr::Adopt(NewWA(kWAType24, 1, 1, nullptr));
  WAPtr grey = WAPtr::Adopt(NewWA(kWAType8Grey, 1, 1, nullptr));
  const std::vector<std::uint8_t> dib24 = LoadPatternDIB(colour.get());
  const std::vector<std::uint8_t> dib8 = LoadPatternDIB(grey.get());
  EXPECT_TRUE(LoadPatternDIB(nullptr).empty());
  WAPtr tile24 = WAPtr::Adopt(DIBToImage(dib24.data(), dib24.size(), 0));
  WAPtr tile8 = WAPtr::Adopt(DIBToImage(dib8.data(), dib8.size(), 0));
  ASSERT_TRUE(tile24 && tile8);
  EXPECT_EQ(tile8->GetType(), kWAType8Grey);
  EXPECT_EQ(tile24->GetW(), 16);
  // A checkerboard of 8-pixel squares, white and light grey.
  EXPECT_EQ(tile24->Row(0)[0], 255);
  EXPECT_EQ(tile24->Row(0)[3 * 8], 204);
  EXPECT_EQ(tile8->Row(8)[0], 204);
  EXPECT_EQ(tile8->Row(8)[8], 255);
}

}  // namespace
