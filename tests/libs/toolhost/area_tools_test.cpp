// The area tools' shapes made by press, move and release, the keys that
// choose the combine mode, and the wand on a small image.
#include <gtest/gtest.h>

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

TEST(Wand, TakesPixelsWithinTheToleranceConnectedOrAnywhere) {
  // A 6 x 3 grey image (rows from the bottom): dark pixels cut off by a
  // bright wall; the 41 touches the first ones only diagonally, the 50 is
  // too far from the clicked 10.
  const int rows[3][6] = {{10, 20, 200, 10, 10, 10}, {10, 200, 200, 200, 200, 200}, {200, 41, 200, 50, 10, 10}};
  auto* image = new VrWA2000::WA(8, 6, 3, static_cast<const PALETTEENTRY*>(nullptr), true);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) image->Row(y)[x] = static_cast<std::uint8_t>(rows[y][x]);
  }
  Fragment* connected = MakeWandMask(image, POINT{0, 0}, 32, true, 0, 0);
  ASSERT_NE(connected, nullptr);
  EXPECT_EQ(Selected(connected, 6, 3), ".#....\n#.....\n##....\n");
  Fragment* everywhere = MakeWandMask(image, POINT{0, 0}, 32, false, 0, 0);
  ASSERT_NE(everywhere, nullptr);
  EXPECT_EQ(Selected(everywhere, 6, 3), ".#..##\n#.....\n##.###\n");
  DeleteFragment(everywhere);
  Fragment* anywhere = MakeWandMask(image, POINT{0, 0}, 32, false, 100, 200);
  ASSERT_NE(anywhere, nullptr);
  LURECT b{};
  GetFragmentBoundRect(anywhere, &b);
  EXPECT_EQ(b.x, 100);
  EXPECT_EQ(b.y, 200);
  EXPECT_EQ(MakeWandMask(image, POINT{6, 0}, 32, true, 0, 0), nullptr) << "a seed outside";
  DeleteFragment(connected);
  DeleteFragment(anywhere);
  image->Release();
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
                                              "Area_Line", "Area_Pen", "Area_NewText"}));
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
