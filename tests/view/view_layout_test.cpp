// The image view's layout without a window: scroll bars with centring, the
// even reduction of an opening image, zoom factors, the frame title and
// snapping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostapi/draw.h"
#include "engine/render/CellGrid.h"
#include "view/FrameTitle.h"
#include "view/ScrollBars.h"
#include "view/SnapRect.h"
#include "view/ViewZoom.h"

namespace lumora {
namespace {

ScrollBarsInput Client(std::int32_t w, std::int32_t h, std::int32_t totalW, std::int32_t totalH) {
  ScrollBarsInput in;
  in.clientWidth = w;
  in.clientHeight = h;
  in.barWidth = 17;
  in.barHeight = 17;
  in.totalWidth = totalW;
  in.totalHeight = totalH;
  return in;
}

TEST(ScrollBars, SmallContentIsCentredWithANegativePositionAndNoBars) {
  const ScrollBarsLayout l = LayOutScrollBars(Client(600, 400, 200, 100));
  EXPECT_FALSE(l.x.shown);
  EXPECT_FALSE(l.y.shown);
  EXPECT_EQ(l.x.position, -200);
  EXPECT_EQ(l.y.position, -150);
  EXPECT_EQ(l.x.range, 0);
  EXPECT_EQ(l.x.BarPosition(), 0);
  EXPECT_EQ(ViewportOrigin(l.x.position, 600, 200), 200);
  EXPECT_EQ(ViewportOrigin(l.y.position, 400, 100), 150);

  ScrollBarsInput off = Client(600, 400, 200, 100);
  off.centre = false;
  EXPECT_EQ(LayOutScrollBars(off).x.position, 0);
}

TEST(ScrollBars, OneBarForcesTheOtherAndPositionsStayInRange) {
  struct Case {
    std::int32_t totalW, totalH;
    bool h, v;
    std::int32_t availW, availH;
  };
  // Client 600 x 400, bars 17.
  const std::vector<Case> cases = {
      {600, 400, false, false, 600, 400},  // exactly fits
      {601, 300, true, false, 600, 383},   // too wide only
      {590, 450, true, true, 583, 383},    // too high; the bar's room makes it too wide
      {590, 390, false, false, 600, 400},  // fits without bars
      {1000, 1000, true, true, 583, 383},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.totalW) + "x" + std::to_string(c.totalH));
    const ScrollBarsLayout l = LayOutScrollBars(Client(600, 400, c.totalW, c.totalH));
    EXPECT_EQ(l.x.shown, c.h);
    EXPECT_EQ(l.y.shown, c.v);
    EXPECT_EQ(l.x.available, c.availW);
    EXPECT_EQ(l.y.available, c.availH);
  }
  // Shown bars give their room back before the decision.
  ScrollBarsInput shown = Client(583, 383, 590, 390);
  shown.horizontalShown = shown.verticalShown = true;
  EXPECT_FALSE(LayOutScrollBars(shown).x.shown);
  // The bar's position is limited to the range.
  ScrollBarsInput beyond = Client(600, 400, 1000, 1000);
  beyond.barPositionX = 5000;
  beyond.barPositionY = -3;
  const ScrollBarsLayout l = LayOutScrollBars(beyond);
  EXPECT_EQ(l.x.position, 1000 - 583);
  EXPECT_EQ(l.y.position, 0);
}

TEST(ScrollBars, RequestsAndScrollsStopAtTheEnds) {
  EXPECT_EQ(ScrollRequestTarget(0, 50, 10, 100, 7), 40);   // line up
  EXPECT_EQ(ScrollRequestTarget(3, 50, 10, 100, 7), 150);  // page down
  EXPECT_EQ(ScrollRequestTarget(5, 50, 10, 100, 7), 7);    // thumb track
  EXPECT_EQ(ScrollRequestTarget(4, 50, 10, 100, 7), 50);   // thumb position: no change
  EXPECT_EQ(ScrollRequestTarget(6, 50, 10, 100, 7), 0);
  EXPECT_EQ(ScrollByTarget(true, 50, 1LL << 40, 300), 300);
  EXPECT_EQ(ScrollByTarget(true, 50, -80, 300), 0);
  EXPECT_EQ(ScrollByTarget(false, 50, 20, 300), 50);  // no bar: no move
}

