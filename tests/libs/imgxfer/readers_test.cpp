// What the readers make of files other programs write in ways of their own
// (the alpha bit of 16-bit TGA), of files that end early, and what their
// working memory counts against.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hostapi/imagebuf.h"
#include "libs/imgxfer/options.h"
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

// A file cut short is damaged: the read fails with a message, and no image
// padded with what the data never held comes out (the decoders pad JPEG
// data themselves; a run-length bitmap used to stop with zeros).
TEST(ImgxferRead, StreamsThatEndEarlyAreDamagedNeverPadded) {
  TempFolder folder;
  ImExpSaveOptions rle = imgxfer::DefaultSaveOptions();
  rle.bmpRle = rle.tgaRle = 1;
  ImExpSaveOptions baseline = imgxfer::DefaultSaveOptions();
  baseline.jpegProgressive = kImExpOff;
  struct Case {
    const char* name;
    int type;
    const ImExpSaveOptions* options;
  } cases[] = {{"cut.jpg", 16, &baseline},       {"cut-progressive.jpg", 16, nullptr},
               {"cut.png", 16, nullptr},          {"cut.gif", 4, nullptr},
               {"cut.bmp", 4, &rle},              {"cut.tga", 16, &rle},
               {"cut.tif", 16, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File(c.name);
    ASSERT_EQ(WriteThroughLibrary(PatternImage(c.type, 120, 90, true), path, c.options), 1);
    ASSERT_GT(ReadThroughLibrary(path).width, 0) << "whole, it reads";
    std::vector<std::uint8_t> bytes = FileBytes(path);
    bytes.resize(bytes.size() * 3 / 5);
    WriteFileBytes(path, bytes);
    MemoryReadAdapter adapter;
    imgxfer::ClearLastShownMessage();
    EXPECT_EQ(ImExp_ReadFile(&adapter, nullptr, path.c_str(), kImExpReportFailures, nullptr, nullptr, 0), 0);
    EXPECT_NE(imgxfer::LastShownMessage().find("damaged"), std::string::npos) << imgxfer::LastShownMessage();
    EXPECT_NE(imgxfer::LastShownMessage().find(c.name), std::string::npos);
  }
}

// What a reader holds beside the image (the file's bytes, a whole
// interlaced picture, progressive coefficients, libpng's blocks) counts
// against the program's pixel-memory cap: below what it needs the read
// fails for memory; with room it reads.
TEST(ImgxferRead, ReadersWorkingMemoryCountsAgainstTheCap) {
  TempFolder folder;
  ImExpSaveOptions interlaced = imgxfer::DefaultSaveOptions();
  interlaced.pngInterlace = 1;
  ImExpSaveOptions progressive = imgxfer::DefaultSaveOptions();
  progressive.jpegProgressive = 1;
  struct Case {
    const char* name;
    int type;
    const ImExpSaveOptions* options;
  } cases[] = {{"big.png", 16, &interlaced}, {"big.jpg", 16, &progressive}, {"big.tif", 16, nullptr}};
  constexpr std::uint64_t kMegabyte = 1 << 20;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File(c.name);
    ASSERT_EQ(WriteThroughLibrary(PatternImage(c.type, 1200, 1000, true), path, c.options), 1);
    for (const std::uint64_t room : {kMegabyte / 2, 32 * kMegabyte}) {
      MemoryReadAdapter adapter;  // holds the image outside the cap
      imgxfer::ClearLastShownMessage();
      const std::uint64_t before = VrWA2000::ReadWA::MM_BytesInUse();
      VrWA2000::ReadWA::MM_SetMemoryLimits(before + room);
      const int read = ImExp_ReadFile(&adapter, nullptr, path.c_str(), kImExpReportFailures, nullptr, nullptr, 0);
      VrWA2000::ReadWA::MM_SetMemoryLimits(0);
      if (room < kMegabyte) {
        EXPECT_EQ(read, 0);
        EXPECT_NE(imgxfer::LastShownMessage().find("memory"), std::string::npos) << imgxfer::LastShownMessage();
      } else {
        EXPECT_EQ(read, 1) << imgxfer::LastShownMessage();
      }
      EXPECT_EQ(VrWA2000::ReadWA::MM_BytesInUse(), before) << "all given back";
    }
  }
}

}  // namespace
}  // namespace lumora::testing
