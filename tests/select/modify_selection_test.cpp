// Modify selection: every filter against a direct square-window reference,
// the drivers' refusals and progress, and the Border, Smooth, Expand and
// Contract operations on selections.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "engine/pixels/WAccess.h"
#include "select/ModifySelection.h"
#include "support/recording_progress.h"

namespace {

struct FragmentRelease {
  void operator()(Fragment* f) const { DeleteFragment(f); }
};
using FrgPtr = std::unique_ptr<Fragment, FragmentRelease>;

// A mask image held as plain bytes, row 0 first.
struct Image {
  int w = 0, h = 0;
  std::vector<std::uint8_t> px;
  int At(int x, int y) const { return (x < 0 || y < 0 || x >= w || y >= h) ? 0 : px[y * w + x]; }
};

Image FromBuffer(const VrWA2000::WA* wa) {
  Image im{wa->GetW(), wa->GetH(), {}};
  for (int y = 0; y < im.h; ++y) im.px.insert(im.px.end(), wa->Row(y), wa->Row(y) + im.w);
  return im;
}

WAPtr ToBuffer(const Image& im) {
  WAPtr wa = WAPtr::Adopt(NewWA(kWAType8Grey, im.w, im.h, nullptr));
  for (int y = 0; y < im.h; ++y) std::copy_n(im.px.begin() + y * im.w, im.w, wa->Row(y));
  return wa;
}

// The k x k square of (x, y), outside pixels as 0.
std::vector<int> Square(const Image& im, int x, int y, int r) {
  std::vector<int> v;
  for (int j = y - r; j <= y + r; ++j) {
    for (int i = x - r; i <= x + r; ++i) v.push_back(im.At(i, j));
  }
  return v;
}

enum class Ref { kMax, kMin, kAnySet, kRank };

int Reference(const Image& im, int x, int y, int r, Ref kind) {
  std::vector<int> v = Square(im, x, y, r);
  switch (kind) {
    case Ref::kMax: return *std::max_element(v.begin(), v.end());
    case Ref::kMin: return *std::min_element(v.begin(), v.end());
    case Ref::kAnySet: return *std::max_element(v.begin(), v.end()) != 0 ? 255 : 0;
    case Ref::kRank: {
      // The smallest m with at least n = k*k/2 values <= m.
      const std::size_t n = v.size() / 2;
      if (n == 0) return 0;
      std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n - 1), v.end());
      return v[n - 1];
    }
  }
  return -1;
}

// Test images: binary, anti-aliased (an ellipse with soft rims), dense noise,
// and sparse partial values on a binary field.
std::vector<Image> TestImages() {
  std::mt19937 rng(7);
  std::vector<Image> images;
  auto make = [&](int w, int h, auto pixel) {
    Image im{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h)};
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) im.px[y * w + x] = static_cast<std::uint8_t>(pixel(x, y));
    }
    images.push_back(im);
  };
  std::uniform_int_distribution<int> byte(0, 255), coin(0, 1), rare(0, 9);
  make(37, 23, [&](int, int) { return coin(rng) * 255; });
  make(41, 29, [&](int x, int y) {
    const double d = std::hypot((x - 20) / 17.0, (y - 14) / 11.0);
    return std::clamp(static_cast<int>((1.15 - d) * 4 * 255), 0, 255);
  });
  make(23, 31, [&](int, int) { return byte(rng); });
  make(33, 19,
       [&](int x, int y) { return rare(rng) == 0 ? byte(rng) : ((x / 5 + y / 4) % 2) * 255; });
  make(1, 9, [&](int, int) { return byte(rng); });
  return images;
}

struct KernelCase {
  const MaskRowKernel* kernel;
  Ref ref;
};

TEST(ModifySelectionFilters, EveryKernelMatchesTheSquareWindowReference) {
  const KernelCase kernels[] = {{&ExpandMaskRow, Ref::kMax},
                                {&ContractMaskRow, Ref::kMin},
                                {&BorderGrowRow, Ref::kAnySet},
                                {&SmoothMaskRow, Ref::kRank}};
  for (const Image& im : TestImages()) {
    for (const KernelCase& k : kernels) {
      for (int r : {1, 2, 3, 5, 8, 20}) {
        WAPtr wa = ToBuffer(im);
        ASSERT_EQ(FilterMaskRows(wa.get(), r, k.kernel, nullptr, 0, nullptr), 1);
        const Image out = FromBuffer(wa.get());
        for (int y = 0; y < im.h; ++y) {
          for (int x = 0; x < im.w; ++x) {
            ASSERT_EQ(out.At(x, y), Reference(im, x, y, r, k.ref))
                << k.kernel->name << " r " << r << " image " << im.w << "x" << im.h << " at " << x
                << "," << y;
          }
        }
      }
    }
  }
}

