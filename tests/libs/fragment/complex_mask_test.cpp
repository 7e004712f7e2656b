// Complex fragments and combine codes, mask fragments, and smoothed edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <thread>
#include <vector>

#include "libs/fragment/combine.h"
#include "libs/fragment/smooth.h"
#include "tests/libs/fragment/fragment_test_util.h"

namespace lumora::testing {
namespace {

FrgPtr Rect(int x, int y, int w, int h, int inverted = 0) {
  const LURECT r = R(x, y, w, h);
  return FrgPtr(CreateRectFrg(&r, inverted));
}

// A complex fragment of `first` (code 14) then `second` with `code`.
FrgPtr Combined(const Fragment* first, const Fragment* second, int code) {
  FrgPtr c(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(c.get(), first, kFrgAdd);
  AddToComplexFrg(c.get(), second, code);
  return c;
}

TEST(FragmentCombine, CodesAreTruthTablesOverSelectionAndShape) {
  // A covers columns 0-5, B columns 3-8: only A at x = 1, both at 4, only B
  // at 7, neither at 9.
  FrgPtr a = Rect(0, 0, 6, 4), b = Rect(3, 0, 6, 4);
  struct Case {
    int code;
    int onlyA, both, onlyB, neither;
  } cases[] = {
      {kFrgAdd, 255, 255, 255, 0}, {kFrgSubtract, 255, 0, 0, 0}, {kFrgIntersect, 0, 255, 0, 0},
      {6, 255, 0, 255, 0},         {3, 255, 0, 0, 255},          {12, 0, 255, 255, 0},
  };
  for (const Case& c : cases) {
    FrgPtr complex = Combined(a.get(), b.get(), c.code);
    FrgPtr mask(GetComplexFrgMask(complex.get()));
    ASSERT_NE(mask, nullptr) << c.code;
    EXPECT_EQ(Selected(mask.get(), 1, 1), c.onlyA) << "code " << c.code;
    EXPECT_EQ(Selected(mask.get(), 4, 1), c.both) << "code " << c.code;
    EXPECT_EQ(Selected(mask.get(), 7, 1), c.onlyB) << "code " << c.code;
    EXPECT_EQ(Selected(mask.get(), 9, 1), c.neither) << "code " << c.code;
    EXPECT_EQ(Selected(mask.get(), 1000, -1000), c.neither) << "code " << c.code;
    for (int x : {1, 4, 7, 9}) {
      const POINT p{x, 1};
      const int expected = x == 1 ? c.onlyA : x == 4 ? c.both : x == 7 ? c.onlyB : c.neither;
      EXPECT_EQ(PointInFragment(complex.get(), &p), expected == 255 ? 1 : 0)
          << c.code << " x " << x;
    }
  }
}

TEST(FragmentCombine, TablesKeepIdentitiesAndCorners) {
  for (int code = 0; code < 16; ++code) {
    const std::uint8_t* t = frg::CombineTable(code);
    for (int s : {0, 1}) {
      for (int n : {0, 1})
        EXPECT_EQ(t[s * 255 * 256 + n * 255], 255 * frg::CombineBits(code, s, n));
    }
  }
  const std::uint8_t* add = frg::CombineTable(kFrgAdd);
  const std::uint8_t* sub = frg::CombineTable(kFrgSubtract);
  const std::uint8_t* isect = frg::CombineTable(kFrgIntersect);
  for (int s = 0; s < 256; ++s) {
    ASSERT_EQ(add[s * 256], s);
    ASSERT_EQ(sub[s * 256], s);
    ASSERT_EQ(sub[s * 256 + 255], 0);
    ASSERT_EQ(isect[s * 256 + 255], s);
    ASSERT_EQ(isect[s * 256], 0);
    for (int n = 0; n < 256; ++n) {
      ASSERT_EQ(add[s * 256 + n], add[n * 256 + s]);
      ASSERT_EQ(isect[s * 256 + n], isect[n * 256 + s]);
      ASSERT_GE(add[s * 256 + n], std::max(s, n));
      ASSERT_LE(isect[s * 256 + n], std::min(s, n));
      // Subtracting n leaves what intersecting with 255 - n leaves.
      ASSERT_EQ(sub[s * 256 + n], isect[s * 256 + (255 - n)]);
      if (n > 0) {
        ASSERT_LE(add[s * 256 + n - 1], add[s * 256 + n]);
      }
    }
  }
}

TEST(FragmentCombine, PartialCoverageSurvivesAddingToNothing) {
  const LURECT r = R(0, 0, 40, 30);
  FrgPtr ellipse(CreateEllipticFrg(&r, 0));
  FrgPtr c(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(c.get(), ellipse.get(), kFrgAdd);
  EXPECT_EQ(ShapeOver(c.get(), r).bytes, ShapeOver(ellipse.get(), r).bytes);
}

TEST(FragmentComplex, SelectAllMinusARectangleIsAnInvertedMask) {
  FrgPtr all(CreateEmptyFrg(1));
  FrgPtr hole = Rect(10, 20, 5, 6);
  FrgPtr c = Combined(all.get(), hole.get(), kFrgSubtract);
  LURECT b;
  GetFragmentBoundRect(c.get(), &b);
  EXPECT_EQ(b.x, 10);
  EXPECT_EQ(b.width, 5);
  FrgPtr mask(GetComplexFrgMask(c.get()));
  EXPECT_EQ(IsFrgInverted(mask.get()), 1);
  EXPECT_EQ(Selected(mask.get(), 12, 22), 0);
  EXPECT_EQ(Selected(mask.get(), 9, 22), 255);
  EXPECT_EQ(Selected(mask.get(), -5000, 9000), 255);
  // The complex's own inversion turns it back into the rectangle.
  SetFrgInversion(c.get(), 1);
  FrgPtr mask2(GetComplexFrgMask(c.get()));
  EXPECT_EQ(IsFrgInverted(mask2.get()), 0);
  EXPECT_EQ(Selected(mask2.get(), 12, 22), 255);
  EXPECT_EQ(Selected(mask2.get(), 9, 22), 0);
}

TEST(FragmentComplex, EmptyCombinationsGiveAOnePixelMask) {
  FrgPtr c(CreateComplexFrg(0, nullptr));
  FrgPtr mask(GetComplexFrgMask(c.get()));
  ASSERT_NE(mask, nullptr);
  LURECT r;
  GetMaskRect(mask.get(), &r);
  EXPECT_EQ(r.width * r.height, 1);
  EXPECT_EQ(Selected(mask.get(), 3, 3), 0);
  FrgPtr whole(CreateEmptyFrg(1));
  AddToComplexFrg(c.get(), whole.get(), kFrgAdd);
  FrgPtr all(GetComplexFrgMask(c.get()));
  EXPECT_EQ(Selected(all.get(), 3, 3), 255);
  EXPECT_EQ(Selected(all.get(), -70000, 3), 255);
}

TEST(FragmentComplex, BoundsFollowWhatTheCodesCanChange) {
  FrgPtr a = Rect(0, 0, 10, 10), b = Rect(20, 0, 10, 10), c = Rect(5, 5, 10, 10);
  struct Case {
    const Fragment* second;
    int code;
    LURECT expected;
  } cases[] = {
      {b.get(), kFrgAdd, R(0, 0, 30, 10)},
      {b.get(), kFrgIntersect, R(0, 0, 0, 0)},
      {c.get(), kFrgIntersect, R(5, 5, 5, 5)},
      {c.get(), kFrgSubtract, R(0, 0, 10, 10)},
  };
  for (const Case& k : cases) {
    FrgPtr complex = Combined(a.get(), k.second, k.code);
    LURECT r;
    GetFragmentBoundRect(complex.get(), &r);
    EXPECT_EQ(r.width, k.expected.width) << k.code;
    EXPECT_EQ(r.height, k.expected.height) << k.code;
    if (k.expected.width > 0) {
      EXPECT_EQ(r.x, k.expected.x) << k.code;
    }
  }
}

TEST(FragmentComplex, ItemsAreCopiesInAndOut) {
  FrgPtr a = Rect(0, 0, 4, 4);
  const FRGITEM items[2] = {{kFrgAdd, a.get()}, {kFrgSubtract, a.get()}};
  FrgPtr c(CreateComplexFrg(2, items));
  ASSERT_NE(c, nullptr);
  SetFrgInversion(a.get(), 1);  // the complex holds its own copies
  ASSERT_EQ(GetComplexFrgItemNum(c.get()), 2);
  FRGITEM item{};
  ASSERT_EQ(GetComplexFrgItem(c.get(), 1, &item), 1);
  EXPECT_EQ(item.mode, kFrgSubtract);
  EXPECT_EQ(IsFrgInverted(item.fragment), 0);
  SetFrgInversion(item.fragment, 1);  // and gives out copies
  DeleteFragment(item.fragment);
  ASSERT_EQ(GetComplexFrgItem(c.get(), 1, &item), 1);
  EXPECT_EQ(IsFrgInverted(item.fragment), 0);
  DeleteFragment(item.fragment);
  EXPECT_EQ(GetComplexFrgItem(c.get(), 2, &item), 0);
  EXPECT_EQ(GetComplexFrgItem(c.get(), -1, &item), 0);
  const FRGITEM start[1] = {{kFrgAdd, a.get()}};
  FrgPtr one(CreateComplexFrg(1, start));
  EXPECT_EQ(GetComplexFrgItemNum(one.get()), 1);
}

TEST(FragmentComplex, RefusesBadCodesTargetsAndDeepNesting) {
  FrgPtr a = Rect(0, 0, 4, 4);
  FrgPtr c(CreateComplexFrg(0, nullptr));
  EXPECT_EQ(AddToComplexFrg(c.get(), a.get(), 16), 0);
  EXPECT_EQ(AddToComplexFrg(c.get(), a.get(), -1), 0);
  EXPECT_EQ(AddToComplexFrg(a.get(), a.get(), kFrgAdd), 0);
  EXPECT_EQ(AddToComplexFrg(c.get(), nullptr, kFrgAdd), 0);
  const FRGITEM bad[1] = {{99, a.get()}};
  EXPECT_EQ(CreateComplexFrg(1, bad), nullptr);
  // Complex items nest up to the library's depth.
  FrgPtr nested(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(nested.get(), a.get(), kFrgAdd);
  for (int depth = 2; depth <= kFrgMaxComplexDepth; ++depth) {
    FrgPtr outer(CreateComplexFrg(0, nullptr));
    ASSERT_EQ(AddToComplexFrg(outer.get(), nested.get(), kFrgAdd), 1) << depth;
    nested = std::move(outer);
  }
  FrgPtr outer(CreateComplexFrg(0, nullptr));
  EXPECT_EQ(AddToComplexFrg(outer.get(), nested.get(), kFrgAdd), 0);
  EXPECT_EQ(ShapeOver(nested.get(), R(0, 0, 4, 4)).Sum(), 16 * 255);
  // A complex can take a copy of itself.
  EXPECT_EQ(AddToComplexFrg(c.get(), a.get(), kFrgAdd), 1);
  EXPECT_EQ(AddToComplexFrg(c.get(), c.get(), kFrgAdd), 1);
  EXPECT_EQ(GetComplexFrgItemNum(c.get()), 2);
}

TEST(FragmentMask, BuffersAreSharedByReference) {
  VrWA2000::WA* wa =
      new VrWA2000::WA(kWAType8Grey, 5, 4, static_cast<const PALETTEENTRY*>(nullptr), true);
  wa->Row(0)[0] = 77;
  FrgPtr mask(CreateMaskUsingWA(wa, -3, 7));
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(wa->GetRefCount(), 2);
  wa->Release();
  VrWA2000::WA* back = GetMaskWA(mask.get());
  EXPECT_EQ(back->GetRefCount(), 2);
  EXPECT_EQ(back->Row(0)[0], 77);
  back->Release();
  LURECT r;
  ASSERT_EQ(GetMaskRect(mask.get(), &r), 1);
  EXPECT_EQ(r.x, -3);
  EXPECT_EQ(r.y, 7);
  EXPECT_EQ(r.width, 5);
  EXPECT_EQ(r.height, 4);
  VrWA2000::WA* rgb =
      new VrWA2000::WA(kWAType24, 5, 4, static_cast<const PALETTEENTRY*>(nullptr), true);
  EXPECT_EQ(CreateMaskUsingWA(rgb, 0, 0), nullptr);
  rgb->Release();
  const LURECT empty = R(0, 0, 0, 5);
  EXPECT_EQ(CreateEmptyMask(&empty), nullptr);
  FrgPtr rect = Rect(0, 0, 2, 2);
  EXPECT_EQ(GetMaskWA(rect.get()), nullptr);
  EXPECT_EQ(GetMaskRect(rect.get(), &r), 0);
}

TEST(FragmentMask, PutFragmentCombinesTheShapeWithoutItsInversion) {
  const LURECT area = R(0, 0, 10, 1);
  FrgPtr mask(CreateEmptyMask(&area));
  FrgPtr left = Rect(0, 0, 6, 1, /*inverted=*/1), right = Rect(4, 0, 6, 1);
  ASSERT_EQ(PutFragmentToMask(mask.get(), left.get(), kFrgAdd), 1);
  ASSERT_EQ(PutFragmentToMask(mask.get(), right.get(), kFrgSubtract), 1);
  const Coverage c = MaskBytes(mask.get());
  const std::vector<std::uint8_t> expected = {255, 255, 255, 255, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(c.bytes, expected);
  ASSERT_EQ(PutFragmentToMask(mask.get(), right.get(), kFrgIntersect), 1);
  EXPECT_EQ(MaskBytes(mask.get()).Sum(), 0);
  EXPECT_EQ(PutFragmentToMask(right.get(), left.get(), kFrgAdd), 0);  // not a mask
}

// The smooth mask's selection along row y from x0 to x1.
std::vector<int> SelectedRow(const Fragment* mask, int y, int x0, int x1) {
  std::vector<int> v;
  for (int x = x0; x < x1; ++x) v.push_back(Selected(mask, x, y));
  return v;
}

TEST(FragmentSmooth, DegreeZeroIsThePlainMask) {
  const LURECT r = R(3, 4, 30, 20);
  FrgPtr ellipse(CreateEllipticFrg(&r, 0));
  FrgPtr smooth(GetSmoothMask(ellipse.get()));
  ASSERT_NE(smooth, nullptr);
  EXPECT_EQ(MaskBytes(smooth.get()).bytes, ShapeOver(ellipse.get(), r).bytes);
  LURECT mr;
  GetMaskRect(smooth.get(), &mr);
  EXPECT_EQ(mr.x, 3);
  EXPECT_EQ(mr.width, 30);
}

TEST(FragmentSmooth, CentredFeatherCrossesHalfOnTheEdge) {
  FrgPtr rect = Rect(0, 0, 100, 100);
  SetSmoothEdge(rect.get(), 100, kFrgSmoothCentred, nullptr);  // 10 pixels
  FrgPtr smooth(GetSmoothMask(rect.get()));
  LURECT mr;
  GetMaskRect(smooth.get(), &mr);
  EXPECT_EQ(mr.x, -10);
  EXPECT_EQ(mr.width, 120);
  const std::vector<int> row = SelectedRow(smooth.get(), 50, -12, 12);
  EXPECT_TRUE(std::is_sorted(row.begin(), row.end()));
  EXPECT_EQ(row.front(), 0);
  EXPECT_EQ(row.back(), 255);
  EXPECT_EQ(Selected(smooth.get(), -11, 50), 0);
  EXPECT_EQ(Selected(smooth.get(), 10, 50), 255);
  for (int d = 0; d < 10; ++d) {
    // Pixel d inside the edge and pixel d outside mirror each other.
    EXPECT_NEAR(Selected(smooth.get(), d, 50) + Selected(smooth.get(), -1 - d, 50), 255, 2) << d;
  }
  EXPECT_GT(Selected(smooth.get(), 0, 50), 127);
  EXPECT_LT(Selected(smooth.get(), -1, 50), 128);
}

// Degrees beyond the widest edge (250 pixels) are clamped to it, below 0 to
// none, at any size the caller gives.
TEST(FragmentSmooth, DegreeIsClampedToTheWidestEdge) {
  const struct {
    int degree;
    int grown;  // pixels the mask reaches beyond the shape on each side
  } cases[] = {{std::numeric_limits<int>::max(), 250}, {kFrgMaxSmoothDegree + 1, 250}, {kFrgMaxSmoothDegree, 250},
               {2495, 250}, {2494, 249}, {-1, 0}, {std::numeric_limits<int>::min(), 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.degree);
    FrgPtr rect = Rect(0, 0, 10, 10);
    ASSERT_EQ(SetSmoothEdge(rect.get(), c.degree, kFrgSmoothOutside, nullptr), 1);
    FrgPtr smooth(GetSmoothMask(rect.get()));
    ASSERT_NE(smooth, nullptr);
    LURECT mr;
    GetMaskRect(smooth.get(), &mr);
    EXPECT_EQ(mr.x, -c.grown);
    EXPECT_EQ(mr.width, 10 + 2 * c.grown);
  }
  EXPECT_EQ(SmoothDegreeOf(std::numeric_limits<int>::max()), kFrgMaxSmoothDegree);
  EXPECT_EQ(SmoothDegreeOf(-3), 0);
  EXPECT_EQ(SmoothDegreeOf(7), 70);
}

TEST(FragmentSmooth, InsideAndOutsideTypesKeepTheRampOnOneSide) {
  FrgPtr rect = Rect(0, 0, 100, 100);
  SetSmoothEdge(rect.get(), 100, kFrgSmoothInside, nullptr);
  FrgPtr inside(GetSmoothMask(rect.get()));
  SetSmoothEdge(rect.get(), 100, kFrgSmoothOutside, nullptr);
  FrgPtr outside(GetSmoothMask(rect.get()));
  for (int x = -12; x < 0; ++x) EXPECT_EQ(Selected(inside.get(), x, 50), 0) << x;
  for (int x = 0; x < 12; ++x) EXPECT_EQ(Selected(outside.get(), x, 50), 255) << x;
  EXPECT_LT(Selected(inside.get(), 2, 50), 200);
  EXPECT_GT(Selected(outside.get(), -3, 50), 50);
  // For an inverted rectangle the selection is outside: "inside" now keeps
  // the rectangle itself wholly unselected.
  FrgPtr hole = Rect(0, 0, 100, 100, 1);
  SetSmoothEdge(hole.get(), 100, kFrgSmoothInside, nullptr);
  FrgPtr holeMask(GetSmoothMask(hole.get()));
  EXPECT_EQ(IsFrgInverted(holeMask.get()), 1);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(Selected(holeMask.get(), x, 50), 0) << x;
  EXPECT_EQ(Selected(holeMask.get(), -500, 50), 255);
  EXPECT_LT(Selected(holeMask.get(), -2, 50), 200);
}

TEST(FragmentSmooth, EmptyShapesHaveNoSmoothMask) {
  FrgPtr none(CreateEmptyFrg(0)), whole(CreateEmptyFrg(1));
  EXPECT_EQ(GetSmoothMask(none.get()), nullptr);
  EXPECT_EQ(GetSmoothMask(whole.get()), nullptr);
  EXPECT_EQ(GetSmoothMask(nullptr), nullptr);
}

TEST(FragmentSmooth, KeptMasksFollowChangesAndAreCopies) {
  const LURECT r = R(0, 0, 40, 40);
  FrgPtr ellipse(CreateEllipticFrg(&r, 0));
  SetSmoothEdge(ellipse.get(), 40, kFrgSmoothCentred, nullptr);
  EnableSwappingFrg(ellipse.get(), 0);
  FrgPtr first(GetSmoothMask(ellipse.get()));
  VrWA2000::WA* wa = GetMaskWA(first.get());
  wa->Row(20)[20] = 1;  // a caller scribbling on its copy
  wa->Release();
  FrgPtr second(GetSmoothMask(ellipse.get()));
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(Selected(second.get(), 16, 16), 255);
  const POINT to{100, 0};
  SetFragmentOriginPoint(ellipse.get(), &to);
  FrgPtr moved(GetSmoothMask(ellipse.get()));
  LURECT mr;
  GetMaskRect(moved.get(), &mr);
  EXPECT_EQ(mr.x, 96);
  SetSmoothEdge(ellipse.get(), 0, kFrgSmoothCentred, nullptr);
  FrgPtr plain(GetSmoothMask(ellipse.get()));
  GetMaskRect(plain.get(), &mr);
  EXPECT_EQ(mr.x, 100);
  TerminateEdgeSmoothing(ellipse.get());
  FrgPtr fresh(GetSmoothMask(ellipse.get()));  // the settings stay; a fresh mask is made
  EXPECT_NE(fresh, nullptr);
}

TEST(FragmentSmooth, AccessBracketsDrawTheSmoothedShape) {
  FrgPtr rect = Rect(10, 10, 20, 20);
  SetSmoothEdge(rect.get(), 60, kFrgSmoothCentred, nullptr);
  const LURECT area = R(0, 0, 40, 40);
  const Coverage plain = ShapeOver(rect.get(), area);
  ASSERT_EQ(InitAccessToSmoothedEdge(rect.get()), 1);
  const Coverage soft = ShapeOver(rect.get(), area);
  FreeAccessToSmoothedEdge(rect.get());
  EXPECT_EQ(ShapeOver(rect.get(), area).bytes, plain.bytes);
  FrgPtr smooth(GetSmoothMask(rect.get()));
  for (int y = 0; y < 40; y += 3) {
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(soft.At(x, y), Selected(smooth.get(), x, y)) << x << "," << y;
  }
  EXPECT_NE(soft.bytes, plain.bytes);
}

// The feather spelt out: box passes of radius R / 2 and R - R / 2, rows
// then columns, zeros beyond the rendered margin, means rounded half up.
std::vector<std::uint8_t> PlainFeather(const Fragment* f, const LURECT& window, int r) {
  const LURECT big = R(window.x - r, window.y - r, window.width + 2 * r, window.height + 2 * r);
  std::vector<int> v;
  for (std::uint8_t b : ShapeOver(f, big).bytes) v.push_back(b);
  const int w = big.width, h = big.height;
  for (int b : {r / 2, r - r / 2}) {
    if (b == 0) continue;
    const int k = 2 * b + 1;
    std::vector<int> t(v.size());
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int sum = 0;
        for (int i = x - b; i <= x + b; ++i) sum += (i >= 0 && i < w) ? v[y * w + i] : 0;
        t[y * w + x] = (sum + k / 2) / k;
      }
    }
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int sum = 0;
        for (int j = y - b; j <= y + b; ++j) sum += (j >= 0 && j < h) ? t[j * w + x] : 0;
        v[y * w + x] = (sum + k / 2) / k;
      }
    }
  }
  std::vector<std::uint8_t> out;
  for (int y = r; y < r + window.height; ++y) {
    for (int x = r; x < r + window.width; ++x)
      out.push_back(static_cast<std::uint8_t>(v[y * w + x]));
  }
  return out;
}

TEST(FragmentSmooth, FeatherMatchesPlainBoxPasses) {
  // A shape with soft rims, a cut-out and a patch of noise.
  const LURECT er = R(0, 0, 150, 90), nr = R(60, 20, 40, 30);
  FrgPtr ellipse(CreateEllipticFrg(&er, 0));
  const POINT cut[4] = {{20, 40}, {70, 10}, {80, 70}, {30, 60}};
  FrgPtr poly(CreatePolygonFrg(cut, 4, kFrgFillAlternate, 0));
  FrgPtr noise(CreateEmptyMask(&nr));
  VrWA2000::WA* wa = GetMaskWA(noise.get());
  std::uint32_t seed = 1;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x)
      wa->Row(y)[x] = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
  }
  wa->Release();
  FrgPtr shape(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(shape.get(), ellipse.get(), kFrgAdd);
  AddToComplexFrg(shape.get(), poly.get(), kFrgSubtract);
  AddToComplexFrg(shape.get(), noise.get(), kFrgAdd);
  for (int degree : {10, 30, 70, 240}) {
    SetSmoothEdge(shape.get(), degree, kFrgSmoothCentred, nullptr);
    FrgPtr smooth(GetSmoothMask(shape.get()));
    const Coverage got = MaskBytes(smooth.get());
    EXPECT_EQ(got.bytes, PlainFeather(shape.get(), got.rect, (degree + 5) / 10)) << degree;
  }
}

TEST(FragmentSmooth, BoxDivisionIsExactForEverySum) {
  for (int k = 3; k <= 2 * frg::kMaxSmoothRadius + 1; k += 2) {
    const frg::BoxDivider divide(k);
    for (std::uint32_t sum = 0; sum <= 255u * static_cast<std::uint32_t>(k); ++sum) {
      ASSERT_EQ(divide(sum),
                (sum + static_cast<std::uint32_t>(k) / 2) / static_cast<std::uint32_t>(k))
          << "k " << k << " sum " << sum;
    }
  }
}

TEST(FragmentThreaded, SmoothMasksFromSeveralThreadsAgree) {
  const LURECT r = R(0, 0, 60, 50);
  FrgPtr ellipse(CreateEllipticFrg(&r, 0));
  SetSmoothEdge(ellipse.get(), 30, kFrgSmoothCentred, nullptr);
  EnableSwappingFrg(ellipse.get(), 0);
  FrgPtr reference(GetSmoothMask(ellipse.get()));
  const std::vector<std::uint8_t> expected = MaskBytes(reference.get()).bytes;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i) {
        FrgPtr m(GetSmoothMask(ellipse.get()));
        EXPECT_EQ(MaskBytes(m.get()).bytes, expected);
      }
    });
  }
  for (std::thread& t : threads) t.join();
}

}  // namespace
}  // namespace lumora::testing
