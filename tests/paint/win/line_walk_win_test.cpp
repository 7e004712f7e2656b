// The stroke's line walk against the system's LineDDA, point for point.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "paint/LineWalk.h"

namespace {

struct Collected {
  std::vector<POINT> points;
};

void CALLBACK Collect(int x, int y, LPARAM data) {
  reinterpret_cast<Collected*>(data)->points.push_back(POINT{x, y});
}

TEST(LineWalkWin, SameAsLineDDA) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> coord(-300, 300);
  for (int i = 0; i < 5000; ++i) {
    // A few exact diagonals and axis lines besides the random ones.
    const int x0 = coord(random), y0 = coord(random);
    int x1 = coord(random), y1 = coord(random);
    if (i % 10 == 0) y1 = y0 + (x1 - x0);
    if (i % 10 == 1) y1 = y0;
    if (i % 10 == 2) x1 = x0 + 1;
    Collected system;
    ASSERT_TRUE(LineDDA(x0, y0, x1, y1, Collect, reinterpret_cast<LPARAM>(&system)));
    std::vector<POINT> ours;
    paint::WalkLine(x0, y0, x1, y1, [&](int x, int y) { ours.push_back(POINT{x, y}); });
    ASSERT_EQ(ours.size(), system.points.size()) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    for (std::size_t k = 0; k < ours.size(); ++k) {
      ASSERT_EQ(ours[k].x, system.points[k].x) << x0 << "," << y0 << " -> " << x1 << "," << y1 << " #" << k;
      ASSERT_EQ(ours[k].y, system.points[k].y) << x0 << "," << y0 << " -> " << x1 << "," << y1 << " #" << k;
    }
  }
}

}  // namespace
