// The rider loops (a brush stroke's work layer merged into the layer pixel
// on the fly) and the single-value operations, as byte cases at every
// level, and random rider rows against the generic level.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "composite_support.h"
#include "engine/blend/CompositeRows.h"

namespace {

using namespace lumora;
using lumora::testing::AvailableLevels;
using lumora::testing::BlendLayer;
using lumora::testing::LevelName;
using lumora::testing::LevelScope;
using lumora::testing::RandomBytes;
using lumora::testing::RandomCoverage;

constexpr int kNone = -1;

enum class Loop { kPlain0, kPlain1, kBlend, kWork };

struct RiderCase {
  const char* what;
  Loop loop;
  int layerPixel, layerW1;
  int riderPixel, riderW1, riderW2;
  int dst, cov;  // cov kNone: absent
  int expectD, expectC;
};

// One 8-bit case on a row of n identical pixels; the layer is Normal at
// full opacity, the rider as given.
void RunCase(const RiderCase& c, const BlendContext& rider, bool riderIsMask, bool riderLocked,
             bool forceOpaque, int n, const BlendContext& layer) {
  std::vector<std::uint8_t> dst(n, c.dst), src(n, c.layerPixel), lw1(n, c.layerW1), cov(n, c.cov);
  std::vector<std::uint8_t> rp(n, c.riderPixel), rw1(n, c.riderW1), rw2(n, c.riderW2);
  RiderRowRecord rec;
  rec.dst = dst.data();
  rec.src = src.data();
  rec.weight1 = c.layerW1 == kNone ? nullptr : lw1.data();
  rec.forceOpaque = forceOpaque ? 1 : 0;
  rec.n = n;
  rec.coverage = c.cov == kNone ? nullptr : cov.data();
  rec.rider = &rider;
  rec.riderPixels = rp.data();
  rec.riderWeight1 = c.riderW1 == kNone ? nullptr : rw1.data();
  rec.riderWeight2 = c.riderW2 == kNone ? nullptr : rw2.data();
  rec.riderIsMask = riderIsMask;
  rec.riderLocked = riderLocked;
  switch (c.loop) {
    case Loop::kPlain0:
      CompositeRiderRow8(layer, rec, 0);
      break;
    case Loop::kPlain1:
      CompositeRiderRow8(layer, rec, 1);
      break;
    case Loop::kBlend:
      CompositeBlendRiderRow8(layer, rec);
      break;
    case Loop::kWork:
      CompositeWorkRow8(layer, rec);
      break;
  }
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(dst[i], c.expectD) << i;
    if (c.cov != kNone) {
      ASSERT_EQ(cov[i], c.expectC) << i;
    }
  }
  // The rider pointers moved past the row.
  EXPECT_EQ(rec.riderPixels, rp.data() + n);
  if (c.riderW1 != kNone) {
    EXPECT_EQ(rec.riderWeight1, rw1.data() + n);
  }
}

TEST(RiderRows, PreMixByteCases) {
  const BlendContext layer = BlendLayer(kMergeNormal, 255);
  const BlendContext normalRider = BlendLayer(kMergeNormal, 255);
  const BlendContext multiplyRider = BlendLayer(kMergeMultiply, 255);
  BlendContext eraser = BlendLayer(kMergeNormal, 255);
  eraser.replace = 1;
  struct Row {
    RiderCase c;
    const BlendContext* rider;
    bool isMask, locked, force;
  };
  const Row rows[] = {
      {{"plain mix moves the layer weight toward the rider's", Loop::kPlain0, 100, 200, 250, 100,
        128, 50, kNone, 123, 0},
       &normalRider,
       false,
       false,
       false},
      {{"plain mix with the flag keeps the layer weight", Loop::kPlain1, 100, 200, 250, 100, 128,
        50, kNone, 111, 0},
       &normalRider,
       false,
       false,
       false},
      {{"plain mix at full rider weight takes the rider pixel", Loop::kPlain0, 100, 200, 250, 90,
        kNone, 50, kNone, 120, 0},
       &normalRider,
       false,
       false,
       false},
      {{"blend mix, the layer weight as coverage", Loop::kBlend, 100, 200, 200, 128, kNone, 50,
        kNone, 96, 0},
       &multiplyRider,
       false,
       false,
       false},
      {{"blend mix over a masked-out layer pixel", Loop::kBlend, 100, 0, 200, 128, kNone, 50, kNone,
        125, 0},
       &multiplyRider,
       false,
       false,
       false},
      {{"work mix of a mask rider sets the weight", Loop::kWork, 100, kNone, 60, 255, kNone, 50,
        kNone, 61, 0},
       &normalRider,
       true,
       true,
       false},
      {{"work mix of a locked eraser replaces by its second weight", Loop::kWork, 100, kNone, 250,
        kNone, 51, 50, kNone, 130, 0},
       &eraser,
       false,
       true,
       false},
      {{"work mix of an unlocked paint rider changes nothing", Loop::kWork, 100, kNone, 250, kNone,
        51, 50, kNone, 100, 0},
       &eraser,
       false,
       false,
       false},
      {{"forced opaque over an empty pixel covers it", Loop::kBlend, 100, 0, 7, 0, kNone, 50, 0,
        100, 255},
       &normalRider,
       false,
       false,
       true},
      {{"forced opaque over a partly covered pixel", Loop::kBlend, 100, 0, 7, 0, kNone, 50, 100,
        100, 255},
       &normalRider,
       false,
       false,
       true},
  };
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    for (const auto& r : rows) {
      SCOPED_TRACE(LevelName(level) + ": " + r.c.what);
      RunCase(r.c, *r.rider, r.isMask, r.locked, r.force, 1, layer);
      RunCase(r.c, *r.rider, r.isMask, r.locked, r.force, 100, layer);
    }
  }
}

