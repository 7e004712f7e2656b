// Fragment shapes: handles and copies, types, bounds, the coverage of each
// shape, point tests and origin moves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "tests/libs/fragment/fragment_test_util.h"

namespace lumora::testing {
namespace {

LOGFONTA TestFont() {
  LOGFONTA f{};
  f.lfHeight = -24;
  f.lfWeight = 700;
  f.lfCharSet = 0;
  std::strcpy(f.lfFaceName, "Arial");
  return f;
}

TEST(FragmentHandles, CopiesAreIndependentAndSharesAreTheSameHandle) {
  const LURECT r = R(10, 20, 30, 40);
  FrgPtr rect(CreateRectFrg(&r, 0));
  Fragment* shared = ShareFragment(rect.get());
  EXPECT_EQ(shared, rect.get());
  SetFrgInversion(shared, 1);
  EXPECT_EQ(IsFrgInverted(rect.get()), 1);  // one object behind both references
  DeleteFragment(shared);

  FrgPtr copy(CreateFragmentIndirect(rect.get()));
  ASSERT_NE(copy.get(), rect.get());
  EXPECT_EQ(IsFrgInverted(copy.get()), 1);
  SetFrgInversion(copy.get(), 0);
  const POINT to{-5, -6};
  ASSERT_EQ(SetFragmentOriginPoint(copy.get(), &to), 1);
  LURECT b;
  GetFragmentBoundRect(rect.get(), &b);
  EXPECT_EQ(b.x, 10);
  EXPECT_EQ(IsFrgInverted(rect.get()), 1);
  GetFragmentBoundRect(copy.get(), &b);
  EXPECT_EQ(b.x, -5);
  EXPECT_EQ(b.y, -6);
}

TEST(FragmentHandles, MaskCopiesOwnTheirPixels) {
  const LURECT r = R(0, 0, 4, 4);
  FrgPtr mask(CreateEmptyMask(&r));
  FrgPtr copy(CreateFragmentIndirect(mask.get()));
  VrWA2000::WA* a = GetMaskWA(mask.get());
  VrWA2000::WA* b = GetMaskWA(copy.get());
  EXPECT_NE(a, b);
  a->Row(1)[1] = 200;
  EXPECT_EQ(b->Row(1)[1], 0);
  a->Release();
  b->Release();
}

TEST(FragmentHandles, NullArgumentsGiveNothing) {
  EXPECT_EQ(GetFragmentType(nullptr), -1);
  EXPECT_EQ(CreateRectFrg(nullptr, 0), nullptr);
  EXPECT_EQ(CreatePolygonFrg(nullptr, 3, 1, 0), nullptr);
  EXPECT_EQ(CreatePolygonFrg(nullptr, -1, 1, 0), nullptr);
  EXPECT_EQ(CreateTextFrg(0, 0, nullptr, "x", 0), nullptr);
  EXPECT_EQ(CreateFragmentIndirect(nullptr), nullptr);
  LURECT out;
  EXPECT_EQ(GetFragmentBoundRect(nullptr, &out), 0);
  EXPECT_EQ(GetMaskWA(nullptr), nullptr);
  DeleteFragment(nullptr);
}

TEST(FragmentHandles, RectangleFormsConvert) {
  const RECT r{-3, 4, 10, 24};
  LURECT lr;
  RectToLURect(&lr, &r);
  EXPECT_EQ(lr.x, -3);
  EXPECT_EQ(lr.y, 4);
  EXPECT_EQ(lr.width, 13);
  EXPECT_EQ(lr.height, 20);
  RECT back;
  LURectToRect(&back, &lr);
  EXPECT_EQ(back.left, -3);
  EXPECT_EQ(back.top, 4);
  EXPECT_EQ(back.right, 10);
  EXPECT_EQ(back.bottom, 24);
}

TEST(FragmentShapes, EveryCreatorGivesItsTypeAndInversion) {
  const LURECT r = R(0, 0, 8, 8);
  const POINT pts[3] = {{0, 0}, {8, 0}, {0, 8}};
  const LOGFONTA font = TestFont();
  const LURECT mr = R(1, 1, 2, 2);
  FrgPtr mask(CreateEmptyMask(&mr));
  struct Case {
    Fragment* f;
    int type;
  } cases[] = {
      {CreateComplexFrg(0, nullptr), kFrgComplex},
      {CreateRectFrg(&r, 1), kFrgRect},
      {CreateEllipticFrg(&r, 1), kFrgEllipse},
      {CreatePolygonFrg(pts, 3, kFrgFillAlternate, 1), kFrgPolygon},
      {CreateTextFrg(0, 0, &font, "Ab", 1), kFrgText},
      {CreateLineFrg(0, 0, 5, 5, 3, kFrgLineRound, 1), kFrgLine},
      {CreateFragmentIndirect(mask.get()), kFrgMask},
      {CreateEmptyFrg(1), kFrgEmpty},
  };
  for (const Case& c : cases) {
    ASSERT_NE(c.f, nullptr) << c.type;
    EXPECT_EQ(GetFragmentType(c.f), c.type);
    if (c.type != kFrgComplex && c.type != kFrgMask) {
      EXPECT_EQ(IsFrgInverted(c.f), 1) << c.type;
    }
    DeleteFragment(c.f);
  }
}

TEST(FragmentShapes, BoundRectangles) {
  const LURECT r = R(5, 6, 7, 8);
  const LURECT negative = R(10, 10, -4, -3);
  const POINT pts[4] = {{3, 9}, {-2, 4}, {7, -1}, {5, 5}};
  const LURECT mr = R(100, 200, 10, 10);
  FrgPtr zeroMask(CreateEmptyMask(&mr));
  FrgPtr mask(CreateEmptyMask(&mr));
  VrWA2000::WA* wa = GetMaskWA(mask.get());
  wa->Row(2)[3] = 1;
  wa->Row(6)[8] = 255;
  wa->Release();
  struct Case {
    const char* name;
    Fragment* f;
    LURECT expected;
  } cases[] = {
      {"rect", CreateRectFrg(&r, 0), R(5, 6, 7, 8)},
      {"negative rect spans left and down", CreateRectFrg(&negative, 0), R(6, 7, 4, 3)},
      {"ellipse", CreateEllipticFrg(&r, 1), R(5, 6, 7, 8)},
      {"polygon", CreatePolygonFrg(pts, 4, kFrgFillWinding, 0), R(-2, -1, 9, 10)},
      {"polygon without points", CreatePolygonFrg(nullptr, 0, kFrgFillAlternate, 0), R(0, 0, 0, 0)},
      // Square caps reach half the width past the end pixels' centres.
      {"square-capped line", CreateLineFrg(2, 5, 11, 5, 1, kFrgLineSquare, 0), R(2, 5, 10, 1)},
      {"flat-capped line", CreateLineFrg(2, 5, 11, 5, 2, kFrgLineFlat, 0), R(2, 4, 10, 3)},
      {"empty", CreateEmptyFrg(1), R(0, 0, 0, 0)},
      {"mask: its set pixels", CreateFragmentIndirect(mask.get()), R(103, 202, 6, 5)},
      {"mask of zeros", CreateFragmentIndirect(zeroMask.get()), R(100, 200, 0, 0)},
  };
  for (const Case& c : cases) {
    LURECT b{};
    ASSERT_EQ(GetFragmentBoundRect(c.f, &b), 1) << c.name;
    EXPECT_EQ(b.x, c.expected.x) << c.name;
    EXPECT_EQ(b.y, c.expected.y) << c.name;
    EXPECT_EQ(b.width, c.expected.width) << c.name;
    EXPECT_EQ(b.height, c.expected.height) << c.name;
    DeleteFragment(c.f);
  }
}

TEST(FragmentShapes, RectangleCoversWholePixelsExactly) {
  const LURECT r = R(3, 2, 4, 5);
  FrgPtr rect(CreateRectFrg(&r, 0));
  const Coverage c = ShapeOver(rect.get(), R(0, 0, 10, 10));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 3 && x < 7 && y >= 2 && y < 7;
      ASSERT_EQ(c.At(x, y), inside ? 255 : 0) << x << "," << y;
    }
  }
}

