// The preferences pages' arithmetic: the memory share's bounds and labels,
// and the clamped choices.
#include <gtest/gtest.h>

#include <cstdint>

#include "dialogs/PreferencesForm.h"

namespace lumora {
namespace {

constexpr std::uint64_t kMB = 1024 * 1024;

TEST(PreferencesForm, MemoryShareBoundsAndLabels) {
  struct Case {
    std::uint64_t total;
    int lowest;
  };
  // 1 MB is 3 % of 32 MB; from 64 MB on the share can go down to 1 %.
  for (const Case& c : {Case{32 * kMB, 3}, Case{33 * kMB, 3}, Case{50 * kMB, 2}, Case{64 * kMB, 1},
                        Case{16384 * kMB, 1}, Case{1 * kMB, 100}, Case{512 * 1024, 100}, Case{0, 1}}) {
    EXPECT_EQ(MemoryPercentLowerBound(c.total), c.lowest) << c.total;
  }
  EXPECT_EQ(KilobytesText(256 * kMB), "262 144 KB");
  EXPECT_EQ(KilobytesText(1023), "0 KB");
  EXPECT_EQ(KilobytesText(999 * 1024), "999 KB");
  EXPECT_EQ(KilobytesText(1000 * 1024), "1 000 KB");
  EXPECT_EQ(KilobytesText(16384 * kMB), "16 777 216 KB");
  EXPECT_EQ(MemoryShareText(256 * kMB, 50), "131 072 KB");
  EXPECT_EQ(MemoryShareText(256 * kMB, 30), "78 643 KB");  // 80530636.8 bytes
  // A total near the 64-bit top does not wrap.
  EXPECT_EQ(MemoryShareText(UINT64_MAX, 100), KilobytesText(UINT64_MAX));
}

TEST(PreferencesForm, ChoicesAreClampedToTheirLists) {
  EXPECT_EQ(ClampUndoDepth(0), 1);
  EXPECT_EQ(ClampUndoDepth(-5), 1);
  EXPECT_EQ(ClampUndoDepth(150), 100);
  EXPECT_EQ(ClampUndoDepth(3), 3);
  EXPECT_EQ(ClampPickerChoice(-1), 0);
  EXPECT_EQ(ClampPickerChoice(7), 2);
  EXPECT_EQ(ClampAnimationSpeed(9), 3);
  EXPECT_EQ(ClampAnimationSpeed(-2), 0);
}

}  // namespace
}  // namespace lumora
