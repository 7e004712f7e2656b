// Where the error box goes: centred over its owner, kept on the screen.
#include <gtest/gtest.h>

#include "app/ErrorBox.h"

namespace lumora {
namespace {

TEST(ErrorBoxPlacement, CentredThenPulledInsideTheScreen) {
  const RECT screen{0, 0, 1024, 768};
  const SIZE box{200, 100};
  struct Case {
    RECT owner;
    LONG left, top;
  };
  const Case cases[] = {
      {{100, 100, 500, 400}, 200, 200},    // centred
      {{900, 100, 1300, 400}, 824, 200},   // right edge beyond: moved back
      {{-300, -200, 100, 100}, 0, 0},      // negative: to the screen's edge
      {{100, 700, 500, 1000}, 200, 668},   // bottom edge beyond
      {{0, 0, 1024, 768}, 412, 334},
  };
  for (const Case& c : cases) {
    const POINT p = PlaceErrorBox(box, c.owner, screen);
    EXPECT_EQ(p.x, c.left) << c.owner.left;
    EXPECT_EQ(p.y, c.top) << c.owner.top;
  }
  // A box wider than the screen keeps its left edge visible.
  EXPECT_EQ(PlaceErrorBox(SIZE{2000, 100}, RECT{0, 0, 100, 100}, screen).x, 0);
}

}  // namespace
}  // namespace lumora
