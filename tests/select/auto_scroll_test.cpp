// One step of scrolling during a drag: which bars scroll and whether the
// drag gets a synthetic move.
#include <gtest/gtest.h>

#include <vector>

#include "select/AutoScrollStep.h"

namespace lumora {
namespace {

TEST(AutoScroll, StepFromCursorAndBars) {
  const RECT client{0, 0, 200, 100};
  const ScrollBarState mid{true, 0, 500, 100};
  const ScrollBarState atMin{true, 0, 500, 0};
  const ScrollBarState none{};
  struct Case {
    POINT cursor;
    bool owner;
    ScrollBarState h, v;
    int dh, dv;
    bool move;
  };
  const std::vector<Case> cases = {
      {{50, 50}, true, mid, mid, 0, 0, false},     // inside
      {{200, 50}, true, mid, mid, 1, 0, true},     // on the right edge: outside
      {{250, 150}, true, mid, mid, 1, 1, true},    // beyond the corner
      {{-5, 50}, true, atMin, mid, 0, 0, false},   // left, already at the start
      {{-5, -5}, true, atMin, mid, 0, -1, true},   // still scrolls up
      {{-5, -5}, true, none, none, 0, 0, false},   // no bars
      {{300, 50}, false, mid, mid, 0, 0, false},   // no owner
      {{300, 50}, true, {true, 0, 500, 500}, mid, 0, 0, false},  // at the end
  };
  for (const Case& c : cases) {
    const AutoScrollStep step = DecideAutoScroll(c.cursor, client, c.owner, c.h, c.v);
    EXPECT_EQ(step.horizontal, c.dh) << c.cursor.x << "," << c.cursor.y;
    EXPECT_EQ(step.vertical, c.dv) << c.cursor.x << "," << c.cursor.y;
    EXPECT_EQ(step.postMove, c.move) << c.cursor.x << "," << c.cursor.y;
  }
}

}  // namespace
}  // namespace lumora
