// Rectangle helpers and the border split.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/rect.h"
#include "platform/reentrant_lock.h"

namespace lumora {
namespace {

::testing::AssertionResult SameRect(const RECT& a, const RECT& b) {
  if (RectsEqual(a, b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "{" << a.left << "," << a.top << "," << a.right << ","
                                       << a.bottom << "} != {" << b.left << "," << b.top << ","
                                       << b.right << "," << b.bottom << "}";
}

struct BorderCase {
  RECT outer, inner, top, left, right, bottom;
};

TEST(GetBorderRects, SplitsOuterMinusInnerIntoFourBands) {
  const BorderCase cases[] = {
      // inner well inside
      {{0, 0, 10, 10}, {2, 3, 7, 8}, {0, 0, 10, 3}, {0, 3, 2, 8}, {7, 3, 10, 8}, {0, 8, 10, 10}},
      // inner covers outer: every band empty
      {{0, 0, 10, 10}, {-5, -5, 20, 20}, {0, 0, 10, 0}, {0, 0, 0, 10}, {10, 0, 10, 10},
       {0, 10, 10, 10}},
      // inner sticks out at the left and top: edges clamped first
      {{0, 0, 10, 10}, {-4, -4, 5, 6}, {0, 0, 10, 0}, {0, 0, 0, 6}, {5, 0, 10, 6}, {0, 6, 10, 10}},
      // inner entirely outside to the right: clamped to the right edge
      {{0, 0, 10, 10}, {20, 2, 30, 4}, {0, 0, 10, 2}, {0, 2, 10, 4}, {10, 2, 10, 4},
       {0, 4, 10, 10}},
  };
  for (const BorderCase& c : cases) {
    RECT top, left, right, bottom;
    GetBorderRects(c.outer, c.inner, &top, &left, &right, &bottom);
    EXPECT_TRUE(SameRect(top, c.top));
    EXPECT_TRUE(SameRect(left, c.left));
    EXPECT_TRUE(SameRect(right, c.right));
    EXPECT_TRUE(SameRect(bottom, c.bottom));
  }
}

TEST(GetBorderRects, BandsAndInnerTileTheOuterRect) {
  const RECT outer{-3, 5, 17, 40};
  const RECT inner{4, 9, 11, 22};
  RECT bands[4];
  GetBorderRects(outer, inner, &bands[0], &bands[1], &bands[2], &bands[3]);
  for (LONG y = outer.top; y < outer.bottom; ++y) {
    for (LONG x = outer.left; x < outer.right; ++x) {
      int hits = RectContainsPoint(inner, x, y) ? 1 : 0;
      for (const RECT& b : bands) hits += RectContainsPoint(b, x, y) ? 1 : 0;
      ASSERT_EQ(hits, 1) << "pixel " << x << "," << y;
    }
  }
}

TEST(Rect, IntersectAndUnionFollowWin32) {
  RECT r;
  EXPECT_TRUE(RectIntersect(&r, {0, 0, 10, 10}, {5, 5, 20, 20}));
  EXPECT_TRUE(SameRect(r, {5, 5, 10, 10}));
  EXPECT_FALSE(RectIntersect(&r, {0, 0, 10, 10}, {10, 0, 20, 10}));
  EXPECT_TRUE(SameRect(r, {0, 0, 0, 0}));
  EXPECT_TRUE(RectUnion(&r, {0, 0, 0, 0}, {1, 2, 3, 4}));
  EXPECT_TRUE(SameRect(r, {1, 2, 3, 4}));
  EXPECT_TRUE(RectUnion(&r, {0, 0, 2, 2}, {5, 5, 6, 7}));
  EXPECT_TRUE(SameRect(r, {0, 0, 6, 7}));
}

TEST(ReentrantLockThreaded, OwnerReentersOthersWait) {
  ReentrantLock lock;
  lock.Lock();
  lock.Lock();  // must not deadlock
  bool otherGotIt = true;
  std::thread other([&] { otherGotIt = lock.TryLock(); });
  other.join();
  EXPECT_FALSE(otherGotIt);
  lock.Unlock();
  lock.Unlock();
  std::thread later([&] {
    otherGotIt = lock.TryLock();
    if (otherGotIt) lock.Unlock();
  });
  later.join();
  EXPECT_TRUE(otherGotIt);
}

}  // namespace
}  // namespace lumora
