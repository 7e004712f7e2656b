// Checked against programs no one here wrote: files made at test time by
// ImageMagick, cjpeg and libtiff's tools read as ImageMagick reads them
// (flattened over white, turned upright), and the files we write read in
// ImageMagick as the pictures we wrote.
#ifndef _WIN32  // the checking programs run natively

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "libs/imgxfer/options.h"
#include "libs/imgxfer/test_images.h"
#include "tests/support/cm_profiles.h"

namespace lumora::testing {
namespace {

int RunShell(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

// A picture as ImageMagick sees it: 8-bit RGB, alpha flattened over white.
struct RgbPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

RgbPicture ImageMagickReads(const std::string& path, const std::string& folder) {
  const std::string ppm = folder + "/reference.ppm";
  RgbPicture p;
  if (RunShell("convert '" + path + "[0]' -auto-orient +repage -background white -flatten -depth 8 -type TrueColor 'ppm:" + ppm +
          "'") != 0) {
    return p;
  }
  const auto bytes = FileBytes(ppm);
  std::istringstream header(std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 64)));
  std::string magic;
  int max = 0;
  header >> magic >> p.width >> p.height >> max;
  const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
  p.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
  if (magic != "P6" || max != 255 || p.rgb.size() != static_cast<std::size_t>(p.width) * p.height * 3) p = {};
  return p;
}

// Largest difference of one sample between our picture and ImageMagick's.
int LargestDifference(const ExchangeImage& ours, const RgbPicture& theirs) {
  int largest = 0;
  for (int y = 0; y < ours.height; ++y) {
    for (int x = 0; x < ours.width; ++x) {
      std::uint8_t bgr[3];
      ours.Pixel(x, y, bgr);
      const std::uint8_t* rgb = theirs.rgb.data() + (static_cast<std::size_t>(y) * theirs.width + x) * 3;
      for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(bgr[2 - c] - rgb[c]));
    }
  }
  return largest;
}

class ImgxferInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunShell("convert -version >/dev/null && cjpeg -version >/dev/null 2>&1; command -v tiffcp >/dev/null"), 0)
        << "scripts/setup installs imagemagick, libjpeg-turbo-progs and libtiff-tools";
    // Sources: a colour picture with hard edges and soft gradients, its
    // grey version, and the same with varying transparency.
    ASSERT_EQ(RunShell("cd '" + dir_ + "' && convert -size 61x37 gradient:'#ff2000'-'#0030c0' -fill '#30e040' "
                  "-draw 'rectangle 5,5 20,30' -fill black -draw 'line 0,36 60,0' -depth 8 src.png && "
                  "convert src.png -colorspace Gray grey.png && "
                  "convert src.png -alpha set -channel A -fx 'i/w' +channel alpha.png && "
                  "convert src.png -depth 8 ppm:src.ppm"),
              0);
  }
  std::string File(const std::string& name) const { return folder_.File(name); }

  // Makes `name` with `command` (run in the folder) and compares.
  void Check(const std::string& name, const std::string& command, int tolerance, int expectType = 0) {
    SCOPED_TRACE(name + ": " + command);
    ASSERT_EQ(RunShell("cd '" + dir_ + "' && " + command), 0);
    CheckFile(File(name), tolerance, expectType);
  }
  void CheckFile(const std::string& path, int tolerance, int expectType = 0) {
    const RgbPicture theirs = ImageMagickReads(path, dir_);
    ASSERT_GT(theirs.width, 0) << "ImageMagick could not read it";
    const ExchangeImage ours = ReadThroughLibrary(path);
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    if (expectType != 0) {
      EXPECT_EQ(ours.type, expectType);
    }
    EXPECT_LE(LargestDifference(ours, theirs), tolerance);
  }

  TempFolder folder_;
  std::string dir_ = folder_.File("");
};

