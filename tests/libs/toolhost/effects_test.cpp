// The texture, redraw and deform tools, run through the tool host on small
// images and each checked by the property that makes it the effect it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"

namespace {

using VrWA2000::WA;

constexpr int kGrey = 8, kColour = 16;

int Channels(const WA* wa) { return wa->GetType() == kColour ? 3 : 1; }

WA* Flat(int type, int w, int h, std::uint8_t value) {
  WA* wa = new WA(type, w, h, static_cast<const PALETTEENTRY*>(nullptr), false);
  for (int y = 0; y < h; ++y) std::memset(wa->Row(y), value, static_cast<std::size_t>(wa->GetBPLine()));
  return wa;
}

WA* Random(int type, int w, int h, unsigned seed) {
  WA* wa = Flat(type, w, h, 0);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < w * Channels(wa); ++i) wa->Row(y)[i] = static_cast<std::uint8_t>(rng());
  return wa;
}

int At(const WA* wa, int x, int y, int c = 0) { return wa->Row(y)[x * Channels(wa) + c]; }
void Set(WA* wa, int x, int y, int v) {
  for (int c = 0; c < Channels(wa); ++c) wa->Row(y)[x * Channels(wa) + c] = static_cast<std::uint8_t>(v);
}

// Parameters as the tool host takes them: one number, or a point.
struct Param {
  std::int32_t values[2];
  Param(std::int32_t v) : values{v, 0} {}  // NOLINT: a number reads as itself
  Param(std::int32_t x, std::int32_t y) : values{x, y} {}
};

// A copy of src run through the tool with the parameters (the tool's
// defaults for those not given); the copy is the caller's.
WA* RunTool(const char* id, const WA* src, std::vector<Param> params = {}) {
  LUTool* tool = LUCreateTool(nullptr, id);
  EXPECT_NE(tool, nullptr) << id;
  WA* work = new WA(*src, false);
  if (tool == nullptr) return work;
  for (int i = 0; i < static_cast<int>(params.size()); ++i)
    EXPECT_EQ(LUSetParameter(tool, i, 0, params[static_cast<std::size_t>(i)].values), 0) << id << " parameter " << i;
  LUSetParameter(tool, kLUSlotSource, 0, work);
  EXPECT_EQ(LUToolExecute(tool, 0, 2, 0, 0), 0) << id;
  LUDeleteTool(tool);
  return work;
}

bool Same(const WA* a, const WA* b) {
  for (int y = 0; y < a->GetH(); ++y)
    if (std::memcmp(a->Row(y), b->Row(y), static_cast<std::size_t>(a->GetW() * Channels(a))) != 0) return false;
  return true;
}

struct Held {
  std::vector<WA*> images;
  WA* operator()(WA* wa) {
    images.push_back(wa);
    return wa;
  }
  ~Held() {
    for (WA* wa : images) wa->Release();
  }
};

TEST(TextureTools, MosaicCellsAreFlatAtTheirMean) {
  Held held;
  const WA* src = held(Random(kColour, 20, 13, 1));
  const WA* out = held(RunTool("Mosaic", src));
  for (int y0 = 0; y0 < 13; y0 += 8)
    for (int x0 = 0; x0 < 20; x0 += 8)
      for (int c = 0; c < 3; ++c) {
        const int x1 = std::min(x0 + 8, 20), y1 = std::min(y0 + 8, 13), n = (x1 - x0) * (y1 - y0);
        int sum = 0;
        for (int y = y0; y < y1; ++y)
          for (int x = x0; x < x1; ++x) sum += At(src, x, y, c);
        for (int y = y0; y < y1; ++y)
          for (int x = x0; x < x1; ++x) ASSERT_EQ(At(out, x, y, c), (sum + n / 2) / n) << x << "," << y;
      }
}