// The quick answer may only say "wholly selected" where drawing the
// selection (soft edge and inversion included) gives 255 everywhere; the
// plain rectangles around the area must get it.
TEST(FragmentShapes, WhollySelectsOnlyWhereTheDrawnSelectionIsAll255) {
  struct Case {
    const char* what;
    LURECT shape;
    int inverted;
    int smoothDegree;
    bool ellipse;
    LURECT area;
    int expected;
  };
  const Case cases[] = {
      {"same rectangle", R(0, 0, 10, 10), 0, 0, false, R(0, 0, 10, 10), 1},
      {"inside", R(0, 0, 10, 10), 0, 0, false, R(2, 3, 4, 5), 1},
      {"sticking out", R(0, 0, 10, 10), 0, 0, false, R(5, 5, 10, 10), 0},
      {"soft edge", R(0, 0, 10, 10), 0, 30, false, R(0, 0, 10, 10), 0},
      {"soft edge under half a pixel", R(0, 0, 10, 10), 0, 4, false, R(0, 0, 10, 10), 1},
      {"inverted, area outside", R(20, 20, 5, 5), 1, 0, false, R(0, 0, 10, 10), 0},
      {"ellipse around", R(-10, -10, 40, 40), 0, 0, true, R(5, 5, 10, 10), 0},
      {"empty area", R(0, 0, 10, 10), 0, 0, false, R(2, 2, 0, 0), 0},
  };
  for (const Case& c : cases) {
    FrgPtr f(c.ellipse ? CreateEllipticFrg(&c.shape, c.inverted) : CreateRectFrg(&c.shape, c.inverted));
    SetSmoothEdge(f.get(), c.smoothDegree, kFrgSmoothCentred, nullptr);
    const int answer = FragmentWhollySelects(f.get(), &c.area);
    EXPECT_EQ(answer, c.expected) << c.what;
    if (c.area.width == 0) continue;
    InitAccessToSmoothedEdge(f.get());
    Coverage drawn = ShapeOver(f.get(), c.area);
    FreeAccessToSmoothedEdge(f.get());
    bool all255 = true;
    for (std::uint8_t b : drawn.bytes) all255 = all255 && (c.inverted ? 255 - b : b) == 255;
    if (answer == 1) EXPECT_TRUE(all255) << c.what;
    // Where the quick answer is "not known", some are wholly selected
    // (the inverted rectangle, the ellipse), others are not.
    if (c.shape.width == 10 && c.expected == 0) EXPECT_FALSE(all255) << c.what;
  }
}

