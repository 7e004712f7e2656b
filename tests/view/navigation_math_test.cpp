// The navigator's slider and rectangles, guide positions and hits, and
// the ends of guide and origin drags.
#include <gtest/gtest.h>

#include <vector>

#include "hostapi/draw.h"
#include "view/Guides.h"
#include "view/NavigatorMath.h"

namespace lumora {
namespace {

TEST(NavigatorSlider, TwoLinearHalvesAroundHundredPercent) {
  const int m = 100;
  struct Case {
    int percent, position;
  };
  for (const Case c : {Case{100, 0}, Case{3200, 100}, Case{25, -100}, Case{10, -100}, Case{0, -100},
                       Case{50, -68}, Case{1650, 50}, Case{99, -2}, Case{101, 0}, Case{132, 1}}) {
    EXPECT_EQ(PercentToSlider(c.percent, m), c.position) << c.percent;
  }
  for (const Case c : {Case{100, 0}, Case{3200, 100}, Case{25, -100}, Case{49, -68}, Case{1650, 50},
                       Case{131, 1}, Case{99, -1}}) {
    EXPECT_EQ(SliderToPercent(c.position, m), c.percent) << c.position;
  }
  // The channel is made odd: the middle pixel is 100 %.
  EXPECT_EQ(SliderRangeForChannel(200).m, 100);
  EXPECT_TRUE(SliderRangeForChannel(200).widen);
  EXPECT_EQ(SliderRangeForChannel(201).m, 100);
  EXPECT_FALSE(SliderRangeForChannel(201).widen);
  EXPECT_EQ(NavigatorPercent(1.0 / 40), 3200);
  EXPECT_EQ(NavigatorPercent(1000), 1);
  EXPECT_EQ(NavigatorPercent(3), 33);
}

TEST(NavigatorRects, ThumbnailViewRectangleAndScroll) {
  const RECT area{2, 2, 198, 150};
  const RECT thumb = FitThumbnail(area, 4000, 3000);  // the width fills
  EXPECT_EQ(thumb.left, 2);
  EXPECT_EQ(thumb.right, 198);
  EXPECT_EQ(thumb.bottom - thumb.top, 147);
  const RECT tall = FitThumbnail(area, 1000, 3000);  // the height fills, centred
  EXPECT_EQ(tall.top, 2);
  EXPECT_EQ(tall.bottom, 150);
  EXPECT_EQ(tall.right - tall.left, 49);
  EXPECT_EQ(tall.left, 2 + (196 - 49) / 2);
  EXPECT_EQ(FitThumbnail(area, 0, 10).right, 0);

  // A view smaller than its image across only: the rectangle spans the
  // whole thumbnail down.
  const RECT t{10, 10, 110, 85};
  const RECT view = NavigatorViewRect(t, ViewGeometry{300, 400, 400, 300, 100, 0});
  EXPECT_EQ(view.left, 35);
  EXPECT_EQ(view.right, 110);
  EXPECT_EQ(view.top, 10);
  EXPECT_EQ(view.bottom, 85);
  // Dragged: centred on the point, kept inside, and the scroll it asks for.
  const RECT moved = CentreRectInside(RECT{35, 10, 110, 85}, POINT{20, 50}, t);
  EXPECT_EQ(moved.left, 10);
  EXPECT_EQ(moved.right, 85);
  const POINT scroll = NavigatorScrollFor(RECT{35, 10, 110, 85}, t, 400, 300);
  EXPECT_EQ(scroll.x, 100);
  EXPECT_EQ(scroll.y, 0);
  const RECT back = CentreRectInside(RECT{10, 10, 30, 30}, POINT{200, 200}, t);
  EXPECT_EQ(back.right, 110);
  EXPECT_EQ(back.bottom, 85);
}

// A 200 x 100 image at a:b, scrolled by (sx, sy) window pixels.
VRXFORM Mapping(std::int64_t a, std::int64_t b, int sx = 0, int sy = 0) {
  XFFACT x(200 * a / b, 200), y(100 * a / b, 100);
  x.shift(-sx);
  y.shift(-sy);
  return VRXFORM(200, 100, x, y);
}

TEST(Guides, WindowCoordinatesAndPositionsAgree) {
  // 1:1: window row r is the image row r from the top, position (H - r - 1)
  // x 32; column c is x c.
  const VRXFORM one = Mapping(1, 1);
  EXPECT_EQ(GuidePositionOfWindow(one, 10, true), (100 - 10 - 1) * 32);
  EXPECT_EQ(GuidePositionOfWindow(one, 10, false), 10 * 32);
  // Every window pixel's position draws on that pixel, at any zoom and
  // scroll.
  for (const VRXFORM& m : {one, Mapping(4, 1, 30, 7), Mapping(1, 8), Mapping(32, 1, 100, 50), Mapping(3, 2, 1, 1)}) {
    for (bool horizontal : {false, true}) {
      for (int w = -3; w < 120; ++w) {
        EXPECT_EQ(GuideWindowPixel(m, GuidePositionOfWindow(m, w, horizontal), horizontal), w)
            << w << (horizontal ? " row" : " column");
      }
    }
  }
}

TEST(Guides, HitWithinThreeWindowPixels) {
  struct Case {
    double zoom;  // image units per window unit
  };
  for (double zoom : {8.0, 1.0, 0.25}) {
    const std::int32_t perPixel = static_cast<std::int32_t>(zoom * 32);
    const std::vector<GuideLine> guides = {{1000 * 32, kVrGuideVertical}, {500 * 32, kVrGuideHorizontal}};
    std::int32_t orientation = -1;
    EXPECT_EQ(HitTestGuide(guides, 1000 * 32 + 2 * perPixel, 0, zoom, &orientation), 0) << zoom;
    EXPECT_EQ(orientation, kVrGuideVertical);
    EXPECT_EQ(HitTestGuide(guides, 1000 * 32 - 3 * perPixel, 0, zoom, nullptr), -1) << zoom;
    EXPECT_EQ(HitTestGuide(guides, 0, 500 * 32 - 2 * perPixel, zoom, &orientation), 1) << zoom;
    EXPECT_EQ(orientation, kVrGuideHorizontal);
    EXPECT_EQ(HitTestGuide(guides, 0, 500 * 32 + 3 * perPixel, zoom, nullptr), -1) << zoom;
  }
  // Equally near: the earlier guide.
  const std::vector<GuideLine> twins = {{100 * 32, kVrGuideVertical}, {102 * 32, kVrGuideVertical}};
  EXPECT_EQ(HitTestGuide(twins, 101 * 32, 0, 1.0, nullptr), 0);
  EXPECT_EQ(HitTestGuide({}, 0, 0, 1.0, nullptr), -1);
}

TEST(Guides, ReleasesOfGuideAndOriginDrags) {
  const RECT client{0, 0, 300, 200};
  struct Case {
    POINT at;
    bool keeps;
  };
  for (const Case c : {Case{{10, 10}, true}, Case{{0, 0}, true}, Case{{299, 199}, true}, Case{{-1, 50}, false},
                       Case{{50, -1}, false}, Case{{300, 50}, false}, Case{{50, 200}, false},
                       Case{{400, 500}, false}}) {
    EXPECT_EQ(GuideReleaseKeeps(c.at, client), c.keeps) << c.at.x << "," << c.at.y;
  }
  // The origin: over the corner both axes return to 0, over the top ruler
  // only y, over the left one only x; elsewhere the row counts from the top.
  const POINT image{40, 70};  // rows upward from the bottom of a 100-row image
  POINT o = OriginAfterRelease(POINT{kOriginAxisReset, kOriginAxisReset}, image, 100);
  EXPECT_EQ(o.x, 0);
  EXPECT_EQ(o.y, 0);
  o = OriginAfterRelease(POINT{40, kOriginAxisReset}, image, 100);
  EXPECT_EQ(o.x, 40);
  EXPECT_EQ(o.y, 0);
  o = OriginAfterRelease(POINT{kOriginAxisReset, 12}, image, 100);
  EXPECT_EQ(o.x, 0);
  EXPECT_EQ(o.y, 29);
  o = OriginAfterRelease(POINT{40, 12}, image, 100);
  EXPECT_EQ(o.x, 40);
  EXPECT_EQ(o.y, 29);
  // The draw context's grid starts at the top edge of that row.
  EXPECT_EQ(OriginForDrawContext(POINT{40, 29}, 100).y, 71);
  EXPECT_EQ(OriginForDrawContext(POINT{0, 0}, 100).y, 100);
}

}  // namespace
}  // namespace lumora