// Canvas and Padding add one texture that repeats with their period.
TEST(TextureTools, CanvasAndPaddingRepeatTheirPattern) {
  Held held;
  const WA* grey = held(Flat(kGrey, 40, 40, 128));
  struct Case {
    const char* id;
    int period;
  };
  for (const Case& c : {Case{"Canvas", 8}, Case{"Padding", 16}}) {
    SCOPED_TRACE(c.id);
    const WA* out = held(RunTool(c.id, grey));
    std::set<int> values;
    for (int y = 0; y + c.period < 40; ++y)
      for (int x = 0; x + c.period < 40; ++x) {
        ASSERT_EQ(At(out, x, y), At(out, x + c.period, y));
        ASSERT_EQ(At(out, x, y), At(out, x, y + c.period));
        values.insert(At(out, x, y));
      }
    EXPECT_GT(values.size(), 2u) << "a texture, not a flat change";
  }
  const WA* padded = held(RunTool("Padding", grey));
  EXPECT_GT(At(padded, 7, 7), At(padded, 0, 0)) << "cushions rise to their middles";
}

TEST(TextureTools, CracksDarkenToHalfAlongAFewWalks) {
  Held held;
  const WA* src = held(Random(kColour, 60, 50, 2));
  const WA* out = held(RunTool("Cracks", src));
  EXPECT_TRUE(Same(out, held(RunTool("Cracks", src)))) << "the same image cracks the same way";
  int changed = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 60; ++x) {
      if (At(out, x, y, 0) == At(src, x, y, 0) && At(out, x, y, 1) == At(src, x, y, 1)) continue;
      ++changed;
      for (int c = 0; c < 3; ++c) ASSERT_EQ(At(out, x, y, c), At(src, x, y, c) / 2);
    }
  EXPECT_GT(changed, 20);
  EXPECT_LT(changed, 60 * 50 / 3);
}

TEST(TextureTools, ErodedShareFollowsTheAmount) {
  Held held;
  const WA* src = held(Random(kGrey, 64, 48, 3));
  EXPECT_TRUE(Same(held(RunTool("Eroded", src, {0, 10})), src));
  const WA* all = held(RunTool("Eroded", src, {100, 10}));
  const WA* half = held(RunTool("Eroded", src, {50, 10}));
  int changed = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const int v = At(src, x, y);
      ASSERT_EQ(At(all, x, y), (v + 256) >> 1);
      if (At(half, x, y) != v) {
        ++changed;
        ASSERT_EQ(At(half, x, y), (v + 256) >> 1);
      }
    }
  EXPECT_GT(changed, 64 * 48 / 6);
  EXPECT_LT(changed, 64 * 48 * 5 / 6);
}

// A step from 40 to 200 at x = 10, with noise of +-6 on each side.
WA* NoisyStep(int type) {
  WA* wa = Flat(type, 20, 12, 0);
  std::mt19937 rng(4);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) Set(wa, x, y, (x < 10 ? 40 : 200) + static_cast<int>(rng() % 13) - 6);
  return wa;
}

TEST(RedrawTools, GrahamSmoothsFlatGroundAndKeepsTheEdge) {
  Held held;
  const WA* src = held(NoisyStep(kGrey));
  const WA* out = held(RunTool("graham_filt", src, {3, 3, 0, 0}));
  for (int y = 0; y < 12; ++y) {
    EXPECT_EQ(At(out, 9, y), At(src, 9, y)) << "the edge stays";
    EXPECT_EQ(At(out, 10, y), At(src, 10, y));
  }
  auto spread = [](const WA* wa) {
    int lo = 255, hi = 0;
    for (int y = 1; y < 11; ++y)
      for (int x = 1; x < 8; ++x) lo = std::min(lo, At(wa, x, y)), hi = std::max(hi, At(wa, x, y));
    return hi - lo;
  };
  EXPECT_LT(spread(out), spread(src)) << "noise on flat ground is smoothed";
}

TEST(RedrawTools, HandDrawingIsWhitePaperWithLinesAtEdges) {
  Held held;
  const WA* out = held(RunTool("hand_drawing", held(Flat(kColour, 12, 8, 90)), {3, 3, 0, 0}));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(At(out, x, y, 1), 255);
  const WA* edge = held(RunTool("hand_drawing", held(NoisyStep(kGrey)), {3, 3, 0, 0}));
  EXPECT_LT(At(edge, 10, 5), 64);
}

