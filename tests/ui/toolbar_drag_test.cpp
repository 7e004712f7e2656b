// Where a dragged button lands on a bar, and the block it travels in.
#include "ui/ToolbarDrag.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumora {
namespace {

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(InsertMark, HorizontalVerticalAndEmptyBars) {
  const RECT client{0, 0, 200, 60};
  // Two rows of 24 x 22 buttons: three on the first, one on the second.
  const std::vector<RECT> rows = {{0, 0, 24, 22}, {24, 0, 48, 22}, {56, 0, 80, 22}, {0, 24, 24, 46}};
  struct Case {
    POINT p;
    int index;
    RECT mark;
  };
  const Case horizontal[] = {
      {{5, 10}, 0, {0, 0, 6, 22}},       // near the first's left edge: kept inside the client
      {{20, 10}, 1, {21, 0, 27, 22}},    // nearer the right edge: after it
      {{52, 10}, 2, {53, 0, 59, 22}},    // in the gap: before the next
      {{150, 10}, 3, {77, 0, 83, 22}},   // past the row's end
      {{150, 30}, 4, {21, 24, 27, 46}},  // the second row's end
  };
  for (const Case& c : horizontal) {
    const InsertMark m = ComputeInsertMark(rows, false, c.p, client, 2);
    EXPECT_EQ(m.index, c.index) << c.p.x << "," << c.p.y;
    EXPECT_TRUE(Same(m.mark, c.mark)) << c.p.x << "," << c.p.y << ": " << m.mark.left << " " << m.mark.top;
  }
  const std::vector<RECT> column = {{0, 0, 24, 22}, {0, 22, 24, 44}, {0, 52, 24, 74}};
  const RECT tall{0, 0, 24, 76};
  const Case vertical[] = {
      {{10, 3}, 0, {0, 0, 24, 6}},    // kept inside at the top
      {{10, 40}, 2, {0, 41, 24, 47}},  // nearer the bottom of the second
      {{10, 48}, 2, {0, 49, 24, 55}},  // in the gap: before the third
      {{10, 75}, 3, {0, 70, 24, 76}},  // past the end, kept inside at the bottom
  };
  for (const Case& c : vertical) {
    const InsertMark m = ComputeInsertMark(column, true, c.p, tall, 2);
    EXPECT_EQ(m.index, c.index) << c.p.y;
    EXPECT_TRUE(Same(m.mark, c.mark)) << c.p.y << ": " << m.mark.top << " " << m.mark.bottom;
  }
  const InsertMark empty = ComputeInsertMark({}, false, {30, 5}, client, 2);
  EXPECT_EQ(empty.index, 0);
  EXPECT_TRUE(Same(empty.mark, client));
}

// The button under a point: the first of the searched ones whose
// rectangle holds it, the search's start and length clamped to the bar.
TEST(ButtonFromPoint, SearchesTheClampedRangeForTheFirstHit) {
  // Three buttons with a gap before the third, and a hidden one (empty).
  const std::vector<RECT> bar = {{0, 0, 24, 22}, {24, 0, 48, 22}, {56, 0, 80, 22}, {0, 0, 0, 0}};
  struct Case {
    int first, count;
    POINT p;
    int expected;
  } cases[] = {
      {0, 4, {5, 5}, 0},      {0, 4, {24, 21}, 1},   {0, 4, {48, 5}, -1},  // right edges are outside
      {0, 4, {60, 22}, -1},   {0, 4, {79, 0}, 2},    {1, 4, {5, 5}, -1},   // before the first searched
      {-5, 1, {5, 5}, 0},     {-5, 1, {30, 5}, -1},  {9, 1, {60, 5}, -1},  // past the end: the last, hidden
      {2, 99, {60, 5}, 2},    {0, 0, {5, 5}, -1},    {0, -3, {5, 5}, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ButtonIndexFromPoint(bar, c.first, c.count, c.p), c.expected)
        << c.first << " " << c.count << " " << c.p.x << "," << c.p.y;
  }
  EXPECT_EQ(ButtonIndexFromPoint({}, 0, 5, POINT{0, 0}), -1);
}

TEST(DraggedButton, BlockFieldsAndWhatADropMayDo) {
  DraggedButton b;
  b.bitmap = 7;
  b.command = 57600;
  b.state = 4;
  b.style = 0x10;
  b.data = 0xAABBCCDD;
  b.string = -1;
  b.control = 3;
  const auto block = EncodeDraggedButton(b);
  const std::array<std::uint8_t, 24> expected = {7, 0, 0, 0, 0x00, 0xE1, 0, 0, 4, 0x10, 0, 0,
                                                 0xDD, 0xCC, 0xBB, 0xAA, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0};
  EXPECT_EQ(block, expected);
  const auto back = DecodeDraggedButton(block.data(), block.size());
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->command, 57600);
  EXPECT_EQ(back->control, 3u);
  EXPECT_FALSE(DecodeDraggedButton(block.data(), 23).has_value());
  // Another process's control: its picture makes it a plain button.
  EXPECT_EQ(ClassifyDrop(*back, true, true), DropKind::kControl);
  EXPECT_EQ(ClassifyDrop(*back, false, true), DropKind::kPlainButton);
  EXPECT_EQ(ClassifyDrop(*back, false, false), DropKind::kRefused);
  b.control = 0;
  EXPECT_EQ(ClassifyDrop(b, false, false), DropKind::kRefused);
}

TEST(DraggedButton, CursorsByFeedbackAndKind) {
  struct Case {
    DragFeedback feedback;
    bool overBar, control;
    int cursor;
  } cases[] = {
      {DragFeedback::kNone, true, false, 133},  {DragFeedback::kMove, false, false, 133},
      {DragFeedback::kCopy, false, true, 148},  {DragFeedback::kNone, true, true, 148},
      {DragFeedback::kMove, true, false, 146},  {DragFeedback::kMove, true, true, 149},
      {DragFeedback::kCopy, true, false, 4},    {DragFeedback::kCopy, true, true, 147},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DragCursorId(c.feedback, c.overBar, c.control), c.cursor)
        << static_cast<int>(c.feedback) << " " << c.overBar << " " << c.control;
  }
}

TEST(ControlResize, EdgeGrabAndTheWidthsARelease) {
  // The control spans 10..60 (its right edge at 60).
  EXPECT_TRUE(OnControlResizeEdge(60, 60));
  EXPECT_TRUE(OnControlResizeEdge(56, 60));
  EXPECT_FALSE(OnControlResizeEdge(55, 60));
  EXPECT_FALSE(OnControlResizeEdge(61, 60));
  EXPECT_EQ(ResizedControlWidth(80, 10, 60), std::optional<int>(70));
  EXPECT_EQ(ResizedControlWidth(30, 10, 60), std::optional<int>(20));
  // Moves of 4 pixels or less change nothing; 5 do.
  EXPECT_EQ(ResizedControlWidth(64, 10, 60), std::nullopt);
  EXPECT_EQ(ResizedControlWidth(56, 10, 60), std::nullopt);
  EXPECT_EQ(ResizedControlWidth(65, 10, 60), std::optional<int>(55));
  EXPECT_EQ(ResizedControlWidth(55, 10, 60), std::optional<int>(45));
  // Never narrower than 5 pixels.
  EXPECT_EQ(ResizedControlWidth(14, 10, 60), std::nullopt);
  EXPECT_EQ(ResizedControlWidth(15, 10, 60), std::optional<int>(5));
  EXPECT_EQ(ResizedControlWidth(0, 10, 60), std::nullopt);
}

}  // namespace
}  // namespace lumora
