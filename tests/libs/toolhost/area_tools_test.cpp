// The area tools' shapes made by press, move and release, the keys that
// choose the combine mode, and the wand on a small image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "libs/toolhost/AreaTools.h"
#include "libs/toolhost/SelectionTuner.h"

namespace lumora::toolhost {
namespace {

// At 2:1 a window point (u, v) shows pixel (u / 2, 9 - v / 2) of a 10-row
// image; its nearest corner is (round(u / 2), 10 - round(v / 2)).
AreaPoint At(int u, int v) {
  AreaPoint p;
  p.window = POINT{u, v};
  p.pixel = POINT{u / 2, 9 - v / 2};
  p.corner = POINT{(u + 1) / 2, 10 - (v + 1) / 2};
  return p;
}

std::string Selected(const Fragment* f, int width, int height) {
  std::string rows;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const POINT p{x, y};
      rows += (PointInFragment(f, &p) & 1) != 0 ? '#' : '.';
    }
    rows += '\n';
  }
  return rows;
}

TEST(AreaTracker, DragRectsSquareWithShiftAfterThePressAndCentreWithCtrl) {
  struct Case {
    const char* name;
    unsigned pressKeys, moveKeys;
    RECT expected;
  };
  // From pixel (2, 8) to pixel (5, 7): window (4, 2) to (10, 4).
  const Case cases[] = {
      {"plain", 0, 0, RECT{2, 7, 6, 9}},
      {"shift after the press squares", 0, kAreaShift, RECT{2, 5, 6, 9}},
      {"shift held from the press only adds", kAreaShift, kAreaShift, RECT{2, 7, 6, 9}},
      {"ctrl draws from the centre", 0, kAreaCtrl, RECT{-1, 7, 6, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AreaTracker t(AreaKind::kRect);
    EXPECT_EQ(t.Press(At(4, 2), c.pressKeys), AreaTracker::kChanged);
    t.Move(At(8, 3), c.moveKeys);
    const AreaOutline o = t.Outline();
    EXPECT_EQ(o.shape, AreaOutline::kRect);
    EXPECT_EQ(t.Release(At(10, 4), c.moveKeys), AreaTracker::kDone);
    EXPECT_EQ(t.PressKeys(), c.pressKeys);
    Fragment* f = t.MakeShape(AreaSettings{});
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(GetFragmentType(f), kFrgRect);
    LURECT b{};
    GetFragmentBoundRect(f, &b);
    RECT r{};
    LURectToRect(&r, &b);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
    DeleteFragment(f);
  }
}

TEST(AreaTracker, AFixedAspectGrowsTheDragToItsRatio) {
  struct Case {
    const char* name;
    POINT from, to;
    int aw, ah;
    bool square, centred;
    RECT expected;
  };
  const Case cases[] = {
      {"free", {10, 10}, {13, 30}, 0, 0, false, false, RECT{10, 10, 14, 31}},
      {"2:1 grows the width", {10, 10}, {13, 30}, 2, 1, false, false, RECT{10, 10, 52, 31}},
      {"2:1 grows the height", {10, 10}, {51, 11}, 2, 1, false, false, RECT{10, 10, 52, 31}},
      {"1:3 up and left", {40, 40}, {36, 31}, 1, 3, false, false, RECT{36, 26, 41, 41}},
      {"3:2 from the centre", {20, 20}, {26, 21}, 3, 2, false, true, RECT{14, 16, 27, 25}},
      {"Shift squares over the aspect", {10, 10}, {13, 30}, 2, 1, true, false, RECT{10, 10, 31, 31}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RECT r = AreaTracker::DragRect(c.from, c.to, c.square, c.centred, c.aw, c.ah);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
  // The tracker keeps the aspect it was given for its outline and shape.
  AreaTracker t(AreaKind::kEllipse);
  t.SetAspect(2, 1);
  t.Press(At(4, 2), 0);
  t.Release(At(10, 8), 0);  // pixels (2, 8) to (5, 5): 4 x 4 grows to 8 x 4
  Fragment* f = t.MakeShape(AreaSettings{});
  ASSERT_NE(f, nullptr);
  LURECT b{};
  GetFragmentBoundRect(f, &b);
  EXPECT_EQ(b.width, 8);
  EXPECT_EQ(b.height, 4);
  DeleteFragment(f);
}

TEST(AreaTracker, AFeatheredShapeIsItsSmoothMask) {
  const LURECT r{4, 4, 20, 12};
  Fragment* plain = CreateRectFrg(&r, 0);
  EXPECT_EQ(FeatherShape(plain, 0), plain) << "no feather keeps the shape";
  Fragment* reference = CreateRectFrg(&r, 0);
  SetSmoothEdge(reference, 60, kFrgSmoothCentred, nullptr);
  Fragment* expected = GetSmoothMask(reference);
  Fragment* soft = FeatherShape(plain, 6);  // takes `plain`
  ASSERT_NE(soft, nullptr);
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(GetFragmentType(soft), kFrgMask);
  LURECT a{}, e{};
  GetMaskRect(soft, &a);
  GetMaskRect(expected, &e);
  EXPECT_EQ(std::make_tuple(a.x, a.y, a.width, a.height), std::make_tuple(e.x, e.y, e.width, e.height));
  VrWA2000::WA* got = GetMaskWA(soft);
  VrWA2000::WA* want = GetMaskWA(expected);
  int partial = 0;
  for (int y = 0; y < want->GetH(); ++y) {
    for (int x = 0; x < want->GetW(); ++x) {
      ASSERT_EQ(got->Row(y)[x], want->Row(y)[x]) << x << "," << y;
      partial += want->Row(y)[x] != 0 && want->Row(y)[x] != 255;
    }
  }
  EXPECT_GT(partial, 0) << "the edge is soft";
  got->Release();
  want->Release();
  DeleteFragment(soft);
  DeleteFragment(expected);
  DeleteFragment(reference);
  EXPECT_EQ(FeatherShape(nullptr, 6), nullptr);
}

TEST(AreaTools, TheSizeTextCountsRowsFromTheTopAndClipsToTheImage) {
  const SIZE image{100, 50};
  EXPECT_EQ(AreaSizeText(RECT{10, 5, 30, 25}, image), "x=10 y=25 w=20 h=20");
  EXPECT_EQ(AreaSizeText(RECT{-5, -5, 130, 70}, image), "x=0 y=0 w=100 h=50");
  EXPECT_EQ(AreaSizeText(RECT{90, 45, 120, 80}, image), "x=90 y=0 w=10 h=5");
  EXPECT_EQ(AreaSizeText(RECT{200, 60, 210, 70}, image), "x=100 y=0 w=0 h=0") << "wholly outside";
}

TEST(SelectionTuner, EachToolOffersItsOwnSettings) {
  EXPECT_EQ(TunerGroupsOf(nullptr), unsigned{kTunerAll});
  EXPECT_EQ(TunerGroupsOf(""), unsigned{kTunerAll});
  EXPECT_EQ(TunerGroupsOf("Area_Rect"), unsigned{kTunerFeather | kTunerAspect});
  EXPECT_EQ(TunerGroupsOf("Area_Ellipse"), unsigned{kTunerFeather | kTunerAspect});
  EXPECT_EQ(TunerGroupsOf("Area_Poly"), unsigned{kTunerFeather | kTunerFill});
  EXPECT_EQ(TunerGroupsOf("Area_Pen"), unsigned{kTunerFeather | kTunerFill});
  EXPECT_EQ(TunerGroupsOf("Area_SmartS"), unsigned{kTunerFeather | kTunerFill});
  EXPECT_EQ(TunerGroupsOf("Area_Wand"), unsigned{kTunerFeather | kTunerWand});
  EXPECT_EQ(TunerGroupsOf("Area_Line"), unsigned{kTunerFeather | kTunerLine});
  EXPECT_EQ(TunerGroupsOf("Area_Whole"), 0u);
  EXPECT_FALSE(IsTunerTool("Area_Nothing"));
  EXPECT_EQ(LUOpenGSelectionTunerDlg(nullptr, "Area_Nothing"), 0) << "an unknown tool is refused";
  // Every setting has one control and one key, and its default is in range.
  const AreaSettings defaults;
  std::set<int> controls;
  std::set<std::string> keys;
  for (const TunerField& f : TunerFields()) {
    controls.insert(f.control);
    keys.insert(f.key);
    EXPECT_EQ(ClampTunerValue(f, defaults.*f.member), defaults.*f.member) << f.key;
  }
  EXPECT_EQ(controls.size(), TunerFields().size());
  EXPECT_EQ(keys.size(), TunerFields().size());
}

TEST(AreaTracker, AClickWithoutADragDeselectsAndEscapeCancels) {
  AreaTracker t(AreaKind::kEllipse);
  t.Press(At(4, 4), 0);
  t.Move(At(5, 5), 0);  // the same pixel
  EXPECT_EQ(t.Release(At(5, 5), 0), AreaTracker::kDeselect);
  t.Press(At(4, 4), 0);
  t.Move(At(12, 12), 0);
  EXPECT_EQ(t.Key(0x1B), AreaTracker::kCancelled);
  EXPECT_FALSE(t.Busy());
  EXPECT_EQ(t.Release(At(12, 12), 0), AreaTracker::kNothing) << "the release after Escape does nothing";
}

TEST(AreaTracker, PolygonClosesByDoubleClickOrOnItsFirstVertexAndBackspaceDropsOne) {
  AreaTracker t(AreaKind::kPoly);
  t.Press(At(0, 0), 0);
  t.Release(At(0, 0), 0);
  t.Press(At(12, 0), 0);
  t.Move(At(16, 12), 0);
  EXPECT_EQ(t.Outline().points.size(), 3u) << "two vertices and the rubber line's end";
  t.Press(At(16, 16), 0);
  t.Press(At(6, 6), 0);
  EXPECT_EQ(t.Key(0x08), AreaTracker::kChanged);  // drops (6, 6)
  EXPECT_EQ(t.Press(At(18, 18), 0), AreaTracker::kChanged) << "not near the first vertex";
  EXPECT_EQ(t.Key(0x08), AreaTracker::kChanged);
  EXPECT_EQ(t.Press(At(2, 3), 0), AreaTracker::kDone) << "within 3 window pixels of the first vertex";
  Fragment* f = t.MakeShape(AreaSettings{});
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(GetFragmentType(f), kFrgPolygon);
  EXPECT_EQ(GetPolygonFrgSize(f), 3);
  DeleteFragment(f);

  AreaTracker d(AreaKind::kPoly);
  d.Press(At(0, 0), 0);
  d.Press(At(10, 0), 0);
  EXPECT_EQ(d.DoubleClick(At(10, 0), 0), AreaTracker::kNothing) << "two vertices do not close";
  d.Press(At(10, 10), 0);
  EXPECT_EQ(d.DoubleClick(At(10, 10), 0), AreaTracker::kDone);
}

// A grey image, white with a black square of pixels [10, 19) each axis.
struct SquareImage {
  static constexpr int kSize = 30;
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kSize * kSize, 255);
  SquareImage() {
    for (int y = 10; y < 19; ++y) {
      for (int x = 10; x < 19; ++x) pixels[y * kSize + x] = 0;
    }
  }
  std::shared_ptr<SmartPathFinder> Finder() const {
    auto f = std::make_shared<SmartPathFinder>();
    EXPECT_TRUE(f->SetImage(kSize, kSize, 1, [this](int y) { return &pixels[y * kSize]; }));
    return f;
  }
};

TEST(SmartPath, FollowsTheSquaresEdgeNotTheStraightLineThroughIt) {
  const SquareImage image;
  auto finder = image.Finder();
  EXPECT_EQ(finder->Strength(14, 14), 0) << "inside: flat";
  EXPECT_EQ(finder->Strength(9, 14), 255) << "white next to black: sqrt(1020^2) clamped";
  EXPECT_EQ(finder->Strength(10, 14), 255);
  EXPECT_EQ(finder->Strength(2, 2), 0);
  finder->SetAnchor(POINT{4, 14});
  const std::vector<POINT> path = finder->PathTo(POINT{24, 14});
  ASSERT_GE(path.size(), 2u);
  EXPECT_EQ(path.front().x, 4);
  EXPECT_EQ(path.front().y, 14);
  EXPECT_EQ(path.back().x, 24);
  EXPECT_EQ(path.back().y, 14);
  for (std::size_t i = 0; i < path.size(); ++i) {
    const POINT p = path[i];
    EXPECT_FALSE(p.x > 10 && p.x < 18 && p.y > 10 && p.y < 18) << "through the square at " << p.x << "," << p.y;
    if (p.x >= 9 && p.x <= 19) {
      EXPECT_EQ(finder->Strength(p.x, p.y), 255) << "off the edge at " << p.x << "," << p.y;
    }
    if (i > 0) {
      EXPECT_LE(std::abs(p.x - path[i - 1].x), 1);
      EXPECT_LE(std::abs(p.y - path[i - 1].y), 1);
      EXPECT_FALSE(p.x == path[i - 1].x && p.y == path[i - 1].y);
    }
  }
  // The square is centred on row 14: above and below tie, and the same one
  // wins every time, in every finder.
  auto again = image.Finder();
  again->SetAnchor(POINT{4, 14});
  const std::vector<POINT> second = again->PathTo(POINT{24, 14});
  ASSERT_EQ(second.size(), path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    EXPECT_EQ(second[i].x, path[i].x);
    EXPECT_EQ(second[i].y, path[i].y);
  }
  // Moving the mouse only walks back: the path to a pixel on the way is the
  // start of the same path.
  const std::vector<POINT> part = finder->PathTo(path[path.size() / 2]);
  ASSERT_EQ(part.size(), path.size() / 2 + 1);
  for (std::size_t i = 0; i < part.size(); ++i) EXPECT_EQ(part[i].x, path[i].x);
}

TEST(SmartPath, OnePixelImagesAndPointsOutsideClamp) {
  const std::uint8_t one[3] = {10, 20, 30};
  SmartPathFinder f;
  EXPECT_FALSE(f.SetImage(0, 1, 1, [&](int) { return one; }));
  EXPECT_FALSE(f.SetImage(1, 1, 4, [&](int) { return one; })) << "1 or 3 channels only";
  ASSERT_TRUE(f.SetImage(1, 1, 3, [&](int) { return one; }));
  EXPECT_EQ(f.Strength(0, 0), 0);
  f.SetAnchor(POINT{-5, 7});
  const std::vector<POINT> path = f.PathTo(POINT{100, -100});
  ASSERT_EQ(path.size(), 1u);
  EXPECT_EQ(path[0].x, 0);
  EXPECT_EQ(path[0].y, 0);

  const SquareImage image;
  auto square = image.Finder();
  square->SetAnchor(POINT{-40, 14});
  EXPECT_EQ(square->Anchor().x, 0);
  EXPECT_EQ(square->Anchor().y, 14);
  const std::vector<POINT> out = square->PathTo(POINT{29 + 50, 99});
  EXPECT_EQ(out.back().x, 29);
  EXPECT_EQ(out.back().y, 29);
}

TEST(AreaTracker, SmartOutlineJoinsAnchorsAlongEdgesAndClosesAsAPolygon) {
  const SquareImage image;
  // One window pixel per image pixel.
  auto at = [](int x, int y) {
    AreaPoint p;
    p.window = POINT{x, 100 - y};
    p.pixel = p.corner = POINT{x, y};
    return p;
  };
  AreaTracker t(AreaKind::kSmartS);
  t.SetPathFinder(image.Finder());
  EXPECT_EQ(t.Press(at(9, 9), kAreaShift), AreaTracker::kChanged);
  EXPECT_EQ(t.Release(at(9, 9), 0), AreaTracker::kNothing);
  EXPECT_EQ(t.Move(at(19, 9), 0), AreaTracker::kChanged);
  // The live path runs along the square's lower edge band.
  const AreaOutline live = t.Outline();
  ASSERT_EQ(live.shape, AreaOutline::kPolyline);
  for (const POINT& p : live.points) EXPECT_EQ(image.Finder()->Strength(p.x, p.y), 255);
  t.Press(at(19, 9), 0);
  t.Press(at(19, 19), 0);
  t.Press(at(25, 25), 0);
  const std::size_t withFourth = t.Outline().points.size();
  EXPECT_EQ(t.Key(0x08), AreaTracker::kChanged) << "drops the last anchor and its path";
  t.Move(at(19, 19), 0);
  EXPECT_LT(t.Outline().points.size() + 5, withFourth);
  t.Press(at(9, 19), 0);
  EXPECT_EQ(t.DoubleClick(at(9, 19), 0), AreaTracker::kDone);
  EXPECT_EQ(t.PressKeys(), unsigned{kAreaShift});
  EXPECT_FALSE(t.Busy());
  Fragment* f = t.MakeShape(AreaSettings{});
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(GetFragmentType(f), kFrgPolygon);
  // The ring round the square closes on itself: every pixel of the square
  // is inside, the white far away is not.
  for (int y = 10; y < 19; ++y) {
    for (int x = 10; x < 19; ++x) {
      const POINT p{x, y};
      EXPECT_NE(PointInFragment(f, &p) & 1, 0) << x << "," << y;
    }
  }
  const POINT outside{3, 3}, beyond{26, 26};
  EXPECT_EQ(PointInFragment(f, &outside) & 1, 0);
  EXPECT_EQ(PointInFragment(f, &beyond) & 1, 0);
  // It is the polygon the polygon tool makes of the same corners.
  const int n = GetPolygonFrgSize(f);
  ASSERT_GE(n, 8);
  const std::vector<POINT> corners(GetPolygonFrgArray(f), GetPolygonFrgArray(f) + n);
  EXPECT_EQ(corners.front().x, 9);
  EXPECT_EQ(corners.front().y, 9);
  Fragment* g = CreatePolygonFrg(corners.data(), n, AreaSettings{}.fillMode, 0);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Selected(f, 30, 30), Selected(g, 30, 30));
  DeleteFragment(f);
  DeleteFragment(g);

  // Escape gives the outline up; without an image the sides are straight.
  AreaTracker plain(AreaKind::kSmartS);
  plain.Press(at(1, 1), 0);
  plain.Move(at(5, 1), 0);
  EXPECT_EQ(plain.Outline().points.size(), 2u);
  EXPECT_EQ(plain.Key(0x1B), AreaTracker::kCancelled);
  EXPECT_FALSE(plain.Busy());
}

TEST(AreaTracker, PenIsClosedAtReleaseAndLineHasTheSetWidth) {
  AreaTracker pen(AreaKind::kPen);
  pen.Press(At(0, 0), 0);
  pen.Move(At(10, 0), 0);
  pen.Move(At(10, 10), 0);
  EXPECT_EQ(pen.Release(At(0, 10), 0), AreaTracker::kDone);
  Fragment* f = pen.MakeShape(AreaSettings{});
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(GetPolygonFrgSize(f), 4);
  DeleteFragment(f);

  AreaTracker line(AreaKind::kLine);
  line.Press(At(0, 10), 0);
  EXPECT_EQ(line.Release(At(18, 10), 0), AreaTracker::kDone);
  AreaSettings s;
  s.lineWidth = 3;
  Fragment* l = line.MakeShape(s);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(GetFragmentType(l), kFrgLine);
  EXPECT_EQ(GetLineWidth(l), 3);
  DeleteFragment(l);
}

TEST(AreaTracker, KeysAtThePressChooseTheMode) {
  struct Case {
    unsigned keys;
    int hostMode, mode;
  };
  const Case cases[] = {
      {0, kLUGSelReplace, kLUGSelReplace},       {0, kLUGSelSubtract, kLUGSelSubtract},
      {kAreaShift, kLUGSelReplace, kLUGSelAdd},  {kAreaAlt, kLUGSelAdd, kLUGSelSubtract},
      {kAreaShift | kAreaAlt, kLUGSelReplace, kLUGSelIntersect}, {kAreaCtrl, kLUGSelIntersect, kLUGSelIntersect},
  };
  for (const Case& c : cases) EXPECT_EQ(AreaCombineMode(c.keys, c.hostMode), c.mode) << c.keys << " " << c.hostMode;
}

// A buffer of the type and size with the bytes of each row (rows from the
// bottom); a palette for the palette types.
VrWA2000::WA* Buffer(int type, int w, int h, const std::function<int(int x, int y)>& value,
                     const PALETTEENTRY* palette = nullptr) {
  auto* b = new VrWA2000::WA(type, w, h, palette, true);
  const int bytes = type == 16 ? 3 * w : type == 2 ? (w + 1) / 2 : type == 1 ? (w + 7) / 8 : w;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < bytes; ++x) b->Row(y)[x] = static_cast<std::uint8_t>(value(x, y));
  }
  return b;
}

