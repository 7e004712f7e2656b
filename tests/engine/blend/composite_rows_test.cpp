// The per-pixel rule through the plain row loops, as tables of byte cases
// run at every implementation level, both as a lone pixel and along a row
// long enough for whole vector chunks; the merge loops; Dissolve.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "composite_support.h"
#include "engine/blend/CompositeRows.h"

namespace {

using namespace lumora;
using lumora::testing::AvailableLevels;
using lumora::testing::BlendLayer;
using lumora::testing::LevelName;
using lumora::testing::LevelScope;

constexpr int kNone = -1;

struct RuleCase {
  const char* what;
  int mode;
  int opacity;
  int s, d;
  int w1, w2, c;  // kNone: absent
  int expectD, expectC;
};

// Runs a case on a row of n identical pixels and checks every pixel.
void CheckRow8(const RuleCase& c, const BlendContext& ctx, int n) {
  std::vector<std::uint8_t> dst(n, c.d), src(n, c.s), w1(n, c.w1), w2(n, c.w2), cov(n, c.c);
  CompositeRow8(ctx, dst.data(), src.data(), c.w1 == kNone ? nullptr : w1.data(),
                c.w2 == kNone ? nullptr : w2.data(), n, c.c == kNone ? nullptr : cov.data(), 0, 0);
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(dst[i], c.expectD) << "pixel " << i;
    if (c.c != kNone) {
      ASSERT_EQ(cov[i], c.expectC) << "pixel " << i;
    }
  }
}

TEST(CompositeRow, PerPixelRuleByteCases) {
  const RuleCase cases[] = {
      {"first weight mixes", kMergeNormal, 255, 200, 100, 128, kNone, kNone, 150, 0},
      {"opacity mixes", kMergeNormal, 128, 200, 100, kNone, kNone, kNone, 150, 0},
      {"second weight scales the first", kMergeNormal, 255, 200, 100, 200, 100, kNone, 130, 0},
      {"mode codes above 18 are Normal", 25, 255, 200, 100, 128, kNone, kNone, 150, 0},
      {"empty destination takes the layer pixel", kMergeMultiply, 255, 200, 100, 200, kNone, 0, 200,
       200},
      {"covered, full weight: the blend", kMergeMultiply, 255, 200, 100, kNone, kNone, 255, 78,
       255},
      {"covered, partial weight", kMergeMultiply, 255, 200, 100, 100, kNone, 255, 91, 255},
      {"partly covered, full weight", kMergeMultiply, 255, 200, 100, kNone, kNone, 100, 152, 255},
      {"partly covered, partial weight", kMergeMultiply, 255, 200, 100, 150, kNone, 100, 140, 191},
      {"zero weight changes nothing", kMergeMultiply, 255, 200, 100, 0, kNone, 100, 100, 100},
      {"everything at once", kMergeScreen, 200, 60, 90, 180, 200, 40, 74, 132},
      {"opacity 0 changes nothing", kMergeMultiply, 0, 200, 100, kNone, kNone, 100, 100, 100},
      {"opacity 0 over an empty destination", kMergeNormal, 0, 200, 100, kNone, kNone, 0, 100, 0},
      {"full Normal layer over partial coverage", kMergeNormal, 255, 200, 100, kNone, kNone, 37,
       200, 255},
  };
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    for (const auto& c : cases) {
      SCOPED_TRACE(LevelName(level) + ": " + c.what);
      const BlendContext ctx = BlendLayer(c.mode, c.opacity);
      CheckRow8(c, ctx, 1);
      CheckRow8(c, ctx, 130);
    }
  }
}

