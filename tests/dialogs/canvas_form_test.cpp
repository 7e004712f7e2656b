// The canvas-size dialog without a window: units at the screen's
// resolution, the nine anchors and their icons, the result rectangle and
// its refusal of sizes outside 1..30000.
#include <gtest/gtest.h>

#include <array>

#include "dialogs/CanvasForm.h"
#include "res/resource.h"

namespace lumora {
namespace {

TEST(CanvasForm, SizesInEachUnitAtTheScreenResolution) {
  EXPECT_EQ(FormatCanvasSize(100, kCanvasInches, 96), "1.04");
  EXPECT_EQ(FormatCanvasSize(100, kCanvasCm, 96), "2.64");
  EXPECT_EQ(FormatCanvasSize(100, kCanvasPixels, 96), "100");
  EXPECT_EQ(ReadCanvasSize("1.04", kCanvasInches, 96), 99);  // trunc(96 x 1.04)
  EXPECT_EQ(ReadCanvasSize("1", kCanvasCm, 96), 37);  // 37.79: truncated
  EXPECT_EQ(ReadCanvasSize("250", kCanvasPixels, 96), 250);
  EXPECT_EQ(ReadCanvasSize("wide", kCanvasPixels, 96), 0);
}

TEST(CanvasForm, EveryAnchorKeepsTheImageInItsCell) {
  // Old 100 x 80, new 120 x 100; image rows count from the bottom, so the
  // top row of anchors keeps the old image's top (y + 100 = 80).
  const RECT expected[9] = {{0, -20, 120, 80},   {-10, -20, 110, 80}, {-20, -20, 100, 80},
                            {0, -10, 120, 90},   {-10, -10, 110, 90}, {-20, -10, 100, 90},
                            {0, 0, 120, 100},    {-10, 0, 110, 100},  {-20, 0, 100, 100}};
  for (int anchor = 0; anchor < 9; ++anchor) {
    SCOPED_TRACE(anchor);
    const RECT r = CanvasResultRect(100, 80, 120, 100, anchor);
    EXPECT_EQ(r.left, expected[anchor].left);
    EXPECT_EQ(r.top, expected[anchor].top);
    EXPECT_EQ(r.right, expected[anchor].right);
    EXPECT_EQ(r.bottom, expected[anchor].bottom);
  }
  // An odd shrink in the centre truncates toward zero.
  const RECT odd = CanvasResultRect(101, 81, 100, 80, kCentreAnchor);
  EXPECT_EQ(odd.left, 0);
  EXPECT_EQ(odd.top, 0);
}

TEST(CanvasForm, AnchorIconsPointOutWhenGrowingAndInWhenShrinking) {
  const std::array<int, 9> topLeft = AnchorIcons(0, true, true);
  const std::array<int, 9> expected = {IDI_ANCHOR_CENTRE, IDI_ANCHOR_RIGHT, 0, IDI_ANCHOR_DOWN, IDI_ANCHOR_DOWN_RIGHT,
                                       0, 0, 0, 0};
  EXPECT_EQ(topLeft, expected);
  const std::array<int, 9> centreShrinking = AnchorIcons(4, false, false);
  const std::array<int, 9> inward = {IDI_ANCHOR_DOWN_RIGHT, IDI_ANCHOR_DOWN, IDI_ANCHOR_DOWN_LEFT,
                                     IDI_ANCHOR_RIGHT,      IDI_ANCHOR_CENTRE, IDI_ANCHOR_LEFT,
                                     IDI_ANCHOR_UP_RIGHT,   IDI_ANCHOR_UP,     IDI_ANCHOR_UP_LEFT};
  EXPECT_EQ(centreShrinking, inward);
  // Wider but lower: the corners follow both, the sides their own axis.
  const std::array<int, 9> mixed = AnchorIcons(4, true, false);
  EXPECT_EQ(mixed[0], IDI_ANCHOR_DOWN_RIGHT);
  EXPECT_EQ(mixed[3], IDI_ANCHOR_LEFT);
  EXPECT_EQ(mixed[1], IDI_ANCHOR_DOWN);
}

TEST(CanvasForm, TypedSizesAnchorAndResult) {
  CanvasForm form;
  form.Open(100, 80, 96);
  EXPECT_EQ(form.WidthText(), "100");
  form.TextChanged(IDC_CANVAS_WIDTH, "120");
  form.TextChanged(IDC_CANVAS_HEIGHT, "100");
  form.TextChanged(IDC_CANVAS_HEIGHT, "-5");  // keeps the previous size
  EXPECT_EQ(form.NewHeight(), 100);
  form.AnchorChosen(0);
  EXPECT_EQ(form.Icons()[1], IDI_ANCHOR_RIGHT);
  EXPECT_EQ(form.Icons()[3], IDI_ANCHOR_DOWN);
  ASSERT_FALSE(form.Confirm());
  EXPECT_EQ(form.Result().top, -20);
  form.UnitChosen(kCanvasInches);
  EXPECT_EQ(form.WidthText(), "1.25");
  form.TextChanged(IDC_CANVAS_WIDTH, "2");
  EXPECT_EQ(form.NewWidth(), 192);
}

TEST(CanvasForm, SidesOutsideOneTo30000AreRefused) {
  for (const char* typed : {"0", "30001", "x"}) {
    SCOPED_TRACE(typed);
    CanvasForm form;
    form.Open(100, 80, 96);
    form.TextChanged(IDC_CANVAS_HEIGHT, typed);
    const std::optional<CanvasWarning> warning = form.Confirm();
    ASSERT_TRUE(warning);
    EXPECT_EQ(warning->focus, IDC_CANVAS_HEIGHT);
    EXPECT_EQ(warning->text, "Please enter an integer between 1 and 30000.");
    EXPECT_EQ(form.Result().bottom, 80);  // no result made
  }
}

}  // namespace
}  // namespace lumora