TEST(Wand, TakesPixelsWithinTheToleranceConnectedOrAnywhere) {
  // A 6 x 3 grey image (rows from the bottom): dark pixels cut off by a
  // bright wall; the 41 touches the first ones only diagonally, the 50 is
  // too far from the clicked 10.
  const int rows[3][6] = {{10, 20, 200, 10, 10, 10}, {10, 200, 200, 200, 200, 200}, {200, 41, 200, 50, 10, 10}};
  VrWA2000::WA* image = Buffer(8, 6, 3, [&](int x, int y) { return rows[y][x]; });
  WandSource source{image, nullptr, POINT{0, 0}, SIZE{6, 3}};
  Fragment* connected = MakeWandMask(source, POINT{0, 0}, 32, true);
  ASSERT_NE(connected, nullptr);
  EXPECT_EQ(Selected(connected, 6, 3), ".#....\n#.....\n##....\n");
  Fragment* everywhere = MakeWandMask(source, POINT{0, 0}, 32, false);
  ASSERT_NE(everywhere, nullptr);
  EXPECT_EQ(Selected(everywhere, 6, 3), ".#..##\n#.....\n##.###\n");
  // Placed at (2, 1) in a larger image: the same pixels there; the image
  // round it is transparent, nothing like an opaque 10.
  source.origin = POINT{2, 1};
  source.imageSize = SIZE{9, 5};
  Fragment* placed = MakeWandMask(source, POINT{2, 1}, 32, false);
  ASSERT_NE(placed, nullptr);
  EXPECT_EQ(Selected(placed, 9, 5), ".........\n...#..##.\n..#......\n..##.###.\n.........\n");
  EXPECT_EQ(MakeWandMask(source, POINT{9, 0}, 32, true), nullptr) << "a seed outside the image";
  DeleteFragment(connected);
  DeleteFragment(everywhere);
  DeleteFragment(placed);
  image->Release();
}