TEST(FragmentShapes, PixelAlignedPolygonAndLineMatchTheRectangle) {
  const POINT square[4] = {{3, 2}, {7, 2}, {7, 7}, {3, 7}};
  FrgPtr poly(CreatePolygonFrg(square, 4, kFrgFillAlternate, 0));
  const LURECT r = R(3, 2, 4, 5);
  FrgPtr rect(CreateRectFrg(&r, 0));
  const Coverage expected = ShapeOver(rect.get(), R(0, 0, 10, 10));
  EXPECT_EQ(ShapeOver(poly.get(), R(0, 0, 10, 10)).bytes, expected.bytes);
  // A square-capped line 5 wide from (5, 4) to (5, 4): a 5 x 5 square.
  FrgPtr dot(CreateLineFrg(5, 4, 5, 4, 5, kFrgLineSquare, 0));
  const LURECT r2 = R(3, 2, 5, 5);
  FrgPtr rect2(CreateRectFrg(&r2, 0));
  EXPECT_EQ(ShapeOver(dot.get(), R(0, 0, 10, 10)).bytes,
            ShapeOver(rect2.get(), R(0, 0, 10, 10)).bytes);
}

TEST(FragmentShapes, EllipseIsAntiAliasedWithTheRightArea) {
  const LURECT r = R(0, 0, 200, 120);
  FrgPtr ellipse(CreateEllipticFrg(&r, 0));
  const Coverage c = ShapeOver(ellipse.get(), r);
  const double area = 3.14159265358979 * 100 * 60;
  EXPECT_NEAR(static_cast<double>(c.Sum()) / 255.0, area, area * 0.001);
  EXPECT_EQ(c.At(100, 60), 255);
  EXPECT_EQ(c.At(0, 0), 0);
  EXPECT_EQ(c.At(199, 119), 0);
  int partial = 0;
  for (std::uint8_t b : c.bytes) partial += (b != 0 && b != 255) ? 1 : 0;
  EXPECT_GT(partial, 300);  // the rim is soft, not stair-stepped
  // Symmetric about both axes (the outline is flattened symmetrically).
  for (int y = 0; y < 120; y += 7) {
    for (int x = 0; x < 200; x += 3) {
      EXPECT_NEAR(c.At(x, y), c.At(199 - x, y), 1);
      EXPECT_NEAR(c.At(x, y), c.At(x, 119 - y), 1);
    }
  }
}