TEST(RiderRows, ForcedOpaqueStillHonoursTheOpacity) {
  const BlendContext layer = BlendLayer(kMergeNormal, 128);
  const BlendContext rider = BlendLayer(kMergeNormal, 255);
  const RiderCase c{"", Loop::kBlend, 100, 0, 7, 0, kNone, 50, 0, 100, 255};
  for (CompositeLevel level : AvailableLevels()) {
    LevelScope scope(level);
    RunCase(c, rider, false, false, true, 70, layer);
  }
}

TEST(RiderRows, AnEightBitRiderOnAColourLayerIsGrey) {
  const BlendContext layer = BlendLayer(kMergeNormal, 255);
  const BlendContext rider = BlendLayer(kMergeNormal, 255);
  std::uint8_t dst[3] = {0, 0, 0};
  const std::uint8_t src[3] = {10, 20, 30};
  const std::uint8_t riderPixel[1] = {200};
  RiderRowRecord rec;
  rec.dst = dst;
  rec.src = src;
  rec.n = 1;
  rec.rider = &rider;
  rec.riderPixels = riderPixel;
  rec.riderBytesPerPixel = 1;
  CompositeRiderRow24(layer, rec, 0);
  EXPECT_EQ(dst[0], 200);
  EXPECT_EQ(dst[1], 200);
  EXPECT_EQ(dst[2], 200);
  EXPECT_EQ(rec.riderPixels, riderPixel + 1);
}

