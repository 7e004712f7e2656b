// The preview switch nests: on again after as many enables as disables.
#include <gtest/gtest.h>

#include "hostapi/toolhost.h"

namespace {

TEST(LUPreview, NestsAndNeverGoesBelowOn) {
  EXPECT_TRUE(LUPreview_IsEnabled());
  LUPreview_Enable(0);
  LUPreview_Enable(0);
  LUPreview_Enable(1);
  EXPECT_FALSE(LUPreview_IsEnabled());
  LUPreview_Enable(1);
  EXPECT_TRUE(LUPreview_IsEnabled());
  LUPreview_Enable(1);  // an extra enable does not bank a later disable
  LUPreview_Enable(0);
  EXPECT_FALSE(LUPreview_IsEnabled());
  LUPreview_Enable(1);
  EXPECT_TRUE(LUPreview_IsEnabled());
}

}  // namespace