TEST(ModifySelectionFilters, SmoothOfRadiusOneTakesTheFourthSmallestOfNine) {
  Image im{3, 3, {10, 200, 30, 90, 50, 60, 70, 80, 255}};
  WAPtr wa = ToBuffer(im);
  FilterMaskRows(wa.get(), 1, &SmoothMaskRow, nullptr, 0, nullptr);
  // Centre: 10 30 50 60 70 80 90 200 255 -> 60. Corner (0, 0): five zeros
  // from outside, then 10 50 90 200 -> 0.
  EXPECT_EQ(wa->Row(1)[1], 60);
  EXPECT_EQ(wa->Row(0)[0], 0);
}

// The smoothing counts a window's values in 16 bits up to radius 127 and
// in 32 bits beyond: on each side of that line the rank still matches the
// square, where the windows hold the image's partial values (a square a
// little larger than the window, near its centre and at the edges).
TEST(ModifySelectionFilters, SmoothMatchesTheSquareOnBothSidesOfTheSixteenBitWindows) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> byte(1, 254), rare(0, 15);
  for (const int r : {127, 128}) {
    SCOPED_TRACE(r);
    const int side = 2 * r + 5;
    Image im{side, side, std::vector<std::uint8_t>(static_cast<std::size_t>(side) * side)};
    for (auto& v : im.px) v = static_cast<std::uint8_t>(rare(rng) == 0 ? 255 * (rare(rng) & 1) : byte(rng));
    WAPtr wa = ToBuffer(im);
    ASSERT_EQ(FilterMaskRows(wa.get(), r, &SmoothMaskRow, nullptr, 0, nullptr), 1);
    const Image out = FromBuffer(wa.get());
    const int c = side / 2;
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{
             {c, c}, {c - 2, c + 1}, {c + 2, c - 2}, {c - 1, c}, {c, c + 2}, {0, 0}, {side - 1, side - 1}, {0, c}}) {
      ASSERT_EQ(out.At(x, y), Reference(im, x, y, r, Ref::kRank)) << "at " << x << "," << y;
    }
    EXPECT_NE(out.At(c, c), 0) << "the window holds more of the image than of the outside";
  }
}

// The rank filter follows its answer along a row and searches only where
// the answer moves: on long rows whose windows pass from noise to binary
// runs (decided by the zeros and 255s alone), to islands of partial values
// after long gaps, to slow ramps where the answer holds for many pixels,
// every pixel still matches the square.
TEST(ModifySelectionFilters, SmoothMatchesTheSquareAlongLongRowsOfMixedContent) {
  std::mt19937 rng(23);
  std::uniform_int_distribution<int> byte(0, 255), rare(0, 40);
  Image im{180, 21, std::vector<std::uint8_t>(180 * 21)};
  for (int y = 0; y < im.h; ++y) {
    for (int x = 0; x < im.w; ++x) {
      int v = 0;
      if (x < 50) {
        v = byte(rng);                                     // noise
      } else if (x < 120) {
        v = rare(rng) == 0 ? byte(rng) : ((x / 9 + y / 6) % 2) * 255;  // binary, rare islands
      } else {
        v = std::clamp((x - 120) * 4 + y + (byte(rng) & 3), 0, 255);  // a ramp
      }
      im.px[static_cast<std::size_t>(y) * im.w + x] = static_cast<std::uint8_t>(v);
    }
  }
  for (const int r : {2, 4, 9, 17}) {
    WAPtr wa = ToBuffer(im);
    ASSERT_EQ(FilterMaskRows(wa.get(), r, &SmoothMaskRow, nullptr, 0, nullptr), 1);
    const Image out = FromBuffer(wa.get());
    for (int y = 0; y < im.h; ++y) {
      for (int x = 0; x < im.w; ++x) {
        ASSERT_EQ(out.At(x, y), Reference(im, x, y, r, Ref::kRank)) << "r " << r << " at " << x << "," << y;
      }
    }
  }
}

