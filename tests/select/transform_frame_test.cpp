// The transform frames' geometry against a 1:1 mapping of a 200 x 100 image
// (window y downward, image rows upward) and a surface that records what
// is drawn: handles and their ties, the inside test, the drags of the four
// quadrilateral frames, the Shift diagonal and the frame in image terms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "select/TransformFrame.h"

namespace lumora {
namespace {

class FakeSurface : public FrameSurface {
 public:
  FakeSurface() : mapping(200, 100, XFFACT(1, 1), XFFACT(1, 1)) {}
  const VRXFORM* Mapping() override { return &mapping; }
  void DrawFrame(const POINT*, const POINT*, bool) override { ++draws; }
  void DrawCentre(POINT) override {}
  POINT PointerInView() override { return pointer; }
  void SetFrameCursor(FrameCursor c) override { cursor = c; }
  void SetHint(int id) override { hint = id; }
  VRXFORM mapping;
  POINT pointer{0, 0};
  FrameCursor cursor = FrameCursor::kArrow;
  int hint = -1;
  int draws = 0;
};

constexpr RECT kLayer{10, 20, 110, 70};  // image rows 20..69: window rows 30..79

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

class Frames : public ::testing::Test {
 protected:
  QuadFrame& Make(QuadFrame::Kind kind, RECT r = kLayer) {
    frame = std::make_unique<QuadFrame>(&surface, kind);
    EXPECT_TRUE(frame->Init(true, r));
    return *frame;
  }
  void Drag(POINT from, POINT to) {
    frame->OnButtonDown(from);
    frame->OnDrag(to);
    frame->OnButtonUp(to);
  }
  FakeSurface surface;
  std::unique_ptr<QuadFrame> frame;
};

TEST_F(Frames, InitPutsTheCornersOnTheLayersPixelsAndTheMiddlesBetween) {
  QuadFrame& f = Make(QuadFrame::Kind::kDistort);
  EXPECT_FALSE(QuadFrame(&surface, QuadFrame::Kind::kDistort).Init(false, kLayer));
  const POINT want[4] = {{10, 79}, {109, 79}, {109, 30}, {10, 30}};
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(f.Corners()[i], want[i])) << i;
  EXPECT_TRUE(Same(f.Midpoints()[0], POINT{60, 79}));
  EXPECT_TRUE(Same(f.Midpoints()[1], POINT{109, 55}));  // (30 - 79 + 1) / 2 + 79
  POINT offsets[4];
  f.GetCornerOffsets(offsets);
  const POINT whole[4] = {{0, 0}, {100, 0}, {100, 50}, {0, 50}};
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(offsets[i], whole[i])) << "offset " << i;
  const POINT origin = f.GetResultOrigin(kLayer, 1);
  EXPECT_TRUE(Same(origin, POINT{10, 20})) << origin.x << "," << origin.y;
}

TEST_F(Frames, HitsTakeCornersFirstThenSidesThenTheBoxInside) {
  // A frame 6 pixels wide: corner and side squares overlap.
  QuadFrame& f = Make(QuadFrame::Kind::kDistort, RECT{10, 20, 16, 70});
  struct Case {
    POINT at;
    int hit;
  } cases[] = {{{12, 79}, 1}, {{13, 78}, 1}, {{15, 79}, 2}, {{13, 55}, 6}, {{12, 40}, 9}, {{40, 40}, 0}};
  for (const Case& c : cases) {
    surface.pointer = c.at;
    f.HitTest();
    EXPECT_EQ(f.HitCode(), c.hit) << c.at.x << "," << c.at.y;
  }
  EXPECT_TRUE(f.OnButtonDown(POINT{13, 78}));
  EXPECT_EQ(f.DragHandle(), 1) << "the corner wins a tie";
  // A press inside the box of a turned quadrilateral but outside it still
  // counts as inside.
  QuadFrame& d = Make(QuadFrame::Kind::kDistort);
  Drag(d.Corners()[1], POINT{d.Corners()[1].x, d.Corners()[1].y - 45});
  EXPECT_TRUE(d.PtInFrame(105, 76));
}

