// The draw core: fast paths against the per-pixel reference, where pixels
// go, coverage weighting, the checker, grid and guides, gamma, palettes.
#include <gtest/gtest.h>

#include "libs/draw/render.h"
#include "libs/draw/render_simd.h"
#include "tests/libs/draw/draw_test_util.h"

namespace lumora::testing {
namespace {

using draw::RenderSettings;

RenderSettings SettingsFor(const VrWA2000::ReadWA* image, const VrWA2000::ReadWA* coverage,
                           const XFFACT& fx, const XFFACT& fy) {
  RenderSettings s;
  s.image = image;
  s.coverage = coverage;
  s.map = VRXFORM(image->GetW(), image->GetH(), fx, fy);
  return s;
}

std::uint32_t At(const std::vector<std::uint32_t>& px, const RECT& area, LONG u, LONG v) {
  return px[(v - area.top) * (area.right - area.left) + (u - area.left)];
}

struct RatioCase {
  std::int64_t dx, ix, dy, iy;
  std::int32_t sx, sy;
};

// Every type at every kind of ratio, with coverage, gamma, grid and guides,
// against the reference, byte for byte.
void CheckEveryRatioAgainstTheReference() {
  const RatioCase ratios[] = {{1, 1, 1, 1, 0, 0},     {1, 1, 1, 1, -13, 7},   {4, 1, 4, 1, -5, 3},
                              {1, 4, 1, 4, 2, -1},    {3, 1, 3, 1, 1, -2},    {1, 3, 1, 3, -4, 0},
                              {1000, 4001, 1000, 4001, 0, 0}, {333, 1000, 1, 3, -3, 5},
                              {2, 1, 1, 2, 0, 0},     {1, 2, 3, 1, -7, -9},   {32, 1, 32, 1, -40, -33},
                              {1, 32, 1, 32, 0, 0},   {1, 2, 1, 2, 0, 0},     {1, 6, 1, 6, 3, 1},
                              {1, 4, 4, 1, -1, -6},   {1, 8, 1, 2, 0, 0}};
  const int types[] = {kWAType1Bit, kWAType4Bit, kWAType8Palette, kWAType8Grey, kWAType24};
  std::uint32_t seed = 1;
  for (int type : types) {
    const WARef image = RandomImage(type, 141, 45, seed++);
    const WARef coverage = RandomCoverage(141, 45, seed++);
    for (const RatioCase& r : ratios) {
      SCOPED_TRACE(::testing::Message() << "type " << type << " " << r.dx << ":" << r.ix << " / " << r.dy
                                        << ":" << r.iy << " shift " << r.sx << "," << r.sy);
      RenderSettings s = SettingsFor(image.get(), coverage.get(), Shifted(r.dx, r.ix, r.sx),
                                     Shifted(r.dy, r.iy, r.sy));
      const RECT all = s.map.ImageWindowRect();
      const RECT area{std::max<LONG>(all.left, -20), std::max<LONG>(all.top, -20),
                      std::min<LONG>(all.right, 150), std::min<LONG>(all.bottom, 120)};
      EXPECT_TRUE(MatchesReference(s, area));
      s.coverage = nullptr;
      EXPECT_TRUE(MatchesReference(s, area));
      s.coverage = coverage.get();
      s.gamma = draw::MakeGammaTables(VR_GAMMAOPT{180, 100, 45});
      s.gridShown = true;
      s.grid = VR_GRIDSETTINGS{0x0000FF, kVrLineDashed, 5.5, 7.0, 3};
      s.originX = 3;
      s.originY = -2;
      s.guidesShown = true;
      s.guideStyle = VR_GUIDESETTINGS{0x00FF00, kVrLineDots};
      s.guides = {{17 * 32 + 5, kVrGuideVertical}, {9 * 32, kVrGuideHorizontal}, {0, kVrGuideHorizontal}};
      EXPECT_TRUE(MatchesReference(s, area));
    }
  }
}

TEST(DrawCore, FastPathsMatchTheReferenceWalk) {
  for (bool simd : {true, false}) {
    SCOPED_TRACE(simd ? "SSSE3 kernels" : "generic kernels");
    const bool before = draw::SetDrawSimd(simd);
    CheckEveryRatioAgainstTheReference();
    draw::SetDrawSimd(before);
  }
}

TEST(DrawCore, PalettesMatchTheReferenceWalk) {
  std::uint32_t seed = 100;
  for (int type : {kWAType4Bit, kWAType8Palette, kWAType8Grey, kWAType24}) {
    const WARef image = RandomImage(type, 40, 30, seed++);
    const WARef coverage = RandomCoverage(40, 30, seed++);
    const draw::PaletteMap palette(VrDefaultDitherOptions(type), *image);
    RenderSettings s = SettingsFor(image.get(), coverage.get(), Shifted(3, 1, -5), Shifted(3, 1, 2));
    s.palette = &palette;
    EXPECT_TRUE(MatchesReference(s, RECT{-5, 2, 100, 80})) << "type " << type;
    s.map = VRXFORM(40, 30, Shifted(1, 2, 1), Shifted(1, 2, 0));
    EXPECT_TRUE(MatchesReference(s, RECT{1, 0, 21, 15})) << "type " << type;
  }
}

// A 3 x 2 image of distinct colours: which window pixel shows which.
TEST(DrawCore, PixelsLandWhereTheMappingSays) {
  const WARef image = MakeImage(kWAType24, 3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      std::uint8_t* p = image->Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(10 * x);  // blue: column
      p[1] = static_cast<std::uint8_t>(100 + y);  // green: row from the bottom
      p[2] = 7;
    }
  // 4:1, scrolled by (-2, -1): window (u, v) shows (floor((u + 2) / 4), 1 - floor((v + 1) / 4)).
  const RenderSettings s = SettingsFor(image.get(), nullptr, Shifted(4, 1, -2), Shifted(4, 1, -1));
  const RECT area = s.map.ImageWindowRect();
  EXPECT_EQ(area.left, -2);
  EXPECT_EQ(area.top, -1);
  EXPECT_EQ(area.right, 10);
  EXPECT_EQ(area.bottom, 7);
  const std::vector<std::uint32_t> px = CorePixels(s, area);
  EXPECT_EQ(At(px, area, -2, -1), 0x076500u);  // column 0 of the top row (y = 1)
  EXPECT_EQ(At(px, area, 1, 2), 0x076500u);    // still column 0
  EXPECT_EQ(At(px, area, 2, 2), 0x07650Au);    // column 1, still the top row
  EXPECT_EQ(At(px, area, 2, 3), 0x07640Au);    // column 1, bottom row
  EXPECT_EQ(At(px, area, 9, 6), 0x076414u);    // column 2, bottom row
}

// Coverage weights a box's colour and its mean lies over the checker.
TEST(DrawCore, ReductionWeightsColourByCoverage) {
  const WARef image = MakeImage(kWAType24, 2, 1);
  const WARef coverage = MakeImage(kWAType8Grey, 2, 1);
  // Pixel 0: red 200 at coverage 255; pixel 1: red 0 at coverage 51.
  image->Row(0)[2] = 200;
  coverage->Row(0)[0] = 255;
  coverage->Row(0)[1] = 51;
  const RenderSettings s = SettingsFor(image.get(), coverage.get(), XFFACT(1, 2), XFFACT(1, 1));
  const RECT area{0, 0, 1, 1};
  const std::uint32_t got = CorePixels(s, area)[0];
  // n = 2, sum(a) = 306, K = 255 (white cell):
  // red   round((200 * 255 + 255 * (510 - 306)) / 510) = round(202.0) = 202
  // green round((0 + 255 * 204) / 510) = 102, blue the same
  EXPECT_EQ(got, (202u << 16) | (102u << 8) | 102u);
  // Coverage 0 contributes nothing: its colour does not matter.
  coverage->Row(0)[1] = 0;
  image->Row(0)[5] = 255;
  const std::uint32_t hidden = CorePixels(s, area)[0];
  coverage->Row(0)[1] = 0;
  image->Row(0)[5] = 0;
  EXPECT_EQ(CorePixels(s, area)[0], hidden);
  EXPECT_EQ(hidden, ((200u * 255 + 255 * 255 + 255) / 510 << 16) | (128u << 8) | 128u);
}

// The checker: 8 x 8 window cells, white then 0xCC, anchored to the image's
// window origin at every zoom and shift.
TEST(DrawCore, CheckerFollowsTheImageOrigin) {
  const WARef image = MakeImage(kWAType24, 64, 64);
  const WARef coverage = MakeImage(kWAType8Grey, 64, 64);  // all 0: only the checker shows
  const std::uint32_t white = 0xFFFFFF, grey = 0xCCCCCC;
  struct Case {
    std::int64_t d, i;
    std::int32_t sx, sy;
  };
  for (const Case c : {Case{1, 1, 0, 0}, Case{1, 1, -3, -21}, Case{4, 1, -13, 6}, Case{1, 4, 5, 2}, Case{3, 1, -1, -1}}) {
    const RenderSettings s = SettingsFor(image.get(), coverage.get(), Shifted(c.d, c.i, c.sx), Shifted(c.d, c.i, c.sy));
    const RECT area = s.map.ImageWindowRect();
    const std::vector<std::uint32_t> px = CorePixels(s, area);
    SCOPED_TRACE(::testing::Message() << c.d << ":" << c.i << " shift " << c.sx << "," << c.sy);
    EXPECT_EQ(At(px, area, c.sx, c.sy), white);
    EXPECT_EQ(At(px, area, c.sx + 7, c.sy + 7), white);
    EXPECT_EQ(At(px, area, c.sx + 8, c.sy), grey);
    EXPECT_EQ(At(px, area, c.sx, c.sy + 8), grey);
    EXPECT_EQ(At(px, area, c.sx + 8, c.sy + 15), white);
  }
}

TEST(DrawCore, GridLinesSubdivisionsAndTheFourPixelRule) {
  const WARef image = MakeImage(kWAType24, 40, 30);
  RenderSettings s = SettingsFor(image.get(), nullptr, XFFACT(), XFFACT());
  s.gridShown = true;
  s.grid = VR_GRIDSETTINGS{0x0000FF, kVrLineSolid, 10.0, 10.0, 1};
  const RECT area = s.map.ImageWindowRect();
  std::vector<std::uint32_t> px = CorePixels(s, area);
  const std::uint32_t red = 0xFF0000;
  for (LONG u = 0; u < 40; ++u) EXPECT_EQ(At(px, area, u, 5) == red, u % 10 == 0) << u;
  // Rows count from the bottom edge: lines at y = 0, 10, 20 lie on window
  // rows 29, 19, 9 (the row just above each edge).
  for (LONG v = 0; v < 30; ++v) EXPECT_EQ(At(px, area, 5, v) == red, v % 10 == 9) << v;
  // The ruler origin moves the grid.
  s.originX = 3;
  s.originY = 2;
  px = CorePixels(s, area);
  EXPECT_EQ(At(px, area, 13, 5), red);
  EXPECT_EQ(At(px, area, 5, 27), red);
  // Subdivisions in 2 are dotted; at 1:2 the major lines (5 px apart) stay
  // and the subdivisions (2.5 px) are left out.
  s.originX = s.originY = 0;
  s.grid.subdivisions = 2;
  px = CorePixels(s, area);
  EXPECT_EQ(At(px, area, 5, 0), red);
  EXPECT_NE(At(px, area, 5, 1), red);
  s.map = VRXFORM(40, 30, XFFACT(1, 2), XFFACT(1, 2));
  const RECT half = s.map.ImageWindowRect();
  px = CorePixels(s, half);
  int lined = 0;
  for (LONG u = 0; u < 20; ++u) lined += At(px, half, u, 2) == red;
  EXPECT_EQ(lined, 4);  // x = 0, 10, 20, 30 only
  // At 1:4 the majors are 2.5 px apart: no grid at all.
  s.map = VRXFORM(40, 30, XFFACT(1, 4), XFFACT(1, 4));
  const RECT quarter = s.map.ImageWindowRect();
  px = CorePixels(s, quarter);
  for (std::uint32_t p : px) EXPECT_NE(p, red);
}

TEST(DrawCore, GuidesAndStylesAnchorToTheImage) {
  const WARef image = MakeImage(kWAType24, 40, 30);
  RenderSettings s = SettingsFor(image.get(), nullptr, Shifted(2, 1, -6), Shifted(2, 1, -3));
  s.guidesShown = true;
  s.guideStyle = VR_GUIDESETTINGS{0x00FF00, kVrLineDashed};
  // Vertical guide at x = 10.5: window column floor(21) - 6 = 15; horizontal
  // guide at y = 4 from the bottom: window row 2 * (30 - 4) - 1 - 3 = 48.
  s.guides = {{10 * 32 + 16, kVrGuideVertical}, {4 * 32, kVrGuideHorizontal}};
  const RECT area = s.map.ImageWindowRect();
  const std::vector<std::uint32_t> px = CorePixels(s, area);
  const std::uint32_t green = 0x00FF00;
  // Dashes of 4 on, 4 off from the image's window origin (row -3).
  for (LONG v = -3; v < 20; ++v) EXPECT_EQ(At(px, area, 15, v) == green, ((v + 3) & 7) < 4) << v;
  for (LONG u = -6; u < 14; ++u) EXPECT_EQ(At(px, area, u, 48) == green, ((u + 6) & 7) < 4) << u;
  EXPECT_NE(At(px, area, 14, 0), green);
  EXPECT_NE(At(px, area, 0, 47), green);
}

TEST(DrawCore, SnappingRangesFindTheNearestGridLines) {
  const VR_GRIDSETTINGS grid{0, kVrLineSolid, 10.0, 8.0, 4};
  std::int32_t below = 0, above = 0;
  // x lines every 2.5 px from origin 1: 1, 3.5, 6, ... ; 5 px = 160.
  draw::GridSnapRange(grid, 1, false, 160, &below, &above);
  EXPECT_EQ(below, 112);  // 3.5 px
  EXPECT_EQ(above, 192);  // 6 px
  draw::GridSnapRange(grid, 1, false, 192, &below, &above);
  EXPECT_EQ(below, 192);
  EXPECT_EQ(above, 192);
  // y every 2 px from origin 0, negative positions too.
  draw::GridSnapRange(grid, 0, true, -33, &below, &above);
  EXPECT_EQ(below, -64);
  EXPECT_EQ(above, 0);
}

TEST(DrawCore, GammaHundredIsTheIdentityAndTablesArePerChannel) {
  const draw::GammaTables id = draw::MakeGammaTables(VR_GAMMAOPT{100, 100, 100});
  EXPECT_TRUE(id.identity);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(id.r[i], i);
  const draw::GammaTables g = draw::MakeGammaTables(VR_GAMMAOPT{200, 100, 50});
  EXPECT_FALSE(g.identity);
  EXPECT_EQ(g.r[64], 128);  // 255 * (64/255)^0.5 = 127.75
  EXPECT_EQ(g.g[64], 64);
  EXPECT_EQ(g.b[128], 64);  // 255 * (128/255)^2 = 64.25
  EXPECT_EQ(g.r[0], 0);
  EXPECT_EQ(g.b[255], 255);
}

}  // namespace
}  // namespace lumora::testing

