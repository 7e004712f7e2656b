// The shape tools' rendering through the real layer engine: fills in each
// style on colour and grey layers, the ellipse's inside test, Shift-free
// corners in any order, the selection limit, and the layer's last row and
// column.
#include <gtest/gtest.h>

#include "paint/BrushRandom.h"
#include "paint/PaintBrush.h"
#include "paint/ShapeFill.h"
#include "stroke_support.h"

namespace {

using painttest::FakeDocument;

struct Shape {
  SeededBrushRandom random{3};
  paint::CPaintBrush brush{32894, 1, random};
  Shape() {
    brush.SetPaintAtButtonDown(false);
    brush.SetColours(RGB(200, 10, 20), RGB(0, 0, 255));
  }
  bool Render(FakeDocument& doc, POINT p0, POINT p1, int style, bool ellipse) {
    EXPECT_TRUE(brush.ButtonDown(&doc, p0.x, p0.y));
    const bool ok = brush.RenderBox(p0, p1, style, ellipse, nullptr);
    brush.ButtonUp();
    return ok;
  }
};

TEST(ShapeFill, EllipseInsideTest) {
  const paint::EllipseInside e(POINT{0, 0}, POINT{20, 10});  // a = 10, b = 5, centre (10, 5)
  EXPECT_TRUE(e(10, 5));
  EXPECT_TRUE(e(0, 5));    // dx = -10 on the axis
  EXPECT_TRUE(e(10, 0));
  EXPECT_FALSE(e(1, 1));   // a corner of the box
  EXPECT_FALSE(e(20, 10));
  const paint::EllipseInside tall(POINT{5, 0}, POINT{9, 20});  // a <= b branch
  EXPECT_TRUE(tall(7, 10));
  EXPECT_FALSE(tall(5, 1));
  const paint::EllipseInside flat(POINT{0, 3}, POINT{20, 3});  // b = 0: nothing inside
  EXPECT_FALSE(flat(10, 3));
}

TEST(ShapeFill, StylesOnColourAndGrey) {
  struct Case {
    int type;
    int style;
    int centre;   // byte 0 at the centre
    int outline;  // byte 0 on the outline (the brush's foreground)
  };
  const Case cases[] = {
      {kWAType24, 1, 20, 20},     // foreground fill (blue byte), no outline
      {kWAType24, 2, 255, 20},    // background fill, outline in the foreground
      {kWAType24, 0, 100, 20},    // outline only
      {kWAType8Grey, 1, (30 * 200 + 59 * 10 + 11 * 20) / 100, (30 * 200 + 59 * 10 + 11 * 20) / 100},
      {kWAType8Grey, 2, 11 * 255 / 100, (30 * 200 + 59 * 10 + 11 * 20) / 100},  // grey of pure blue
  };
  for (const Case& c : cases) {
    FakeDocument doc(32, 32, c.type, RECT{0, 0, 32, 32});
    Shape shape;
    // Corners in either order.
    EXPECT_TRUE(shape.Render(doc, POINT{25, 20}, POINT{5, 4}, c.style, false));
    EXPECT_EQ(doc.Byte(15, 12), c.centre) << c.type << " style " << c.style;
    EXPECT_EQ(doc.Byte(5, 12), c.outline) << c.type << " style " << c.style;
    EXPECT_EQ(doc.Byte(2, 2), 100) << "outside";
    EXPECT_EQ(doc.undoSteps.size(), 1u);
    EXPECT_EQ(doc.stack->GetLayerCount(), 1);
  }
}

TEST(ShapeFill, EllipseFillsOnlyItsInside) {
  FakeDocument doc(40, 40, kWAType24, RECT{0, 0, 40, 40});
  Shape shape;
  EXPECT_TRUE(shape.Render(doc, POINT{4, 4}, POINT{36, 24}, 1, true));
  const paint::EllipseInside inside(POINT{4, 4}, POINT{36, 24});
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) EXPECT_EQ(doc.Byte(x, y), inside(x, y) ? 20 : 100) << x << "," << y;
}

TEST(ShapeFill, ReachesTheLayersLastRowAndColumn) {
  FakeDocument doc(16, 16, kWAType24, RECT{0, 0, 16, 16});
  Shape shape;
  EXPECT_TRUE(shape.Render(doc, POINT{8, 8}, POINT{15, 15}, 1, false));
  EXPECT_EQ(doc.Byte(15, 15), 20);
  EXPECT_EQ(doc.Byte(15, 8), 20);
  EXPECT_EQ(doc.Byte(8, 15), 20);
}

TEST(ShapeFill, SelectionLimitsTheFill) {
  FakeDocument doc(16, 16, kWAType24, RECT{0, 0, 16, 16});
  Shape shape;
  std::vector<std::uint8_t> mask(8 * 16, 255);
  shape.brush.SetSelection(mask.data(), RECT{0, 0, 8, 16}, false);  // the left half
  EXPECT_TRUE(shape.Render(doc, POINT{2, 2}, POINT{13, 13}, 1, false));
  EXPECT_EQ(doc.Byte(5, 8), 20);
  EXPECT_EQ(doc.Byte(10, 8), 100) << "outside the selection";
}

TEST(ShapeFill, PolygonInsideByPixelCentresWithSignedVertices) {
  const paint::PolygonInside square({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  EXPECT_EQ(square.Bounds().right, 11);
  int count = 0;
  for (int y = -2; y < 14; ++y)
    for (int x = -2; x < 14; ++x) count += square(x, y) ? 1 : 0;
  EXPECT_EQ(count, 100);
  EXPECT_TRUE(square(0, 0));
  EXPECT_TRUE(square(9, 9));
  EXPECT_FALSE(square(10, 5));
  // A vertex left of the image keeps its sign: no wrap to a huge bound.
  const paint::PolygonInside left({{-5, 0}, {10, 0}, {10, 10}});
  EXPECT_EQ(left.Bounds().left, -5);
  EXPECT_TRUE(left(8, 1));
  EXPECT_FALSE(left(0, 8)) << "above the diagonal";
  EXPECT_TRUE(left(-3, 0));
}

TEST(ShapeFill, PolygonFilledByForegroundStillGetsAnOutline) {
  FakeDocument doc(40, 40, kWAType24, RECT{0, 0, 40, 40});
  Shape shape;
  shape.brush.SetColours(RGB(200, 10, 20), RGB(0, 0, 255));
  shape.brush.SetWidth(3, 0, 0);
  std::vector<POINT> v{{5, 5}, {30, 5}, {30, 30}, {5, 5}};
  ASSERT_TRUE(shape.brush.ButtonDown(&doc, 5, 5));
  ASSERT_TRUE(shape.brush.RenderPolygon(&v, 2, nullptr));  // background fill, foreground outline
  shape.brush.ButtonUp();
  EXPECT_EQ(doc.Byte(25, 10), 255) << "inside: the background";
  EXPECT_EQ(doc.Byte(17, 5), 20) << "on the top edge: the brush";
  EXPECT_EQ(doc.Byte(8, 25), 100) << "outside the triangle";
  EXPECT_EQ(doc.undoSteps.size(), 1u);
}

}  // namespace
