// The printing library's page arithmetic: where the image goes, the marks
// around it, and the bands its rows are sent in.
#include <gtest/gtest.h>

#include "libs/print/layout.h"

namespace lumora::print {
namespace {

// A4 at 300 dots per inch with a 50-pixel unprintable border.
PageGeometry A4() {
  PageGeometry g;
  g.pageWidth = 2480;
  g.pageHeight = 3508;
  g.offsetX = g.offsetY = 50;
  g.printableWidth = 2380;
  g.printableHeight = 3408;
  g.dpiX = g.dpiY = 300;
  return g;
}

TEST(PrintLayout, ImageCentredAtItsResolutionScaledDownOrFitted) {
  const PageGeometry page = A4();
  PageSetup setup;  // 10 mm margins = 118 pixels, inside the unprintable 50
  struct Case {
    const char* what;
    bool fit;
    int w, h, dpi;
    Box expected;  // printable-area coordinates
  };
  // Room: x 118 .. 2362 (2244 wide), y 118 .. 3390 (3272 high).
  const Case cases[] = {
      {"natural size fits", false, 2000, 1500, 300, {68 + 122, 68 + 886, 68 + 122 + 2000, 68 + 886 + 1500}},
      {"72 dpi is larger than the room: scaled down, never cropped", false, 2000, 1500, 72,
       {68, 68 + (3272 - 1683) / 2, 68 + 2244, 68 + (3272 - 1683) / 2 + 1683}},
      {"no resolution counts as 72", false, 2000, 1500, 0,
       {68, 68 + (3272 - 1683) / 2, 68 + 2244, 68 + (3272 - 1683) / 2 + 1683}},
      {"fit enlarges a small image", true, 100, 100, 300, {68, 68 + 514, 68 + 2244, 68 + 514 + 2244}},
      {"a small image keeps its size", false, 100, 100, 300, {68 + 1072, 68 + 1586, 68 + 1172, 68 + 1686}},
  };
  for (const Case& c : cases) {
    setup.fit = c.fit;
    const Box b = PlaceImage(page, setup, c.w, c.h, c.dpi, c.dpi);
    EXPECT_EQ(b.left, c.expected.left) << c.what;
    EXPECT_EQ(b.top, c.expected.top) << c.what;
    EXPECT_EQ(b.right, c.expected.right) << c.what;
    EXPECT_EQ(b.bottom, c.expected.bottom) << c.what;
  }
  // Margins inside the unprintable border give way to it; margins that
  // leave nothing give no place.
  setup = PageSetup{0, 0, 0, 0, true};
  const Box whole = PlaceImage(page, setup, 2380, 3408, 300, 300);
  EXPECT_EQ(whole.left, 0);
  EXPECT_EQ(whole.top, 0);
  EXPECT_EQ(whole.Width(), 2380);
  EXPECT_EQ(whole.Height(), 3408);
  setup = PageSetup{11000, 1000, 11000, 1000, false};
  EXPECT_TRUE(PlaceImage(page, setup, 10, 10, 300, 300).Empty());
  EXPECT_TRUE(PlaceImage(page, PageSetup{}, 0, 10, 300, 300).Empty());
  // Room kept for marks and a caption.
  const Box marked = PlaceImage(page, PageSetup{0, 0, 0, 0, true}, 2380, 3408, 300, 300, 100, 60);
  EXPECT_GE(marked.left, 100);
  EXPECT_LE(marked.right, 2380 - 100);
  EXPECT_GE(marked.top, 100);
  EXPECT_LE(marked.bottom, 3408 - 160);
}

TEST(PrintLayout, MarksLieOutsideTheImageAtFixedDistances) {
  const Box image{300, 400, 1300, 1200};
  const Marks m = PlaceMarks(image, 300, 300);
  ASSERT_EQ(m.crop.size(), 8u);
  EXPECT_EQ(MarkGap(300), 37);
  EXPECT_EQ(MarkLength(300), 150);
  for (const Line& l : m.crop) {
    for (const auto& [x, y] : {std::pair{l.x0, l.y0}, std::pair{l.x1, l.y1}}) {
      const bool inside = x >= image.left && x < image.right && y >= image.top && y < image.bottom;
      EXPECT_FALSE(inside) << x << "," << y;
    }
    // Each continues an edge: horizontal on the top or bottom row, vertical
    // on the left or right column.
    if (l.y0 == l.y1) {
      EXPECT_TRUE(l.y0 == image.top || l.y0 == image.bottom - 1);
      EXPECT_EQ(std::abs(l.x1 - l.x0), 150);
    } else {
      EXPECT_TRUE(l.x0 == image.left || l.x0 == image.right - 1);
      EXPECT_EQ(std::abs(l.y1 - l.y0), 150);
    }
  }
  // Top, right, bottom, left registration marks in the middle of each side.
  EXPECT_EQ(m.registrationX[0], 800);
  EXPECT_EQ(m.registrationY[0], 400 - 37 - 75);
  EXPECT_EQ(m.registrationY[1], 800);
  EXPECT_EQ(m.registrationX[1], 1299 + 37 + 75);
  EXPECT_EQ(m.registrationY[2], 1199 + 37 + 75);
  EXPECT_EQ(m.registrationX[3], 300 - 37 - 75);
  EXPECT_EQ(m.captionX, 800);
  EXPECT_EQ(m.captionY, 1200 + 37 + 150 + 37);
}

TEST(PrintLayout, BandsAreBoundedAndMeetExactly) {
  EXPECT_EQ(BandRows(6000, 1500, 4u << 20), 699);
  EXPECT_EQ(BandRows(6000, 100, 4u << 20), 100);
  EXPECT_EQ(BandRows(6000, 1500, 100), 1);
  EXPECT_EQ(BandRows(0, 1500, 100), 1500);
  // 1500 rows in bands of 699 onto 1683 device rows: no gap, no overlap.
  int covered = 0;
  for (int top = 0; top < 1500; top += 699) {
    const int bottom = std::min(1500, top + 699);
    EXPECT_EQ(BandEdge(top, 1500, 1683), covered);
    covered = BandEdge(bottom, 1500, 1683);
  }
  EXPECT_EQ(covered, 1683);
}

// A picture with more pixels than the device has where it goes is sent at
// the device's resolution: each device pixel takes the source pixel under
// its centre, in order, never outside; at equal sizes nothing is dropped.
TEST(PrintLayout, DevicePixelsTakeTheSourcePixelUnderTheirCentre) {
  EXPECT_EQ(SourceIndex(0, 2, 4), 1);
  EXPECT_EQ(SourceIndex(1, 2, 4), 3);
  EXPECT_EQ(SourceIndex(0, 3, 4), 0);
  EXPECT_EQ(SourceIndex(1, 3, 4), 2);
  EXPECT_EQ(SourceIndex(2, 3, 4), 3);
  for (const auto& [dest, source] : {std::pair{2380, 4000}, std::pair{1785, 3000}, std::pair{999, 1000},
                                     std::pair{1, 4000}, std::pair{4000, 4000}}) {
    int last = -1;
    for (int d = 0; d < dest; ++d) {
      const int s = SourceIndex(d, dest, source);
      ASSERT_GT(s, last) << dest << " of " << source;
      ASSERT_LT(s, source);
      if (dest == source) ASSERT_EQ(s, d);
      last = s;
    }
  }
  const std::uint8_t row[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  std::uint8_t out[6] = {};
  PickColumns(row, 3, {3, 1}, out);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 6), (std::vector<std::uint8_t>{10, 11, 12, 4, 5, 6}));
  PickColumns(row, 1, {11, 0, 5}, out);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 3), (std::vector<std::uint8_t>{12, 1, 6}));
}

}  // namespace
}  // namespace lumora::print