TEST(RedrawTools, ScatterTakesEveryPixelFromItsWindow) {
  Held held;
  const WA* src = held(Random(kGrey, 16, 16, 5));
  const WA* out = held(RunTool("tornado_drawing", src, {5, 3, 0, 0}));
  EXPECT_FALSE(Same(out, src));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      bool found = false;
      for (int j = -1; j <= 1 && !found; ++j)
        for (int i = -2; i <= 2 && !found; ++i)
          found = At(src, std::clamp(x + i, 0, 15), std::clamp(y + j, 0, 15)) == At(out, x, y);
      ASSERT_TRUE(found) << x << "," << y;
    }
}

TEST(RedrawTools, FacetsTurnedTwiceGiveTheImageBack) {
  Held held;
  const WA* src = held(Random(kColour, 23, 17, 6));
  const WA* once = held(RunTool("facetted_effect", src, {5, 4, 0, 0}));
  EXPECT_FALSE(Same(once, src));
  EXPECT_TRUE(Same(held(RunTool("facetted_effect", once, {5, 4, 0, 0})), src));
}

TEST(RedrawTools, GraphicPenDrawsOnlyInkAndPaper) {
  Held held;
  const WA* src = held(Random(kColour, 30, 20, 7));
  const WA* out = held(RunTool("graphic_pen", src, {128, 16, 45, 5, 0}));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_TRUE(At(out, x, y, 0) == 0 || At(out, x, y, 0) == 255);
  EXPECT_EQ(At(held(RunTool("graphic_pen", held(Flat(kGrey, 8, 8, 50)))), 4, 4), 0);
  EXPECT_EQ(At(held(RunTool("graphic_pen", held(Flat(kGrey, 8, 8, 200)))), 4, 4), 255);
}

TEST(RedrawTools, PaintersRepaintWithTheImagesOwnColours) {
  Held held;
  const WA* flat = held(Flat(kColour, 30, 24, 77));
  const WA* src = held(Random(kColour, 30, 24, 8));
  for (const char* id : {"art_autobrush", "art_patch", "art_oilpaint"}) {
    SCOPED_TRACE(id);
    // Without rim darkening a flat picture is painted over in its colour.
    EXPECT_TRUE(Same(held(RunTool(id, flat, {20, 10, 10, 100, 45, 30, 0, 500, 0})), flat));
    const WA* out = held(RunTool(id, src, {6, 3, 3, 100, 45, 30, 0, 400, 1}));
    EXPECT_FALSE(Same(out, src));
    EXPECT_TRUE(Same(out, held(RunTool(id, src, {6, 3, 3, 100, 45, 30, 0, 400, 1})))) << "seeded";
  }
}

TEST(RedrawTools, ReliefsOfAFlatImage) {
  Held held;
  const WA* flat = held(Flat(kColour, 12, 10, 70));
  const WA* engraved = held(RunTool("vr_Facet2", flat));
  EXPECT_EQ(At(engraved, 5, 5, 0), 128);
  EXPECT_EQ(At(engraved, 0, 9, 2), 128);
  EXPECT_TRUE(Same(held(RunTool("vr_ColorRelief", flat)), flat));
  // Wash out: one colour, washed half way to white.
  const WA* washed = held(RunTool("WashOut", flat, {16, 16, 50, 100, 0, 0, 0}));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(At(washed, x, y, 1), 70 + (255 - 70 + 1) / 2);
}

TEST(RedrawTools, StrokesSpreadAPointAlongTheDiagonal) {
  Held held;
  WA* dot = held(Flat(kGrey, 15, 15, 0));
  Set(dot, 7, 7, 250);
  const WA* out = held(RunTool("vr_Facet1", dot, {25}));
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 15; ++x) {
      if (x - y == 0 && std::abs(x - 7) <= 2)
        EXPECT_EQ(At(out, x, y), 50) << x;
      else
        EXPECT_EQ(At(out, x, y), 0) << x << "," << y;
    }
}

TEST(RedrawTools, NotePaperHasTwoTonesAndMosaicTilesAreFlat) {
  Held held;
  const WA* src = held(Random(kColour, 24, 20, 9));
  const WA* paper = held(RunTool("vr_NotePaper", src, {4, 0, 0}));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 24; ++x) ASSERT_TRUE(At(paper, x, y) == 96 || At(paper, x, y) == 224);
  const WA* tiles = held(RunTool("vr_3DMosaic", src, {10, 10, 0, 2, 10}));
  // Inside a tile, away from its bevel, one colour.
  for (int y = 2; y < 8; ++y)
    for (int x = 2; x < 8; ++x) ASSERT_EQ(At(tiles, x, y, 1), At(tiles, 2, 2, 1));
  EXPECT_NE(At(tiles, 0, 5, 1), At(tiles, 5, 5, 1)) << "bevel";
}

