// Brush trigonometry, shapes, the soft edge, rotation and dither.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "paint/BrushMask.h"
#include "paint/BrushRandom.h"
#include "scripted_random.h"
#include "paint/BrushTables.h"

namespace {

using painttest::ScriptedRandom;

using paint::BlurMask;
using paint::DrawBuiltInShape;

TEST(BrushTables, TruncatedTowardZeroWithTheShortPi) {
  const std::int32_t* s = paint::SineTable();
  const std::int32_t* c = paint::CosineTable();
  EXPECT_EQ(s[0], 0);
  EXPECT_EQ(c[0], 4096);
  // With pi as 3.14159 the right angle falls just short: 4095.99.. -> 4095.
  EXPECT_EQ(s[90], 4095);
  EXPECT_EQ(c[90], 0);
  EXPECT_EQ(s[30], 2047);   // 0.4999997.. x 4096
  EXPECT_EQ(c[180], -4095);  // truncation toward zero, not down
  EXPECT_EQ(s[270], -4095);
  EXPECT_EQ(s[360], 0);
  EXPECT_EQ(c[359], 4095);
}

TEST(BrushTables, AnglesNormaliseIntoOneTurn) {
  const int cases[][2] = {{0, 0}, {-10, 350}, {360, 0}, {-360, 0}, {725, 5}, {-725, 355}, {359, 359}};
  for (const auto& c : cases) EXPECT_EQ(paint::NormalizeAngle(c[0]), c[1]) << c[0];
}

std::vector<std::uint8_t> Shape(int w, int h, int edge, int shape) {
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(w) * h, 0);
  DrawBuiltInShape(mask.data(), w, h, edge, shape);
  return mask;
}

std::string Picture(const std::vector<std::uint8_t>& m, int w) {
  std::string out;
  for (std::size_t i = 0; i < m.size(); ++i) {
    out += m[i] == 255 ? '#' : (m[i] == 0 ? '.' : '?');
    if ((i + 1) % w == 0) out += '\n';
  }
  return out;
}

TEST(BrushShapes, BuiltInShapesOnAnEightByEight) {
  EXPECT_EQ(Picture(Shape(8, 8, 1, paint::kShapeSquare), 8),
            "........\n.######.\n.######.\n.######.\n.######.\n.######.\n.######.\n........\n");
  // Round: (x-4)^2 + (y-4)^2 < (3^2 + 3^2) / 2 = 9 inside the inner box.
  EXPECT_EQ(Picture(Shape(8, 8, 1, paint::kShapeRound), 8),
            "........\n........\n..#####.\n..#####.\n..#####.\n..#####.\n..#####.\n........\n");
  // Rectangle: the inner rows 1..6 land on rows 4 + (y - 4) / 2 = 3, 3, 4, 4, 4, 5.
  EXPECT_EQ(Picture(Shape(8, 8, 1, paint::kShapeRectangle), 8),
            "........\n........\n........\n.######.\n.######.\n.######.\n........\n........\n");
  // Ellipse: the round rows 2..6 land on rows 3, 4, 4, 4, 5.
  EXPECT_EQ(Picture(Shape(8, 8, 1, paint::kShapeEllipse), 8),
            "........\n........\n........\n..#####.\n..#####.\n..#####.\n........\n........\n");
}

TEST(BrushShapes, SlashesAreDiagonalBandsOfATenth) {
  // t = 20 / 10 = 2: |y - x| <= 2 inside the inner box.
  const auto slash = Shape(20, 20, 0, paint::kShapeSlash);
  const auto back = Shape(20, 20, 0, paint::kShapeBackSlash);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      EXPECT_EQ(slash[y * 20 + x] == 255, std::abs(y - x) <= 2) << x << "," << y;
      EXPECT_EQ(back[y * 20 + x] == 255, std::abs(20 - x - y - 1) <= 2) << x << "," << y;
    }
  }
}

TEST(BrushShapes, SmallDabsAreAlwaysSquare) {
  EXPECT_EQ(Shape(3, 3, 0, paint::kShapeRound), std::vector<std::uint8_t>(9, 255));
  EXPECT_EQ(Shape(5, 3, 0, paint::kShapeSlash), std::vector<std::uint8_t>(15, 255));
}

// The Gaussian the blur approximates, by direct convolution in double
// precision (outside the block counts as 0).
std::vector<double> ReferenceBlur(const std::vector<std::uint8_t>& in, int w, int h, double sigma) {
  const int reach = static_cast<int>(std::ceil(sigma * 6));
  std::vector<double> kernel(2 * reach + 1);
  double sum = 0;
  for (int i = -reach; i <= reach; ++i) sum += kernel[i + reach] = std::exp(-0.5 * i * i / (sigma * sigma));
  for (double& k : kernel) k /= sum;
  std::vector<double> rows(in.size()), out(in.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int i = -reach; i <= reach; ++i)
        if (x + i >= 0 && x + i < w) rows[y * w + x] += kernel[i + reach] * in[y * w + x + i];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int i = -reach; i <= reach; ++i)
        if (y + i >= 0 && y + i < h) out[y * w + x] += kernel[i + reach] * rows[(y + i) * w + x];
  return out;
}

