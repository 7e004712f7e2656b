// Text fragments rasterised through GDI (Wine has no Arial: the face falls
// back to another font, so the checks are about shape, not exact pixels).
#include <gtest/gtest.h>

#include <cstring>

#include "tests/libs/fragment/fragment_test_util.h"

namespace lumora::testing {
namespace {

LOGFONTA Font(int height) {
  LOGFONTA f{};
  f.lfHeight = -height;
  f.lfWeight = 700;
  f.lfQuality = 0;
  std::strcpy(f.lfFaceName, "Arial");
  return f;
}

TEST(FragmentTextGdi, GlyphsCoverTheirBoundsTheRightWayUp) {
  const LOGFONTA font = Font(40);
  FrgPtr text(CreateTextFrg(100, 200, &font, "T", 0));
  LURECT b;
  ASSERT_EQ(GetFragmentBoundRect(text.get(), &b), 1);
  EXPECT_EQ(b.x, 100);
  EXPECT_EQ(b.y, 200);
  ASSERT_GT(b.width, 5);
  ASSERT_GE(b.height, 30);
  const Coverage c = ShapeOver(text.get(), b);
  EXPECT_GT(c.Sum(), 255 * 40);
  // The bar of a "T" is its widest row; rows count from the bottom, so it
  // lies in the upper half of the rectangle.
  int widestRow = 0;
  long long widest = -1;
  for (int y = b.y; y < b.y + b.height; ++y) {
    long long sum = 0;
    for (int x = b.x; x < b.x + b.width; ++x) sum += c.At(x, y);
    if (sum > widest) {
      widest = sum;
      widestRow = y;
    }
  }
  EXPECT_GT(widestRow, b.y + b.height / 2);
  // Nothing outside the bounds.
  const LURECT around{b.x - 3, b.y - 3, b.width + 6, b.height + 6};
  EXPECT_EQ(ShapeOver(text.get(), around).Sum(), c.Sum());
}

TEST(FragmentTextGdi, LongerTextIsWiderAndPointTestsFindTheStrokes) {
  const LOGFONTA font = Font(30);
  FrgPtr one(CreateTextFrg(0, 0, &font, "I", 0));
  FrgPtr many(CreateTextFrg(0, 0, &font, "IIIIIIII", 0));
  LURECT a, b;
  GetFragmentBoundRect(one.get(), &a);
  GetFragmentBoundRect(many.get(), &b);
  EXPECT_GT(b.width, 4 * a.width);
  EXPECT_EQ(a.height, b.height);
  const Coverage c = ShapeOver(one.get(), a);
  int covered = 0;
  for (int y = a.y; y < a.y + a.height; ++y) {
    for (int x = a.x; x < a.x + a.width; ++x) {
      if (c.At(x, y) < 200) continue;
      const POINT p{x, y};
      EXPECT_EQ(PointInFragment(one.get(), &p), 1) << x << "," << y;
      ++covered;
    }
  }
  EXPECT_GT(covered, 20);
}

TEST(FragmentTextGdi, MovedTextDrawsTheSamePixels) {
  const LOGFONTA font = Font(24);
  FrgPtr text(CreateTextFrg(10, 20, &font, "Ab", 0));
  LURECT b;
  GetFragmentBoundRect(text.get(), &b);
  const Coverage before = ShapeOver(text.get(), b);
  const POINT to{-50, 70};
  ASSERT_EQ(SetFragmentOriginPoint(text.get(), &to), 1);
  const Coverage after = ShapeOver(text.get(), R(-50, 70, b.width, b.height));
  EXPECT_EQ(after.bytes, before.bytes);
  FrgPtr inverted(CreateFragmentIndirect(text.get()));
  SetFrgInversion(inverted.get(), 1);
  FrgPtr smooth(GetSmoothMask(inverted.get()));
  EXPECT_EQ(IsFrgInverted(smooth.get()), 1);
}

}  // namespace
}  // namespace lumora::testing