// Every deformation only moves pixels, and its neutral parameters move none.
TEST(DeformTools, DeformationsMovePixelsAndNeutralOnesNone) {
  Held held;
  const WA* src = held(Random(kGrey, 40, 30, 10));
  struct Case {
    const char* id;
    std::vector<Param> neutral;
    std::vector<Param> moving;
  };
  const Case cases[] = {
      {"Blot", {0, 0, 0, 50, 50}, {0, 0, 16, 50, 50}},
      {"EarthQuake", {0, 1, 0, 50, 50}, {0, 1, 16, 50, 50}},
      {"RandomDeformations", {0, 16, 16, 0, 0}, {0, 16, 16, 50, 0}},
      {"Rubber", {80, 60, 0, 0}, {80, 60, 20, 0}},
      {"Deformations", {3, 2, 50, 0}, {2, 2, 50, 10}},
      {"Distort", {2, Param(0, 0), Param(0, 0), Param(0, 0), Param(0, 0)},
       {2, Param(-30, 0), Param(30, 0), Param(0, 0), Param(0, 0)}},
  };
  std::multiset<int> values;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) values.insert(At(src, x, y));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_TRUE(Same(held(RunTool(c.id, src, c.neutral)), src));
    const WA* out = held(RunTool(c.id, src, c.moving));
    EXPECT_FALSE(Same(out, src));
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) ASSERT_TRUE(values.count(At(out, x, y)) > 0);
  }
}

TEST(DeformTools, EachDeformationKeepsWhatItMustKeep) {
  Held held;
  const WA* src = held(Random(kGrey, 41, 31, 11));
  // Earthquake: every row slides along itself.
  const WA* quake = held(RunTool("EarthQuake", src, {0, 1, 16, 100, 50}));
  for (int y = 0; y < 31; ++y) {
    std::set<int> row;
    for (int x = 0; x < 41; ++x) row.insert(At(src, x, y));
    for (int x = 0; x < 41; ++x) ASSERT_TRUE(row.count(At(quake, x, y)) > 0);
  }
  // Rubber and pure deformations leave what lies outside their shapes.
  const WA* rubber = held(RunTool("Rubber", src, {80, 60, 20, 0}));
  const WA* twirl = held(RunTool("Deformations", src, {2, 2, 50, 10}));
  for (int x = 0; x < 41; ++x) {
    EXPECT_EQ(At(rubber, x, 0), At(src, x, 0));
    EXPECT_EQ(At(twirl, x, 30), At(src, x, 30));
  }
  EXPECT_EQ(At(held(RunTool("Blot", src)), 20, 15), At(src, 20, 15)) << "the blot's middle stays";
  // Distort's preset moves the lower corners only: the top row stays.
  const WA* distorted = held(RunTool("Distort", src, {2, Param(-30, 0), Param(30, 0), Param(0, 0), Param(0, 0)}));
  for (int x = 0; x < 41; ++x) EXPECT_EQ(At(distorted, x, 30), At(src, x, 30));
}

TEST(DeformTools, PageCurlTurnsTheLowerRightCorner) {
  Held held;
  const WA* src = held(Random(kColour, 40, 30, 12));
  const WA* out = held(RunTool("vr_pagec", src, {0x00FF0000, 25}));  // blue behind
  EXPECT_EQ(At(out, 39, 0, 0), 255);
  EXPECT_EQ(At(out, 39, 0, 2), 0);
  // The flap, the corner's mirror over the fold, shows the paper's grey back.
  EXPECT_EQ(At(out, 33, 3, 0), At(out, 33, 3, 2));
  EXPECT_GE(At(out, 33, 3, 1), 176);
  for (int y = 10; y < 30; ++y)
    for (int x = 0; x < 25; ++x) ASSERT_EQ(At(out, x, y, 1), At(src, x, y, 1));
}

}  // namespace