TEST_F(Frames, DistortMarksAChangeOnlyOnceTheDragLeftThePress) {
  QuadFrame& f = Make(QuadFrame::Kind::kDistort);
  const POINT c2 = f.Corners()[2];
  f.OnButtonDown(c2);
  f.OnDrag(c2);
  EXPECT_FALSE(f.shapeChanged);
  f.OnDrag(POINT{c2.x + 5, c2.y - 5});
  f.OnDrag(c2);
  EXPECT_TRUE(f.shapeChanged) << "stays set when the pointer comes back";
  f.OnButtonUp(c2);
  // A side drag moves both its corners.
  Drag(f.Midpoints()[1], POINT{f.Midpoints()[1].x + 7, f.Midpoints()[1].y + 2});
  EXPECT_TRUE(Same(f.Corners()[1], POINT{116, 81}));
  EXPECT_TRUE(Same(f.Corners()[2], POINT{116, 32}));
  // Dragging the inside moves the frame, not the shape.
  Drag(POINT{50, 50}, POINT{60, 40});
  EXPECT_TRUE(f.moved);
  EXPECT_FALSE(f.shapeChanged);
  EXPECT_TRUE(Same(f.Corners()[0], POINT{20, 69}));
}

TEST_F(Frames, PerspectiveMirrorsACornerAndSkewSlidesOne) {
  QuadFrame& p = Make(QuadFrame::Kind::kPerspective);
  // Corner 1 (lower right on screen) dragged right: corner 0 goes left by as
  // much, both on the bottom line. A diagonal drag counts as horizontal.
  Drag(p.Corners()[1], POINT{p.Corners()[1].x + 6, p.Corners()[1].y + 6});
  EXPECT_TRUE(Same(p.Corners()[1], POINT{115, 79}));
  EXPECT_TRUE(Same(p.Corners()[0], POINT{4, 79}));
  EXPECT_TRUE(Same(p.Corners()[2], POINT{109, 30}));
  EXPECT_TRUE(p.shapeChanged);

  QuadFrame& s = Make(QuadFrame::Kind::kSkew);
  Drag(s.Corners()[3], POINT{s.Corners()[3].x, s.Corners()[3].y + 9});  // vertical: along the left side
  EXPECT_TRUE(Same(s.Corners()[3], POINT{10, 39}));
  EXPECT_TRUE(Same(s.Corners()[0], POINT{10, 79})) << "the other corner stays";
  // A side slides along its own line.
  Drag(s.Midpoints()[2], POINT{s.Midpoints()[2].x + 4, s.Midpoints()[2].y + 20});
  // Its line now runs from (10, 39) to (109, 30).
  EXPECT_EQ(s.Corners()[2].x, 113);
  EXPECT_EQ(s.Corners()[2].y, 31);
  EXPECT_EQ(QuadFrame::LineY(POINT{5, 5}, POINT{5, 50}, 9), 185) << "a vertical line divides by 1, not 0";
}