TEST_F(ImgxferInterop, BmpOfEveryDepthHeaderAndRle) {
  Check("24.bmp", "convert src.png -type TrueColor BMP3:24.bmp", 0, 16);
  Check("core.bmp", "convert src.png -type TrueColor BMP2:core.bmp", 0, 16);
  Check("v5.bmp", "convert src.png -type TrueColor bmp:v5.bmp", 0, 16);
  Check("8.bmp", "convert src.png -colors 200 -type Palette BMP3:8.bmp", 0, 4);
  Check("4.bmp", "convert src.png -colors 16 -type Palette BMP3:4.bmp", 0, 2);
  Check("1.bmp", "convert src.png -monochrome BMP3:1.bmp", 0, 1);
  Check("grey.bmp", "convert grey.png -type Grayscale BMP3:grey.bmp", 0, 8);
  Check("rle8.bmp", "convert src.png -colors 200 -type Palette -compress RLE BMP3:rle8.bmp", 0, 4);
  Check("565.bmp", "convert src.png -type TrueColor -define bmp:subtype=RGB565 bmp:565.bmp", 0, 16);
  Check("555.bmp", "convert src.png -type TrueColor -define bmp:subtype=RGB555 bmp:555.bmp", 0, 16);
  Check("argb.bmp", "convert alpha.png -define bmp:subtype=ARGB8888 bmp:argb.bmp", 1, 16);
  // Top-down: ImageMagick's rows reversed and the height negated.
  auto bytes = FileBytes(File("24.bmp"));
  const std::uint32_t offset = bytes[10] | (bytes[11] << 8), stride = (61 * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> flipped(bytes.begin(), bytes.begin() + offset);
  for (int y = 36; y >= 0; --y) {
    flipped.insert(flipped.end(), bytes.begin() + offset + y * stride, bytes.begin() + offset + (y + 1) * stride);
  }
  const std::int32_t negative = -37;
  std::memcpy(flipped.data() + 22, &negative, 4);
  WriteFileBytes(File("topdown.bmp"), flipped);
  const ExchangeImage topDown = ReadThroughLibrary(File("topdown.bmp"));
  ASSERT_EQ(topDown.height, 37);
  EXPECT_EQ(LargestDifference(topDown, ImageMagickReads(File("24.bmp"), dir_)), 0);
}

TEST_F(ImgxferInterop, BmpRle4FromOurWriterReadsInImageMagick) {
  ImExpSaveOptions options = imgxfer::DefaultSaveOptions();
  options.bmpRle = 1;
  for (int type : {2, 4}) {
    SCOPED_TRACE(type);
    const ExchangeImage image = PatternImage(type, 61, 37);
    ASSERT_EQ(WriteThroughLibrary(image, File("ours-rle.bmp"), &options), 1);
    EXPECT_EQ(LargestDifference(image, ImageMagickReads(File("ours-rle.bmp"), dir_)), 0);
  }
}

TEST_F(ImgxferInterop, PngOfEveryColourType) {
  Check("rgb.png", "convert src.png png24:rgb.png", 0, 16);
  Check("rgba.png", "convert alpha.png png32:rgba.png", 1, 16);
  Check("pal.png", "convert src.png -colors 50 png8:pal.png", 0, 4);
  Check("paltrns.png", "convert alpha.png -channel A -threshold 50% +channel -colors 30 png8:paltrns.png", 1, 4);
  Check("grey.png", "convert grey.png -define png:color-type=0 -define png:bit-depth=8 png:grey.png", 0, 8);
  Check("grey16.png", "convert grey.png -depth 16 -define png:color-type=0 png:grey16.png", 0, 8);
  Check("greya.png", "convert grey.png -alpha set -channel A -fx 'j/h' +channel -define png:color-type=4 png:greya.png",
        1, 8);
  Check("grey2.png", "convert grey.png -depth 2 -define png:color-type=0 -define png:bit-depth=2 png:grey2.png", 0, 8);
  Check("bw.png", "convert src.png -monochrome -define png:bit-depth=1 -define png:color-type=0 png:bw.png", 0, 8);
  Check("rgb16.png", "convert src.png -depth 16 png48:rgb16.png", 0, 16);
  Check("rgba16.png", "convert alpha.png -depth 16 png64:rgba16.png", 1, 16);
  Check("inter.png", "convert src.png -interlace PNG png24:inter.png", 0, 16);
}

// An EXIF block with orientation `o` put right after the JPEG's SOI.
void AddOrientation(const std::string& path, int o) {
  auto d = FileBytes(path);
  const std::uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1, 3, 0,
                               1, 0, 0, 0, static_cast<std::uint8_t>(o), 0, 0, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> segment = {0xFF, 0xE1, 0, static_cast<std::uint8_t>(sizeof exif + 2)};
  segment.insert(segment.end(), exif, exif + sizeof exif);
  d.insert(d.begin() + 2, segment.begin(), segment.end());
  WriteFileBytes(path, d);
}

TEST_F(ImgxferInterop, JpegBaselineProgressiveCmykGreyAndEveryOrientation) {
  Check("im.jpg", "convert src.png -quality 85 im.jpg", 1, 16);
  Check("base.jpg", "cjpeg -quality 90 src.ppm > base.jpg", 1, 16);
  Check("prog.jpg", "cjpeg -progressive -optimize src.ppm > prog.jpg", 1, 16);
  Check("grey.jpg", "cjpeg -grayscale src.ppm > grey.jpg", 1, 8);
  Check("cmyk.jpg", "convert src.png -colorspace CMYK cmyk.jpg", 1, 16);
  Check("noss.jpg", "cjpeg -sample 1x1 -dct float src.ppm > noss.jpg", 1, 16);
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE("orientation " + std::to_string(o));
    const std::string name = "o" + std::to_string(o) + ".jpg";
    ASSERT_EQ(RunShell("cd '" + dir_ + "' && cjpeg src.ppm > " + name), 0);
    AddOrientation(File(name), o);
    CheckFile(File(name), 1, 16);
  }
}