TEST(FragmentShapes, TriangleEdgesCoverHalfPixels) {
  // The diagonal of a 10 x 10 square: pixels on it are half covered.
  const POINT tri[3] = {{0, 0}, {10, 0}, {0, 10}};
  FrgPtr poly(CreatePolygonFrg(tri, 3, kFrgFillAlternate, 0));
  const Coverage c = ShapeOver(poly.get(), R(0, 0, 10, 10));
  EXPECT_EQ(c.Sum(), 45 * 255 + 10 * 128);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(c.At(i, 9 - i), 128);  // 0.5 rounds half up
  EXPECT_EQ(c.At(0, 0), 255);
  EXPECT_EQ(c.At(9, 9), 0);
}

TEST(FragmentShapes, FillModesDifferOnOverlaps) {
  // A five-pointed star: its middle pentagon is wound twice.
  const POINT star[5] = {{10, 20}, {4, 2}, {20, 13}, {0, 13}, {16, 2}};
  FrgPtr evenOdd(CreatePolygonFrg(star, 5, kFrgFillAlternate, 0));
  FrgPtr winding(CreatePolygonFrg(star, 5, kFrgFillWinding, 0));
  const Coverage a = ShapeOver(evenOdd.get(), R(0, 0, 21, 21));
  const Coverage b = ShapeOver(winding.get(), R(0, 0, 21, 21));
  EXPECT_EQ(a.At(9, 9), 0);
  EXPECT_EQ(b.At(9, 9), 255);
  EXPECT_EQ(a.At(9, 15), 255);  // a tip is wound once
  EXPECT_EQ(b.At(9, 15), 255);
  POINT p{9, 9};
  EXPECT_EQ(PointInFragment(evenOdd.get(), &p), 0);
  EXPECT_EQ(PointInFragment(winding.get(), &p), 1);
  EXPECT_EQ(GetPolygonFrgFillMode(winding.get()), kFrgFillWinding);
}

