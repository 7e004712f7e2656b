// The resize bar's handles, hits, cursors and dragged rectangles.
#include <gtest/gtest.h>

#include <string>

#include "framework/ResizeTracker.h"

namespace {

using fw::TrackerHit;

std::string Show(const RECT& r) {
  return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "}";
}

constexpr RECT kInner{20, 10, 260, 200};  // 240 x 190
constexpr int kWidth = 4;

TEST(ResizeTracker, HandlesLieOutsideTheObjectAtItsCornersAndEdgeMiddles) {
  struct Case {
    TrackerHit handle;
    RECT rect;
  } cases[] = {
      {TrackerHit::kTopLeft, {16, 6, 20, 10}},       {TrackerHit::kTopRight, {260, 6, 264, 10}},
      {TrackerHit::kBottomRight, {260, 200, 264, 204}}, {TrackerHit::kBottomLeft, {16, 200, 20, 204}},
      {TrackerHit::kTop, {138, 6, 142, 10}},         {TrackerHit::kRight, {260, 103, 264, 107}},
      {TrackerHit::kBottom, {138, 200, 142, 204}},   {TrackerHit::kLeft, {16, 103, 20, 107}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(fw::TrackerHandleRect(kInner, kWidth, c.handle)), Show(c.rect)) << static_cast<int>(c.handle);
  }
  EXPECT_EQ(Show(fw::OutsetRect(kInner, kWidth)), Show(RECT{16, 6, 264, 204}));
}

TEST(ResizeTracker, PointsHitHandlesThenTheBorderAndShowTheirCursors) {
  struct Case {
    POINT point;
    TrackerHit hit;
    fw::TrackerCursor cursor;
  } cases[] = {
      {{16, 6}, TrackerHit::kTopLeft, fw::TrackerCursor::kSizeNWSE},
      {{263, 203}, TrackerHit::kBottomRight, fw::TrackerCursor::kSizeNWSE},
      {{262, 8}, TrackerHit::kTopRight, fw::TrackerCursor::kSizeNESW},
      {{17, 202}, TrackerHit::kBottomLeft, fw::TrackerCursor::kSizeNESW},
      {{140, 7}, TrackerHit::kTop, fw::TrackerCursor::kSizeNS},
      {{141, 203}, TrackerHit::kBottom, fw::TrackerCursor::kSizeNS},
      {{18, 105}, TrackerHit::kLeft, fw::TrackerCursor::kSizeWE},
      {{263, 104}, TrackerHit::kRight, fw::TrackerCursor::kSizeWE},
      {{60, 7}, TrackerHit::kBorder, fw::TrackerCursor::kArrow},    // top border between handles
      {{18, 150}, TrackerHit::kBorder, fw::TrackerCursor::kArrow},  // left border
      {{100, 100}, TrackerHit::kNothing, fw::TrackerCursor::kArrow},  // the object itself
      {{264, 204}, TrackerHit::kNothing, fw::TrackerCursor::kArrow},  // just outside (right, bottom exclusive)
      {{15, 50}, TrackerHit::kNothing, fw::TrackerCursor::kArrow},
  };
  for (const Case& c : cases) {
    const TrackerHit hit = fw::HitTestTracker(kInner, kWidth, c.point);
    EXPECT_EQ(static_cast<int>(hit), static_cast<int>(c.hit)) << c.point.x << "," << c.point.y;
    EXPECT_EQ(static_cast<int>(fw::CursorForHit(hit)), static_cast<int>(c.cursor)) << c.point.x << "," << c.point.y;
  }
}

TEST(ResizeTracker, ADraggedHandleMovesItsEdgesOnly) {
  struct Case {
    const char* name;
    TrackerHit handle;
    int dx, dy;
    RECT expected;
  } cases[] = {
      {"bottom right grows", TrackerHit::kBottomRight, 30, 20, {20, 10, 290, 220}},
      {"top left shrinks", TrackerHit::kTopLeft, 10, 5, {30, 15, 260, 200}},
      {"top right", TrackerHit::kTopRight, -40, -3, {20, 7, 220, 200}},
      {"bottom left", TrackerHit::kBottomLeft, -5, 7, {15, 10, 260, 207}},
      {"right ignores dy", TrackerHit::kRight, 12, 50, {20, 10, 272, 200}},
      {"bottom ignores dx", TrackerHit::kBottom, 50, -90, {20, 10, 260, 110}},
      {"left past the right edge turns over", TrackerHit::kLeft, 300, 0, {260, 10, 320, 200}},
      {"top onto the bottom edge keeps a pixel", TrackerHit::kTop, 0, 190, {20, 199, 260, 200}},
      {"right onto the left edge keeps a pixel", TrackerHit::kRight, -240, 0, {20, 10, 21, 200}},
      {"the border changes nothing", TrackerHit::kBorder, 30, 30, kInner},
      {"nothing changes nothing", TrackerHit::kNothing, 30, 30, kInner},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(fw::DragTrackerHandle(kInner, c.handle, c.dx, c.dy)), Show(c.expected)) << c.name;
  }
}

}  // namespace