// An EXIF block in big-endian order with a resolution of `x` and `y` per
// `unit` (2 inch, 3 centimetre), each over a denominator of 10, put right
// after the JPEG's SOI.
void AddExifResolution(const std::string& path, std::uint32_t x, std::uint32_t y, std::uint8_t unit) {
  std::vector<std::uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 3};
  auto put32 = [&exif](std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) exif.push_back(static_cast<std::uint8_t>(v >> shift));
  };
  // Entries: tag, type, count 1, value or offset (from the TIFF header).
  const std::uint32_t values = 8 + 2 + 3 * 12 + 4;
  for (const std::uint32_t tag : {0x011Au, 0x011Bu}) {
    exif.insert(exif.end(), {static_cast<std::uint8_t>(tag >> 8), static_cast<std::uint8_t>(tag), 0, 5});
    put32(1);
    put32(values + (tag == 0x011A ? 0 : 8));
  }
  exif.insert(exif.end(), {0x01, 0x28, 0, 3, 0, 0, 0, 1, 0, unit, 0, 0});
  put32(0);  // no next directory
  for (const std::uint32_t v : {x, y}) {
    put32(v);
    put32(10);
  }
  auto d = FileBytes(path);
  std::vector<std::uint8_t> segment = {0xFF, 0xE1, 0, static_cast<std::uint8_t>(exif.size() + 2)};
  segment.insert(segment.end(), exif.begin(), exif.end());
  d.insert(d.begin() + 2, segment.begin(), segment.end());
  WriteFileBytes(path, d);
}

// A JPEG whose JFIF header gives only the pixels' aspect (cjpeg's) takes
// its resolution from the EXIF block; a JFIF density, ImageMagick's, wins.
TEST_F(ImgxferInterop, JpegResolutionFromJfifOrElseExif) {
  struct Case {
    const char* make;
    std::uint32_t x, y;
    std::uint8_t unit;
    int xDpi, yDpi;
  } cases[] = {{"cjpeg src.ppm", 3000, 1500, 2, 300, 150},
               {"cjpeg src.ppm", 787, 1181, 3, 200, 300},
               {"convert src.png -units PixelsPerInch -density 150 jpg:-", 3000, 3000, 2, 150, 150}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.make);
    ASSERT_EQ(RunShell("cd '" + dir_ + "' && " + c.make + " > res.jpg"), 0);
    AddExifResolution(File("res.jpg"), c.x, c.y, c.unit);
    const ExchangeImage image = ReadThroughLibrary(File("res.jpg"));
    ASSERT_EQ(image.width, 61);
    EXPECT_EQ(image.xDpi, c.xDpi);
    EXPECT_EQ(image.yDpi, c.yDpi);
  }
}