TEST(FragmentShapes, LineCapsAndWidth) {
  // Horizontal, 1 wide, between the centres of pixels 2 and 11 of row 5.
  FrgPtr flat(CreateLineFrg(2, 5, 11, 5, 1, kFrgLineFlat, 0));
  FrgPtr square(CreateLineFrg(2, 5, 11, 5, 1, kFrgLineSquare, 0));
  FrgPtr round(CreateLineFrg(2, 5, 11, 5, 4, kFrgLineRound, 0));
  const Coverage f = ShapeOver(flat.get(), R(0, 0, 16, 12));
  const Coverage s = ShapeOver(square.get(), R(0, 0, 16, 12));
  EXPECT_EQ(f.At(2, 5), 128);  // flat caps end on the centres
  EXPECT_EQ(f.At(6, 5), 255);
  EXPECT_EQ(f.At(11, 5), 128);
  EXPECT_EQ(s.At(2, 5), 255);
  EXPECT_EQ(s.At(11, 5), 255);
  EXPECT_EQ(s.Sum(), 10 * 255);
  const Coverage r = ShapeOver(round.get(), R(0, 0, 16, 12));
  const double area = 9.0 * 4.0 + 3.14159265358979 * 4.0;  // body plus two half discs of radius 2
  // The half discs are flattened to within 1/32 pixel, a little inside.
  EXPECT_NEAR(static_cast<double>(r.Sum()) / 255.0, area, 0.35);
  POINT b, e;
  ASSERT_EQ(GetLineBeginPoint(round.get(), &b), 1);
  ASSERT_EQ(GetLineEndPoint(round.get(), &e), 1);
  EXPECT_EQ(b.x, 2);
  EXPECT_EQ(e.x, 11);
  EXPECT_EQ(GetLineWidth(round.get()), 4);
  EXPECT_EQ(GetLineStyle(round.get()), kFrgLineRound);
}

TEST(FragmentShapes, PointTestsFollowShapeAndInversion) {
  const LURECT r = R(0, 0, 10, 10);
  FrgPtr ellipse(CreateEllipticFrg(&r, 0));
  FrgPtr inverted(CreateEllipticFrg(&r, 1));
  FrgPtr whole(CreateEmptyFrg(1));
  FrgPtr none(CreateEmptyFrg(0));
  const POINT centre{5, 5}, corner{0, 0};
  EXPECT_EQ(PointInFragment(ellipse.get(), &centre) & 1, 1);
  EXPECT_EQ(PointInFragment(ellipse.get(), &corner) & 1, 0);
  EXPECT_EQ(PointInFragment(inverted.get(), &centre) & 1, 0);
  EXPECT_EQ(PointInFragment(inverted.get(), &corner) & 1, 1);
  EXPECT_EQ(PointInFragment(whole.get(), &corner), 1);
  EXPECT_EQ(PointInFragment(none.get(), &corner), 0);
  const LURECT mr = R(20, 30, 2, 1);
  FrgPtr mask(CreateEmptyMask(&mr));
  VrWA2000::WA* wa = GetMaskWA(mask.get());
  wa->Row(0)[0] = 128;
  wa->Row(0)[1] = 127;
  wa->Release();
  const POINT m0{20, 30}, m1{21, 30};
  EXPECT_EQ(PointInFragment(mask.get(), &m0), 1);
  EXPECT_EQ(PointInFragment(mask.get(), &m1), 0);
}

TEST(FragmentShapes, OriginMovesPutTheBoundsAtThePoint) {
  const LURECT r = R(5, 6, 7, 8);
  const POINT pts[3] = {{1, 1}, {9, 2}, {4, 7}};
  const LOGFONTA font = TestFont();
  const LURECT mr = R(-40, -50, 6, 6);
  FrgPtr mask(CreateEmptyMask(&mr));
  VrWA2000::WA* wa = GetMaskWA(mask.get());
  wa->Row(3)[2] = 90;
  wa->Release();
  FrgPtr complex(CreateComplexFrg(0, nullptr));
  FrgPtr rectItem(CreateRectFrg(&r, 0));
  AddToComplexFrg(complex.get(), rectItem.get(), kFrgAdd);
  Fragment* all[] = {CreateRectFrg(&r, 0),
                     CreateEllipticFrg(&r, 0),
                     CreatePolygonFrg(pts, 3, kFrgFillAlternate, 0),
                     CreateTextFrg(3, 4, &font, "moves", 0),
                     CreateLineFrg(0, 0, 10, 3, 3, kFrgLineSquare, 0),
                     CreateFragmentIndirect(mask.get()),
                     CreateFragmentIndirect(complex.get())};
  const POINT to{-300, 1234};
  for (Fragment* f : all) {
    ASSERT_EQ(SetFragmentOriginPoint(f, &to), 1) << GetFragmentType(f);
    LURECT b;
    GetFragmentBoundRect(f, &b);
    EXPECT_EQ(b.x, -300) << GetFragmentType(f);
    EXPECT_EQ(b.y, 1234) << GetFragmentType(f);
    DeleteFragment(f);
  }
  // The mask moved with its set pixel: the mask rectangle keeps the offset.
  FrgPtr moved(CreateFragmentIndirect(mask.get()));
  SetFragmentOriginPoint(moved.get(), &to);
  LURECT mrect;
  GetMaskRect(moved.get(), &mrect);
  EXPECT_EQ(mrect.x, -302);
  EXPECT_EQ(mrect.y, 1231);
}