TEST(RiderRows, RandomRowsAgreeWithTheGenericLevel) {
  std::mt19937 rng(77);
  for (int round = 0; round < 200; ++round) {
    const int bpp = rng() % 2 ? 3 : 1;
    const int riderBpp = bpp == 3 && rng() % 2 ? 3 : 1;
    const int n = static_cast<int>(rng() % 200);
    BlendContext layer =
        BlendLayer(static_cast<int>(rng() % kMergeModeCount), static_cast<int>(rng() % 256));
    BlendContext rider =
        BlendLayer(static_cast<int>(rng() % kMergeModeCount), static_cast<int>(rng() % 256));
    layer.uniqueId = 1, rider.uniqueId = 2;
    rider.replace = rng() % 3 == 0;
    const std::vector<std::uint8_t> dst0 = RandomBytes(rng, static_cast<std::size_t>(bpp * n));
    const std::vector<std::uint8_t> src = RandomBytes(rng, static_cast<std::size_t>(bpp * n));
    const std::vector<std::uint8_t> riderPixels =
        RandomBytes(rng, static_cast<std::size_t>(riderBpp * n));
    const std::vector<std::uint8_t> w[4] = {RandomCoverage(rng, n), RandomCoverage(rng, n),
                                            RandomCoverage(rng, n), RandomCoverage(rng, n)};
    const std::vector<std::uint8_t> cov0 = RandomCoverage(rng, n);
    const unsigned present = rng();
    const int loop = static_cast<int>(rng() % 4);
    RiderRowRecord proto;
    proto.weight1 = present & 1 ? w[0].data() : nullptr;
    proto.weight2 = present & 2 ? w[1].data() : nullptr;
    proto.riderWeight1 = present & 4 ? w[2].data() : nullptr;
    proto.riderWeight2 = present & 8 ? w[3].data() : nullptr;
    proto.forceOpaque = (present >> 4) & 1;
    proto.n = n;
    proto.rider = &rider;
    proto.riderPixels = riderPixels.data();
    proto.riderBytesPerPixel = riderBpp;
    proto.riderIsMask = (present >> 5) & 1;
    proto.riderLocked = (present >> 6) & 1;
    proto.x = 3, proto.y = 4, proto.riderX = 5, proto.riderY = 6;
    const bool hasCov = (present >> 7) & 1;
    auto run = [&](std::vector<std::uint8_t>& dst, std::vector<std::uint8_t>& cov) {
      RiderRowRecord rec = proto;
      rec.dst = dst.data();
      rec.src = src.data();
      rec.coverage = hasCov ? cov.data() : nullptr;
      if (bpp == 3) {
        if (loop == 0) CompositeRiderRow24(layer, rec, 0);
        if (loop == 1) CompositeRiderRow24(layer, rec, 1);
        if (loop == 2) CompositeBlendRiderRow24(layer, rec);
        if (loop == 3) CompositeWorkRow24(layer, rec);
      } else {
        if (loop == 0) CompositeRiderRow8(layer, rec, 0);
        if (loop == 1) CompositeRiderRow8(layer, rec, 1);
        if (loop == 2) CompositeBlendRiderRow8(layer, rec);
        if (loop == 3) CompositeWorkRow8(layer, rec);
      }
    };
    std::vector<std::uint8_t> expectD = dst0, expectC = cov0;
    {
      LevelScope scope(CompositeLevel::kGeneric);
      run(expectD, expectC);
    }
    for (CompositeLevel level : AvailableLevels()) {
      LevelScope scope(level);
      std::vector<std::uint8_t> d = dst0, c = cov0;
      run(d, c);
      ASSERT_EQ(d, expectD) << LevelName(level) << " round " << round;
      ASSERT_EQ(c, expectC) << LevelName(level) << " round " << round;
    }
  }
}

TEST(SingleValues, BlendValue8) {
  BlendContext layer = BlendLayer(kMergeMultiply, 255);
  const std::uint8_t w128 = 128, w0 = 0, w255 = 255;
  EXPECT_EQ(BlendValue8(100, layer, 200, nullptr, nullptr, 0, 0), 78);
  EXPECT_EQ(BlendValue8(100, layer, 200, &w128, nullptr, 0, 0), (127 * 100 + 78 * 128) / 255);
  EXPECT_EQ(BlendValue8(100, layer, 200, &w0, nullptr, 0, 0), 100);
  layer.SetOpacity(0);
  EXPECT_EQ(BlendValue8(100, layer, 200, nullptr, nullptr, 0, 0), 100);
  // A replacing layer mixes by its second weight alone.
  layer.replace = 1;
  EXPECT_EQ(BlendValue8(100, layer, 200, &w0, nullptr, 0, 0), 200);
  EXPECT_EQ(BlendValue8(100, layer, 200, nullptr, &w0, 0, 0), 100);
  EXPECT_EQ(BlendValue8(100, layer, 200, nullptr, &w255, 0, 0), 200);
  EXPECT_EQ(BlendValue8(100, layer, 200, nullptr, &w128, 0, 0), (200 * 128 + 100 * 127) / 255);
}

TEST(SingleValues, MergeCoverage8) {
  BlendContext layer = BlendLayer(kMergeDissolve, 128);  // the opacity table applies in every mode
  const std::uint8_t w200 = 200, w128 = 128;
  EXPECT_EQ(MergeCoverage8(255, layer, &w200, nullptr), 255);
  EXPECT_EQ(MergeCoverage8(0, layer, &w200, nullptr), 200 * 128 / 255);
  const int a = 200 * 128 / 255;
  EXPECT_EQ(MergeCoverage8(60, layer, &w200, nullptr), 255 - (255 - a) * (255 - 60) / 255);
  layer.SetOpacity(255);
  EXPECT_EQ(MergeCoverage8(60, layer, nullptr, nullptr), 255);
  layer.replace = 1;
  EXPECT_EQ(MergeCoverage8(60, layer, &w200, &w128), (200 * 128 + 60 * 127) / 255);
}

}  // namespace
