// The vector levels against the reference: the exact-division helpers over
// every input they can get, every separable mode over every pair of bytes,
// the HLS modes over a quarter of a million colour pairs, and seeded random
// rows of every mode, weight, coverage and blend-if combination against the
// generic level.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "composite_support.h"
#include "engine/pixels/ColorModels.h"
#include "engine/blend/CompositeKernels.h"
#include "engine/blend/CompositeRows.h"

namespace {

using namespace lumora;
using lumora::testing::AvailableLevels;
using lumora::testing::LevelName;
using lumora::testing::LevelScope;
using lumora::testing::RandomBytes;
using lumora::testing::RandomCoverage;

TEST(ExactDivision, Div255ByMultiplyAndShift) {
  for (std::uint32_t x = 0; x <= 66298; ++x) ASSERT_EQ(Div255(x), x / 255) << x;
  // The 16-bit lane form: mulhi(x, 0x8081) >> 7 for every 16-bit x.
  for (std::uint32_t x = 0; x <= 65535; ++x) ASSERT_EQ(((x * 0x8081u) >> 16) >> 7, x / 255) << x;
}

// The general mix divides N by T = 255 c + a (255 - c) in single precision.
// A truncation could go wrong only just below a multiple of T, so every
// T is checked at N = kT - 1 and kT for every quotient k.
TEST(ExactDivision, GeneralMixQuotientsInSinglePrecision) {
  for (int a = 1; a < 256; ++a) {
    for (int c = 0; c < 256; ++c) {
      const int t = 255 * c + a * (255 - c);
      const float tf = static_cast<float>(t);
      for (int k = 1; k < 256; ++k) {
        const int n = k * t;
        ASSERT_EQ(static_cast<int>(static_cast<float>(n) / tf), k);
        ASSERT_EQ(static_cast<int>(static_cast<float>(n - 1) / tf), k - 1) << a << " " << c;
      }
    }
  }
}

// Add and Subtract: trunc(n * 10000 / scale) for every sum or difference
// and every scale the setters allow.
TEST(ExactDivision, ScaleDivisionInSinglePrecision) {
  for (int scale = 10000; scale <= 20000; ++scale) {
    const float sf = static_cast<float>(scale);
    for (int n = -510; n <= 510; ++n) {
      const int q = static_cast<int>(static_cast<float>(n) * 10000.0f / sf);
      ASSERT_EQ(q, n * 10000 / scale) << n << " " << scale;
    }
  }
}

// Every pair (layer byte, underlying byte) at full weight without coverage:
// the row's result is the blend itself.
void CheckAllPairs(const BlendContext& ctx, std::uint32_t parameter) {
  std::vector<std::uint8_t> s8(65536), d8(65536), s24(3 * 65536), d24(3 * 65536);
  for (int i = 0; i < 65536; ++i) {
    const int a = i >> 8, b = i & 255;
    s8[i] = static_cast<std::uint8_t>(a);
    d8[i] = static_cast<std::uint8_t>(b);
    // The channels of a 24-bit pixel carry different pairs.
    s24[3 * i] = static_cast<std::uint8_t>(a), d24[3 * i] = static_cast<std::uint8_t>(b);
    s24[3 * i + 1] = static_cast<std::uint8_t>(b), d24[3 * i + 1] = static_cast<std::uint8_t>(a);
    s24[3 * i + 2] = static_cast<std::uint8_t>(255 - a),
                d24[3 * i + 2] = static_cast<std::uint8_t>(b);
  }
  CompositeRow8(ctx, d8.data(), s8.data(), nullptr, nullptr, 65536, nullptr, 0, 0);
  CompositeRow24(ctx, d24.data(), s24.data(), nullptr, nullptr, 65536, nullptr, 0, 0);
  const int mode = ctx.EffectiveMode().code;
  for (int i = 0; i < 65536; ++i) {
    const int a = i >> 8, b = i & 255;
    ASSERT_EQ(d8[i], BlendChannel(mode, a, b, parameter)) << a << " over " << b;
    ASSERT_EQ(d24[3 * i], BlendChannel(mode, a, b, parameter)) << a << " over " << b;
    ASSERT_EQ(d24[3 * i + 1], BlendChannel(mode, b, a, parameter)) << b << " over " << a;
    ASSERT_EQ(d24[3 * i + 2], BlendChannel(mode, 255 - a, b, parameter))
        << 255 - a << " over " << b;
  }
}

TEST(CompositeLevels, EverySeparableModeOverEveryPairOfBytes) {
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    for (const auto& mode : kBlendModes) {
      if (!mode.separable) continue;
      SCOPED_TRACE(LevelName(level) + " " + GetMergeModeName(mode.code));
      BlendContext ctx;
      ctx.mergeMode = mode.code;
      CheckAllPairs(ctx, ctx.ModeParameter());
    }
  }
}

