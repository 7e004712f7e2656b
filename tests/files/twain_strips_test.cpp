// TWAIN memory-transfer strips: every pixel type the reader knows, chunky
// and planar, bit fields, offsets, the buffer format each description
// gets, and the refusals of what a source must not be trusted with.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "files/TwainStrips.h"

namespace lumora {
namespace {

using namespace twain;

// Packs fields most significant bit first, as a source writes them.
class BitWriter {
 public:
  explicit BitWriter(std::size_t bytes) : data(bytes, 0) {}
  void Put(std::size_t bit, unsigned value, int bits) {
    for (int i = bits - 1; i >= 0; --i, ++bit) {
      if ((value >> i) & 1u) data[bit >> 3] = static_cast<std::uint8_t>(data[bit >> 3] | (0x80 >> (bit & 7)));
    }
  }
  std::vector<std::uint8_t> data;
};

TW_IMAGEINFO Info(int width, int height, int type, int bitsPerSample, int samples, int bitsPerPixel, bool planar) {
  TW_IMAGEINFO info{};
  info.ImageWidth = width;
  info.ImageLength = height;
  info.PixelType = static_cast<TW_INT16>(type);
  info.SamplesPerPixel = static_cast<TW_INT16>(samples);
  for (int k = 0; k < samples; ++k) info.BitsPerSample[k] = static_cast<TW_INT16>(bitsPerSample);
  info.BitsPerPixel = static_cast<TW_INT16>(bitsPerPixel);
  info.Planar = planar ? 1 : 0;
  return info;
}

TW_IMAGEMEMXFER Strip(std::uint32_t bytesPerRow, std::uint32_t columns, std::uint32_t rows, std::uint32_t x,
                      std::uint32_t y, const std::vector<std::uint8_t>& memory) {
  TW_IMAGEMEMXFER strip{};
  strip.BytesPerRow = bytesPerRow;
  strip.Columns = columns;
  strip.Rows = rows;
  strip.XOffset = x;
  strip.YOffset = y;
  strip.BytesWritten = static_cast<TW_UINT32>(memory.size());
  strip.Memory.Length = static_cast<TW_UINT32>(memory.size());
  return strip;
}

// The test picture's red, green and blue at (x, y from the top), 0..15,
// so every bit depth from 4 up carries it exactly.
unsigned R(int x, int y) { return (3 * x + y) & 15; }
unsigned G(int x, int y) { return (x + 5 * y) & 15; }
unsigned B(int x, int y) { return (7 * x + 2 * y + 1) & 15; }

struct Made {
  WAPtr image;
  TwainImageLayout layout;
};

Made Convert(const TW_IMAGEINFO& info, const TW_PALETTE8* palette, const std::vector<TW_IMAGEMEMXFER>& strips,
             const std::vector<std::vector<std::uint8_t>>& memories, TwainFault* fault = nullptr) {
  Made made;
  EXPECT_EQ(PlanTwainImage(info, palette, false, &made.layout), TwainFault::kNone);
  made.image = WAPtr::Adopt(NewTwainImage(info, made.layout));
  for (std::size_t i = 0; i < strips.size(); ++i) {
    const TwainFault f = ConvertTwainStrip(info, made.layout, strips[i], memories[i].data(), made.image.get());
    if (fault != nullptr) *fault = f;
    EXPECT_TRUE(fault != nullptr || f == TwainFault::kNone) << i;
  }
  return made;
}

// The buffer pixel (x, y from the top) as red, green, blue.
unsigned Pixel(const VrWA2000::WA& image, int x, int y) {
  const std::uint8_t* row = image.Row(image.GetH() - 1 - y);
  switch (image.GetType()) {
    case kWAType24:
      return row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x];
    case kWAType8Grey:
      return row[x] * 0x010101u;
    default: {
      int index = image.GetType() == kWAType8Palette ? row[x]
                  : image.GetType() == kWAType4Bit   ? ((x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4)
                                                     : (row[x >> 3] >> (7 - (x & 7))) & 1;
      const PALETTEENTRY& e = image.Palette()[index];
      return static_cast<unsigned>(e.peRed) << 16 | e.peGreen << 8 | e.peBlue;
    }
  }
}

TEST(TwainStrips, RgbChunkyAndPlanarAtEightAndFourBitsInTwoStrips) {
  const int w = 5, h = 3;
  struct Case {
    int bits;
    bool planar;
  } cases[] = {{8, false}, {8, true}, {4, false}, {4, true}, {16, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + (c.planar ? " planar" : " chunky"));
    const TW_IMAGEINFO info = Info(w, h, TWPT_RGB, c.bits, 3, 3 * c.bits, c.planar);
    const std::size_t plane = c.bits == 8 ? (w + 3) / 4 * 4 : (w * c.bits + 31) / 32 * 4;
    const std::size_t rowBytes = c.planar ? 3 * plane : (static_cast<std::size_t>(w) * 3 * c.bits + 7) / 8 + 1;
    std::vector<TW_IMAGEMEMXFER> strips;
    std::vector<std::vector<std::uint8_t>> memories;
    for (const auto& [y0, rows] : {std::pair{0, 2}, std::pair{2, 1}}) {
      BitWriter mem(rowBytes * rows);
      for (int r = 0; r < rows; ++r)
        for (int x = 0; x < w; ++x) {
          const unsigned v[3] = {R(x, y0 + r), G(x, y0 + r), B(x, y0 + r)};
          for (int k = 0; k < 3; ++k) {
            // 4-bit samples carry the value, wider ones it in their top bits.
            const unsigned sample = c.bits == 4 ? v[k] : v[k] << (c.bits - 4);
            const std::size_t bit = c.planar ? (r * rowBytes + k * plane) * 8 + static_cast<std::size_t>(x) * c.bits
                                             : r * rowBytes * 8 + (static_cast<std::size_t>(x) * 3 + k) * c.bits;
            mem.Put(bit, sample, c.bits);
          }
        }
      strips.push_back(Strip(static_cast<TW_UINT32>(rowBytes), w, static_cast<TW_UINT32>(rows), 0,
                             static_cast<TW_UINT32>(y0), mem.data));
      memories.push_back(mem.data);
    }
    const Made made = Convert(info, nullptr, strips, memories);
    ASSERT_EQ(made.image->GetType(), kWAType24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const unsigned want = (R(x, y) << 4) << 16 | (G(x, y) << 4) << 8 | (B(x, y) << 4);
        ASSERT_EQ(Pixel(*made.image, x, y), want) << x << "," << y;
      }
  }
}

TEST(TwainStrips, GreyBlackAndWhitePalettesAndYuvWithOffsets) {
  // Grey at 8 and 4 bits, black and white, and palettes: a strip of three
  // columns placed at x = 2 of a five-pixel row.
  const int w = 5, h = 2;
  TW_PALETTE8 rgb17{};
  rgb17.NumColors = 17;
  rgb17.PaletteType = TWPA_RGB;
  for (int i = 0; i < 17; ++i) rgb17.Colors[i] = TW_ELEMENT8{static_cast<TW_UINT8>(i), static_cast<TW_UINT8>(10 * i), 7, 200};
  TW_PALETTE8 ramp{};
  ramp.NumColors = 256;
  ramp.PaletteType = TWPA_GRAY;
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<TW_UINT8>(i);
    ramp.Colors[i] = TW_ELEMENT8{v, v, v, v};
  }
  TW_PALETTE8 cmy{};
  cmy.NumColors = 4;
  cmy.PaletteType = TWPA_CMY;
  for (int i = 0; i < 4; ++i) cmy.Colors[i] = TW_ELEMENT8{static_cast<TW_UINT8>(i), static_cast<TW_UINT8>(60 * i), 0, 255};

