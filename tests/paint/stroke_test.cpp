// Strokes driven by pointer positions through the real layer engine: the
// line walk, spacing, the paint layer and its growth, selection and paper,
// grey targets, the undo step and the commit.
#include <gtest/gtest.h>

#include <vector>

#include "paint/BrushRandom.h"
#include "paint/LineWalk.h"
#include "paint/PaintBrush.h"
#include "stroke_support.h"

namespace {

using painttest::FakeDocument;

std::vector<POINT> Walk(int x0, int y0, int x1, int y1) {
  std::vector<POINT> points;
  paint::WalkLine(x0, y0, x1, y1, [&](int x, int y) { points.push_back(POINT{x, y}); });
  return points;
}

std::string Text(const std::vector<POINT>& points) {
  std::string out;
  for (const POINT& p : points) out += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  return out;
}

TEST(LineWalk, StartIncludedEndExcluded) {
  EXPECT_EQ(Text(Walk(0, 0, 0, 0)), "");
  EXPECT_EQ(Text(Walk(0, 0, 3, 0)), "(0,0)(1,0)(2,0)");
  EXPECT_EQ(Text(Walk(0, 0, 0, -2)), "(0,0)(0,-1)");
  EXPECT_EQ(Text(Walk(0, 0, 4, 2)), "(0,0)(1,0)(2,1)(3,1)");
  EXPECT_EQ(Text(Walk(0, 0, -4, -2)), "(0,0)(-1,0)(-2,-1)(-3,-1)");
  EXPECT_EQ(Text(Walk(0, 0, 2, 2)), "(0,0)(1,1)");
  EXPECT_EQ(Text(Walk(5, 5, 6, 9)), "(5,5)(5,6)(5,7)(6,8)");
}

constexpr COLORREF kColour = 0x00302010;  // red 0x10, green 0x20, blue 0x30

struct Painter {
  SeededBrushRandom random{1};
  paint::CPaintBrush brush;
  explicit Painter(int width) : brush(paint::kCmdPaintBrush, width, random) {
    brush.SetWidth(width, 0, 0);
    brush.SetColours(kColour, 0xFFFFFF);
  }
  void Stroke(FakeDocument& doc, std::vector<POINT> points) {
    ASSERT_TRUE(brush.ButtonDown(&doc, points[0].x, points[0].y));
    for (std::size_t i = 1; i < points.size(); ++i) brush.MoveTo(points[i].x, points[i].y);
    brush.ButtonUp();
  }
};

TEST(Stroke, SquareDragPaintsItsBandAndCommitsOnce) {
  FakeDocument doc(64, 32, kWAType24, RECT{0, 0, 64, 32});
  Painter painter(5);
  painter.Stroke(doc, {{10, 10}, {40, 10}});
  EXPECT_EQ(doc.undoSteps, std::vector<int>{paint::kUndoPaint});
  EXPECT_EQ(doc.stack->GetLayerCount(), 1);  // the paint layer is gone
  EXPECT_EQ(painter.brush.GetWorkLayer(), nullptr);
  // Dabs at x = 10 .. 39 (the walk leaves out its end), 5 wide: 8 .. 41.
  for (int y = 6; y < 15; ++y) {
    for (int x = 4; x < 46; ++x) {
      const bool in = x >= 8 && x <= 41 && y >= 8 && y <= 12;
      EXPECT_EQ(doc.Byte(x, y, 0), in ? 0x30 : 100) << x << "," << y;
      EXPECT_EQ(doc.Byte(x, y, 2), in ? 0x10 : 100) << x << "," << y;
    }
  }
}

TEST(Stroke, SpacingSkipsDabsBelowTheThreshold) {
  FakeDocument doc(64, 32, kWAType24, RECT{0, 0, 64, 32});
  Painter painter(20);
  ASSERT_TRUE(painter.brush.ButtonDown(&doc, 10, 10));
  EXPECT_EQ(painter.brush.StepThreshold(), 8);  // (400 + 400) / 10 / 10
  const std::size_t afterFirst = doc.refreshed.size();
  painter.brush.MoveTo(13, 10);  // walks 10, 11, 12: none 3 away yet
  EXPECT_EQ(doc.refreshed.size(), afterFirst);
  painter.brush.MoveTo(14, 12);  // walks 13 (9 >= 8): one dab
  EXPECT_EQ(doc.refreshed.size(), afterFirst + 1);
  painter.brush.ButtonUp();
  EXPECT_EQ(doc.undoSteps.size(), 1u);
}

TEST(Stroke, GreyTargetTakesTheLuminance) {
  FakeDocument doc(16, 16, kWAType8Grey, RECT{0, 0, 16, 16});
  Painter painter(4);
  painter.brush.SetColours(0x0000FF, 0);  // pure red
  painter.Stroke(doc, {{8, 8}});
  EXPECT_EQ(doc.Byte(8, 8), 76);
  EXPECT_EQ(doc.Byte(1, 1), 100);
}

TEST(Stroke, GreyImagesRefuseTheColourInsertModes) {
  Painter painter(4);
  for (int mode = 0; mode <= 18; ++mode) {
    painter.brush.SetInsertMode(mode);
    const bool colourMode = mode >= 3 && mode <= 6;
    EXPECT_EQ(painter.brush.CanPaintFormat(kWAType8Grey), !colourMode) << mode;
    EXPECT_TRUE(painter.brush.CanPaintFormat(kWAType24)) << mode;
  }
  // A refused mode starts no stroke on a grey image; an RGB image takes it.
  FakeDocument grey(16, 16, kWAType8Grey, RECT{0, 0, 16, 16});
  painter.brush.SetInsertMode(3);
  painter.brush.SetTablet([] { return paint::TabletReading{128, 128, 255}; });
  EXPECT_FALSE(painter.brush.ButtonDown(&grey, 8, 8));
  EXPECT_EQ(painter.brush.Width(), 4);  // the refused press keeps the width
  EXPECT_TRUE(grey.undoSteps.empty());
  EXPECT_EQ(grey.stack->GetLayerCount(), 1);
  EXPECT_EQ(grey.Byte(8, 8), 100);
  FakeDocument colour(16, 16, kWAType24, RECT{0, 0, 16, 16});
  EXPECT_TRUE(painter.brush.ButtonDown(&colour, 8, 8));
  painter.brush.ButtonUp();
  EXPECT_EQ(colour.undoSteps.size(), 1u);
}

TEST(Pressure, ScalesTheWidthOnlyDuringTheStroke) {
  struct Case {
    int pressure;
    bool enabled;
    int strokeWidth;  // 0: the press is refused
  };
  for (const Case c : {Case{128, true, 10}, Case{255, true, 20}, Case{128, false, 20}, Case{0, true, 0}}) {
    FakeDocument doc(64, 64, kWAType24, RECT{0, 0, 64, 64});
    Painter painter(20);
    painter.brush.SetPressureEnabled(c.enabled);
    painter.brush.SetTablet([&] { return paint::TabletReading{c.pressure, static_cast<std::uint32_t>(c.pressure), 255}; });
    EXPECT_EQ(painter.brush.ButtonDown(&doc, 32, 32), c.strokeWidth != 0) << c.pressure;
    if (c.strokeWidth != 0) {
      EXPECT_EQ(painter.brush.Width(), c.strokeWidth) << c.pressure;
      EXPECT_EQ(painter.brush.DabWidth(), c.strokeWidth) << c.pressure;
      EXPECT_EQ(painter.brush.StepThreshold(), 2 * c.strokeWidth * c.strokeWidth / 100) << c.pressure;
      painter.brush.ButtonUp();
    }
    EXPECT_EQ(painter.brush.Width(), 20) << c.pressure;
    EXPECT_EQ(painter.brush.DabWidth(), 20) << c.pressure;
  }
}

TEST(Pressure, RisingAndFallingPressureRebuildsEveryDab) {
  FakeDocument doc(220, 48, kWAType24, RECT{0, 0, 220, 48});
  Painter painter(20);
  painter.brush.SetPressureToCoverage(false);
  int pressure = 255;
  painter.brush.SetTablet([&] { return paint::TabletReading{pressure, static_cast<std::uint32_t>(pressure), 255}; });
  ASSERT_TRUE(painter.brush.ButtonDown(&doc, 20, 24));
  // Each move's pressure and the width its dabs take: 20 x p / 255.
  struct Move {
    int x, pressure, width;
  };
  std::vector<RECT> dabs = doc.refreshed;
  for (const Move m : {Move{60, 128, 10}, Move{100, 64, 5}, Move{140, 200, 15}, Move{180, 255, 20}, Move{200, 26, 2}}) {
    pressure = m.pressure;
    const std::size_t before = doc.refreshed.size();
    painter.brush.MoveTo(m.x, 24);
    ASSERT_GT(doc.refreshed.size(), before) << m.x;
    for (std::size_t i = before; i < doc.refreshed.size(); ++i) {
      const RECT& dab = doc.refreshed[i];
      EXPECT_EQ(dab.right - dab.left, m.width) << m.x;
      EXPECT_EQ(dab.bottom - dab.top, m.width) << m.x;
      dabs.push_back(dab);
    }
    EXPECT_EQ(painter.brush.WorkingMask().size(), static_cast<std::size_t>(m.width * m.width)) << m.x;
  }
  painter.brush.ButtonUp();
  EXPECT_EQ(painter.brush.Width(), 20);
  EXPECT_EQ(doc.undoSteps.size(), 1u);
  // Every dab landed: the committed square dabs cover exactly their union.
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 220; ++x) {
      bool in = false;
      for (const RECT& d : dabs) in = in || (x >= d.left && x < d.right && y >= d.top && y < d.bottom);
      ASSERT_EQ(doc.Byte(x, y, 0), in ? 0x30 : 100) << x << "," << y;
      ASSERT_EQ(doc.Byte(x, y, 2), in ? 0x10 : 100) << x << "," << y;
    }
  }
}

