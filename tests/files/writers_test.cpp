// The GIF, PNG and JPEG writers: every file is read back by programs no one
// here wrote (ImageMagick, libjpeg-turbo's djpeg) and compared with the
// result image; estimates equal file sizes; failures leave no file behind
// and the old file whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "files/JpegExport.h"
#include "files/PrepGifState.h"
#include "files/WebSizeText.h"
#include "files/WebWriters.h"
#include "web_support.h"

namespace lumora::testing {
namespace {

using Outcome = CPrepGIFState::Outcome;

// A stream that fails once `limit` bytes have been written.
class FailingStream : public MemFile {
 public:
  explicit FailingStream(std::uint32_t limit) : limit_(limit) {}
  void Write(const void* buffer, std::uint32_t count) override {
    if (GetLength() + count > limit_) throw FileException(FileException::diskFull, -1, "x", "disk full");
    MemFile::Write(buffer, count);
  }

 private:
  std::uint32_t limit_;
};

TEST(WebSizeText, BytesKilobytesAndMegabytes) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 b"},           {500, "500 b"},          {1023, "1023 b"},        {1024, " 1 Kb"},
      {1536, " 1.5 Kb"},    {1100, " 1.074 Kb"},     {1075, " 1.049 Kb"},     {2048, " 2 Kb"},
      {1048575, " 1023.999 Kb"}, {1048576, " 1 Mb"}, {1572864, " 1.5 Mb"},    {3 * 1048576 + 1049, " 3.001 Mb"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatSizeText(bytes), text) << bytes;
}

TEST(WebWriters, EncodersReportStreamFaults) {
  WAPtr image = PhotoLike(64, 48);
  CPrepGIFState state;
  state.SetSource(image.get());
  ASSERT_EQ(state.Reduce(), Outcome::kReduced);
  for (std::uint32_t limit : {0u, 10u, 500u}) {
    std::string error;
    FailingStream png(limit);
    EXPECT_FALSE(EncodePNG(png, PrepareWebImage(image.get(), {}), 0, &error));
    EXPECT_NE(error.find("disk full"), std::string::npos) << error;
    FailingStream gif(limit);
    error.clear();
    EXPECT_FALSE(EncodeGIF(gif, PrepareWebImage(state.Result(), {}), &error));
    EXPECT_NE(error.find("disk full"), std::string::npos) << error;
    FailingStream jpeg(limit);
    OMemFileStream out(&jpeg);
    EXPECT_THROW(CompressJPEG(*image, out, {}, true), NxException);
  }
  std::string error;
  MemFile gif;
  EXPECT_FALSE(EncodeGIF(gif, PrepareWebImage(image.get(), {}), &error)) << "24 bits cannot be GIF";
}

TEST(WebWriters, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
  Scratch dir;
  const std::string path = dir("old.gif");
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("old contents", f);
    std::fclose(f);
  }
  WAPtr image = PhotoLike(20, 10);
  std::string error;
  EXPECT_FALSE(WriteWebGIF(path, image.get(), {}, &error));  // 24 bits: GIF fails after opening
  EXPECT_FALSE(error.empty());
  const std::vector<std::uint8_t> bytes = FileBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old contents");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"old.gif"});
  EXPECT_FALSE(WriteWebPNG(dir("missing/a.png"), image.get(), {}, &error));
  EXPECT_FALSE(SaveJPEG(dir("missing/a.jpg"), *image, {}, &error));
}

