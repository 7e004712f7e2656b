// The export preview pane's layout: the six extent cases, resizing about
// the centre and keeping inside, the column map, the row copiers at odd
// lefts, the pane-to-image mapping and the zoom stops.
#include <gtest/gtest.h>

#include "files/PreviewLayout.h"

namespace lumora {
namespace {

struct ExtentCase {
  const char* what;
  int cw, ch, w, h;
  double s;
  bool fit;
  int cx, cy;
  RECT dest;
};

TEST(PreviewExtent, TheSixCases) {
  const ExtentCase cases[] = {
      // Fit: the whole image, the longer side filling the pane.
      {"fit, tall", 200, 100, 50, 400, 1.0, true, 50, 400, {94, 0, 106, 100}},
      {"fit, wide", 200, 100, 400, 50, 1.0, true, 400, 50, {0, 37, 200, 62}},
      // The whole image fits at scale 1: never enlarged.
      {"fits", 200, 100, 50, 40, 1.0, false, 50, 40, {75, 30, 125, 70}},
      {"fits zoomed in", 200, 100, 50, 40, 0.5, false, 50, 40, {50, 10, 150, 90}},
      // Narrower than the pane but taller: full height, centred across.
      {"narrow", 200, 100, 50, 400, 1.0, false, 50, 100, {75, 0, 125, 100}},
      // Wider but lower: full width, centred down.
      {"low", 200, 100, 400, 60, 1.0, false, 200, 60, {0, 20, 200, 80}},
      // Bigger both ways: the whole pane.
      {"big", 200, 100, 400, 300, 1.0, false, 200, 100, {0, 0, 200, 100}},
      {"big zoomed out", 200, 100, 1000, 800, 2.0, false, 400, 200, {0, 0, 200, 100}},
      {"no image", 200, 100, 0, 0, 1.0, false, 0, 0, {0, 0, 0, 0}},
  };
  for (const ExtentCase& c : cases) {
    SCOPED_TRACE(c.what);
    const PreviewExtent e = ComputePreviewExtent(c.cw, c.ch, c.w, c.h, c.s, c.fit);
    EXPECT_EQ(e.cx, c.cx);
    EXPECT_EQ(e.cy, c.cy);
    EXPECT_EQ(e.destination.left, c.dest.left);
    EXPECT_EQ(e.destination.top, c.dest.top);
    EXPECT_EQ(e.destination.right, c.dest.right);
    EXPECT_EQ(e.destination.bottom, c.dest.bottom);
  }
}

TEST(PreviewColumnMap, NearestColumnAndNeverPastTheVisibleEdge) {
  EXPECT_EQ(BuildColumnMap(4, 4), (std::vector<int>{0, 1, 2, 3}));
  // Reduced by 2: every other column.
  EXPECT_EQ(BuildColumnMap(4, 8), (std::vector<int>{0, 2, 4, 6}));
  // Enlarged by 4: each column four times; the half-pixel rounding would
  // give column 3 a fourth copy's neighbour 4, one past the edge.
  const std::vector<int> map = BuildColumnMap(16, 4);
  EXPECT_EQ(map.front(), 0);
  EXPECT_EQ(map.back(), 3);
  for (int v : map) EXPECT_LT(v, 4);
}

TEST(PreviewRowCopiers, OddLeftsForFourAndOneBit) {
  // Source 4-bit row: nibbles 0,1,2,...,15.
  const std::uint8_t nibbles[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  const int identity[5] = {0, 1, 2, 3, 4};
  std::uint8_t out[3] = {0xFF, 0xFF, 0xFF};
  CopyPreviewRow(kWAType4Bit, out, nibbles, 3, 5, identity);
  EXPECT_EQ(out[0], 0x34);
  EXPECT_EQ(out[1], 0x56);
  EXPECT_EQ(out[2] & 0xF0, 0x70);
  CopyPreviewRow(kWAType4Bit, out, nibbles, 4, 4, identity);
  EXPECT_EQ(out[0], 0x45);
  EXPECT_EQ(out[1], 0x67);

  // 1-bit: 0b10110011 0b01010101; from bit 5, ten pixels.
  const std::uint8_t bits[2] = {0xB3, 0x55};
  const int ten[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  std::uint8_t packed[2] = {0xFF, 0xFF};
  CopyPreviewRow(kWAType1Bit, packed, bits, 5, 10, ten);
  // Bits 5.. of the source: 0 1 1 | 0 1 0 1 0 1 0
  EXPECT_EQ(packed[0], 0x6A);
  EXPECT_EQ(packed[1], 0x80) << "the last partial byte keeps its low bits clear";

  // 24-bit through a map that repeats columns.
  const std::uint8_t rgb[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const int twice[4] = {0, 0, 1, 1};
  std::uint8_t wide[12] = {};
  CopyPreviewRow(kWAType24, wide, rgb, 1, 4, twice);
  EXPECT_EQ(wide[0], 4);
  EXPECT_EQ(wide[3], 4);
  EXPECT_EQ(wide[6], 7);
  EXPECT_EQ(wide[11], 9);
}

TEST(PreviewLayoutState, CentredAtFirstImageAndMappedBothWays) {
  PreviewLayout layout;
  layout.SetFitMode(false);
  layout.SetClient(100, 80);
  layout.SetImage(300, 200, true);
  layout.Recompute();
  EXPECT_EQ(layout.Visible().left, 100);
  EXPECT_EQ(layout.Visible().top, 60);
  EXPECT_EQ(layout.Visible().right, 200);
  // The pane's top-left pixel is the visible top-left, rows counted from
  // the bottom.
  POINT p = layout.ImagePointAt(0, 0);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 200 - 60 - 1);
  // Display row 0 (the bottom in buffer order) shows the visible bottom.
  EXPECT_EQ(layout.SourceRowOfDisplayRow(0), 200 - 140);
  EXPECT_EQ(layout.SourceRowOfDisplayRow(79), 200 - 60 - 1);

  // An image that fits: the right edge of the destination maps to x = w,
  // outside the image.
  layout.SetImage(40, 30, true);
  layout.Recompute();
  const RECT& d = layout.Destination();
  p = layout.ImagePointAt(d.right, d.top);
  EXPECT_EQ(p.x, 40);
  EXPECT_FALSE(layout.ImagePointInside(p));
  p = layout.ImagePointAt(d.right - 1, d.bottom - 1);
  EXPECT_EQ(p.x, 39);
  EXPECT_EQ(p.y, 0);
  EXPECT_TRUE(layout.ImagePointInside(p));
}

TEST(PreviewLayoutState, ZoomStopsResizeAboutTheCentreAndPanKeepsInside) {
  PreviewLayout layout;
  layout.SetFitMode(false);
  layout.SetClient(100, 100);
  layout.SetImage(1000, 1000, true);
  layout.Recompute();
  EXPECT_EQ(layout.Visible().left, 450);
  // Zoom in resizes about the centre.
  layout.ZoomIn();
  EXPECT_DOUBLE_EQ(layout.Scale(), 0.5);
  EXPECT_EQ(layout.Visible().left, 475);
  EXPECT_EQ(layout.Visible().right, 525);
  for (int i = 0; i < 10; ++i) layout.ZoomIn();
  EXPECT_DOUBLE_EQ(layout.Scale(), 1.0 / 32) << "32 screen pixels per image pixel at most";
  // Zoom out until the image would be 5 pixels or less.
  for (int i = 0; i < 20; ++i) layout.ZoomOut();
  EXPECT_DOUBLE_EQ(layout.Scale(), 128.0);
  EXPECT_GT(layout.Destination().right - layout.Destination().left, 5);

  layout.ActualSize();
  EXPECT_DOUBLE_EQ(layout.Scale(), 1.0);
  layout.Pan(-5000, 30);
  EXPECT_EQ(layout.Visible().left, 0);
  EXPECT_EQ(layout.Visible().right, 100);
  layout.Pan(5000, 5000);
  EXPECT_EQ(layout.Visible().right, 1000);
  EXPECT_EQ(layout.Visible().bottom, 1000);
  layout.CenterInFrame();
  EXPECT_EQ(layout.Visible().left, 450);
  EXPECT_EQ(layout.Visible().top, 450);

  // A new, smaller image without reset keeps the zoom, pushed inside.
  layout.ZoomIn();
  layout.Pan(400, 400);
  layout.SetImage(120, 90, false);
  layout.Recompute();
  EXPECT_DOUBLE_EQ(layout.Scale(), 0.5);
  EXPECT_LE(layout.Visible().right, 120);
  EXPECT_LE(layout.Visible().bottom, 90);
  EXPECT_GE(layout.Visible().left, 0);
}

TEST(PreviewRender, ShowsTheVisiblePixelsAndMarksTheHighlight) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 4, 3, nullptr));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      image->Row(y)[3 * x] = static_cast<std::uint8_t>(x);
      image->Row(y)[3 * x + 1] = static_cast<std::uint8_t>(y);
      image->Row(y)[3 * x + 2] = 200;
    }
  PreviewLayout layout;
  layout.SetFitMode(false);
  layout.SetClient(8, 6);
  layout.SetImage(4, 3, true);
  layout.ZoomIn();  // 2 screen pixels per image pixel: exactly the pane
  ASSERT_EQ(layout.Destination().right - layout.Destination().left, 8);
  WAPtr display = WAPtr::Adopt(NewWA(kWAType24, 8, 6, nullptr));
  RenderPreview(*image, display.get(), layout);
  PreviewHighlight highlight;
  const std::vector<std::uint32_t> plain = PreviewScreenPixels(*display, layout, highlight);
  // Screen row 0 is the image's top row (buffer row 2).
  EXPECT_EQ(plain[0], 0xC80200u);
  EXPECT_EQ(plain[7], 0xC80203u);
  EXPECT_EQ(plain[5 * 8], 0xC80000u);
  // Image pixel (1, 0) marked: the screen pixels showing it (columns 1
  // and 2 of the two bottom rows) become a checker, white where x + y is
  // even.
  highlight.on = true;
  highlight.colour = RGB(200, 0, 1);
  const std::vector<std::uint32_t> marked = PreviewScreenPixels(*display, layout, highlight);
  EXPECT_EQ(marked[4 * 8 + 1], 0u);
  EXPECT_EQ(marked[4 * 8 + 2], 0xFFFFFFu);
  EXPECT_EQ(marked[5 * 8 + 1], 0xFFFFFFu);
  EXPECT_EQ(marked[5 * 8 + 2], 0u);
  EXPECT_EQ(marked[4 * 8 + 3], plain[4 * 8 + 3]);
  EXPECT_EQ(marked[3 * 8 + 1], plain[3 * 8 + 1]);
}

}  // namespace
}  // namespace lumora