TEST(CompositeRow, TwentyFourBitChannelsStayApart) {
  // Multiply, partly covered, partial weight: T = 48750 for every channel.
  const std::uint8_t src[3] = {200, 10, 255};  // blue, green, red
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    SCOPED_TRACE(LevelName(level));
    for (int n : {1, 70}) {
      std::vector<std::uint8_t> s(3 * n), d(3 * n), w(n, 150), cov(n, 100);
      for (int i = 0; i < n; ++i) {
        std::memcpy(&s[3 * i], src, 3);
        d[3 * i] = 100, d[3 * i + 1] = 200, d[3 * i + 2] = 50;
      }
      CompositeRow24(BlendLayer(kMergeMultiply, 255), d.data(), s.data(), w.data(), nullptr, n,
                     cov.data(), 0, 0);
      for (int i = 0; i < n; ++i) {
        ASSERT_EQ(d[3 * i], 140);
        ASSERT_EQ(d[3 * i + 1], 50);
        ASSERT_EQ(d[3 * i + 2], 147);
        ASSERT_EQ(cov[i], 191);
      }
    }
  }
}

TEST(CompositeRow, BlendIfLimitsTheWeight) {
  BlendContext ctx = BlendLayer(kMergeNormal, 255);
  const std::uint8_t layerRange[4] = {50, 100, 150, 200};
  const std::uint8_t underRange[4] = {0, 0, 0, 0};  // only underlying 0 passes
  std::copy(layerRange, layerRange + 4, ctx.blendIfRanges[0]);
  std::copy(underRange, underRange + 4, ctx.blendIfRanges[4]);
  ctx.RebuildBlendIfTables();
  const RuleCase cases[] = {
      {"this layer's grey 75 passes 127", kMergeNormal, 255, 75, 100, kNone, kNone, kNone, 87, 0},
      {"underlying ranges apply where covered", kMergeNormal, 255, 75, 100, kNone, kNone, 255, 100,
       255},
      {"underlying ranges ignored where empty", kMergeNormal, 255, 75, 100, kNone, kNone, 0, 75,
       127},
      {"outside this layer's range", kMergeNormal, 255, 220, 100, kNone, kNone, kNone, 100, 0},
  };
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    for (const auto& c : cases) {
      SCOPED_TRACE(LevelName(level) + ": " + c.what);
      CheckRow8(c, ctx, 1);
      CheckRow8(c, ctx, 100);
    }
  }
}

TEST(CompositeRow, BlendIfOnColourUsesGreyAndEachChannel) {
  BlendContext ctx = BlendLayer(kMergeNormal, 255);
  // Red above 100 fails this layer's red range.
  const std::uint8_t redRange[4] = {0, 0, 100, 101};
  std::copy(redRange, redRange + 4, ctx.blendIfRanges[1]);
  ctx.RebuildBlendIfTables();
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    std::uint8_t dst[6] = {1, 2, 3, 1, 2, 3};
    const std::uint8_t src[6] = {200, 200, 50, 50, 50, 200};  // red 50, then red 200
    CompositeRow24(ctx, dst, src, nullptr, nullptr, 2, nullptr, 0, 0);
    EXPECT_EQ(dst[0], 200);
    EXPECT_EQ(dst[2], 50);
    EXPECT_EQ(dst[3], 1) << LevelName(level);  // unchanged
    EXPECT_EQ(dst[5], 3);
  }
}

TEST(MergeRow, MixesWithoutWritingCoverage) {
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    SCOPED_TRACE(LevelName(level));
    for (int n : {1, 80}) {
      // An empty target pixel still mixes: the merge has no coverage rule.
      std::vector<std::uint8_t> d(n, 100), s(n, 200), cov(n, 0);
      MergeRow8(BlendLayer(kMergeMultiply, 255), d.data(), s.data(), nullptr, nullptr, n,
                cov.data(), 0, 0);
      for (int i = 0; i < n; ++i) ASSERT_EQ(d[i], 78);
      for (int i = 0; i < n; ++i) ASSERT_EQ(cov[i], 0);
      // Opacity and weights as in the rule.
      std::vector<std::uint8_t> d2(n, 100), w(n, 128);
      MergeRow8(BlendLayer(kMergeNormal, 255), d2.data(), s.data(), w.data(), nullptr, n, nullptr,
                0, 0);
      for (int i = 0; i < n; ++i) ASSERT_EQ(d2[i], 150);
    }
  }
}