namespace lumora::testing {
namespace {

// Boxes beyond the kernels' 32-bit sums (here 20,000 rows in one window
// pixel) still give the exact coverage-weighted mean.
TEST(DrawCore, ExtremeReductionsStayExact) {
  const int rows = 20000;
  const WARef image = MakeImage(kWAType8Grey, 2, rows);
  const WARef coverage = MakeImage(kWAType8Grey, 2, rows);
  for (int y = 0; y < rows; ++y) {
    image->Row(y)[0] = y < rows / 4 ? 200 : 40;  // a quarter at 200, the rest at 40
    coverage->Row(y)[0] = 255;
    image->Row(y)[1] = 9;
    coverage->Row(y)[1] = y % 2 ? 255 : 0;  // half covered
  }
  const draw::RenderSettings s = SettingsFor(image.get(), coverage.get(), XFFACT(1, 1), XFFACT(1, rows));
  const RECT area{0, 0, 2, 1};
  const std::vector<std::uint32_t> px = CorePixels(s, area);
  EXPECT_EQ(px[0], 0x505050u);  // (200 + 3 * 40) / 4 = 80
  // Column 1 lies over the white cell: round((9 * 255 * 10000 + 255 * 255 * 10000) / (255 * 20000)) = 132
  EXPECT_EQ(px[1], 0x848484u);
}

}  // namespace
}  // namespace lumora::testing