TEST_F(ImgxferInterop, GifAndTga) {
  Check("256.gif", "convert src.png -colors 256 256.gif", 0, 4);
  Check("16.gif", "convert src.png -colors 16 16.gif", 0, 4);
  Check("inter.gif", "convert src.png -interlace GIF inter.gif", 0, 4);
  Check("trans.gif", "convert alpha.png -channel A -threshold 50% +channel trans.gif", 0, 4);
  Check("24.tga", "convert src.png -type TrueColor 24.tga", 0, 16);
  Check("rle.tga", "convert src.png -type TrueColor -compress RLE rle.tga", 0, 16);
  Check("pal.tga", "convert src.png -colors 40 -type Palette pal.tga", 0, 4);
  Check("grey.tga", "convert grey.png -type Grayscale grey.tga", 0, 8);
  Check("alpha.tga", "convert alpha.png -type TrueColorAlpha alpha.tga", 1, 16);
  Check("rlepal.tga", "convert src.png -colors 40 -type Palette -compress RLE rlepal.tga", 0, 4);
}

TEST_F(ImgxferInterop, TiffStripsTilesAndTheRest) {
  Check("none.tif", "convert src.png -type TrueColor -compress None none.tif", 0, 16);
  Check("lzw.tif", "convert src.png -type TrueColor -compress LZW lzw.tif", 0, 16);
  Check("zip.tif", "convert src.png -type TrueColor -compress Zip zip.tif", 0, 16);
  Check("grey.tif", "convert grey.png -type Grayscale grey.tif", 0, 8);
  // ImageMagick's quantised colour map has arbitrary 16-bit values, which it
  // truncates to 8 bits where we round.
  Check("pal.tif", "convert src.png -colors 50 -type Palette pal.tif", 1, 4);
  Check("16.tif", "convert src.png -type TrueColor -depth 16 16.tif", 0, 16);
  Check("grey16.tif", "convert grey.png -depth 16 -type Grayscale grey16.tif", 0, 8);
  Check("tiles.tif", "convert src.png -type TrueColor -compress None strip.tif && tiffcp -t -w 16 -l 16 strip.tif tiles.tif", 0, 16);
  Check("tilegrey.tif", "convert grey.png -type Grayscale g.tif && tiffcp -t -w 16 -l 32 -c lzw g.tif tilegrey.tif",
        0, 8);
  Check("planes.tif", "convert src.png -type TrueColor -compress None s8.tif && tiffcp -p separate s8.tif planes.tif", 0, 16);
  Check("ycbcr.tif", "convert src.png -type TrueColor -compress None s9.tif && tiffcp -c jpeg s9.tif ycbcr.tif", 1, 16);
  Check("cmyk.tif", "convert src.png -colorspace CMYK cmyk.tif", 1, 16);
  Check("g4.tif", "convert src.png -monochrome -compress Group4 g4.tif", 0, 1);
  Check("alpha.tif", "convert alpha.png alpha.tif", 1, 16);
}

TEST_F(ImgxferInterop, OurFilesReadInImageMagickAsWritten) {
  struct Case {
    const char* extension;
    std::vector<int> types;
    int tolerance;
  } cases[] = {{"bmp", {1, 2, 4, 8, 16}, 0}, {"png", {1, 2, 4, 8, 16}, 0}, {"gif", {1, 2, 4, 8}, 0},
               {"tga", {4, 8, 16}, 0},       {"tif", {1, 2, 4, 8, 16}, 0}};
  for (const auto& c : cases) {
    for (int type : c.types) {
      SCOPED_TRACE(std::string(c.extension) + " type " + std::to_string(type));
      const ExchangeImage image = PatternImage(type, 61, 37);
      const std::string path = File(std::string("ours.") + c.extension);
      ASSERT_EQ(WriteThroughLibrary(image, path), 1);
      EXPECT_EQ(LargestDifference(image, ImageMagickReads(path, dir_)), c.tolerance);
    }
  }
  // JPEG: ImageMagick decodes our file as libjpeg does, within one level.
  for (int type : {8, 16}) {
    SCOPED_TRACE("jpg type " + std::to_string(type));
    ASSERT_EQ(WriteThroughLibrary(PatternImage(type, 61, 37, true), File("ours.jpg")), 1);
    CheckFile(File("ours.jpg"), 1, type);
  }
}