TEST(MergeRow, UnderlyingBlendIfNeedsACoveredTarget) {
  BlendContext ctx = BlendLayer(kMergeNormal, 255);
  const std::uint8_t under[4] = {0, 0, 0, 0};
  std::copy(under, under + 4, ctx.blendIfRanges[4]);
  ctx.RebuildBlendIfTables();
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    std::uint8_t d[3] = {100, 100, 100};
    const std::uint8_t s[3] = {200, 200, 200};
    const std::uint8_t cov[3] = {0, 255, 9};
    MergeRow8(ctx, d, s, nullptr, nullptr, 3, cov, 0, 0);
    EXPECT_EQ(d[0], 200) << LevelName(level);
    EXPECT_EQ(d[1], 100);
    EXPECT_EQ(d[2], 100);
    std::uint8_t e[1] = {100};
    MergeRow8(ctx, e, s, nullptr, nullptr, 1, nullptr, 0, 0);
    EXPECT_EQ(e[0], 200);
  }
}

TEST(Dissolve, RowsShowTheLayerPixelsOfThePattern) {
  BlendContext ctx = BlendLayer(kMergeDissolve, 128);
  ctx.uniqueId = 7;
  const int n = 300;
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    SCOPED_TRACE(LevelName(level));
    std::vector<std::uint8_t> d(n, 10), s(n, 250), cov(n, 255);
    CompositeRow8(ctx, d.data(), s.data(), nullptr, nullptr, n, cov.data(), 5, 9);
    int shown = 0;
    for (int i = 0; i < n; ++i) {
      // No opacity mix: a pixel shows whole or not at all.
      ASSERT_EQ(d[i], DissolveKeeps(7, 128, 5 + i, 9) ? 250 : 10) << i;
      shown += d[i] == 250;
    }
    EXPECT_GT(shown, 100);
    EXPECT_LT(shown, 200);
  }
}

TEST(Dissolve, OpacityZeroShowsNothingAndFullOpacityEverything) {
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    std::vector<std::uint8_t> d(100, 10), s(100, 250), cov(100, 0);
    CompositeRow8(BlendLayer(kMergeDissolve, 0), d.data(), s.data(), nullptr, nullptr, 100,
                  cov.data(), 0, 0);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(cov[i], 0);
    CompositeRow8(BlendLayer(kMergeDissolve, 255), d.data(), s.data(), nullptr, nullptr, 100,
                  cov.data(), 0, 0);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(d[i], 250);
  }
}

TEST(Dissolve, RepaintsCellsAndMergesAllGiveTheScreensPixels) {
  BlendContext ctx = BlendLayer(kMergeDissolve, 90);
  ctx.uniqueId = 12345;
  const int n = 200;
  std::vector<std::uint8_t> s(3 * n);
  for (int i = 0; i < 3 * n; ++i) s[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> w(n);
  for (int i = 0; i < n; ++i) w[i] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> screen(3 * n, 33), cov(n, 255);
  CompositeRow24(ctx, screen.data(), s.data(), w.data(), nullptr, n, cov.data(), 40, 3);
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    SCOPED_TRACE(LevelName(level));
    // Again, in two cells split at pixel 77.
    std::vector<std::uint8_t> cells(3 * n, 33);
    CompositeRow24(ctx, cells.data(), s.data(), w.data(), nullptr, 77, cov.data(), 40, 3);
    CompositeRow24(ctx, cells.data() + 3 * 77, s.data() + 3 * 77, w.data() + 77, nullptr, n - 77,
                   cov.data() + 77, 40 + 77, 3);
    EXPECT_EQ(cells, screen);
    // Merged into a layer.
    std::vector<std::uint8_t> merged(3 * n, 33);
    MergeRow24(ctx, merged.data(), s.data(), w.data(), nullptr, n, nullptr, 40, 3);
    EXPECT_EQ(merged, screen);
  }
}

}  // namespace
