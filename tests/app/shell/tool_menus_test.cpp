// The registered-tool menus over a fake registry and fake menus: where
// each tool lands, in which order, with which id, and what the menus' help
// asks for.
#include "app/ToolMenus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

namespace lumora {
namespace {

struct FakeTool {
  std::uint32_t flags;
  std::string group;
  std::string name;
};

class FakeRegistry : public ToolRegistry {
 public:
  std::vector<FakeTool> tools;  // tool number i + 1
  int failGroupOf = 0;
  int NextTool(int previous) override { return previous < static_cast<int>(tools.size()) ? previous + 1 : 0; }
  bool Flags(int tool, std::uint32_t* flags) override {
    *flags = tools[tool - 1].flags;
    return true;
  }
  bool GroupName(int tool, std::string* group) override {
    *group = tools[tool - 1].group;
    return tool != failGroupOf;
  }
  bool MenuName(int tool, std::string* name) override {
    *name = tools[tool - 1].name;
    return true;
  }
};

struct FakeEntry {
  std::string text;
  std::uint32_t id = 0;
  bool grayed = false;
  struct FakeMenu* sub = nullptr;
};
struct FakeMenu {
  std::vector<FakeEntry> entries;
};

class FakeMenus : public MenuEditor {
 public:
  std::vector<std::unique_ptr<FakeMenu>> owned;
  FakeMenu* Make() {
    owned.push_back(std::make_unique<FakeMenu>());
    return owned.back().get();
  }
  void* CreatePopup() override { return Make(); }
  int Count(void* m) override { return static_cast<int>(static_cast<FakeMenu*>(m)->entries.size()); }
  std::string Text(void* m, int i) override { return static_cast<FakeMenu*>(m)->entries[i].text; }
  bool InsertItem(void* m, int i, std::uint32_t id, const std::string& text, bool grayed) override {
    auto& e = static_cast<FakeMenu*>(m)->entries;
    e.insert(e.begin() + i, FakeEntry{text, id, grayed, nullptr});
    return true;
  }
  bool InsertPopup(void* m, int i, void* sub, const std::string& text) override {
    auto& e = static_cast<FakeMenu*>(m)->entries;
    e.insert(e.begin() + i, FakeEntry{text, 0, false, static_cast<FakeMenu*>(sub)});
    return true;
  }
  void Delete(void* m, int i) override {
    auto& e = static_cast<FakeMenu*>(m)->entries;
    e.erase(e.begin() + i);
  }
  // The system's comparison orders words without regard to case.
  int Compare(const std::string& a, const std::string& b) override {
    std::string x = a, y = b;
    for (char& c : x) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : y) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return x < y ? -1 : x > y ? 1 : 0;
  }
};

std::vector<std::string> Texts(const FakeMenu* menu) {
  std::vector<std::string> texts;
  for (const FakeEntry& e : menu->entries) texts.push_back(e.text);
  return texts;
}

const FakeMenu* Sub(const FakeMenu* menu, const std::string& text) {
  for (const FakeEntry& e : menu->entries) {
    if (e.text == text) return e.sub;
  }
  return nullptr;
}

constexpr std::uint32_t kProcessing = 1;

class ToolMenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < kToolTables; ++i) {
      roots[i] = menus.Make();
      roots[i]->entries.push_back(FakeEntry{"No processing tools registered", kToolTableRanges[i].placeholderId, true});
    }
  }
  bool Build() {
    void* r[kToolTables] = {roots[0], roots[1], roots[2], roots[3]};
    return tm.Build(registry, menus, r);
  }
  FakeRegistry registry;
  FakeMenus menus;
  FakeMenu* roots[kToolTables] = {};
  ToolMenus tm;
};

TEST_F(ToolMenusTest, AnEmptyRegistryLeavesEveryPlaceholder) {
  ASSERT_TRUE(Build());
  for (FakeMenu* root : roots) {
    ASSERT_EQ(root->entries.size(), 1u);
    EXPECT_TRUE(root->entries[0].grayed);
  }
  EXPECT_EQ(tm.ToolOfCommand(560, false), 0);
}