TEST(ViewZoom, OpeningImagesTakeAnEvenReduction) {
  struct Case {
    std::int32_t needW, needH, clientW, clientH, f;
  };
  const std::vector<Case> cases = {
      {500, 300, 1000, 700, 1},    // fits
      {1500, 300, 1000, 700, 2},   // 1.5 x the client
      {3000, 300, 1000, 700, 4},   // 3 x
      {3001, 300, 1000, 700, 4},   // ceil 4
      {4100, 3000, 1000, 700, 6},  // 5 -> 6
      {800, 2100, 1000, 700, 4},   // 3 by height
      {800, 900, 0, 0, 1},         // no client area
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EvenReduction(c.needW, c.needH, c.clientW, c.clientH), c.f) << c.needW << "x" << c.needH;
  }
}

TEST(ViewZoom, DisplayedExtentsAreAtLeastOne) {
  // A 20000 x 3 strip at 1:8 would show 3 / 8 = 0 rows: it keeps one.
  const ViewZoomFactors strip = ReductionFactors(20000, 3, EvenReduction(20004, 7, 2500, 1000));
  // 20004 / 2500 needs 9, raised to 10.
  EXPECT_EQ(strip.x.ImagePerWindowUnit(), 10.0);
  EXPECT_EQ(strip.y.DisplayedExtent(), 1);
  EXPECT_EQ(strip.y.ImageExtent(), 3);
  // A 640 x 480 image at 1:2; at 1:1 the identity ratio.
  const ViewZoomFactors half = ReductionFactors(640, 480, 2);
  EXPECT_EQ(half.x.ImagePerWindowUnit(), 2.0);
  EXPECT_EQ(half.y.ImagePerWindowUnit(), 2.0);
  EXPECT_EQ(ReductionFactors(640, 480, 1).x.ImagePerWindowUnit(), 1.0);
  // A 1-pixel image at 1:32.
  EXPECT_EQ(RatioFactors(1, 1, 1, 32).x.DisplayedExtent(), 1);
  EXPECT_EQ(RatioFactors(10, 10, 6, 1).x.DisplayedExtent(), 6);
  EXPECT_EQ(RatioFactors(10, 10, 6, 1).x.ImageExtent(), 1);
  EXPECT_EQ(ZoomPercent(2.0), 50);
  EXPECT_EQ(ZoomPercent(1.0 / 6), 600);
  EXPECT_EQ(ZoomPercent(3.0), 33);
  const POINT clamped = ClampPointToImage(POINT{900, -4}, 640, 480);
  EXPECT_EQ(clamped.x, 639);
  EXPECT_EQ(clamped.y, 0);
}

TEST(FrameTitle, ShowsSizeZoomLayerAndWindowNumber) {
  FrameTitleParts p;
  p.hasDocumentTitle = true;
  p.documentTitle = "photo.lud";
  p.modified = true;
  p.hasImage = true;
  p.width = 640;
  p.height = 480;
  p.hasView = true;
  p.imagePerWindow = 2.0;
  p.layerName = "Layer 1";
  p.windowNumber = 2;
  EXPECT_EQ(FormatFrameTitle(p), "photo.lud* (640x480) 50% [Layer 1] : 2");
  p.layerName.clear();
  p.windowNumber = 0;
  p.modified = false;
  EXPECT_EQ(FormatFrameTitle(p), "photo.lud (640x480) 50%");
  p.hasView = false;
  p.hasImage = false;
  p.frameTitle = "!";
  EXPECT_EQ(FormatFrameTitle(p), "photo.lud!");
  p.hasDocumentTitle = false;
  EXPECT_EQ(FormatFrameTitle(p), "!");

  EXPECT_FALSE(FrameTitleNeedsSetting("a (1x1) 100%", "a (1x1) 100%"));
  EXPECT_TRUE(FrameTitleNeedsSetting("a (1x1) 100%", "a (1x1) 50%"));
  const std::string longTitle(300, 'x');
  EXPECT_TRUE(FrameTitleNeedsSetting(longTitle, longTitle));
}