TEST(Stroke, SelectionAndPaperLimitTheStroke) {
  FakeDocument doc(32, 8, kWAType24, RECT{0, 0, 32, 8});
  Painter painter(8);
  // Selection over columns 0..15, full in 0..7 and half in 8..15.
  std::vector<std::uint8_t> selection(16 * 8, 255);
  for (int y = 0; y < 8; ++y)
    for (int x = 8; x < 16; ++x) selection[y * 16 + x] = 128;
  painter.brush.SetSelection(selection.data(), RECT{0, 0, 16, 8}, false);
  // Paper 2 x 1: column pairs alternate open (0) and closed (255).
  const std::uint8_t paper[2] = {0, 255};
  painter.brush.SetPaperTexture(paper, 2, 1);
  painter.Stroke(doc, {{4, 4}, {28, 4}});
  EXPECT_EQ(doc.Byte(4, 4, 0), 0x30);   // selected, paper open
  EXPECT_EQ(doc.Byte(5, 4, 0), 100);    // selected, paper closed
  const int half = doc.Byte(10, 4, 0);  // half selected, paper open
  EXPECT_LT(half, 100);
  EXPECT_GT(half, 0x30);
  EXPECT_EQ(doc.Byte(11, 4, 0), 100);
  EXPECT_EQ(doc.Byte(20, 4, 0), 100);  // outside the selection
  EXPECT_EQ(doc.Byte(28, 4, 0), 100);
}