TEST(BrushBlur, FollowsTheGaussianWithinThreeLevels) {
  // Tolerance: Deriche's fourth-order fit stays within about 1 % of the
  // kernel's peak; after truncation to bytes that is at most 3 levels.
  for (int edge : {1, 3, 5, 10, 20}) {
    const int w = 4 * edge + 24;
    auto mask = Shape(w, w, edge, paint::kShapeRound);
    const auto reference = ReferenceBlur(mask, w, w, paint::BlurSigma(edge * 10));
    BlurMask(0, 0, w, w, mask.data(), w, edge * 10);
    int worst = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
      worst = std::max(worst, static_cast<int>(std::fabs(mask[i] - reference[i])));
    }
    EXPECT_LE(worst, 3) << "edge " << edge;
  }
}

TEST(BrushBlur, SigmaFallsTo1Over255AtTheRadius) {
  const double sigma = paint::BlurSigma(40);  // edge 4: radius 5
  EXPECT_NEAR(std::exp(-25.0 / (2 * sigma * sigma)), 1.0 / 255, 1e-12);
  EXPECT_DOUBLE_EQ(paint::BlurSigma(-40), sigma);
}

TEST(BrushBlur, KeepsAConstantAndTouchesOnlyItsBlock) {
  // A full block far from its borders stays 254 or 255 (truncation), and
  // bytes outside the block are left.
  const int w = 64;
  std::vector<std::uint8_t> mask(w * w, 7);
  for (int y = 8; y < 56; ++y)
    for (int x = 8; x < 56; ++x) mask[y * w + x] = 255;
  BlurMask(8, 8, 56, 56, mask.data(), w, 20);
  EXPECT_GE(mask[32 * w + 32], 254);
  EXPECT_EQ(mask[0], 7);
  EXPECT_EQ(mask[7 * w + 30], 7);
  EXPECT_LT(mask[8 * w + 8], 160);  // the block's corner meets zeros beyond it
}

TEST(BrushRotate, FixedPointTurn) {
  // A 9 x 9 mask with one lit pixel right of the centre (column 6, row 4).
  std::vector<std::uint8_t> src(81, 0), dst(81, 0);
  src[4 * 9 + 6] = 255;
  // Zero turn: identity.
  paint::RotateMask(dst.data(), src.data(), 9, 9, 0, 4096);
  EXPECT_EQ(dst, src);
  // 90 degrees from the tables (sine 4095, cosine 0): every destination
  // pixel takes the source at the truncated fixed-point position.
  paint::RotateMask(dst.data(), src.data(), 9, 9, paint::SineTable()[90], paint::CosineTable()[90]);
  int lit = 0;
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) {
      const int u = (x - 4) * 0 - (y - 4) * 4095;
      const int v = (x - 4) * 4095 + (y - 4) * 0;
      const int sx = u / 4096 + 4;
      const int sy = 4 - v / 4096;
      const std::uint8_t want = (sx < 0 || sx > 8 || sy < 0 || sy > 8) ? 0 : src[sy * 9 + sx];
      EXPECT_EQ(dst[y * 9 + x], want) << x << "," << y;
      lit += dst[y * 9 + x] == 255;
    }
  }
  EXPECT_GE(lit, 1);
  // Corners that map outside the mask become 0 even from a full source.
  std::vector<std::uint8_t> full(81, 255);
  paint::RotateMask(dst.data(), full.data(), 9, 9, paint::SineTable()[45], paint::CosineTable()[45]);
  EXPECT_EQ(dst[0], 0);
  EXPECT_EQ(dst[4 * 9 + 4], 255);
}

TEST(BrushDither, RandomByteAtMostTheValueLights) {
  const std::uint8_t src[] = {0, 255, 100, 100, 100, 1};
  std::uint8_t dst[6];
  // Draws are used only for the middle values: 100 -> lit, 0x165 & 255 = 101 -> dark,
  // 0xFF64 & 255 = 100 -> lit (equal counts), 2 -> dark against 1.
  ScriptedRandom random({100, 0x165, 0xFF64, 2});
  paint::DitherMask(dst, src, 6, random);
  const std::uint8_t want[] = {0, 255, 255, 0, 255, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(dst, dst + 6), std::vector<std::uint8_t>(want, want + 6));
}

TEST(BrushDither, SeededGeneratorsRepeat) {
  std::vector<std::uint8_t> src(4096);
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> a(src.size()), b(src.size());
  SeededBrushRandom r1(7), r2(7);
  paint::DitherMask(a.data(), src.data(), 4096, r1);
  paint::DitherMask(b.data(), src.data(), 4096, r2);
  EXPECT_EQ(a, b);
  int lit = 0;
  for (auto v : a) lit += v == 255;
  EXPECT_NEAR(lit, 4096 / 2, 200);  // about half of an even ramp
}

}  // namespace
