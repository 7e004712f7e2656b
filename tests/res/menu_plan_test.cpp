// The menu plan against the resource script generated from it: every "on"
// row has its item (popup, text with its key) and its keys in menus 180 and
// 181, nothing else is in them, the popups sit where the program looks for
// them, and the plan's keys are the platform's keys.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "res/MenuPlan.h"

namespace {

struct RcItem {
  std::string text;
  std::uint32_t id = 0;  // 0 for a popup or a separator
  bool popup = false;
  bool separator = false;
  bool grayed = false;
  std::vector<RcItem> children;
};

struct RcAccel {
  int flags;  // as MenuAccel
  int key;
  std::uint32_t id;
};

struct RcScript {
  std::map<std::uint32_t, RcItem> menus;  // the menu bar of each menu resource
  std::map<std::uint32_t, std::vector<RcAccel>> accels;
};

// A quoted resource-script string: "" is a quote, \t a tab.
std::string Unquote(const std::string& s, std::size_t* pos) {
  std::string out;
  std::size_t i = s.find('"', *pos) + 1;
  for (; i < s.size(); ++i) {
    if (s[i] == '"' && i + 1 < s.size() && s[i + 1] == '"') {
      out += '"';
      ++i;
    } else if (s[i] == '"') {
      break;
    } else if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 't') {
      out += '\t';
      ++i;
    } else {
      out += s[i];
    }
  }
  *pos = i + 1;
  return out;
}

std::string Trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r");
  const std::size_t b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Reads the MENU and ACCELERATORS blocks the generator writes.
RcScript ReadScript(const std::string& path) {
  RcScript rc;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  std::string line;
  std::vector<RcItem*> open;
  std::vector<RcAccel>* accels = nullptr;
  RcItem* pendingPopup = nullptr;
  while (std::getline(in, line)) {
    const std::string t = Trim(line);
    if (t.empty() || t.rfind("//", 0) == 0 || t[0] == '#') continue;
    std::istringstream words(t);
    std::string first, second;
    words >> first >> second;
    if (second == "MENU") {
      open = {&rc.menus[static_cast<std::uint32_t>(std::stoul(first))]};
      open.back()->popup = true;
    } else if (second == "ACCELERATORS") {
      accels = &rc.accels[static_cast<std::uint32_t>(std::stoul(first))];
    } else if (t == "BEGIN") {
      if (pendingPopup != nullptr) open.push_back(pendingPopup);
      pendingPopup = nullptr;
    } else if (t == "END") {
      if (!open.empty()) open.pop_back();
      if (open.empty()) accels = nullptr;
    } else if (first == "POPUP") {
      std::size_t pos = 0;
      RcItem item;
      item.popup = true;
      item.text = Unquote(t, &pos);
      item.grayed = t.find("GRAYED", pos) != std::string::npos;
      open.back()->children.push_back(item);
      pendingPopup = &open.back()->children.back();
    } else if (first == "MENUITEM" && second == "SEPARATOR") {
      RcItem item;
      item.separator = true;
      open.back()->children.push_back(item);
    } else if (first == "MENUITEM") {
      std::size_t pos = 0;
      RcItem item;
      item.text = Unquote(t, &pos);
      item.id = static_cast<std::uint32_t>(std::stoul(t.substr(t.find(',', pos) + 1)));
      open.back()->children.push_back(item);
    } else if (accels != nullptr) {
      RcAccel a{};
      std::size_t pos = 0;
      if (t[0] == '"') {
        a.key = static_cast<unsigned char>(Unquote(t, &pos)[0]);
      } else {
        a.key = std::stoi(t, &pos);
      }
      const std::string rest = t.substr(pos);
      a.id = static_cast<std::uint32_t>(std::stoul(rest.substr(rest.find(',') + 1)));
      if (rest.find("VIRTKEY") != std::string::npos) a.flags |= 1;
      if (rest.find("SHIFT") != std::string::npos) a.flags |= 4;
      if (rest.find("CONTROL") != std::string::npos) a.flags |= 8;
      if (rest.find("ALT") != std::string::npos) a.flags |= 16;
      accels->push_back(a);
    }
  }
  return rc;
}

const RcScript& Script() {
  static const RcScript script = ReadScript(LUMORA_MENUS_RC);
  return script;
}

std::string Plain(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '&') out += c;
  }
  return out;
}

// The popup at a path of popup names ("Image/Convert"), or null.
const RcItem* FindPopup(const RcItem& bar, const std::string& path) {
  const RcItem* node = &bar;
  std::istringstream parts(path);
  std::string part;
  while (std::getline(parts, part, '/')) {
    const RcItem* next = nullptr;
    for (const RcItem& child : node->children) {
      if (child.popup && Plain(child.text) == part) next = &child;
    }
    if (next == nullptr) return nullptr;
    node = next;
  }
  return node;
}

