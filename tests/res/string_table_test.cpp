// The string table generated from the resource script: lookups, inserts,
// and the engine's texts that come from it.
#include <gtest/gtest.h>

#include "engine/blend/MergeModes.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace {

TEST(StringTable, LooksUpTextsById) {
  EXPECT_EQ(res::String(IDS_APP_TITLE), "Lumora 4.0");
  EXPECT_EQ(res::String(IDS_ERROR_CAPTION), "Lumora 4.0 Error");
  EXPECT_EQ(res::String(IDS_PROCESSING), "Processing...");
  EXPECT_EQ(res::String(IDS_CANT_OPEN_WORKSPACE), "Can't open workspace entry \"%s\".");
  EXPECT_EQ(res::String(IDS_NO_MOUSE).substr(0, 7), "ERROR:\n");
  EXPECT_EQ(res::String(IDS_FW_RANGE_REAL), "Type a number from %1 to %2.");
  EXPECT_TRUE(res::HasString(IDS_MERGE_COLOR_BURN));
  EXPECT_FALSE(res::HasString(1));
  EXPECT_EQ(res::String(1), "");
  const auto all = res::AllStrings();
  for (std::size_t i = 1; i < all.size(); ++i) EXPECT_LT(all[i - 1].id, all[i].id);
}

TEST(StringTable, FormatsInserts) {
  EXPECT_EQ(res::FormatString(IDS_FW_RANGE_INT, {"1", "100"}), "Type a whole number from 1 to 100.");
  EXPECT_EQ(res::FormatText("%2-%1 100%% %3", {"a", "b"}), "b-a 100% ");
  EXPECT_EQ(res::FormatText("%", {}), "%");
  EXPECT_EQ(res::FormatText("%0 %a", {"x"}), "%0 %a");
}

TEST(StringTable, MergeModeNamesComeFromTheTable) {
  for (const auto& mode : lumora::kMergeModeNames) {
    EXPECT_EQ(GetMergeModeName(mode.code), res::String(static_cast<std::uint32_t>(mode.stringId)));
  }
}

}  // namespace