TEST_F(ToolMenusTest, GroupsBecomeNestedPopupsFoundAgainIgnoringAmpersands) {
  registry.tools = {{kProcessing, "Blur\\Soft", "Gaussian"}, {kProcessing, "&Blur", "Box"}};
  ASSERT_TRUE(Build());
  EXPECT_EQ(Texts(roots[kToolsTable]), (std::vector<std::string>{"Blur"}));
  const FakeMenu* blur = Sub(roots[kToolsTable], "Blur");
  ASSERT_NE(blur, nullptr);
  // The sub-popup's own placeholder went with its first entry; sorted.
  EXPECT_EQ(Texts(blur), (std::vector<std::string>{"Box...", "Soft"}));
  const FakeMenu* soft = Sub(blur, "Soft");
  ASSERT_NE(soft, nullptr);
  EXPECT_EQ(Texts(soft), (std::vector<std::string>{"Gaussian..."}));
  EXPECT_EQ(soft->entries[0].id, 560u);
  EXPECT_EQ(tm.ToolOfCommand(560, false), 1);
  EXPECT_EQ(tm.ToolOfCommand(561, false), 2);
  EXPECT_EQ(tm.FindToolCommand(2), 561u);
}

TEST_F(ToolMenusTest, MarkersChooseTheTableAndAreConsumed) {
  registry.tools = {{kProcessing, ":3\\Mode", "Grey"},
                    {kProcessing, ":7\\Misc", "Other"},
                    {kProcessing, ":4", "Levels"},
                    {kProcessing, ":3\\Hidden Group", "Secret"},
                    {kProcessing, "Hidden Grou&p", "Secret too"},
                    {5, "Any", "Kind five"}};
  ASSERT_TRUE(Build());
  const FakeMenu* mode = Sub(roots[kConvertTable], "Mode");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(Texts(mode), (std::vector<std::string>{"Grey..."}));
  EXPECT_EQ(mode->entries[0].id, 500u);
  ASSERT_NE(Sub(roots[kToolsTable], "Misc"), nullptr);
  EXPECT_EQ(Sub(roots[kToolsTable], "Misc")->entries[0].id, 560u);
  EXPECT_EQ(Texts(roots[kAdjustTable]), (std::vector<std::string>{"Levels..."}));
  EXPECT_EQ(roots[kAdjustTable]->entries[0].id, 511u);
  EXPECT_EQ(tm.TableAt(kToolsTable).items.size(), 1u);
}

TEST_F(ToolMenusTest, ToolsAreSortedButConvertKeepsInsertionOrder) {
  for (const char* name : {"Sharpen", "Blur", "emboss"}) registry.tools.push_back({kProcessing, "", name});
  for (const char* name : {"Sharpen", "Blur", "emboss"}) registry.tools.push_back({kProcessing, ":3", name});
  ASSERT_TRUE(Build());
  EXPECT_EQ(Texts(roots[kToolsTable]), (std::vector<std::string>{"Blur...", "emboss...", "Sharpen..."}));
  EXPECT_EQ(Texts(roots[kConvertTable]), (std::vector<std::string>{"Sharpen...", "Blur...", "emboss..."}));
}

TEST_F(ToolMenusTest, AreaTypesReachTheirMenuOnlyWhenTheyAskForIt) {
  registry.tools = {{4, "", "Plain"}, {4 | 0x40000, "", "Rectangle"}, {4 | 0x800, "", "Ellipse"}};
  ASSERT_TRUE(Build());
  // No dots after an area type; sorted.
  EXPECT_EQ(Texts(roots[kAreaTable]), (std::vector<std::string>{"Ellipse", "Rectangle"}));
  EXPECT_EQ(tm.FindAreaCommand(2), 900u);
  EXPECT_EQ(tm.ToolOfCommand(900, false), 2);
  EXPECT_EQ(tm.ToolOfCommand(900, true), 0);
  EXPECT_EQ(tm.FindToolCommand(2), 0u);
}

TEST_F(ToolMenusTest, CommandRangesByTable) {
  struct Case {
    std::uint32_t id;
    bool exclude;
    int table;
  } cases[] = {{499, false, -1}, {500, false, 1}, {510, false, 1}, {511, false, 2}, {559, false, 2},
               {560, false, 0},  {898, false, 0}, {899, false, 3}, {899, true, -1}, {998, false, 3},
               {999, false, -1}};
  for (const Case& c : cases) EXPECT_EQ(ToolMenus::TableOfCommand(c.id, c.exclude), c.table) << c.id;
}

