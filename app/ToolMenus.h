// The registered tools as menu items: the tool host's registry turned into
// items of the Tools popup, Image/Convert, Image/Adjust and Options/Default
// Area Type, each with a command id of its own, the way back from a command
// id to its tool, and which help a highlighted menu entry asks for.
// Portable: the registry and the menus are reached through interfaces the
// program implements over the tool host and the window system (tests use
// fakes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view/MenuHelpState.h"

namespace lumora {

// The tool host's registry as the menus read it.
class ToolRegistry {
 public:
  virtual ~ToolRegistry() = default;
  // The tool after `previous` (0: the first); 0 at the end.
  virtual int NextTool(int previous) = 0;
  virtual bool Flags(int tool, std::uint32_t* flags) = 0;
  virtual bool GroupName(int tool, std::string* group) = 0;
  virtual bool MenuName(int tool, std::string* name) = 0;
};

// Menus as the builder changes them; a menu is an opaque handle.
class MenuEditor {
 public:
  virtual ~MenuEditor() = default;
  virtual void* CreatePopup() = 0;
  virtual int Count(void* menu) = 0;
  // The text of an entry (an item or a sub-popup), as shown.
  virtual std::string Text(void* menu, int position) = 0;
  virtual bool InsertItem(void* menu, int position, std::uint32_t id, const std::string& text, bool grayed) = 0;
  virtual bool InsertPopup(void* menu, int position, void* popup, const std::string& text) = 0;
  virtual void Delete(void* menu, int position) = 0;
  // The system's string comparison (negative, 0, positive).
  virtual int Compare(const std::string& a, const std::string& b) = 0;
};

// The four tables, in their order.
enum ToolTable : int { kToolsTable = 0, kConvertTable = 1, kAdjustTable = 2, kAreaTable = 3, kToolTables = 4 };

struct ToolTableRange {
  std::uint32_t placeholderId;
  std::uint32_t firstId;
  std::uint32_t lastId;
};
inline constexpr ToolTableRange kToolTableRanges[kToolTables] = {
    {33115, 560, 899}, {32969, 500, 510}, {32970, 511, 559}, {33039, 900, 998}};

// Text of the greyed placeholder of a new sub-popup (string 76).
inline constexpr std::uint32_t kIdsNoToolsRegistered = 76;

// A help pair and its index: string (help + n) names the help topic ("@"
// and a number), string (message + n) is shown when it does not.
struct MenuHelpPair {
  std::uint32_t help = 0;
  std::uint32_t message = 0;
  int n = 0;
};

class ToolMenus {
 public:
  struct Item {
    int tool;
    std::uint32_t id;
  };
  struct Popup {
    std::string name;
    void* menu = nullptr;
    int position = 0;
    int parent = -1;
    int items = 0;
    int popups = 0;
  };
  struct Table {
    std::vector<Popup> popups;
    std::vector<Item> items;
    std::uint32_t nextId = 0;
    // Depth-first position of the root among the document menu's popups,
    // counted from the first top-level popup (-1 until known).
    int helpPosition = -1;
  };

  // The root menus: Tools, Image/Convert, Image/Adjust, Options/Default
  // Area Type (table order); a null root leaves its table empty.
  // False when a registry query or a menu insertion failed (what was
  // inserted before stays).
  bool Build(ToolRegistry& registry, MenuEditor& menus, void* const roots[kToolTables]);
  void Clear();
  bool Built() const { return built_; }

  // The tool of a command id of tables 0 to 2 (0 when none); with
  // `areaTable`, the area type of table 3 too.
  int ToolOfCommand(std::uint32_t id, bool excludeAreaTypes) const;
  // The table a command id's range belongs to; -1 outside 500-998.
  static int TableOfCommand(std::uint32_t id, bool excludeAreaTypes);
  // Command of a tool: tables 1, 2, then 0; FindAreaCommand: table 3.
  std::uint32_t FindToolCommand(int tool) const;
  std::uint32_t FindAreaCommand(int tool) const;
  std::uint32_t FindInTable(int table, int tool) const;
  // Tools of tables 1, 2 (when it has items), 0 in order; 0 at the end.
  void BeginEnum() { enumTable_ = 0, enumIndex_ = 0; }
  int NextEnum(std::uint32_t* id = nullptr);

  const Table& TableAt(int table) const { return tables_[table]; }
  // Why tools were left out (a full table), one line each.
  const std::vector<std::string>& Refused() const { return refused_; }

  // Sets the help positions of the tables: `position` answers the
  // depth-first position of a menu among all popups of the document menu.
  template <typename PositionOf>
  void SetHelpPositions(PositionOf position) {
    for (Table& t : tables_) t.helpPosition = t.popups.empty() ? -1 : position(t.popups[0].menu);
  }
  // The help pair of a highlighted popup (kinds 7 and 9) at depth-first
  // position n; other kinds with a fixed pair (1, 3, 5, 6). False for kinds
  // served otherwise (8 and 10: the tool's own help) or none.
  bool HelpPairOf(const MenuHelpState& state, int popupPosition, MenuHelpPair* pair) const;

 private:
  bool AddTool(ToolRegistry& registry, MenuEditor& menus, int tool);
  int FindOrMakePopup(MenuEditor& menus, int table, int parent, const std::string& name, bool* ok);
  bool InsertInto(MenuEditor& menus, int table, int popup, bool sorted, const std::string& text, std::uint32_t id,
                  void* sub);

  Table tables_[kToolTables];
  std::vector<std::string> refused_;
  bool built_ = false;
  int enumTable_ = 0;
  std::size_t enumIndex_ = 0;
};

// Text compared without its '&' characters.
std::string WithoutAmpersands(const std::string& text);

}  // namespace lumora