  struct Case {
    const char* what;
    int type, bits, bpp;
    const TW_PALETTE8* palette;
    int format;
    unsigned (*value)(int x, int y);            // the sample the source sends
    unsigned (*colour)(unsigned sample);        // the colour it must become
  } cases[] = {
      {"grey 8", TWPT_GRAY, 8, 8, nullptr, kWAType8Grey, [](int x, int y) { return 40u * x + 9u * y; },
       [](unsigned s) { return s * 0x010101u; }},
      {"grey 4", TWPT_GRAY, 4, 4, nullptr, kWAType8Grey, [](int x, int y) { return unsigned(3 * x + y) & 15; },
       [](unsigned s) { return (s << 4) * 0x010101u; }},
      {"bw", TWPT_BW, 1, 1, nullptr, kWAType1Bit, [](int x, int y) { return unsigned(x + y) & 1; },
       [](unsigned s) { return s ? 0xFFFFFFu : 0u; }},
      {"palette 8, 17 colours", TWPT_PALETTE, 8, 8, &rgb17, kWAType8Palette,
       [](int x, int y) { return unsigned(4 * x + y) % 17; }, [](unsigned s) { return (10 * s) << 16 | 7u << 8 | 200u; }},
      {"palette 8, grey ramp", TWPT_PALETTE, 8, 8, &ramp, kWAType8Grey, [](int x, int y) { return 50u * x + y; },
       [](unsigned s) { return s * 0x010101u; }},
      {"palette 4, cmy", TWPT_PALETTE, 4, 4, &cmy, kWAType4Bit, [](int x, int y) { return unsigned(x + 2 * y) & 3; },
       [](unsigned s) { return (255 - 60 * s) << 16 | 255u << 8; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TW_IMAGEINFO info = Info(w, h, c.type, c.bits, 1, c.bpp, false);
    const std::size_t rowBytes = (3 * c.bpp + 7) / 8 + 2;
    BitWriter mem(rowBytes * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < 3; ++x) mem.Put(y * rowBytes * 8 + static_cast<std::size_t>(x) * c.bpp, c.value(x + 2, y), c.bits);
    const Made made = Convert(info, c.palette, {Strip(static_cast<TW_UINT32>(rowBytes), 3, h, 2, 0, mem.data)}, {mem.data});
    ASSERT_EQ(made.image->GetType(), c.format);
    for (int y = 0; y < h; ++y)
      for (int x = 2; x < w; ++x) EXPECT_EQ(Pixel(*made.image, x, y), c.colour(c.value(x, y))) << x << "," << y;
    // Columns left of the strip were not written: still the zeroed buffer.
    const std::uint8_t* row = made.image->Row(h - 1);
    EXPECT_EQ(row[0] & (c.format == kWAType1Bit ? 0xC0 : 0xFF), 0);
  }

  // YUV: red = Y + U, blue = Y + V, green what is left.
  const TW_IMAGEINFO yuv = Info(1, 1, TWPT_YUV, 8, 3, 24, false);
  const std::vector<std::uint8_t> one = {100, 30, 20, 0};
  const Made made = Convert(yuv, nullptr, {Strip(4, 1, 1, 0, 0, one)}, {one});
  const unsigned green = 100 - ((521 * 20 + 191 * 30 + 512) >> 10);
  EXPECT_EQ(Pixel(*made.image, 0, 0), 130u << 16 | green << 8 | 120u);
}

TEST(TwainStrips, WhatASourceMustNotBeTrustedWithIsRefused) {
  const TW_IMAGEINFO rgb = Info(4, 2, TWPT_RGB, 8, 3, 24, false);
  TwainImageLayout layout;
  ASSERT_EQ(PlanTwainImage(rgb, nullptr, false, &layout), TwainFault::kNone);
  WAPtr image = WAPtr::Adopt(NewTwainImage(rgb, layout));
  std::vector<std::uint8_t> mem(24, 0xAB);
  struct Case {
    const char* what;
    TW_IMAGEMEMXFER strip;
    TwainFault fault;
  } cases[] = {
      {"row length 0", Strip(0, 4, 2, 0, 0, mem), TwainFault::kIncompatible},
      {"rows shorter than their columns", Strip(11, 4, 2, 0, 0, mem), TwainFault::kIncompatible},
      {"compressed", [&] { auto s = Strip(12, 4, 2, 0, 0, mem); s.Compression = 1; return s; }(), TwainFault::kCompressed},
      {"memory shorter than its rows", [&] { auto s = Strip(12, 4, 2, 0, 0, mem); s.Memory.Length = 20; return s; }(),
       TwainFault::kIncompatible},
      {"fine", Strip(12, 4, 2, 0, 0, mem), TwainFault::kNone},
      {"rows past the image end are left out", Strip(12, 4, 2, 0, 1, mem), TwainFault::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConvertTwainStrip(rgb, layout, c.strip, mem.data(), image.get()), c.fault) << c.what;
  }
  EXPECT_STREQ(TwainFaultText(TwainFault::kIncompatible), "Incompatible TWAIN Source.   ");
  EXPECT_STREQ(TwainFaultText(TwainFault::kCompressed), "Can't read compressed data.   ");

  // Descriptions: sample sizes 0 or above 16, more than 256 colours, CMY
  // and CMYK pixels, a compressed image.
  TW_IMAGEINFO zero = rgb;
  zero.BitsPerSample[1] = 0;
  TW_IMAGEINFO wide = rgb;
  wide.BitsPerSample[0] = 17;
  TW_IMAGEINFO cmyk = Info(4, 2, TWPT_CMYK, 8, 4, 32, false);
  TW_IMAGEINFO packed = rgb;
  packed.Compression = 2;
  TW_IMAGEINFO pal = Info(4, 2, TWPT_PALETTE, 8, 1, 8, false);
  TW_PALETTE8 many{};
  many.NumColors = 257;
  EXPECT_EQ(PlanTwainImage(zero, nullptr, false, &layout), TwainFault::kIncompatible);
  EXPECT_EQ(PlanTwainImage(wide, nullptr, false, &layout), TwainFault::kIncompatible);
  EXPECT_EQ(PlanTwainImage(cmyk, nullptr, false, &layout), TwainFault::kIncompatible);
  EXPECT_EQ(PlanTwainImage(packed, nullptr, false, &layout), TwainFault::kCompressed);
  EXPECT_EQ(PlanTwainImage(pal, &many, false, &layout), TwainFault::kIncompatible);
  EXPECT_EQ(PlanTwainImage(pal, nullptr, false, &layout), TwainFault::kIncompatible);
  // Forced to 24 bits, any readable type is.
  EXPECT_EQ(PlanTwainImage(Info(4, 2, TWPT_GRAY, 8, 1, 8, false), nullptr, true, &layout), TwainFault::kNone);
  EXPECT_EQ(layout.format, kWAType24);
}

}  // namespace
}  // namespace lumora
