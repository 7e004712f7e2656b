#include "app/ToolMenus.h"

#include <algorithm>

#include "res/StringTable.h"

namespace lumora {
namespace {

constexpr std::uint32_t kKindMask = 7;
constexpr std::uint32_t kAreaKind = 4;
constexpr std::uint32_t kSkippedKind = 5;

bool EqualIgnoringAmpersands(const std::string& a, const std::string& b) {
  return WithoutAmpersands(a) == WithoutAmpersands(b);
}

// The group path's parts, split at backslashes (empty parts dropped).
std::vector<std::string> SplitGroup(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::string WithoutAmpersands(const std::string& text) {
  std::string plain;
  for (char c : text) {
    if (c != '&') plain.push_back(c);
  }
  return plain;
}

void ToolMenus::Clear() {
  for (Table& t : tables_) t = Table{};
  refused_.clear();
  built_ = false;
}

bool ToolMenus::Build(ToolRegistry& registry, MenuEditor& menus, void* const roots[kToolTables]) {
  Clear();
  for (int i = 0; i < kToolTables; ++i) {
    tables_[i].nextId = kToolTableRanges[i].firstId;
    if (roots[i] != nullptr) tables_[i].popups.push_back(Popup{std::string(), roots[i], 0, -1, 0, 0});
  }
  built_ = true;
  for (int tool = registry.NextTool(0); tool != 0; tool = registry.NextTool(tool)) {
    if (!AddTool(registry, menus, tool)) return false;
  }
  return true;
}

bool ToolMenus::AddTool(ToolRegistry& registry, MenuEditor& menus, int tool) {
  std::uint32_t flags = 0;
  if (!registry.Flags(tool, &flags)) return false;
  int table = kToolsTable;
  const std::uint32_t kind = flags & kKindMask;
  if (kind == kAreaKind) {
    // Only area types that ask for the menu reach it.
    if ((flags & 0x40004u) != 0x40004u && (flags & 0x800u) == 0) return true;
    table = kAreaTable;
  } else if (kind == kSkippedKind) {
    return true;
  }
  std::string group;
  if (!registry.GroupName(tool, &group)) return false;
  if (group.size() > 79) group.resize(79);
  // A leading marker (':' up to the first backslash) does not count for the
  // hidden group.
  std::string rest = group;
  if (!rest.empty() && rest[0] == ':') {
    const std::size_t slash = rest.find('\\');
    rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
  }
  if (EqualIgnoringAmpersands(rest, "Hidden Group")) return true;
  std::vector<std::string> parts = SplitGroup(group);
  if (table == kToolsTable && !parts.empty() && parts[0][0] == ':') {
    if (parts[0] == ":3") table = kConvertTable;
    if (parts[0] == ":4") table = kAdjustTable;
    parts.erase(parts.begin());
  }
  Table& t = tables_[table];
  if (t.popups.empty()) return true;  // that menu is not there
  const ToolTableRange& range = kToolTableRanges[table];
  if (t.nextId > range.lastId) {
    // A full table takes no more: the next id belongs to another range.
    std::string name;
    registry.MenuName(tool, &name);
    refused_.push_back("tool " + std::to_string(tool) + " (" + WithoutAmpersands(name) + "): its menu holds " +
                       std::to_string(range.lastId - range.firstId + 1) + " tools already");
    return true;
  }
  int popup = 0;
  for (const std::string& part : parts) {
    bool ok = true;
    popup = FindOrMakePopup(menus, table, popup, part, &ok);
    if (!ok) return false;
  }
  std::string name;
  if (!registry.MenuName(tool, &name)) return false;
  if (name.size() > 79) name.resize(79);
  if (table != kAreaTable) name += "...";
  const std::uint32_t id = t.nextId;
  const bool sorted = table == kToolsTable || table == kAreaTable;
  if (!InsertInto(menus, table, popup, sorted, name, id, nullptr)) return false;
  ++t.nextId;
  t.items.push_back(Item{tool, id});
  return true;
}

int ToolMenus::FindOrMakePopup(MenuEditor& menus, int table, int parent, const std::string& name, bool* ok) {
  Table& t = tables_[table];
  for (int i = static_cast<int>(t.popups.size()) - 1; i > 0; --i) {
    if (t.popups[i].parent == parent && EqualIgnoringAmpersands(t.popups[i].name, name)) return i;
  }
  void* sub = menus.CreatePopup();
  if (sub == nullptr ||
      !menus.InsertItem(sub, 0, kToolTableRanges[table].placeholderId, std::string(res::String(kIdsNoToolsRegistered)),
                        true)) {
    *ok = false;
    return parent;
  }
  t.popups.push_back(Popup{name, sub, 0, parent, 0, 0});
  const int index = static_cast<int>(t.popups.size()) - 1;
  if (!InsertInto(menus, table, parent, true, name, 0, sub)) {
    *ok = false;
    return parent;
  }
  return index;
}

bool ToolMenus::InsertInto(MenuEditor& menus, int table, int popup, bool sorted, const std::string& text,
                           std::uint32_t id, void* sub) {
  Popup& p = tables_[table].popups[popup];
  // The first entry takes the placeholder's place.
  if (p.items + p.popups == 0) {
    for (int n = menus.Count(p.menu); n > 0; --n) menus.Delete(p.menu, n - 1);
  }
  const int count = menus.Count(p.menu);
  int position = count;
  if (sorted || sub != nullptr) {
    const std::string key = WithoutAmpersands(text);
    for (int i = 0; i < count; ++i) {
      if (menus.Compare(WithoutAmpersands(menus.Text(p.menu, i)), key) > 0) {
        position = i;
        break;
      }
    }
  }
  const bool ok = sub != nullptr ? menus.InsertPopup(p.menu, position, sub, text)
                                 : menus.InsertItem(p.menu, position, id, text, false);
  if (!ok) return false;
  if (sub != nullptr) {
    ++p.popups;
    tables_[table].popups.back().position = position;
  } else {
    ++p.items;
  }
  return true;
}

int ToolMenus::TableOfCommand(std::uint32_t id, bool excludeAreaTypes) {
  if (id >= 500 && id <= 510) return kConvertTable;
  if (id >= 511 && id <= 559) return kAdjustTable;
  if (id >= 560 && id <= 898) return kToolsTable;
  if (id == 899 || (id >= 900 && id <= 998)) return excludeAreaTypes ? -1 : kAreaTable;
  return -1;
}

int ToolMenus::ToolOfCommand(std::uint32_t id, bool excludeAreaTypes) const {
  const int table = TableOfCommand(id, excludeAreaTypes);
  if (table < 0) return 0;
  for (const Item& item : tables_[table].items) {
    if (item.id == id) return item.tool;
  }
  return 0;
}

std::uint32_t ToolMenus::FindInTable(int table, int tool) const {
  for (const Item& item : tables_[table].items) {
    if (item.tool == tool) return item.id;
  }
  return 0;
}

std::uint32_t ToolMenus::FindToolCommand(int tool) const {
  for (int table : {kConvertTable, kAdjustTable, kToolsTable}) {
    if (std::uint32_t id = FindInTable(table, tool)) return id;
  }
  return 0;
}

std::uint32_t ToolMenus::FindAreaCommand(int tool) const { return FindInTable(kAreaTable, tool); }

int ToolMenus::NextEnum(std::uint32_t* id) {
  static constexpr int kOrder[] = {kConvertTable, kAdjustTable, kToolsTable};
  while (enumTable_ < 3) {
    const Table& t = tables_[kOrder[enumTable_]];
    if (enumIndex_ < t.items.size()) {
      const Item& item = t.items[enumIndex_++];
      if (id != nullptr) *id = item.id;
      return item.tool;
    }
    ++enumTable_;
    enumIndex_ = 0;
  }
  return 0;
}

bool ToolMenus::HelpPairOf(const MenuHelpState& state, int n, MenuHelpPair* pair) const {
  switch (state.kind) {
    case MenuHelpState::kMainSystemPopup:
      *pair = {3000, 1000, 0};
      return true;
    case MenuHelpState::kImageSystemPopup:
      *pair = {4600, 2600, 0};
      return true;
    case MenuHelpState::kPaneSystemPopup:
      *pair = {4700, 2700, 0};
      return true;
    case MenuHelpState::kPaneSystemItem:
      *pair = {4701, 2701, static_cast<int>((state.item >> 4) & 255)};
      return true;
    case MenuHelpState::kMainMenuPopup:
    case MenuHelpState::kContextPopup: {
      if (!built_) return false;
      const bool mainMenu = state.kind == MenuHelpState::kMainMenuPopup;
      int before = 0;
      for (int table = 0; table < kToolTables; ++table) {
        // The main menu's popup help leaves the processing tools' popups
        // out.
        if (mainMenu && table != kAreaTable) continue;
        const Table& t = tables_[table];
        const int count = static_cast<int>(t.popups.size());
        if (t.helpPosition < 0 || count == 0) continue;
        if (n >= t.helpPosition && n < t.helpPosition + count) {
          *pair = n == t.helpPosition ? MenuHelpPair{190, 79, table} : MenuHelpPair{195, 85, table};
          return true;
        }
        if (t.helpPosition < n) before += count;
      }
      *pair = mainMenu ? MenuHelpPair{520, 500, n - before + 1} : MenuHelpPair{3000, 1000, n - before + 1};
      return true;
    }
    default:
      return false;
  }
}

}  // namespace lumora
