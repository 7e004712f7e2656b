// The program's toolbars apart from their windows: the user's tools read
// from [DefTools], the large-image twins, sizes and button texts.
#include "ui/ToolbarPlans.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

#include "framework/Profile.h"

namespace lumora {
namespace {

class MemoryProfile : public fw::Profile {
 public:
  std::map<std::string, std::string> keys;
  int reads = 0;
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) override {
    ++reads;
    auto it = keys.find(std::string(section) + "/" + std::string(key));
    return it != keys.end() ? it->second : std::string(defaultValue);
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override {
    keys[std::string(section) + "/" + std::string(key)] = std::string(value);
    return true;
  }
  bool Remove(std::string_view, std::optional<std::string_view>) override { return true; }
  std::vector<std::string> GetKeyNames(std::string_view) override { return {}; }
  std::unique_ptr<fw::Profile> Snapshot() override { return nullptr; }
};

std::uint32_t Registered(const std::string& name) {
  if (name == "Noise") return 510;
  if (name == "emboss_effect") return 511;
  return 0;
}

std::string Describe(const std::vector<DefToolsItem>& items) {
  std::string out;
  for (const DefToolsItem& i : items) out += i.separator ? "| " : std::to_string(i.command) + " ";
  return out;
}

TEST(DefTools, SeparatorsLengthenTheWalkAndUnknownNamesLeaveNoGap) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> keys;
    std::string expected;
  };
  const Case cases[] = {
      {"absent section", {}, ""},
      {"count 0", {{"DefTools/count", "0"}, {"DefTools/tool0", "Noise"}}, ""},
      {"count 2: tool, sep, tool",
       {{"DefTools/count", "2"}, {"DefTools/tool0", "Noise"}, {"DefTools/tool1", "sep"},
        {"DefTools/tool2", "emboss_effect"}},
       "510 | 511 "},
      {"unregistered name skipped",
       {{"DefTools/count", "3"}, {"DefTools/tool0", "nothing"}, {"DefTools/tool1", "Noise"},
        {"DefTools/tool2", "emboss_effect"}},
       "510 511 "},
      {"negative count", {{"DefTools/count", "-4"}, {"DefTools/tool0", "Noise"}}, ""},
  };
  for (const Case& c : cases) {
    MemoryProfile p;
    p.keys = c.keys;
    EXPECT_EQ(Describe(ReadDefTools(p, Registered)), c.expected) << c.what;
  }
}

TEST(DefTools, DamagedCountIsClampedAndSeparatorsCannotRunAway) {
  MemoryProfile p;
  p.keys["DefTools/count"] = "2147483647";
  p.keys["DefTools/tool0"] = "Noise";
  ReadDefTools(p, Registered);
  EXPECT_LE(p.reads, kMaxDefTools + 1);
  // Every key a separator: the walk still ends.
  MemoryProfile seps;
  seps.keys["DefTools/count"] = std::to_string(kMaxDefTools);
  for (int i = 0; i < 3 * kMaxDefTools; ++i) seps.keys["DefTools/tool" + std::to_string(i)] = "sep";
  EXPECT_EQ(ReadDefTools(seps, Registered).size(), static_cast<std::size_t>(2 * kMaxDefTools));
}

TEST(ToolbarPlans, TwinsSizesPicturesAndTexts) {
  EXPECT_EQ(ToolbarTwin(180, true), 254u);
  EXPECT_EQ(ToolbarTwin(254, false), 180u);
  EXPECT_EQ(ToolbarTwin(252, true), 253u);
  EXPECT_EQ(ToolbarTwin(228, true), 256u);
  EXPECT_EQ(ToolbarTwin(246, true), 257u);
  EXPECT_EQ(ToolbarTwin(257, true), 257u);
  EXPECT_EQ(ToolbarTwin(999, true), 999u);
  const ToolbarSizes small = ToolbarSizesFor(true), large = ToolbarSizesFor(false);
  EXPECT_EQ((std::array<int, 4>{small.buttonWidth, small.buttonHeight, small.imageWidth, small.imageHeight}),
            (std::array<int, 4>{24, 23, 17, 16}));
  EXPECT_EQ((std::array<int, 4>{large.buttonWidth, large.buttonHeight, large.imageWidth, large.imageHeight}),
            (std::array<int, 4>{31, 31, 24, 24}));
  EXPECT_EQ(AreaToolPictureCommand("Area_Rect"), 32963u);
  EXPECT_EQ(AreaToolPictureCommand("Area_SmartS"), 33125u);
  EXPECT_EQ(AreaToolPictureCommand("Area_Other"), 0u);
  EXPECT_TRUE(IsFixedSelectBarButton(32957));
  EXPECT_TRUE(IsFixedSelectBarButton(33125));
  EXPECT_FALSE(IsFixedSelectBarButton(32969));
  EXPECT_EQ(CommandTextOfName("&Rect && more"), "Rect && more");
  EXPECT_EQ(ClipToolTip(std::string(100, 'x')).size(), 79u);
}

TEST(ToolbarPlans, ButtonStatesPassByCommandBetweenTwinBars) {
  // Receiving: a separator, a command the giver lacks, a command it holds
  // twice (the first counts), and one in another place.
  const std::vector<BarButtonState> receiving = {{0, 0}, {32835, 4}, {40033, 4}, {32896, 4}, {32891, 0}};
  const std::vector<BarButtonState> giving = {{32891, 4}, {0, 1}, {32896, 5}, {32896, 0}, {33117, 4}};
  const std::vector<BarButtonState> got = TakeButtonStates(receiving, giving);
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> want = {
      {0, 0}, {32835, 4}, {40033, 4}, {32896, 5}, {32891, 4}};
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].command, want[i].first) << i;
    EXPECT_EQ(got[i].state, want[i].second) << i;
  }
  // A separator never takes a separator's state; an empty giver changes nothing.
  EXPECT_EQ(TakeButtonStates({{0, 8}}, {{0, 1}})[0].state, 8u);
  EXPECT_EQ(TakeButtonStates(receiving, {})[3].state, 4u);
  EXPECT_TRUE(TakeButtonStates({}, giving).empty());
}

}  // namespace
}  // namespace lumora