TEST(FragmentShapes, OriginMovesThatWouldOverflowAreRefused) {
  const LURECT r = R(0, 0, 100, 100);
  FrgPtr rect(CreateRectFrg(&r, 0));
  const POINT distant{std::numeric_limits<std::int32_t>::max() - 50, 0};
  EXPECT_EQ(SetFragmentOriginPoint(rect.get(), &distant), 0);
  LURECT b;
  GetFragmentBoundRect(rect.get(), &b);
  EXPECT_EQ(b.x, 0);
}

TEST(FragmentShapes, PolygonsGrowPointByPoint) {
  const POINT first{2, 3};
  FrgPtr poly(CreatePolygonFrg(&first, 1, kFrgFillAlternate, 0));
  EXPECT_EQ(AddPointToPolygonFrg(poly.get(), 12, 3), 1);
  EXPECT_EQ(AddPointToPolygonFrg(poly.get(), 12, 13), 1);
  ASSERT_EQ(GetPolygonFrgSize(poly.get()), 3);
  const POINT* p = GetPolygonFrgArray(poly.get());
  EXPECT_EQ(p[2].x, 12);
  EXPECT_EQ(p[2].y, 13);
  EXPECT_EQ(ShapeOver(poly.get(), R(0, 0, 16, 16)).Sum(), 45 * 255 + 10 * 128);
  const LURECT r = R(0, 0, 1, 1);
  FrgPtr rect(CreateRectFrg(&r, 0));
  EXPECT_EQ(AddPointToPolygonFrg(rect.get(), 1, 1), 0);
  FrgPtr empty(CreatePolygonFrg(nullptr, 0, kFrgFillAlternate, 0));
  EXPECT_EQ(GetPolygonFrgArray(empty.get()), nullptr);
  EXPECT_EQ(ShapeOver(empty.get(), R(0, 0, 4, 4)).Sum(), 0);
}

TEST(FragmentShapes, TextKeepsItsFontAndText) {
  const LOGFONTA font = TestFont();
  FrgPtr text(CreateTextFrg(7, 9, &font, "Selection", 0));
  LOGFONTA back{};
  ASSERT_EQ(GetTextFrgFont(text.get(), &back), 1);
  EXPECT_EQ(std::memcmp(&back, &font, sizeof font), 0);
  EXPECT_EQ(GetTextFrgTextLength(text.get()), 9);
  char buf[5];
  EXPECT_EQ(GetTextFrgText(text.get(), buf, sizeof buf), 4);
  EXPECT_STREQ(buf, "Sele");
  LURECT b;
  GetFragmentBoundRect(text.get(), &b);
  EXPECT_EQ(b.x, 7);
  EXPECT_EQ(b.y, 9);
  const LURECT r = R(0, 0, 1, 1);
  FrgPtr rect(CreateRectFrg(&r, 0));
  EXPECT_EQ(GetTextFrgFont(rect.get(), &back), 0);
}

TEST(FragmentThreaded, SharingAndReleasingAcrossThreadsKeepsTheCount) {
  const LURECT r = R(0, 0, 64, 64);
  Fragment* f = CreateEllipticFrg(&r, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([f] {
      for (int i = 0; i < 2000; ++i) DeleteFragment(ShareFragment(f));
      const POINT p{32, 32};
      EXPECT_EQ(PointInFragment(f, &p), 1);
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(GetFragmentType(f), kFrgEllipse);
  DeleteFragment(f);
}

}  // namespace
}  // namespace lumora::testing
