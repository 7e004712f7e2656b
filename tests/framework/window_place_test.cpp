// Where a window opens that nothing else places: centred over its owner and
// kept on the work area.
#include <gtest/gtest.h>

#include "framework/WindowPlace.h"

namespace {

struct PlaceCase {
  const char* what;
  SIZE window;
  RECT over;
  POINT expected;
};

TEST(CentredPlace, CentresOverTheOwnerAndKeepsTheCaptionOnTheWorkArea) {
  const RECT work{0, 0, 1280, 1000};
  const PlaceCase cases[] = {
      {"centred", {400, 300}, {24, 24, 1254, 998}, {439, 361}},
      {"odd spare room rounds down", {401, 301}, {0, 0, 1000, 800}, {299, 249}},
      {"larger than the owner: half the excess to each side", {300, 200}, {100, 100, 201, 151}, {0, 25}},
      {"past the right and bottom: moved back", {400, 300}, {1100, 900, 1300, 1000}, {880, 700}},
      {"past the left and top: moved in", {400, 300}, {-300, -200, 0, 0}, {0, 0}},
      {"larger than the area: the top-left stays on it", {1500, 1200}, {0, 0, 1280, 1000}, {0, 0}},
  };
  for (const PlaceCase& c : cases) {
    const POINT at = fw::CentredPlace(c.window, c.over, work);
    EXPECT_EQ(at.x, c.expected.x) << c.what;
    EXPECT_EQ(at.y, c.expected.y) << c.what;
  }
  // A work area that does not start at the origin (a second monitor).
  const POINT at = fw::CentredPlace(SIZE{200, 100}, RECT{-1000, 0, -900, 50}, RECT{-1280, 0, 0, 1024});
  EXPECT_EQ(at.x, -1050);
  EXPECT_EQ(at.y, 0);
}

}  // namespace
