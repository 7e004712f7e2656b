// Colour-model conversions, the window mean, the hue spectrum and unit
// conversion.
#include <gtest/gtest.h>

#include <memory>

#include "engine/pixels/ColorModels.h"

namespace {

struct Triple {
  int a, b, c;
};

Triple Hsv(int r, int g, int b) {
  Triple t{};
  RGBToHSV(r, g, b, t.a, t.b, t.c);
  return t;
}
Triple Hls(int r, int g, int b) {
  Triple t{};
  RGBToHLS(r, g, b, t.a, t.b, t.c);
  return t;
}
Triple FromHsv(int h, int s, int v) {
  Triple t{-1, -1, -1};
  HSVToRGB(h, s, v, t.a, t.b, t.c);
  return t;
}
Triple FromHls(int h, int s, int l) {
  Triple t{-1, -1, -1};
  HLSToRGB(h, s, l, t.a, t.b, t.c);
  return t;
}
void ExpectTriple(const Triple& t, int a, int b, int c) {
  EXPECT_EQ(t.a, a);
  EXPECT_EQ(t.b, b);
  EXPECT_EQ(t.c, c);
}

TEST(ColorModels, RgbToHsv) {
  ExpectTriple(Hsv(255, 0, 0), 0, 256, 255);
  EXPECT_EQ(Hsv(0, 255, 0).a, 512);
  EXPECT_EQ(Hsv(0, 0, 255).a, 1024);
  ExpectTriple(Hsv(128, 128, 128), 0, 0, 128);
  ExpectTriple(Hsv(0, 0, 0), 0, 0, 0);
  // Red above, blue below green: hue just under a full turn.
  ExpectTriple(Hsv(255, 0, 10), 1525, 256, 255);
}

TEST(ColorModels, HsvToRgb) {
  ExpectTriple(FromHsv(0, 256, 255), 255, 0, 0);
  ExpectTriple(FromHsv(512, 256, 255), 0, 255, 0);
  ExpectTriple(FromHsv(1024, 256, 255), 0, 0, 255);
  ExpectTriple(FromHsv(700, 0, 99), 99, 99, 99);
  for (int s : {1, 100, 255}) {
    for (int v : {0, 77, 255}) {
      const Triple full = FromHsv(1536, s, v), zero = FromHsv(0, s, v);
      EXPECT_EQ(full.a, zero.a);
      EXPECT_EQ(full.b, zero.b);
      EXPECT_EQ(full.c, zero.c);
    }
  }
  ExpectTriple(FromHsv(1600, 100, 100), -1, -1, -1);  // sector above 5 writes nothing
}

TEST(ColorModels, RgbToHls) {
  ExpectTriple(Hls(255, 255, 255), 0, 0, 255);  // lightness (510 + 1) / 2
  ExpectTriple(Hls(255, 0, 0), 0, 256, 128);
  ExpectTriple(Hls(0, 0, 128), 1024, 256, 64);
  // Lightness above 128 divides by 512 - max - min.
  ExpectTriple(Hls(255, 255, 0), 256, 256, 128);
  ExpectTriple(Hls(255, 200, 200), 0, 256 * 55 / 57, 228);
}

TEST(ColorModels, HlsToRgb) {
  ExpectTriple(FromHls(5, 0, 300), 255, 255, 255);  // saturation 0: the lightness, at most 255
  ExpectTriple(FromHls(0, 256, 128), 255, 0, 0);
  ExpectTriple(FromHls(1024, 256, 64), 0, 0, 128);
  // Hues outside 0..1535 wrap.
  const Triple wrapped = FromHls(1536 + 300, 180, 90), plain = FromHls(300, 180, 90);
  ExpectTriple(wrapped, plain.a, plain.b, plain.c);
}

TEST(ColorModels, AverageAreaRepeatsTheEdges) {
  WAPtr wa = WAPtr::Adopt(NewWA(kWAType8Grey, 3, 3, nullptr));
  // Row y, column x holds 10 * y + x.
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) wa->Row(y)[x] = static_cast<std::uint8_t>(10 * y + x);
  }
  const std::unique_ptr<WAPIX> pix(NewWAPIX(wa.get(), false));
  EXPECT_EQ(AverageArea(pix.get(), 1, 1, 3, 3, 3, 3), 11);
  // At the corner the edge samples count several times: 4 x 0 + 2 x 1 + 2 x 10 + 11.
  EXPECT_EQ(AverageArea(pix.get(), 0, 0, 3, 3, 3, 3), (2 + 20 + 11) / 9);
  // An even window holds one more row and column than the divisor counts.
  EXPECT_EQ(AverageArea(pix.get(), 1, 1, 3, 3, 2, 2),
            (0 + 1 + 2 + 10 + 11 + 12 + 20 + 21 + 22) / 4);
  EXPECT_EQ(AverageArea(pix.get(), 2, 2, 3, 3, 1, 1), 22);
  EXPECT_EQ(AverageArea(pix.get(), 2, 2, 3, 3, 0, 0), 22);  // divisor at least 1
}

TEST(ColorModels, ColorSpectrum) {
  WAPtr wa = WAPtr::Adopt(CreateColorSpectrumWA(8, 6));
  ASSERT_TRUE(wa);
  ASSERT_EQ(wa->GetType(), kWAType24);
  auto pixel = [&](int x, int y) {
    const std::uint8_t* p = wa->Row(y) + 3 * x;
    return Triple{p[2], p[1], p[0]};  // red, green, blue
  };
  // Bottom row red: value rising from black, then saturation falling.
  ExpectTriple(pixel(0, 0), 0, 0, 0);
  ExpectTriple(pixel(2, 0), 128, 1, 0);
  ExpectTriple(pixel(4, 0), 255, 1, 0);
  ExpectTriple(pixel(7, 0), 255, 192, 191);
  // Row 3 at hue 768 (cyan), row 5 at hue 1280 (magenta).
  ExpectTriple(pixel(3, 3), 0, 192, 192);
  ExpectTriple(pixel(6, 5), 255, 127, 255);
}

TEST(ColorModels, ConvertUnits) {
  EXPECT_DOUBLE_EQ(ConvertUnits(1, lumora::kUnitInches, lumora::kUnitCentimeters, 300), 2.54);
  EXPECT_DOUBLE_EQ(ConvertUnits(72, lumora::kUnitPoints, lumora::kUnitInches, 96), 1.0);
  EXPECT_NEAR(ConvertUnits(2.54f, lumora::kUnitCentimeters, lumora::kUnitPixels, 100), 100.0, 1e-4);
  EXPECT_DOUBLE_EQ(ConvertUnits(150, lumora::kUnitPixels, lumora::kUnitPoints, 300), 36.0);
  EXPECT_DOUBLE_EQ(ConvertUnits(3.5f, 7, 9, 300), 3.5);  // unknown codes count as pixels
  EXPECT_DOUBLE_EQ(ConvertUnits(3.5f, lumora::kUnitInches, lumora::kUnitInches, 0), 3.5);
}

}  // namespace