TEST_F(Frames, ScaleKeepsARectangleShiftKeepsTheDiagonalAndPastTheOppositeCornerMirrors) {
  QuadFrame& f = Make(QuadFrame::Kind::kScale);
  Drag(f.Corners()[1], POINT{f.Corners()[1].x + 40, f.Corners()[1].y + 30});
  const POINT want[4] = {{10, 109}, {149, 109}, {149, 30}, {10, 30}};
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(f.Corners()[i], want[i])) << i;
  FrameParams params;
  f.GetTransformParams(10, 20, kLayer, &params);
  EXPECT_EQ(params.aFlag, 1);
  EXPECT_EQ(params.b.x, 140);
  EXPECT_EQ(params.b.y, 80);
  const POINT origin = f.GetResultOrigin(kLayer, 1);
  EXPECT_TRUE(Same(origin, POINT{10, -10})) << origin.x << "," << origin.y;

  // Shift on a corner drag: the corner stays on the diagonal through the
  // opposite corner, so the proportions (100 : 50) hold.
  QuadFrame& g = Make(QuadFrame::Kind::kScale);
  g.SetFlag(16);
  const POINT c2 = g.Corners()[2];
  Drag(c2, POINT{c2.x + 30, c2.y - 2});
  const POINT c0 = g.Corners()[0], moved = g.Corners()[2];
  const double ratio = static_cast<double>(moved.x - c0.x) / (c0.y - moved.y);
  EXPECT_NEAR(ratio, 99.0 / 49.0, 0.05);

  // Pressing Shift during a drag redoes the drag at the pointer at once.
  QuadFrame& h = Make(QuadFrame::Kind::kScale);
  const POINT s2 = h.Corners()[2];
  h.OnButtonDown(s2);
  surface.pointer = POINT{s2.x + 30, s2.y - 2};
  h.OnDrag(surface.pointer);
  const POINT free = h.Corners()[2];
  h.SetFlag(16);
  EXPECT_FALSE(Same(h.Corners()[2], free));
  h.OnButtonUp(surface.pointer);

  QuadFrame& m = Make(QuadFrame::Kind::kScale);
  Drag(m.Corners()[1], POINT{m.Corners()[0].x - 20, m.Corners()[1].y});
  m.GetTransformParams(10, 20, kLayer, &params);
  EXPECT_LT(params.b.x, 0) << "dragged past the opposite corner: mirrored";
}

TEST_F(Frames, ScrollingMovesEveryStoredPointAndCursorsFollowTheHandles) {
  QuadFrame& f = Make(QuadFrame::Kind::kScale);
  f.OffsetPoints(5, -3);
  EXPECT_TRUE(Same(f.Corners()[0], POINT{5, 82}));
  POINT offsets[4];
  f.GetCornerOffsets(offsets);
  EXPECT_TRUE(Same(offsets[2], POINT{100, 50})) << "the shape is unchanged by a scroll";
  struct Case {
    POINT at;
    FrameCursor cursor;
    int hint;
  } cases[] = {{{55, 82}, FrameCursor::kNS, kHintScaleSide},
               {{104, 60}, FrameCursor::kWE, kHintScaleSide},
               {{5, 82}, FrameCursor::kNESW, kHintScaleCorner},
               {{104, 82}, FrameCursor::kNWSE, kHintScaleCorner},
               {{50, 60}, FrameCursor::kMove, kHintMove},
               {{150, 10}, FrameCursor::kArrow, kHintNone}};
  for (const Case& c : cases) {
    surface.pointer = c.at;
    EXPECT_TRUE(f.HitTest());
    EXPECT_EQ(c.cursor, surface.cursor) << c.at.x << "," << c.at.y;
    EXPECT_EQ(c.hint, surface.hint) << c.at.x << "," << c.at.y;
  }
}