TEST(CompositeLevels, AddAndSubtractOverEveryPairAndSomeParameters) {
  const std::pair<std::uint16_t, std::int16_t> params[] = {{10000, 0},  {10000, -255}, {10001, 255},
                                                           {13333, 17}, {19999, -100}, {20000, 0}};
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    for (int mode : {kMergeAdd, kMergeSubtract}) {
      for (const auto& [scale, offset] : params) {
        SCOPED_TRACE(LevelName(level) + " " + GetMergeModeName(mode) + " " + std::to_string(scale) +
                     " " + std::to_string(offset));
        BlendContext ctx;
        ctx.mergeMode = mode;
        ctx.addScale = ctx.subtractScale = scale;
        ctx.addOffset = ctx.subtractOffset = offset;
        CheckAllPairs(ctx, PackScaleOffset(scale, offset));
      }
    }
  }
}

// The HLS modes at full weight: every layer colour of a 64-step grid over
// seeded random underlying colours, and random pairs, against the blend
// functions themselves; 24-bit and 8-bit.
TEST(CompositeLevels, HlsModesOverManyColourPairs) {
  std::mt19937 rng(5);
  const int n = 1 << 18;
  std::vector<std::uint8_t> s(3 * n), d(3 * n);
  for (int i = 0; i < n; ++i) {
    const int grid = i & 0x3FFFF;
    s[3 * i] = static_cast<std::uint8_t>((grid & 63) * 4 + (rng() & 3));
    s[3 * i + 1] = static_cast<std::uint8_t>(((grid >> 6) & 63) * 4 + (rng() & 3));
    s[3 * i + 2] = static_cast<std::uint8_t>(((grid >> 12) & 63) * 4 + (rng() & 3));
    for (int k = 0; k < 3; ++k) d[3 * i + k] = static_cast<std::uint8_t>(rng());
    if (i % 7 == 0) d[3 * i + 1] = d[3 * i + 2] = d[3 * i];  // greys underneath too
  }
  for (int mode : {kMergeHue, kMergeSaturation, kMergeColor, kMergeLuminosity}) {
    const BLENDFUNC f = GetBlendFunction(mode);
    std::vector<std::uint8_t> expected24(3 * n), expected8(n);
    for (int i = 0; i < n; ++i) {
      const std::uint32_t sp = s[3 * i + 2] | s[3 * i + 1] << 8 | s[3 * i] << 16;
      const std::uint32_t dp = d[3 * i + 2] | d[3 * i + 1] << 8 | d[3 * i] << 16;
      const std::uint32_t r = f(sp, dp, 255);
      expected24[3 * i] = static_cast<std::uint8_t>(r >> 16);
      expected24[3 * i + 1] = static_cast<std::uint8_t>(r >> 8);
      expected24[3 * i + 2] = static_cast<std::uint8_t>(r);
      expected8[i] = static_cast<std::uint8_t>(f(s[3 * i], d[3 * i], 255));
    }
    BlendContext ctx;
    ctx.mergeMode = mode;
    for (CompositeLevel level : AvailableLevels()) {
      LevelScope scope(level);
      SCOPED_TRACE(LevelName(level) + " " + GetMergeModeName(mode));
      std::vector<std::uint8_t> got24 = d;
      CompositeRow24(ctx, got24.data(), s.data(), nullptr, nullptr, n, nullptr, 0, 0);
      EXPECT_EQ(got24, expected24);
      std::vector<std::uint8_t> s8(n), got8(n);
      for (int i = 0; i < n; ++i) s8[i] = s[3 * i], got8[i] = d[3 * i];
      CompositeRow8(ctx, got8.data(), s8.data(), nullptr, nullptr, n, nullptr, 0, 0);
      EXPECT_EQ(got8, expected8);
    }
  }
}

// A random layer: mode, opacity, Add and Subtract parameters, sometimes
// blend-if ranges.
BlendContext RandomLayer(std::mt19937& rng, int mode) {
  BlendContext ctx;
  ctx.mergeMode = mode;
  const unsigned pick = rng() % 4;
  ctx.SetOpacity(pick == 0 ? 255 : static_cast<std::uint8_t>(rng()));
  ctx.addScale = static_cast<std::uint16_t>(10000 + rng() % 10001);
  ctx.addOffset = static_cast<std::int16_t>(static_cast<int>(rng() % 511) - 255);
  ctx.subtractScale = rng() % 2 ? 10000 : static_cast<std::uint16_t>(10000 + rng() % 10001);
  ctx.subtractOffset = static_cast<std::int16_t>(static_cast<int>(rng() % 511) - 255);
  ctx.uniqueId = rng();
  if (rng() % 3 == 0) {
    for (auto& range : ctx.blendIfRanges) {
      std::uint8_t v[4];
      for (auto& b : v) b = static_cast<std::uint8_t>(rng());
      std::sort(v, v + 4);
      std::copy(v, v + 4, range);
    }
    ctx.RebuildBlendIfTables();
  }
  return ctx;
}