// Embedded colour profiles: ImageMagick's PNG iCCP, JPEG APP2 chunks (one
// profile larger than a chunk) and TIFF tag 34675 give the reader the
// profile's bytes; our files give ImageMagick the same bytes back; what is
// not a profile, or not one for the image, stays out.
TEST_F(ImgxferInterop, EmbeddedColourProfilesReadAndWritten) {
  const std::vector<std::uint8_t> wide = WideGamutProfileBytes();
  // Over 64 KB: split into several JPEG markers.
  std::vector<std::uint8_t> big = wide;
  big.resize(70000 + (4 - 70000 % 4) % 4, 0);
  big[0] = static_cast<std::uint8_t>(big.size() >> 24);
  big[1] = static_cast<std::uint8_t>(big.size() >> 16);
  big[2] = static_cast<std::uint8_t>(big.size() >> 8);
  big[3] = static_cast<std::uint8_t>(big.size());
  WriteFileBytes(File("wide.icc"), wide);
  WriteFileBytes(File("big.icc"), big);
  for (const char* ext : {"png", "jpg", "tif"}) {
    for (const char* icc : {"wide.icc", "big.icc"}) {
      SCOPED_TRACE(std::string(ext) + " " + icc);
      const std::string name = std::string("p.") + ext;
      ASSERT_EQ(RunShell("cd '" + dir_ + "' && convert src.png -type TrueColor -profile " + icc + " " + name), 0);
      ExchangeImage image = ReadThroughLibrary(File(name));
      ASSERT_EQ(image.width, 61);
      EXPECT_EQ(image.colorProfile, FileBytes(File(icc)));
      // Written back by us, extracted by ImageMagick.
      const std::string ours = File(std::string("ours.") + ext);
      ASSERT_EQ(WriteThroughLibrary(image, ours), 1);
      std::remove(File("back.icc").c_str());
      ASSERT_EQ(RunShell("convert '" + ours + "' '" + File("back.icc") + "'"), 0);
      EXPECT_EQ(FileBytes(File("back.icc")), FileBytes(File(icc)));
    }
  }
  // A grey profile on a colour image and bytes that are no profile are
  // not written; a grey image takes a grey profile.
  ExchangeImage colour = PatternImage(16, 20, 10);
  colour.colorProfile = GreyProfileBytes();
  ASSERT_EQ(WriteThroughLibrary(colour, File("g.png")), 1);
  EXPECT_TRUE(ReadThroughLibrary(File("g.png")).colorProfile.empty());
  colour.colorProfile.assign(200, 7);
  ASSERT_EQ(WriteThroughLibrary(colour, File("j.tif")), 1);
  EXPECT_TRUE(ReadThroughLibrary(File("j.tif")).colorProfile.empty());
  ExchangeImage grey = PatternImage(8, 20, 10);
  grey.colorProfile = GreyProfileBytes();
  ASSERT_EQ(WriteThroughLibrary(grey, File("grey.tif")), 1);
  EXPECT_EQ(ReadThroughLibrary(File("grey.tif")).colorProfile, grey.colorProfile);
  // Larger than 16 MB (PNG's inflated): read without it.
  std::vector<std::uint8_t> huge = wide;
  huge.resize((16u << 20) + 4, 0);
  huge[0] = 1, huge[1] = 0, huge[2] = 0, huge[3] = 4;
  colour.colorProfile = huge;
  for (const char* name : {"huge.png", "huge.tif"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(WriteThroughLibrary(colour, File(name)), 1);
    const ExchangeImage read = ReadThroughLibrary(File(name));
    EXPECT_EQ(read.width, 20);
    EXPECT_TRUE(read.colorProfile.empty());
  }
  // A profile whose size field disagrees with its length is left out: the
  // size inside ImageMagick's embedded copy made one byte larger.
  ASSERT_EQ(RunShell("cd '" + dir_ + "' && convert src.png -type TrueColor -compress None -profile wide.icc c.tif"), 0);
  std::vector<std::uint8_t> file = FileBytes(File("c.tif"));
  const auto at = std::search(file.begin(), file.end(), wide.begin(), wide.begin() + 40);
  ASSERT_NE(at, file.end());
  at[3] = static_cast<std::uint8_t>(at[3] + 1);
  WriteFileBytes(File("c.tif"), file);
  const ExchangeImage damaged = ReadThroughLibrary(File("c.tif"));
  EXPECT_EQ(damaged.width, 61);
  EXPECT_TRUE(damaged.colorProfile.empty());
}

}  // namespace
}  // namespace lumora::testing

#endif  // _WIN32
