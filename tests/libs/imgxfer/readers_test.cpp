// What the readers make of files other programs write in ways of their own:
// the alpha bit of 16-bit TGA.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "libs/imgxfer/test_images.h"

namespace lumora::testing {
namespace {

// An 18-byte TGA header: true colour (type 2, or 10 with RLE), bottom-up.
std::vector<std::uint8_t> TgaHeader(int width, int height, int depth, int attributeBits, bool rle) {
  std::vector<std::uint8_t> h(18, 0);
  h[2] = rle ? 10 : 2;
  h[12] = static_cast<std::uint8_t>(width), h[13] = static_cast<std::uint8_t>(width >> 8);
  h[14] = static_cast<std::uint8_t>(height), h[15] = static_cast<std::uint8_t>(height >> 8);
  h[16] = static_cast<std::uint8_t>(depth);
  h[17] = static_cast<std::uint8_t>(attributeBits);
  return h;
}

void PutPixel16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The alpha bit (bit 15) of 16-bit pixels counts when the header declares
// one attribute bit and some pixel sets it; writers that declare it and
// leave it clear everywhere give an opaque picture. Clear pixels of an
// image with alpha are transparent: white, as every reader flattens.
TEST(ImgxferTga, SixteenBitAlphaBitIsHonouredWhenSomePixelSetsIt) {
  TempFolder folder;
  constexpr unsigned kRed = 0x7C00, kBlue = 0x001F, kAlpha = 0x8000;
  struct Case {
    const char* name;
    int attributeBits;
    bool rle;
    unsigned first, second;  // the bottom row's two pixels; the top row repeats them
    bool secondWhite;
  } cases[] = {
      {"mixed", 1, false, kRed | kAlpha, kBlue, true},
      {"mixed rle", 1, true, kRed | kAlpha, kBlue, true},
      {"all clear", 1, false, kRed, kBlue, false},
      {"all clear rle", 1, true, kRed, kBlue, false},
      {"all set", 1, false, kRed | kAlpha, kBlue | kAlpha, false},
      {"no attribute bits", 0, false, kRed | kAlpha, kBlue, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> file = TgaHeader(2, 2, 16, c.attributeBits, c.rle);
    for (int row = 0; row < 2; ++row) {
      if (c.rle) file.push_back(1);  // a raw packet of two pixels
      PutPixel16(file, c.first);
      PutPixel16(file, c.second);
    }
    const std::string path = folder.File("alpha.tga");
    WriteFileBytes(path, file);
    const ExchangeImage image = ReadThroughLibrary(path);
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.type, 16);
    for (int y = 0; y < 2; ++y) {
      std::uint8_t bgr[3];
      image.Pixel(0, y, bgr);
      EXPECT_EQ(bgr[2], 255);
      EXPECT_EQ(bgr[0], 0) << "the opaque red pixel stays red";
      image.Pixel(1, y, bgr);
      if (c.secondWhite) {
        EXPECT_EQ(bgr[0], 255);
        EXPECT_EQ(bgr[1], 255);
        EXPECT_EQ(bgr[2], 255);
      } else {
        EXPECT_EQ(bgr[0], 255);
        EXPECT_EQ(bgr[1], 0);
        EXPECT_EQ(bgr[2], 0) << "blue as stored";
      }
    }
  }
}

}  // namespace
}  // namespace lumora::testing