struct RowInputs {
  std::vector<std::uint8_t> dst, src, w1, w2, cov;
  bool hasW1, hasW2, hasCov;
  int n, x, y;
};

RowInputs RandomRow(std::mt19937& rng, int bpp) {
  RowInputs in;
  in.n = static_cast<int>(rng() % 300);
  in.x = static_cast<int>(rng() % 1000);
  in.y = static_cast<int>(rng() % 1000);
  in.dst = RandomBytes(rng, static_cast<std::size_t>(bpp * in.n));
  in.src = RandomBytes(rng, static_cast<std::size_t>(bpp * in.n));
  in.w1 = RandomCoverage(rng, static_cast<std::size_t>(in.n));
  in.w2 = RandomCoverage(rng, static_cast<std::size_t>(in.n));
  in.cov = RandomCoverage(rng, static_cast<std::size_t>(in.n));
  if (rng() % 4 == 0) std::fill(in.cov.begin(), in.cov.end(), 255);
  if (rng() % 5 == 0) std::fill(in.cov.begin(), in.cov.end(), 0);
  in.hasW1 = rng() % 3 != 0;
  in.hasW2 = rng() % 3 == 0;
  in.hasCov = rng() % 4 != 0;
  return in;
}

void RunRow(const BlendContext& ctx, int bpp, bool merge, RowInputs& in) {
  const std::uint8_t* w1 = in.hasW1 ? in.w1.data() : nullptr;
  const std::uint8_t* w2 = in.hasW2 ? in.w2.data() : nullptr;
  std::uint8_t* cov = in.hasCov ? in.cov.data() : nullptr;
  std::uint8_t* d = in.dst.data();
  const std::uint8_t* s = in.src.data();
  if (bpp == 3 && merge) MergeRow24(ctx, d, s, w1, w2, in.n, cov, in.x, in.y);
  if (bpp == 3 && !merge) CompositeRow24(ctx, d, s, w1, w2, in.n, cov, in.x, in.y);
  if (bpp == 1 && merge) MergeRow8(ctx, d, s, w1, w2, in.n, cov, in.x, in.y);
  if (bpp == 1 && !merge) CompositeRow8(ctx, d, s, w1, w2, in.n, cov, in.x, in.y);
}

TEST(CompositeLevels, RandomRowsAgreeWithTheGenericLevel) {
  std::mt19937 rng(20240601);
  for (int round = 0; round < 40; ++round) {
    for (int mode = 0; mode < kMergeModeCount; ++mode) {
      const BlendContext ctx = RandomLayer(rng, mode);
      const int bpp = rng() % 2 ? 3 : 1;
      const bool merge = rng() % 4 == 0;
      const RowInputs input = RandomRow(rng, bpp);
      RowInputs expected = input;
      {
        LevelScope scope(CompositeLevel::kGeneric);
        RunRow(ctx, bpp, merge, expected);
      }
      for (CompositeLevel level : AvailableLevels()) {
        if (level == CompositeLevel::kGeneric) continue;
        LevelScope scope(level);
        RowInputs got = input;
        RunRow(ctx, bpp, merge, got);
        ASSERT_EQ(got.dst, expected.dst)
            << LevelName(level) << " " << GetMergeModeName(mode) << " bpp " << bpp << " merge "
            << merge << " round " << round;
        ASSERT_EQ(got.cov, expected.cov) << LevelName(level) << " " << GetMergeModeName(mode);
      }
    }
  }
}

// A Normal layer at full opacity whose first weight is 255 all along the
// row (an opaque mask) is copied like a layer without weights; a single
// weight below 255 anywhere sends the row through the kernels. Every level
// gives the generic level's bytes.
TEST(CompositeLevels, OpaqueWeightRowsAgreeWithTheGenericLevel) {
  std::mt19937 rng(77);
  for (int round = 0; round < 24; ++round) {
    const int bpp = round % 2 ? 3 : 1;
    const bool merge = round % 6 == 5;
    const BlendContext ctx = lumora::testing::BlendLayer(kMergeNormal, 255);
    RowInputs input = RandomRow(rng, bpp);
    std::fill(input.w1.begin(), input.w1.end(), 255);
    input.hasW1 = true;
    input.hasW2 = false;
    if (round % 3 == 1 && input.n > 0) input.w1[rng() % input.n] = static_cast<std::uint8_t>(rng() % 255);
    RowInputs expected = input;
    {
      LevelScope scope(CompositeLevel::kGeneric);
      RunRow(ctx, bpp, merge, expected);
    }
    for (CompositeLevel level : AvailableLevels()) {
      if (level == CompositeLevel::kGeneric) continue;
      LevelScope scope(level);
      RowInputs got = input;
      RunRow(ctx, bpp, merge, got);
      ASSERT_EQ(got.dst, expected.dst) << LevelName(level) << " round " << round << " n " << input.n;
      ASSERT_EQ(got.cov, expected.cov) << LevelName(level) << " round " << round;
    }
  }
}

}  // namespace
