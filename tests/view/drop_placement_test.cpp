// The drop targets' feedback rectangle, the dropped layer's move and the
// stream's resolution word.
#include <gtest/gtest.h>

#include "view/DropPlacement.h"

namespace lumora {
namespace {

TEST(DropPlacement, FeedbackIsCentredOnTheEntryPointUnlessThePointLiesInItsHome) {
  struct Case {
    POINT entry;
    RECT expected;
  } cases[] = {
      {{200, 100}, {185, 75, 215, 125}},
      {{10, 20}, {0, 0, 30, 50}},     // inside (0, 0, 30, 50): stays
      {{29, 49}, {0, 0, 30, 50}},     // the last pixel inside
      {{30, 10}, {15, -15, 45, 35}},  // the right edge is outside
      {{-7, -3}, {-22, -28, 8, 22}},
  };
  for (const Case& c : cases) {
    const RECT r = DropFeedbackRect(c.entry);
    EXPECT_TRUE(RectsEqual(r, c.expected)) << c.entry.x << "," << c.entry.y << " -> " << r.left << "," << r.top;
    EXPECT_EQ(RectWidth(r), kDropFeedbackWidth);
    EXPECT_EQ(RectHeight(r), kDropFeedbackHeight);
  }
}

TEST(DropPlacement, TheContentCentreLandsOnTheDropPoint) {
  const POINT move = DropOffset(POINT{50, 40}, POINT{200, 100});
  EXPECT_EQ(move.x, 150);
  EXPECT_EQ(move.y, 60);
  const POINT back = DropOffset(POINT{300, 10}, POINT{0, 0});
  EXPECT_EQ(back.x, -300);
  EXPECT_EQ(back.y, -10);
}

TEST(DropPlacement, TheResolutionWordDefaultsTo96WhenTheStreamIsShort) {
  const std::uint8_t word[] = {0x2C, 0x01, 0x96, 0x00};  // 300 x, 150 y
  EXPECT_EQ(DropResolutionWord(word, 4), 300u | (150u << 16));
  EXPECT_EQ(DropResolutionWord(word, 3), kDefaultDropResolution);
  EXPECT_EQ(DropResolutionWord(nullptr, 0), 96u | (96u << 16));
}

}  // namespace
}  // namespace lumora
