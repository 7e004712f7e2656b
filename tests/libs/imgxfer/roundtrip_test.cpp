// Every writer against every reader: each format and image type written
// through the library reads back as the same picture (JPEG close to it),
// resolution kept where the format holds it, with each save option.
#include <gtest/gtest.h>

#include <cstdlib>

#include "libs/imgxfer/options.h"
#include "libs/imgxfer/test_images.h"

namespace lumora::testing {
namespace {

// Largest and mean difference of the two pictures' colours.
struct Difference {
  int largest = 0;
  double mean = 0;
};

Difference Compare(const ExchangeImage& a, const ExchangeImage& b) {
  Difference d;
  std::int64_t sum = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      std::uint8_t p[3], q[3];
      a.Pixel(x, y, p);
      b.Pixel(x, y, q);
      for (int c = 0; c < 3; ++c) {
        const int diff = std::abs(p[c] - q[c]);
        d.largest = std::max(d.largest, diff);
        sum += diff;
      }
    }
  }
  d.mean = static_cast<double>(sum) / (3.0 * a.width * a.height);
  return d;
}

struct FormatCase {
  const char* extension;
  bool keepsResolution;
  bool lossy;
  std::vector<int> types;
  int (*typeRead)(int written);
};

int SameType(int t) { return t; }
int GifType(int t) { return t == 8 ? 8 : 4; }
int TgaType(int t) { return t == 1 || t == 2 ? 4 : t; }
int JpegType(int t) { return t == 8 ? 8 : 16; }

const FormatCase kFormats[] = {
    {"bmp", true, false, {1, 2, 4, 8, 16}, SameType},
    {"png", true, false, {1, 2, 4, 8, 16}, SameType},
    {"jpg", true, true, {2, 4, 8, 16}, JpegType},
    {"gif", false, false, {1, 2, 4, 8}, GifType},
    {"tga", false, false, {1, 2, 4, 8, 16}, TgaType},
    {"tif", true, false, {1, 2, 4, 8, 16}, SameType},
};

void CheckRoundTrip(const FormatCase& f, int type, const ImExpSaveOptions& options, const std::string& path) {
  const ExchangeImage image = PatternImage(type, 37, 23, f.lossy);
  ASSERT_EQ(WriteThroughLibrary(image, path, &options), 1);
  const ExchangeImage read = ReadThroughLibrary(path);
  ASSERT_EQ(read.width, 37);
  ASSERT_EQ(read.height, 23);
  EXPECT_EQ(read.type, f.typeRead(type));
  const Difference d = Compare(image, read);
  if (f.lossy) {
    EXPECT_LT(d.mean, 5.0);
    EXPECT_LT(d.largest, 32);
  } else {
    EXPECT_EQ(d.largest, 0);
  }
  EXPECT_EQ(read.xDpi, f.keepsResolution ? 150 : 72);
  EXPECT_EQ(read.yDpi, f.keepsResolution ? 300 : 72);
}

TEST(ImgxferRoundTrip, EveryFormatAndTypeReadsBackAsWritten) {
  TempFolder folder;
  const ImExpSaveOptions options = imgxfer::DefaultSaveOptions();
  for (const FormatCase& f : kFormats) {
    for (int type : f.types) {
      SCOPED_TRACE(std::string(f.extension) + " type " + std::to_string(type));
      CheckRoundTrip(f, type, options, folder.File("image." + std::string(f.extension)));
    }
  }
}

TEST(ImgxferRoundTrip, EverySaveOptionReadsBack) {
  TempFolder folder;
  struct OptionCase {
    const char* extension;
    void (*set)(ImExpSaveOptions&);
  } cases[] = {
      {"bmp", [](ImExpSaveOptions& o) { o.bmpRle = 1; }},
      {"tga", [](ImExpSaveOptions& o) { o.tgaRle = 1; }},
      {"png", [](ImExpSaveOptions& o) { o.pngInterlace = 1, o.pngCompression = 9; }},
      {"png", [](ImExpSaveOptions& o) { o.pngCompression = kImExpOff; }},
      {"jpg", [](ImExpSaveOptions& o) { o.jpegProgressive = kImExpOff, o.jpegQuality = 75; }},
      {"tif", [](ImExpSaveOptions& o) { o.tiffCompression = kImExpTiffNone; }},
      {"tif", [](ImExpSaveOptions& o) { o.tiffCompression = kImExpTiffDeflate; }},
      {"tif", [](ImExpSaveOptions& o) { o.tiffCompression = kImExpTiffPackBits; }},
  };
  for (const auto& c : cases) {
    ImExpSaveOptions options = imgxfer::DefaultSaveOptions();
    c.set(options);
    for (const FormatCase& f : kFormats) {
      if (std::string(f.extension) != c.extension) continue;
      for (int type : f.types) {
        SCOPED_TRACE(std::string(c.extension) + " type " + std::to_string(type));
        CheckRoundTrip(f, type, options, folder.File("option." + std::string(f.extension)));
      }
    }
  }
}

TEST(ImgxferRoundTrip, PaletteImagesWithTheGreyRampReadAsGrey) {
  TempFolder folder;
  ExchangeImage image = PatternImage(4, 40, 20);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<BYTE>(i);
    image.palette[i] = PALETTEENTRY{v, v, v, 0};
  }
  for (const char* ext : {"bmp", "png", "gif", "tga", "tif"}) {
    SCOPED_TRACE(ext);
    const std::string path = folder.File(std::string("ramp.") + ext);
    ASSERT_EQ(WriteThroughLibrary(image, path), 1);
    const ExchangeImage read = ReadThroughLibrary(path);
    EXPECT_EQ(read.type, 8);
    EXPECT_EQ(Compare(image, read).largest, 0);
  }
}

TEST(ImgxferRoundTrip, OddWidthsAndRunsSurviveRle) {
  TempFolder folder;
  ImExpSaveOptions options = imgxfer::DefaultSaveOptions();
  options.bmpRle = options.tgaRle = 1;
  for (int type : {2, 4}) {
    for (int width : {1, 2, 3, 5, 254, 255, 256, 300}) {
      ExchangeImage image = PatternImage(type, width, 3);
      // Long runs, short runs and literals in one row.
      for (int x = 0; x < width; ++x) {
        const int v = x < width / 2 ? 3 : (x % 3 == 0 ? 5 : x % 7);
        if (type == 4) image.rows[1][x] = static_cast<std::uint8_t>(v);
      }
      for (const char* ext : {"bmp", "tga"}) {
        SCOPED_TRACE(std::string(ext) + " width " + std::to_string(width) + " type " + std::to_string(type));
        const std::string path = folder.File(std::string("rle.") + ext);
        ASSERT_EQ(WriteThroughLibrary(image, path, &options), 1);
        EXPECT_EQ(Compare(image, ReadThroughLibrary(path)).largest, 0);
      }
    }
  }
}

}  // namespace
}  // namespace lumora::testing