std::vector<std::string> Titles(const RcItem& popup) {
  std::vector<std::string> titles;
  for (const RcItem& child : popup.children) titles.push_back(child.separator ? "-" : Plain(child.text));
  return titles;
}

const std::uint32_t kMenus[] = {res::kMainMenuId, res::kDocMenuId, res::kInPlaceMenuId, res::kEmbeddingMenuId};
std::uint8_t Bit(std::uint32_t menu) {
  switch (menu) {
    case res::kMainMenuId: return res::kInMainMenu;
    case res::kDocMenuId: return res::kInDocMenu;
    case res::kInPlaceMenuId: return res::kInInPlaceMenu;
    default: return res::kInEmbeddingMenu;
  }
}

TEST(MenuPlan, PopupsSitWhereTheProgramLooksForThem) {
  const RcItem& doc = Script().menus.at(res::kDocMenuId);
  EXPECT_EQ(Titles(doc), (std::vector<std::string>{"File", "Edit", "View", "Image", "Layer", "Tools", "Selection",
                                                   "Options", "Window", "Help"}));
  EXPECT_EQ(Titles(Script().menus.at(res::kMainMenuId)),
            (std::vector<std::string>{"File", "Edit", "View", "Options", "Window", "Help"}));
  // Edited in place: the container's file group first (a separator), then
  // the object's popups at the document menu's indexes (Image 3, Tools 5),
  // no File and no Window. Embedded in the program's window: the document
  // menu's popups.
  EXPECT_EQ(Titles(Script().menus.at(res::kInPlaceMenuId)),
            (std::vector<std::string>{"-", "Edit", "View", "Image", "Layer", "Tools", "Selection", "Options", "Help"}));
  EXPECT_EQ(Titles(Script().menus.at(res::kEmbeddingMenuId)), Titles(doc));
  // The registered tools' roots: Image/Convert and Image/Adjust are the
  // Image popup's items 0 and 2 (and its first and third popups), Default
  // Area Type is item 1 of Options.
  ASSERT_GE(doc.children[3].children.size(), 3u);
  EXPECT_EQ(Plain(doc.children[3].children[0].text), "Convert");
  EXPECT_TRUE(doc.children[3].children[1].popup);
  EXPECT_EQ(Plain(doc.children[3].children[2].text), "Adjust");
  for (const RcItem* bar : {&doc, &Script().menus.at(res::kMainMenuId)}) {
    const RcItem* options = FindPopup(*bar, "Options");
    ASSERT_NE(options, nullptr);
    ASSERT_GE(options->children.size(), 2u);
    EXPECT_TRUE(options->children[0].popup);
    EXPECT_EQ(Plain(options->children[1].text), "Default Area Type");
  }
}

TEST(MenuPlan, EveryOnRowHasItsItemAndKeysAndNothingElseIsThere) {
  std::map<std::uint32_t, int> itemsSeen[4];
  for (int m = 0; m < 4; ++m) {
    const std::uint32_t menu = kMenus[m];
    const RcItem& bar = Script().menus.at(menu);
    const std::vector<RcAccel>& table = Script().accels.at(menu);
    for (const res::MenuPlanRow& row : res::MenuPlan()) {
      if (row.kind != res::MenuPlanRow::kCommand || !row.on || (row.menus & Bit(menu)) == 0) continue;
      if (row.InMenu(Bit(menu))) {
        const RcItem* popup = FindPopup(bar, row.path);
        ASSERT_NE(popup, nullptr) << row.firstId << " in menu " << menu;
        std::string text = row.text;
        const std::string keys = row.keys;
        if (!keys.empty()) text += "\t" + keys.substr(0, keys.find(' '));
        bool found = false;
        for (const RcItem& item : popup->children) found = found || (item.id == row.firstId && item.text == text);
        EXPECT_TRUE(found) << row.firstId << " \"" << text << "\" in " << row.path << " of menu " << menu;
        ++itemsSeen[m][row.firstId];
      }
      for (const res::MenuAccel& a : row.Accels()) {
        bool found = false;
        for (const RcAccel& entry : table) {
          found = found || (entry.flags == a.flags && entry.key == a.key && entry.id == row.firstId);
        }
        EXPECT_TRUE(found) << row.firstId << " key " << row.keys << " in table " << menu;
      }
    }
    // Nothing in the resources that is not an "on" row of this menu.
    std::vector<const RcItem*> stack{&bar};
    int items = 0;
    while (!stack.empty()) {
      const RcItem* node = stack.back();
      stack.pop_back();
      for (const RcItem& child : node->children) {
        if (child.popup) {
          stack.push_back(&child);
          bool empty = true;  // an empty popup holds one separator: the resource format needs an item
          for (const RcItem& c : child.children) empty = empty && c.separator;
          EXPECT_EQ(child.grayed, empty) << child.text << ": only an empty popup is greyed";
        } else if (!child.separator) {
          ++items;
          EXPECT_EQ(itemsSeen[m].count(child.id), 1u) << child.id << " \"" << child.text << "\" in menu " << menu;
        }
      }
    }
    EXPECT_EQ(items, static_cast<int>(itemsSeen[m].size())) << "each item once in menu " << menu;
    for (const RcAccel& entry : table) {
      const res::MenuPlanRow* row = res::FindMenuPlanRow(entry.id);
      ASSERT_NE(row, nullptr) << entry.id;
      EXPECT_TRUE(row->on && (row->menus & Bit(menu)) != 0) << entry.id << " has a key in table " << menu;
    }
  }
}