TEST(Stroke, PaintLayerGrowsInStepsWithItsAuxiliaryBufferUnderTheLock) {
  FakeDocument doc(600, 300, kWAType24, RECT{0, 0, 600, 300});
  Painter painter(10);
  const std::uint8_t paper[1] = {0};
  painter.brush.SetPaperTexture(paper, 1, 1);  // asks for the auxiliary buffer
  ASSERT_TRUE(painter.brush.ButtonDown(&doc, 200, 150));
  CLayer* work = painter.brush.GetWorkLayer();
  ASSERT_NE(work, nullptr);
  EXPECT_TRUE(lumora::RectsEqual(work->GetRect(), RECT{195, 145, 205, 155}));
  const int locksBefore = doc.lock.entries;
  painter.brush.MoveTo(260, 150);
  // Right side pushed to 128 x trunc((right + 127) / 128).
  EXPECT_TRUE(lumora::RectsEqual(work->GetRect(), RECT{195, 145, 384, 155}));
  EXPECT_GT(doc.lock.entries, locksBefore);
  const WAPtr aux = work->GetAuxBuffer();
  ASSERT_TRUE(aux);
  EXPECT_EQ(aux->GetW(), 384 - 195);
  EXPECT_EQ(aux->GetH(), 10);
  painter.brush.MoveTo(260, 20);  // up: top pushed to 128 x trunc((15 - 127) / 128) = 0
  EXPECT_EQ(work->GetRect().top, 0);
  painter.brush.ButtonUp();
  EXPECT_EQ(doc.Byte(259, 150, 0), 0x30);
  EXPECT_EQ(doc.Byte(260, 21, 0), 0x30);
}

TEST(Stroke, SmallTargetGrowsToHoldTheStroke) {
  FakeDocument doc(400, 200, kWAType24, RECT{10, 10, 40, 40});
  Painter painter(6);
  painter.Stroke(doc, {{30, 30}, {60, 30}});
  // The target grew in 128-pixel steps on the right: 128 x trunc((63 + 127) / 128).
  EXPECT_EQ(doc.target->GetRect().right, 128);
  EXPECT_EQ(doc.Byte(55, 30, 0), 0x30);
  EXPECT_EQ(doc.Byte(100, 30, 0), 0);  // grown, left transparent (black)
}

TEST(Stroke, TransparencyLockedTargetOnlyTakesPaintWhereItIsOpaque) {
  FakeDocument doc(64, 32, kWAType24, RECT{0, 0, 20, 20});
  LAYER_INFO info = doc.target->GetLayerInfo();
  info.lockTransparency = 1;
  doc.target->SetLayerInfo(info);
  Painter painter(6);
  painter.Stroke(doc, {{18, 10}, {30, 10}});
  EXPECT_TRUE(lumora::RectsEqual(doc.target->GetRect(), RECT{0, 0, 20, 20}));
  EXPECT_EQ(doc.Byte(18, 10, 0), 0x30);
}

TEST(Stroke, OutsideTheTargetChangesNothing) {
  FakeDocument doc(64, 32, kWAType24, RECT{0, 0, 20, 20});
  LAYER_INFO info = doc.target->GetLayerInfo();
  info.lockTransparency = 1;  // no growth: the stroke lies wholly outside
  doc.target->SetLayerInfo(info);
  Painter painter(4);
  painter.Stroke(doc, {{40, 10}, {50, 10}});
  EXPECT_EQ(doc.stack->GetLayerCount(), 1);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(doc.Byte(x, y), 100);
}

}  // namespace