// A grid every 10 pixels; guides given per case. `imagePerWindow` is the
// view's zoom as image pixels per window pixel.
SnapSettings Snapping(bool grid, bool guides, double imagePerWindow) {
  SnapSettings s;
  s.toGrid = grid;
  s.toGuides = guides;
  s.imagePerWindow = imagePerWindow;
  s.grid = [](bool, std::int32_t at, std::int32_t* below, std::int32_t* above) {
    const std::int32_t step = 10 * 32;
    *below = (at >= 0 ? at / step : (at - step + 1) / step) * step;
    *above = *below == at ? at : *below + step;
    return true;
  };
  s.guides = {{37 * 32, kVrGuideVertical}, {50 * 32 + 16, kVrGuideHorizontal}};
  return s;
}

TEST(SnapRect, EdgesLandOnTheNearestLineWithinReach) {
  struct Case {
    const char* name;
    bool grid, guides;
    double imagePerWindow;
    RECT rect;
    POINT offset, expected;
  };
  const std::vector<Case> cases = {
      {"the nearer edge wins", true, false, 1.0, {0, 0, 25, 25}, {3, 0}, {5, 0}},  // 28 -> 30
      {"grid right edge nearer", true, false, 1.0, {0, 0, 27, 27}, {5, 5}, {3, 3}},
      {"guide x only", false, true, 1.0, {0, 0, 4, 4}, {31, 0}, {33, 0}},  // right edge 35 -> 37
      {"guide y halves away from zero", false, true, 1.0, {0, 0, 4, 4}, {0, 45}, {0, 47}},  // 49 -> 50.5
      {"nothing on", false, false, 1.0, {0, 0, 4, 4}, {3, 3}, {3, 3}},
      // Eight window pixels at every zoom, not nine.
      {"1:1 eight", false, true, 1.0, {0, 0, 0, 0}, {29, 0}, {37, 0}},
      {"1:1 nine", false, true, 1.0, {0, 0, 0, 0}, {28, 0}, {28, 0}},
      {"1:8 grid five pixels away, the first line on a tie", true, false, 8.0, {0, 0, 0, 0}, {5, 5}, {0, 0}},
      {"1:8 eight window pixels", false, true, 8.0, {0, 0, 0, 0}, {37 - 64, 200}, {37, 200}},
      {"1:8 past the reach", false, true, 8.0, {0, 0, 0, 0}, {37 - 65, 200}, {37 - 65, 200}},
      {"4:1 two pixels", false, true, 0.25, {0, 0, 0, 0}, {35, 0}, {37, 0}},
      {"4:1 three pixels", false, true, 0.25, {0, 0, 0, 0}, {34, 0}, {34, 0}},
      {"4:1 grid out of reach", true, false, 0.25, {0, 0, 0, 0}, {5, 5}, {5, 5}},
      {"32:1 one pixel away", false, true, 1.0 / 32, {0, 0, 0, 0}, {36, 0}, {36, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    POINT offset = c.offset;
    SnapRectOffset(c.rect, &offset, Snapping(c.grid, c.guides, c.imagePerWindow));
    EXPECT_EQ(offset.x, c.expected.x);
    EXPECT_EQ(offset.y, c.expected.y);
  }
  // The reach in 1/32 image pixel: 8 x 32 x image / displayed.
  EXPECT_EQ(SnapReach(8.0), 2048);     // 1:8, 64 image pixels
  EXPECT_EQ(SnapReach(1.0), 256);      // 1:1
  EXPECT_EQ(SnapReach(0.25), 64);      // 4:1, 2 image pixels
  EXPECT_EQ(SnapReach(1.0 / 32), 8);   // 32:1, a quarter pixel
  EXPECT_EQ(SnapReach(0.0), 0);
}

TEST(CellDoneMessage, RectangleSurvivesTheTripThroughTheMessageWords) {
  const std::vector<RECT> rects = {{0, 0, 1, 1}, {256, 512, 512, 768}, {3840, 2816, 4000, 3000}, {0, 0, 65535, 65535}};
  for (const RECT& r : rects) {
    const PackedCellRect p = PackCellRect(r);
    // As the message carries them: WPARAM and LPARAM of the system.
    const std::uintptr_t wParam = p.wParam;
    const std::intptr_t lParam = static_cast<std::int32_t>(p.lParam);
    const RECT back = UnpackCellRect(static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam));
    EXPECT_EQ(back.left, r.left);
    EXPECT_EQ(back.top, r.top);
    EXPECT_EQ(back.right, r.right);
    EXPECT_EQ(back.bottom, r.bottom);
  }
}

}  // namespace
}  // namespace lumora