TEST(ModifySelectionFilters, BandIsGrowMinusClearForEveryRadiusPair) {
  for (const Image& im : TestImages()) {
    for (auto [r1, r2] :
         {std::pair{0, 1}, std::pair{1, 1}, std::pair{1, 2}, std::pair{2, 5}, std::pair{4, 4}}) {
      WAPtr wa = ToBuffer(im);
      ASSERT_EQ(
          FilterMaskBorder(wa.get(), r1, &BorderGrowRow, r2, &BorderClearRow, nullptr, 0, nullptr),
          1);
      const Image out = FromBuffer(wa.get());
      for (int y = 0; y < im.h; ++y) {
        for (int x = 0; x < im.w; ++x) {
          const bool grown = Reference(im, x, y, r1, Ref::kAnySet) != 0;
          const bool core = Reference(im, x, y, r2, Ref::kMin) != 0;
          ASSERT_EQ(out.At(x, y), grown && !core ? 255 : 0)
              << r1 << "/" << r2 << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(ModifySelectionFilters, RefusalsLeaveTheBufferAlone) {
  WAPtr grey = WAPtr::Adopt(NewWA(kWAType8Grey, 8, 8, nullptr));
  grey->Row(3)[3] = 255;
  WAPtr rgb = WAPtr::Adopt(NewWA(kWAType24, 8, 8, nullptr));
  rgb->Row(3)[9] = 255;
  EXPECT_EQ(FilterMaskRows(nullptr, 1, &ExpandMaskRow, nullptr, 0, nullptr), 0);
  EXPECT_EQ(FilterMaskRows(grey.get(), 0, &ExpandMaskRow, nullptr, 0, nullptr), 0);
  EXPECT_EQ(FilterMaskRows(grey.get(), 1, nullptr, nullptr, 0, nullptr), 0);
  EXPECT_EQ(FilterMaskRows(grey.get(), kMaxFilterRadius + 1, &ExpandMaskRow, nullptr, 0, nullptr),
            0);
  EXPECT_EQ(FilterMaskRows(rgb.get(), 1, &ExpandMaskRow, nullptr, 0, nullptr), 0);
  EXPECT_EQ(
      FilterMaskBorder(grey.get(), 2, &BorderGrowRow, 1, &BorderClearRow, nullptr, 0, nullptr), 0);
  EXPECT_EQ(
      FilterMaskBorder(grey.get(), 0, &BorderGrowRow, 0, &BorderClearRow, nullptr, 0, nullptr), 0);
  EXPECT_EQ(FilterMaskBorder(grey.get(), 0, nullptr, 1, &BorderClearRow, nullptr, 0, nullptr), 0);
  EXPECT_EQ(FilterMaskBorder(rgb.get(), 0, &BorderGrowRow, 1, &BorderClearRow, nullptr, 0, nullptr),
            0);
  EXPECT_EQ(grey->Row(3)[4], 0);
  EXPECT_EQ(grey->Row(3)[3], 255);
  EXPECT_EQ(rgb->Row(3)[9], 255);
}

int CountingProgress(int, int) { return 1; }

TEST(ModifySelectionFilters, ProgressCountsRowsAndAsksEveryFourthOr16th) {
  lumora::testing::RecordingProgress progress;
  WAPtr wa = WAPtr::Adopt(NewWA(kWAType8Grey, 5, 37, nullptr));
  int counter = 100;
  ASSERT_EQ(FilterMaskRows(wa.get(), 2, &ExpandMaskRow, ProgressCallback, 999, &counter), 1);
  EXPECT_EQ(counter, 137);
  ASSERT_EQ(progress.reports.size(), 10u);  // rows 0, 4, ..., 36
  EXPECT_EQ(progress.reports[0], (std::pair{101, 999}));
  EXPECT_EQ(progress.reports[9], (std::pair{137, 999}));
  progress.reports.clear();
  counter = 0;
  ASSERT_EQ(FilterMaskBorder(wa.get(), 1, &BorderGrowRow, 1, &BorderClearRow, ProgressCallback, 37,
                             &counter),
            1);
  EXPECT_EQ(progress.reports.size(), 3u);  // rows 0, 16, 32
  progress.reports.clear();
  progress.cancelAtReport = 1;
  EXPECT_EQ(FilterMaskRows(wa.get(), 2, &SmoothMaskRow, ProgressCallback, 37, nullptr), 0);
  EXPECT_EQ(FilterMaskRows(wa.get(), 2, &SmoothMaskRow, CountingProgress, 37, nullptr), 1);
}

// ---- operations on selections ----

FrgPtr RectSel(int x, int y, int w, int h, int inverted = 0) {
  const LURECT r{x, y, w, h};
  return FrgPtr(CreateRectFrg(&r, inverted));
}

// What a mask fragment selects at (x, y), its inversion included.
int Selected(const Fragment* mask, int x, int y) {
  LURECT r;
  GetMaskRect(mask, &r);
  const int inv = IsFrgInverted(mask);
  if (x < r.x || y < r.y || x >= r.x + r.width || y >= r.y + r.height) return inv ? 255 : 0;
  VrWA2000::WA* wa = GetMaskWA(mask);
  const int v = wa->Row(y - r.y)[x - r.x];
  wa->Release();
  return inv ? 255 - v : v;
}

LURECT Bounds(const Fragment* f) {
  LURECT b{};
  GetFragmentBoundRect(f, &b);
  return b;
}

TEST(ModifySelection, ExpandGrowsARectangleWithSquareCorners) {
  FrgPtr sel = RectSel(10, 20, 30, 15);
  FrgPtr out(ModifySelectionMask(sel.get(), 4, kModifyGrow));
  ASSERT_NE(out, nullptr);
  const LURECT b = Bounds(out.get());
  EXPECT_EQ(b.x, 6);
  EXPECT_EQ(b.y, 16);
  EXPECT_EQ(b.width, 38);
  EXPECT_EQ(b.height, 23);
  EXPECT_EQ(Selected(out.get(), 6, 16), 255);  // the corner: a square window
  EXPECT_EQ(Selected(out.get(), 43, 37), 255);
  EXPECT_EQ(IsFrgInverted(out.get()), 0);
}

TEST(ModifySelection, ContractRemovesNarrowSelections) {
  FrgPtr thin = RectSel(0, 0, 8, 50);
  FrgPtr out(ModifySelectionMask(thin.get(), 4, kModifyShrink));
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(Bounds(out.get()).width, 0);
  FrgPtr wide = RectSel(0, 0, 9, 50);
  FrgPtr kept(ModifySelectionMask(wide.get(), 4, kModifyShrink));
  const LURECT b = Bounds(kept.get());
  EXPECT_EQ(b.x, 4);
  EXPECT_EQ(b.width, 1);
  EXPECT_EQ(b.height, 42);
}

TEST(ModifySelection, BorderOfWidthOneIsTheInnerEdgeAndTwoStraddlesIt) {
  FrgPtr sel = RectSel(10, 10, 6, 5);
  FrgPtr one(ModifySelectionMask(sel.get(), 1, kModifyBorder));
  ASSERT_NE(one, nullptr);
  for (int y = 8; y < 17; ++y) {
    for (int x = 8; x < 18; ++x) {
      const bool inside = x >= 10 && x < 16 && y >= 10 && y < 15;
      const bool edge = inside && (x == 10 || x == 15 || y == 10 || y == 14);
      EXPECT_EQ(Selected(one.get(), x, y), edge ? 255 : 0) << x << "," << y;
    }
  }
  FrgPtr two(ModifySelectionMask(sel.get(), 2, kModifyBorder));
  EXPECT_EQ(Selected(two.get(), 9, 12), 255);   // one pixel outside
  EXPECT_EQ(Selected(two.get(), 10, 12), 255);  // one pixel inside
  EXPECT_EQ(Selected(two.get(), 8, 12), 0);
  EXPECT_EQ(Selected(two.get(), 11, 12), 0);
}

TEST(ModifySelection, BorderOfAnInvertedSelectionIsTheBandNotItsComplement) {
  FrgPtr hole = RectSel(10, 10, 6, 5, /*inverted=*/1);  // everything but the rectangle
  FrgPtr one(ModifySelectionMask(hole.get(), 1, kModifyBorder));
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(IsFrgInverted(one.get()), 0);
  EXPECT_EQ(Selected(one.get(), 500, 500), 0);
  // The selection's inner edge is the ring just outside the rectangle.
  EXPECT_EQ(Selected(one.get(), 9, 12), 255);
  EXPECT_EQ(Selected(one.get(), 9, 9), 255);
  EXPECT_EQ(Selected(one.get(), 10, 12), 0);
  EXPECT_EQ(Selected(one.get(), 8, 12), 0);
}

TEST(ModifySelection, GrowAndShrinkOfInvertedSelectionsActOnTheStoredMask) {
  FrgPtr hole = RectSel(20, 20, 10, 10, 1);
  // Expand of an inverted selection shrinks the stored mask: the hole shrinks.
  FrgPtr expanded(ModifySelectionMask(hole.get(), 2, kModifyShrink));
  ASSERT_NE(expanded, nullptr);
  EXPECT_EQ(IsFrgInverted(expanded.get()), 1);
  EXPECT_EQ(Selected(expanded.get(), 21, 25), 255);
  EXPECT_EQ(Selected(expanded.get(), 22, 25), 0);
  // Contract of an inverted selection grows it: the hole grows.
  FrgPtr contracted(ModifySelectionMask(hole.get(), 2, kModifyGrow));
  EXPECT_EQ(Selected(contracted.get(), 18, 25), 0);
  EXPECT_EQ(Selected(contracted.get(), 17, 25), 255);
}

TEST(ModifySelection, CombinedSelectionsThatSelectEverythingOutsideKeepTheirMeaning) {
  FrgPtr all(CreateEmptyFrg(1));
  FrgPtr cut = RectSel(20, 20, 10, 10);
  FrgPtr sel(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(sel.get(), all.get(), kFrgAdd);
  AddToComplexFrg(sel.get(), cut.get(), kFrgSubtract);
  // Not inverted, so the caller asks to grow the stored mask for Expand: the
  // selection must grow into the hole.
  FrgPtr expanded(ModifySelectionMask(sel.get(), 2, kModifyGrow));
  ASSERT_NE(expanded, nullptr);
  EXPECT_EQ(Selected(expanded.get(), -1000, 7), 255);
  EXPECT_EQ(Selected(expanded.get(), 21, 25), 255);
  EXPECT_EQ(Selected(expanded.get(), 22, 25), 0);
  FrgPtr contracted(ModifySelectionMask(sel.get(), 2, kModifyShrink));
  EXPECT_EQ(Selected(contracted.get(), 18, 25), 0);
  EXPECT_EQ(Selected(contracted.get(), 17, 25), 255);
  EXPECT_EQ(Selected(contracted.get(), 1000, 7), 255);
}

TEST(ModifySelection, SmoothRoundsCornersOfAnAntiAliasedShape) {
  const POINT tri[3] = {{0, 0}, {40, 0}, {0, 40}};
  FrgPtr sel(CreatePolygonFrg(tri, 3, kFrgFillAlternate, 0));
  FrgPtr padded(MakePaddedSelectionMask(sel.get(), 0, 0, false));
  VrWA2000::WA* before = GetMaskWA(padded.get());
  const Image source = FromBuffer(before);
  before->Release();
  FrgPtr out(ModifySelectionMask(sel.get(), 3, kModifySmooth));
  ASSERT_NE(out, nullptr);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(Selected(out.get(), x, y), Reference(source, x, y, 3, Ref::kRank));
  }
  EXPECT_EQ(Selected(out.get(), 0, 0), 0);  // the window reaches outside: the corner goes
}

TEST(ModifySelection, PaddedMasksThresholdAndCopyTheInversion) {
  const LURECT r{0, 0, 9, 7};
  FrgPtr ellipse(CreateEllipticFrg(&r, 1));
  FrgPtr m(MakePaddedSelectionMask(ellipse.get(), 3, 2, true));
  ASSERT_NE(m, nullptr);
  LURECT mr;
  GetMaskRect(m.get(), &mr);
  EXPECT_EQ(mr.x, -3);
  EXPECT_EQ(mr.y, -2);
  EXPECT_EQ(mr.width, 15);
  EXPECT_EQ(mr.height, 11);
  EXPECT_EQ(IsFrgInverted(m.get()), 1);
  VrWA2000::WA* wa = GetMaskWA(m.get());
  for (int y = 0; y < wa->GetH(); ++y) {
    for (int x = 0; x < wa->GetW(); ++x) ASSERT_TRUE(wa->Row(y)[x] == 0 || wa->Row(y)[x] == 255);
  }
  wa->Release();
  EXPECT_EQ(MakePaddedSelectionMask(nullptr, 1, 1, false), nullptr);
  FrgPtr none(CreateEmptyFrg(0));
  EXPECT_EQ(MakePaddedSelectionMask(none.get(), 0, 0, false), nullptr);
}

TEST(ModifySelection, OperationsShowProgressAndStopWhenCancelled) {
  lumora::testing::RecordingProgress progress;
  FrgPtr sel = RectSel(0, 0, 30, 30);
  FrgPtr out(ModifySelectionMask(sel.get(), 2, kModifySmooth));
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(progress.captions, (std::vector<int>{10216}));
  EXPECT_EQ(progress.reports.front().first, -1);
  EXPECT_EQ(progress.reports.back().first, -2);
  EXPECT_EQ(progress.reports[1], (std::pair{1, 30}));
  progress.reports.clear();
  progress.cancelAtReport = 0;
  EXPECT_EQ(ModifySelectionMask(sel.get(), 2, kModifyGrow), nullptr);
  EXPECT_EQ(progress.reports.back().first, -2);  // the indicator is closed after a cancel too
  EXPECT_EQ(ModifySelectionMask(nullptr, 2, kModifyGrow), nullptr);
  EXPECT_EQ(ModifySelectionMask(sel.get(), 0, kModifyGrow), nullptr);
  EXPECT_EQ(ModifySelectionMask(sel.get(), 2, 4), nullptr);
}

}  // namespace