// An export killed while writing leaves its empty temporary file beside
// the target; the next export of that target takes it away.
TEST(WebWriters, TheNextExportOfATargetRemovesTheTemporaryFilesKilledExportsLeft) {
  Scratch dir;
  WAPtr image = PhotoLike(20, 10);
  CPrepGIFState state;
  state.SetSource(image.get());
  ASSERT_EQ(state.Reduce(), Outcome::kReduced);
  for (const char* name : {"a.png", "a.gif", "a.jpg"}) {
    std::FILE* f = std::fopen(dir(std::string(name) + ".lumora-tmp-k1ll3d").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  std::string error;
  ASSERT_TRUE(WriteWebPNG(dir("a.png"), image.get(), {}, &error)) << error;
  ASSERT_TRUE(WriteWebGIF(dir("a.gif"), state.Result(), {}, &error)) << error;
  ASSERT_TRUE(SaveJPEG(dir("a.jpg"), *image, {}, &error)) << error;
  std::vector<std::string> names = dir.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.gif", "a.jpg", "a.png"}));
}

TEST(JpegCodec, StreamsHeaderAndRoundTrip) {
  WAPtr image = PhotoLike(33, 17);
  MemFile memory;
  OMemFileStream out(&memory);
  CompressJPEG(*image, out, {90, 0, 0}, false);
  memory.SeekFromCurrent(-static_cast<std::int64_t>(memory.GetPosition()));
  IMemStream in(&memory);
  EXPECT_EQ(memory.GetPosition(), 0u);
  std::uint8_t first[2] = {};
  ASSERT_EQ(in.Read(first, 2), 2u);
  EXPECT_EQ(first[0], 0xFF);
  EXPECT_EQ(first[1], 0xD8);
  std::unique_ptr<NxJIStream> clone(in.Clone());
  std::uint8_t a[4], b[4];
  ASSERT_EQ(in.Read(a, 4), 4u);
  ASSERT_EQ(clone->Read(b, 4), 4u);
  EXPECT_EQ(std::memcmp(a, b, 4), 0);

  IMemStream again(&memory);
  NxJDInfoHeader header;
  header.OverrideFromStream(&again, 1);
  EXPECT_EQ(header.width, 33);
  EXPECT_EQ(header.height, 17);
  EXPECT_EQ(header.components, 3);
  EXPECT_EQ(header.Sampling(0, 0), 2);
  EXPECT_EQ(header.Sampling(0, 1), 2);
  EXPECT_EQ(header.Sampling(1, 0), 1);
  EXPECT_THROW(header.Sampling(3, 0), NxRangeExcept);

  WAPtr result = WAPtr::Adopt(CloneWA(image.get()));
  std::fill(result->Bits(), result->Bits() + result->GetBPLine() * result->GetH(), 0);
  const std::uint64_t length = JpegRoundTrip(*image, result.get(), {90, 0, 0});
  EXPECT_EQ(length, memory.GetLength());
  EXPECT_GT(PSNR(TopDownRGB(*image), TopDownRGB(*result)), 23.0);
  EXPECT_GT(JpegRoundTrip(*image, nullptr, {100, 0, 0}), JpegRoundTrip(*image, nullptr, {0, 0, 0}));
}

#ifndef _WIN32

// Every depth, palette and dither setting: the GIF and PNG files decode to
// the result image, with palettes of the result's size.
TEST(WebWritersInterop, EveryDepthPaletteAndDitherReadsBackAsTheResult) {
  Scratch dir;
  WAPtr source = PhotoLike(37, 23);
  for (int depth : {1, 4, 8, 24}) {
    for (int palette : {0, 1}) {
      for (int dither : {0, 1}) {
        if (depth == 24 && (palette || dither)) continue;
        CPrepGIFState state;
        state.SetSource(source.get());
        state.depthBits = depth;
        state.paletteChoice = palette;
        state.dither = dither;
        state.Update();
        VrWA2000::WA* result = state.Result();
        ASSERT_NE(result, nullptr);
        const std::vector<std::uint8_t> expected = TopDownRGB(*result);
        const std::string tag = std::to_string(depth) + "-" + std::to_string(palette) + std::to_string(dither);
        std::string error;
        for (int interlace : {0, 1}) {
          const std::string png = dir(tag + "-" + std::to_string(interlace) + ".png");
          state.write.interlace = interlace;
          ASSERT_TRUE(state.SavePNG(png, &error)) << error;
          EXPECT_EQ(DecodeWithMagick(png), expected) << png;
          EXPECT_EQ(EstimateWebPNG(result, state.write), FileBytes(png).size());
          const std::string ihdr = Shell(Identify() + " -format '%[png:IHDR.bit-depth-orig] %[png:IHDR.color-type-orig] %[png:IHDR.interlace_method]' '" + png + "'");
          const std::string bits = depth == 24 ? "8 2" : (std::to_string(depth) + " 3");
          EXPECT_EQ(ihdr.substr(0, bits.size()), bits) << ihdr;
          EXPECT_NE(ihdr.find(interlace ? "1 (Adam7" : "0 (Not"), std::string::npos) << ihdr;
        }
        if (depth == 24) continue;
        const std::string gif = dir(tag + ".gif");
        state.writesPNG = false;
        ASSERT_TRUE(state.SaveGIF(gif, &error)) << error;
        EXPECT_EQ(DecodeWithMagick(gif), expected) << gif;
        const std::vector<std::uint8_t> bytes = FileBytes(gif);
        EXPECT_EQ(state.CompressedSize(), bytes.size()) << "the update's estimate";
        ASSERT_GT(bytes.size(), 13u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
        EXPECT_EQ((bytes[10] & 7) + 1, depth) << "global colour table of the result's size";
      }
    }
  }
}

// Alpha of a decoded RGBA picture: 0 exactly inside the rect (bottom-up
// rows, as fragments count them), 255 elsewhere.
void ExpectTransparentOnlyInside(const std::vector<std::uint8_t>& rgba, int width, int height, const LURECT& rect,
                                 const std::string& what) {
  ASSERT_EQ(rgba.size(), static_cast<std::size_t>(width) * height * 4) << what;
  int wrong = 0;
  for (int row = 0; row < height; ++row) {
    const int y = height - 1 - row;
    for (int x = 0; x < width; ++x) {
      const bool inside = x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
      wrong += rgba[(row * width + x) * 4 + 3] != (inside ? 0 : 255);
    }
  }
  EXPECT_EQ(wrong, 0) << what;
}

TEST(WebWritersInterop, SelectionTransparencyFillsACopyWithAnIndexOfItsOwn) {
  Scratch dir;
  WAPtr source = PhotoLike(40, 30);
  for (int x = 0; x < 10; ++x) std::fill(source->Row(0) + 3 * x, source->Row(0) + 3 * x + 3, 0);  // black pixels
  const LURECT rect{5, 8, 12, 9};
  Fragment* selection = CreateRectFrg(&rect, 0);
  for (int depth : {24, 8, 4, 1}) {
    CPrepGIFState state;
    state.SetSource(source.get());
    state.depthBits = depth;
    state.paletteChoice = depth == 4 ? 0 : 1;
    state.Update();
    const std::vector<std::uint8_t> before = TopDownRGB(*state.Result());
    state.write.selectionTransparent = 1;
    state.write.selection = selection;
    std::string error;
    const std::string png = dir("sel" + std::to_string(depth) + ".png");
    ASSERT_TRUE(state.SavePNG(png, &error)) << error;
    ExpectTransparentOnlyInside(DecodeWithMagick(png, true), 40, 30, rect, png);
    EXPECT_EQ(TopDownRGB(*state.Result()), before) << "the result itself is never filled";
    EXPECT_EQ(EstimateWebPNG(state.Result(), state.write), FileBytes(png).size());
    if (depth == 24) {
      // No pixel outside the selection is the transparent black.
      const std::vector<std::uint8_t> rgb = DecodeWithMagick(png);
      EXPECT_EQ(rgb[(29 * 40) * 3], 1);
      continue;
    }
    // "Use transparent" on with no index picked still makes the selection transparent.
    state.write.useTransparent = 1;
    state.write.transparentIndex = -1;
    const std::string gif = dir("sel" + std::to_string(depth) + ".gif");
    ASSERT_TRUE(state.SaveGIF(gif, &error)) << error;
    ExpectTransparentOnlyInside(DecodeWithMagick(gif, true), 40, 30, rect, gif);
    EXPECT_EQ(EstimateWebGIF(state.Result(), state.write), FileBytes(gif).size());
    // The pixels outside keep their colours.
    const std::vector<std::uint8_t> rgba = DecodeWithMagick(gif, true);
    EXPECT_EQ(std::vector<std::uint8_t>(rgba.begin(), rgba.begin() + 3), std::vector<std::uint8_t>(before.begin(), before.begin() + 3));
  }
  DeleteFragment(selection);
}

TEST(WebWritersInterop, PickedIndexAndNoPickWithoutSelection) {
  Scratch dir;
  WAPtr source = PhotoLike(16, 16);
  CPrepGIFState state;
  state.SetSource(source.get());
  state.depthBits = 4;
  state.paletteChoice = 0;
  state.Update();
  state.write.useTransparent = 1;
  state.write.transparentIndex = 3;
  std::string error;
  const std::string png = dir("t3.png");
  ASSERT_TRUE(state.SavePNG(png, &error)) << error;
  const std::vector<std::uint8_t> bytes = FileBytes(png);
  const std::string text(bytes.begin(), bytes.end());
  const std::size_t trns = text.find("tRNS");
  ASSERT_NE(trns, std::string::npos);
  EXPECT_EQ(text.substr(trns - 4, 4), std::string("\0\0\0\4", 4));
  EXPECT_EQ(text.substr(trns + 4, 4), std::string("\xff\xff\xff\0", 4));
  EXPECT_EQ(text.find("PLTE") != std::string::npos ? (unsigned char)text[text.find("PLTE") - 1] : 0, 48) << "16 entries";
  // No index picked and no selection: nothing is transparent.
  state.write.transparentIndex = -1;
  const std::string gif = dir("none.gif");
  ASSERT_TRUE(state.SaveGIF(gif, &error)) << error;
  const std::vector<std::uint8_t> rgba = DecodeWithMagick(gif, true);
  for (std::size_t i = 3; i < rgba.size(); i += 4) ASSERT_EQ(rgba[i], 255);
}

// JPEG files leave upright, 2x2-sampled with 72 dpi for colour, one
// component for grey; djpeg reads them back.
TEST(JpegInterop, FilesAreUprightAndDecodeWithDjpeg) {
  Scratch dir;
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 48, 32, nullptr));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 48; ++x) {
      std::uint8_t* px = image->Row(y) + 3 * x;
      px[0] = y < 16 ? 255 : 0;   // bottom half blue
      px[2] = y >= 16 ? 255 : 0;  // top half red
    }
  for (int progressive : {0, 1}) {
    for (int optimize : {0, 1}) {
      const std::string path = dir("p" + std::to_string(progressive) + std::to_string(optimize) + ".jpg");
      std::string error;
      ASSERT_TRUE(SaveJPEG(path, *image, {80, progressive, optimize}, &error)) << error;
      const std::string ppm = Shell("djpeg -ppm '" + path + "'", true);
      ASSERT_GT(ppm.size(), 48u * 32 * 3);
      const std::uint8_t* pixels = reinterpret_cast<const std::uint8_t*>(ppm.data() + ppm.size() - 48 * 32 * 3);
      EXPECT_GT(pixels[0], 200);                    // top-left red
      EXPECT_LT(pixels[2], 60);
      EXPECT_GT(pixels[(31 * 48) * 3 + 2], 200);    // bottom-left blue
      EXPECT_LT(pixels[(31 * 48) * 3], 60);
      const std::string info = Shell(Identify() + " -format '%[jpeg:sampling-factor] %x %[interlace]' '" + path + "'");
      EXPECT_NE(info.find("2x2,1x1,1x1"), std::string::npos) << info;
      EXPECT_NE(info.find("72"), std::string::npos) << info;
      EXPECT_NE(info.find(progressive ? "JPEG" : "None"), std::string::npos) << info;
      EXPECT_EQ(JpegRoundTrip(*image, nullptr, {80, progressive, optimize}), FileBytes(path).size());
    }
  }
  WAPtr grey = WAPtr::Adopt(NewWA(kWAType8Grey, 20, 10, nullptr));
  for (int y = 0; y < 10; ++y) std::fill(grey->Row(y), grey->Row(y) + 20, y >= 5 ? 250 : 10);
  std::string error;
  ASSERT_TRUE(SaveJPEG(dir("g.jpg"), *grey, {90, 0, 0}, &error)) << error;
  const std::string pgm = Shell("djpeg -pnm '" + dir("g.jpg") + "'", true);
  ASSERT_EQ(pgm.substr(0, 2), "P5");
  EXPECT_GT(static_cast<std::uint8_t>(pgm[pgm.size() - 200]), 200);  // top rows light
  EXPECT_LT(static_cast<std::uint8_t>(pgm[pgm.size() - 1]), 50);     // bottom row dark
}

#endif

}  // namespace
}  // namespace lumora::testing