// A layer of pure green whose transparency shows a disc, placed in a
// larger image: a click in the disc takes exactly the disc's pixels (its
// hidden green is no part of it), a click on a hidden pixel everything else
// of the image, inside the layer's rect and outside it.
TEST(Wand, ADiscOnATransparentLayerIsExactlyTheDisc) {
  const int lw = 30, lh = 24;
  auto inDisc = [](int x, int y) { return (x - 15) * (x - 15) + (y - 12) * (y - 12) <= 81; };
  VrWA2000::WA* green = Buffer(16, lw, lh, [](int x, int) { return x % 3 == 1 ? 200 : 0; });
  VrWA2000::WA* alpha = Buffer(8, lw, lh, [&](int x, int y) { return inDisc(x, y) ? 255 : 0; });
  const WandSource source{green, alpha, POINT{5, 3}, SIZE{40, 32}};
  for (const bool contiguous : {true, false}) {
    SCOPED_TRACE(contiguous);
    Fragment* disc = MakeWandMask(source, POINT{20, 15}, 32, contiguous);
    Fragment* rest = MakeWandMask(source, POINT{6, 4}, 32, contiguous);
    ASSERT_NE(disc, nullptr);
    ASSERT_NE(rest, nullptr);
    int differ = 0, taken = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 40; ++x) {
        const POINT p{x, y};
        const bool inside = x >= 5 && y >= 3 && x < 5 + lw && y < 3 + lh && inDisc(x - 5, y - 3);
        const bool a = (PointInFragment(disc, &p) & 1) != 0, b = (PointInFragment(rest, &p) & 1) != 0;
        differ += (a != inside) + (b == inside);
        taken += a;
      }
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(taken, 253);  // pixels of a radius-9 disc
    DeleteFragment(disc);
    DeleteFragment(rest);
  }
  green->Release();
  alpha->Release();
}