TEST_F(ToolMenusTest, AFullTableTakesNoMoreAndSaysWhy) {
  for (int i = 0; i < 342; ++i) registry.tools.push_back({kProcessing, "", "Tool " + std::to_string(1000 + i)});
  for (int i = 0; i < 12; ++i) registry.tools.push_back({kProcessing, ":3", "Convert " + std::to_string(i)});
  ASSERT_TRUE(Build());
  EXPECT_EQ(tm.TableAt(kToolsTable).items.size(), 340u);
  EXPECT_EQ(tm.TableAt(kToolsTable).items.back().id, 899u);
  EXPECT_EQ(tm.TableAt(kConvertTable).items.size(), 11u);
  EXPECT_EQ(tm.TableAt(kConvertTable).items.back().id, 510u);
  // Nothing got an area type's id or the adjust table's.
  EXPECT_EQ(tm.ToolOfCommand(900, false), 0);
  EXPECT_EQ(tm.ToolOfCommand(511, false), 0);
  ASSERT_EQ(tm.Refused().size(), 3u);
  EXPECT_NE(tm.Refused()[0].find("Tool 1340"), std::string::npos);
}

TEST_F(ToolMenusTest, AFailingRegistryQueryStopsTheBuild) {
  registry.tools = {{kProcessing, "A", "One"}, {kProcessing, "B", "Two"}, {kProcessing, "C", "Three"}};
  registry.failGroupOf = 2;
  EXPECT_FALSE(Build());
  // What was inserted before stays.
  EXPECT_EQ(Texts(roots[kToolsTable]), (std::vector<std::string>{"A"}));
}

TEST_F(ToolMenusTest, EnumerationRunsConvertAdjustThenTools) {
  registry.tools = {{kProcessing, "", "T"}, {kProcessing, ":4", "A"}, {kProcessing, ":3", "C"}, {4 | 0x800, "", "Area"}};
  ASSERT_TRUE(Build());
  tm.BeginEnum();
  std::vector<int> tools;
  std::vector<std::uint32_t> ids;
  std::uint32_t id = 0;
  while (int tool = tm.NextEnum(&id)) {
    tools.push_back(tool);
    ids.push_back(id);
  }
  EXPECT_EQ(tools, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{500, 511, 560}));
}

TEST_F(ToolMenusTest, HelpPairsByKind) {
  registry.tools = {{kProcessing, "Blur\\Soft", "G"}, {4 | 0x800, "Shapes", "R"}};
  ASSERT_TRUE(Build());
  // Depth-first positions: Tools at 5, Blur 6, Soft 7; Default Area Type
  // at 12, Shapes 13.
  tm.SetHelpPositions([&](void* menu) {
    if (menu == roots[kToolsTable]) return 5;
    if (menu == roots[kAreaTable]) return 12;
    return menu == roots[kConvertTable] ? 1 : 3;
  });
  struct Case {
    int kind;
    std::uint32_t item;
    int n;
    MenuHelpPair want;
  } cases[] = {
      {MenuHelpState::kMainSystemPopup, 0, 0, {3000, 1000, 0}},
      {MenuHelpState::kImageSystemPopup, 0, 0, {4600, 2600, 0}},
      {MenuHelpState::kPaneSystemPopup, 0, 0, {4700, 2700, 0}},
      {MenuHelpState::kPaneSystemItem, 0xF120, 0, {4701, 2701, 0x12}},
      // The main menu counts only the area types' popups as tables.
      {MenuHelpState::kMainMenuPopup, 0, 12, {190, 79, 3}},
      {MenuHelpState::kMainMenuPopup, 0, 13, {195, 85, 3}},
      {MenuHelpState::kMainMenuPopup, 0, 6, {520, 500, 7}},
      {MenuHelpState::kMainMenuPopup, 0, 14, {520, 500, 13}},
      // The context menu counts every table.
      {MenuHelpState::kContextPopup, 0, 5, {190, 79, 0}},
      {MenuHelpState::kContextPopup, 0, 7, {195, 85, 0}},
      {MenuHelpState::kContextPopup, 0, 9, {3000, 1000, 9 - 5 + 1}},
  };
  for (const Case& c : cases) {
    MenuHelpState state{c.kind, c.item, nullptr};
    MenuHelpPair pair;
    ASSERT_TRUE(tm.HelpPairOf(state, c.n, &pair)) << c.kind << " " << c.n;
    EXPECT_EQ(pair.help, c.want.help) << c.kind << " " << c.n;
    EXPECT_EQ(pair.message, c.want.message) << c.kind << " " << c.n;
    EXPECT_EQ(pair.n, c.want.n) << c.kind << " " << c.n;
  }
  MenuHelpPair pair;
  EXPECT_FALSE(tm.HelpPairOf(MenuHelpState{MenuHelpState::kMainMenuItem, 560, nullptr}, 0, &pair));
  EXPECT_FALSE(tm.HelpPairOf(MenuHelpState{MenuHelpState::kNothing, 0, nullptr}, 0, &pair));
}

}  // namespace
}  // namespace lumora