TEST_F(Frames, TheRotateFrameTurnsAboutItsCentreAndResizesOnlyWhenFree) {
  RotateFrame only(&surface, false);
  ASSERT_TRUE(only.Init(true, kLayer));
  EXPECT_TRUE(Same(only.Centre(), POINT{59, 54}));
  // Rotate-only: a corner press turns the frame rather than resizing it.
  const POINT c1 = only.Corners()[1];
  only.OnButtonDown(c1);
  only.OnDrag(POINT{c1.x + 5, c1.y + 5});
  only.OnButtonUp(POINT{c1.x + 5, c1.y + 5});
  EXPECT_EQ(only.Growth()[1], 0);
  EXPECT_NE(only.TotalAngle(), 0.0);
  EXPECT_TRUE(only.shapeChanged);

  RotateFrame free(&surface, true);
  ASSERT_TRUE(free.Init(true, kLayer));
  const POINT corner = free.Corners()[1];
  free.OnButtonDown(corner);
  free.OnDrag(POINT{corner.x + 100, corner.y + 50});
  free.OnButtonUp(POINT{corner.x + 100, corner.y + 50});
  EXPECT_EQ(free.Growth()[1], 100);
  EXPECT_EQ(free.Growth()[3], 50);
  EXPECT_EQ(free.TotalAngle(), 0.0);
  FrameParams params;
  free.GetTransformParams(10, 20, kLayer, &params);
  EXPECT_EQ(params.aFlag, 1);
  EXPECT_EQ(params.b.x, 200) << "doubled";
  EXPECT_EQ(params.b.y, 100);
  const POINT o = free.GetResultOrigin(kLayer, 1);
  EXPECT_TRUE(Same(o, POINT{10, -30})) << o.x << "," << o.y;

  // A drag of (30, 20) grows 30 and 20, not a rounding error less.
  RotateFrame exact(&surface, true);
  ASSERT_TRUE(exact.Init(true, kLayer));
  const POINT e1 = exact.Corners()[1];
  exact.OnButtonDown(e1);
  exact.OnDrag(POINT{e1.x + 30, e1.y + 20});
  exact.OnButtonUp(POINT{e1.x + 30, e1.y + 20});
  EXPECT_EQ(exact.Growth()[1], 30);
  EXPECT_EQ(exact.Growth()[3], 20);

  // A quarter turn about the centre: the frame's corners turn with it.
  RotateFrame turn(&surface, false);
  ASSERT_TRUE(turn.Init(true, kLayer));
  const POINT c = turn.Centre();
  turn.OnButtonDown(POINT{c.x + 80, c.y});
  turn.OnDrag(POINT{c.x, c.y + 80});
  turn.OnButtonUp(POINT{c.x, c.y + 80});
  EXPECT_NEAR(std::fmod(turn.TotalAngle() + 4 * 3.14159265358979, 2 * 3.14159265358979), 3.14159265358979 / 2, 1e-9);
  LONG minX = 1000, maxX = -1000, minY = 1000, maxY = -1000;
  for (int i = 0; i < 4; ++i) {
    minX = std::min(minX, turn.Corners()[i].x);
    maxX = std::max(maxX, turn.Corners()[i].x);
    minY = std::min(minY, turn.Corners()[i].y);
    maxY = std::max(maxY, turn.Corners()[i].y);
  }
  EXPECT_NEAR(maxX - minX, 49, 1) << "width and height trade places";
  EXPECT_NEAR(maxY - minY, 99, 1);
}

TEST_F(Frames, TheCentreSnapsAndTheResizeCursorsFollowTheTurn) {
  RotateFrame f(&surface, true);
  ASSERT_TRUE(f.Init(true, kLayer));
  const POINT c = f.Centre();
  f.OnButtonDown(c);
  const POINT nearCorner{f.Corners()[3].x + 4, f.Corners()[3].y - 3};
  f.OnDrag(POINT{c.x + nearCorner.x - c.x, c.y + nearCorner.y - c.y});
  f.OnButtonUp(nearCorner);
  EXPECT_TRUE(Same(f.Centre(), f.Corners()[3])) << "within 5 pixels of a corner it jumps onto it";
  struct Case {
    double phi;
    FrameCursor cursor;
  } cases[] = {{-3.14159265358979 / 2, FrameCursor::kNS},
               {0, FrameCursor::kWE},
               {-3.14159265358979 / 4, FrameCursor::kNESW},
               {3.14159265358979 / 4, FrameCursor::kNWSE}};
  for (const Case& k : cases) EXPECT_EQ(RotateFrame::SectorCursor(k.phi), k.cursor) << k.phi;
}

}  // namespace
}  // namespace lumora