// Tolerance 0 on two colours takes one colour's connected area, pixel for
// pixel: red round a blue ring round red, a block one level off red among
// the outer red (left out at 0, taken at 1), on the image types the wand
// reads.
TEST(Wand, ToleranceZeroTakesOneColoursConnectedArea) {
  const int w = 24, h = 18;
  // 0 red, 1 blue, 2 red one level lighter in blue.
  auto kind = [](int x, int y) {
    if (x >= 2 && x < 5 && y >= 13 && y < 16) return 2;
    const bool ring = x >= 8 && x < 20 && y >= 3 && y < 13;
    const bool hole = x >= 11 && x < 17 && y >= 6 && y < 10;
    return ring && !hole ? 1 : 0;
  };
  PALETTEENTRY palette[256] = {{255, 0, 0, 0}, {0, 0, 255, 0}, {255, 0, 1, 0}};
  const std::uint8_t bgr[3][3] = {{0, 0, 255}, {255, 0, 0}, {1, 0, 255}};
  VrWA2000::WA* images[] = {
      Buffer(16, w, h, [&](int x, int y) { return bgr[kind(x / 3, y)][x % 3]; }),
      Buffer(4, w, h, [&](int x, int y) { return kind(x, y); }, palette),
      Buffer(2, w, h, [&](int x, int y) { return kind(2 * x, y) << 4 | kind(2 * x + 1, y); }, palette),
  };
  for (VrWA2000::WA* image : images) {
    SCOPED_TRACE(image->GetType());
    const WandSource source{image, nullptr, POINT{0, 0}, SIZE{w, h}};
    for (const int tolerance : {0, 1}) {
      Fragment* outer = MakeWandMask(source, POINT{0, 0}, tolerance, true);
      ASSERT_NE(outer, nullptr);
      int differ = 0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const POINT p{x, y};
          const bool inner = x >= 11 && x < 17 && y >= 6 && y < 10;
          const bool expected = kind(x, y) == 0 ? !inner : kind(x, y) == 2 && tolerance == 1;
          differ += ((PointInFragment(outer, &p) & 1) != 0) != expected;
        }
      }
      EXPECT_EQ(differ, 0) << "tolerance " << tolerance;
      DeleteFragment(outer);
    }
    image->Release();
  }
}

