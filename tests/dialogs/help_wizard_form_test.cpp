// The help wizard's tables against the registered tools, its command-text
// splitting and the region of its third page.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "dialogs/HelpWizardForm.h"
#include "hostapi/toolhost.h"
#include "lang/ToolHostAdapters.h"
#include "lang/ToolRunner.h"
#include "res/StringTable.h"

namespace lumora::dialogs {
namespace {

TEST(HelpWizardForm, CommandTextsSplitIntoFormatPresetsAndTool) {
  struct Case {
    const char* text;
    const char* format;
    std::vector<std::string> presets;
    const char* tool;
  };
  const Case cases[] = {
      {"%d,%d#3,3#10,10$vr_rsmooth", "%d,%d", {"3,3", "10,10"}, "vr_rsmooth"},
      {"%d,%d,%d,%d#3,3,0,0$outline_filt", "%d,%d,%d,%d", {"3,3,0,0"}, "outline_filt"},
      {"$Canvas", "", {}, "Canvas"},
      // The entry that begins with '#' reads as if it did not.
      {"#%d,%d#50,10$Eroded", "%d,%d", {"50,10"}, "Eroded"},
      {"%c,%d#{0,0,0},25#{0,0,0},50$vr_pagec", "%c,%d", {"{0,0,0},25", "{0,0,0},50"}, "vr_pagec"},
      {"%d#1#2#3#4#5#6#7#8#9#10#11#12$many", "%d", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, "many"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedEffect parsed = ParseEffectCommand(c.text);
    EXPECT_EQ(parsed.format, c.format);
    EXPECT_EQ(parsed.presets, c.presets);
    EXPECT_EQ(parsed.tool, c.tool);
  }
}

TEST(HelpWizardForm, RegionIsTheSquareAroundThePosition) {
  const WizardRegion r = RegionOf(200, 100, 50, 50, 50);
  EXPECT_EQ(r.left, 75);
  EXPECT_EQ(r.top, 25);
  EXPECT_EQ(r.side, 50);
  // Window order to image rows: the square's lower edge, counted from the bottom.
  const WizardRegion high = RegionOf(200, 100, 20, 10, 20);
  EXPECT_EQ(high.side, 20);
  EXPECT_EQ(high.left, 10);
  EXPECT_EQ(high.top, 10);
  const ImagePoint corner = ImageCornerOfRegion(high, 100);
  EXPECT_EQ(corner.x, 10);
  EXPECT_EQ(corner.y, 70);
  EXPECT_EQ(RegionOf(200, 100, 0, 50, 50).side, 0);
}

const std::set<std::string> kEarlierTools = {"vr_rsmooth",  "outline_filt", "minimum_effect", "maximum_effect",
                                             "median_filt", "sharp_filt",   "heavysharp_filt", "Noise"};

// Every entry names a registered tool and every preset sets its parameters.
TEST(HelpWizardForm, EveryEntrysToolTakesItsFormatAndPresets) {
  lang::LUToolRunHost host;
  int entries = 0;
  for (int kind = 0; kind < kEffectKinds; ++kind) {
    for (const WizardEffect& e : EffectTable(static_cast<EffectKind>(kind))) {
      ++entries;
      const ParsedEffect parsed = ParseEffectCommand(e.command);
      SCOPED_TRACE(parsed.tool);
      EXPECT_FALSE(res::String(e.nameId).empty());
      ASSERT_NE(LUGetRegToolIDNumber(nullptr, parsed.tool.c_str(), 0), 0);
      const std::vector<std::string> presets = parsed.presets.empty() ? std::vector<std::string>{""} : parsed.presets;
      for (const std::string& preset : presets) {
        LUTool* tool = LUCreateTool(nullptr, parsed.tool.c_str());
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(lang::SetToolParameters(host, preset, parsed.format, tool), 0) << preset;
        // The tools made for the wizard start from its first preset.
        if (!kEarlierTools.contains(parsed.tool) && preset == presets.front()) {
          LUTool* fresh = LUCreateTool(nullptr, parsed.tool.c_str());
          for (int slot = 0; LUGetParamDimension(tool, slot) != 0; ++slot) {
            std::int32_t set[4] = {}, initial[4] = {};
            LUGetParameter(tool, slot, 0, set);
            LUGetParameter(fresh, slot, 0, initial);
            EXPECT_EQ(std::vector<std::int32_t>(set, set + 4), std::vector<std::int32_t>(initial, initial + 4))
                << "parameter " << slot;
          }
          LUDeleteTool(fresh);
        }
        LUDeleteTool(tool);
      }
    }
  }
  EXPECT_EQ(entries, 35);
  LUResetError();
}

}  // namespace
}  // namespace lumora::dialogs