// The key that reaches an entry of an open menu: the character after its
// first single '&', upper case; 0 when it has none.
char Mnemonic(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

// In every popup and menu bar of the four menus, a key reaches one entry.
TEST(MenuPlan, NoTwoEntriesOfAPopupShareAMnemonic) {
  for (const std::uint32_t menu : kMenus) {
    std::vector<std::pair<std::string, const RcItem*>> stack{{"menu " + std::to_string(menu), &Script().menus.at(menu)}};
    while (!stack.empty()) {
      const auto [path, node] = stack.back();
      stack.pop_back();
      std::map<char, std::string> seen;
      for (const RcItem& child : node->children) {
        if (child.popup) stack.push_back({path + "/" + Plain(child.text), &child});
        const char key = child.separator ? 0 : Mnemonic(child.text);
        if (key == 0) continue;
        const auto [at, added] = seen.emplace(key, child.text);
        EXPECT_TRUE(added) << path << ": '" << key << "' of \"" << child.text << "\" and \"" << at->second << "\"";
      }
    }
  }
}

TEST(MenuPlan, KeysAreThePlatformsKeys) {
  // {first id of the row, expected accelerator entries}.
  struct Case {
    std::uint32_t id;
    std::vector<std::pair<int, int>> entries;
  };
  constexpr int kVirt = 1, kShift = 4, kCtrl = 8;
  const Case cases[] = {
      {57600, {{kVirt | kCtrl, 'N'}}},
      {57604, {{kVirt | kShift | kCtrl, 'S'}}},
      {57644, {{kVirt | kCtrl, 'Y'}, {kVirt | kShift | kCtrl, 'Z'}}},
      // Typed '+', Ctrl with either plus key (Ctrl+= on the main keyboard),
      // and Ctrl with Shift held as the main keyboard's '+' needs it.
      {32801, {{0, '+'}, {kVirt | kCtrl, 0xBB}, {kVirt | kCtrl, 0x6B}, {kVirt | kShift | kCtrl, 0xBB},
               {kVirt | kShift | kCtrl, 0x6B}}},
      {33126, {{0, '-'}, {kVirt | kCtrl, 0xBD}, {kVirt | kCtrl, 0x6D}}},
      {32844, {{kVirt | kShift | kCtrl, 0xDD}}},                           // Shift+Ctrl+]
      {32846, {{kVirt | kCtrl, 0xDB}}},                                     // Ctrl+[
      {57632, {{kVirt, 0x2E}}},                                             // Del
      {57669, {{kVirt | kShift, 0x70}}},                                    // Shift+F1
      {32979, {{kVirt | kCtrl, '1'}}},
      {61536, {{kVirt | kCtrl, 0x73}}},                                     // Ctrl+F4, served by the MDI client
  };
  for (const Case& c : cases) {
    const res::MenuPlanRow* row = res::FindMenuPlanRow(c.id);
    ASSERT_NE(row, nullptr) << c.id;
    std::vector<std::pair<int, int>> got;
    for (const res::MenuAccel& a : row->Accels()) got.emplace_back(a.flags, a.key);
    EXPECT_EQ(got, c.entries) << c.id << " " << row->keys;
  }
  const res::MenuPlanRow* close = res::FindMenuPlanRow(61536);
  EXPECT_EQ(close->menus, res::kSystemKey) << "Ctrl+F4 is in no accelerator table";
}

TEST(MenuPlan, RangesAndPlaceholdersAreFound) {
  EXPECT_STREQ(res::FindMenuPlanRow(40015)->text, "Area tools (selection bar)");
  EXPECT_EQ(res::FindMenuPlanRow(560)->firstId, 500u);
  EXPECT_EQ(res::FindMenuPlanRow(1), nullptr);
  // One owner per id: no two command rows overlap.
  for (const res::MenuPlanRow& row : res::MenuPlan()) {
    if (row.kind != res::MenuPlanRow::kCommand) continue;
    EXPECT_EQ(res::FindMenuPlanRow(row.firstId), &row) << row.firstId;
    EXPECT_EQ(res::FindMenuPlanRow(row.lastId), &row) << row.lastId;
    EXPECT_NE(row.owner[0], '\0') << row.firstId;
  }
}

}  // namespace