TEST(AreaTools, RegisteredToolsAndTheActiveOne) {
  std::vector<std::string> names;
  for (int item = LUGetSelectionToolItem(nullptr, 0); item != 0; item = LUGetSelectionToolItem(nullptr, item)) {
    char name[20] = {};
    LU_AREATOOLINFO info{};
    ASSERT_TRUE(LUGetSelectionToolInfo(nullptr, item, name, sizeof name, &info, sizeof info));
    EXPECT_EQ(info.flags & 7, 4u);
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Area_Whole", "Area_Rect", "Area_Ellipse", "Area_Poly", "Area_Wand",
                                              "Area_Line", "Area_Pen", "Area_NewText", "Area_SmartS"}));
  EXPECT_EQ(LUGetSelectionToolInfo(nullptr, 99, nullptr, 0, nullptr, 0), 0);
  EXPECT_EQ(LUSetActiveSelection(nullptr, "Area_Nothing"), 0);
  ASSERT_EQ(LUSetActiveSelection(nullptr, "Area_Ellipse"), 1);
  char active[64] = {};
  EXPECT_EQ(LUGetActiveSelection(nullptr, active, sizeof active), 1);
  EXPECT_STREQ(active, "Area_Ellipse");
  EXPECT_EQ(LUSetActiveSelection(nullptr, "Area_Whole"), 0) << "no image window to select";
  LUGetActiveSelection(nullptr, active, sizeof active);
  EXPECT_STREQ(active, "Area_Ellipse") << "the whole image leaves the active tool";
  LUSetActiveSelection(nullptr, "");
  EXPECT_EQ(LUGetActiveSelection(nullptr, active, sizeof active), 0);
  EXPECT_STREQ(active, "");
}

}  // namespace
}  // namespace lumora::toolhost
