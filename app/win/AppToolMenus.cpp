#include "app/win/AppToolMenus.h"

#include <cstdlib>
#include <functional>

#include "app/ErrorBox.h"
#include "app/win/Lumo40App.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/Frame.h"
#include "framework/CommandIds.h"
#include "hostapi/toolhost.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

class HostRegistry : public ToolRegistry {
 public:
  explicit HostRegistry(const void* site) : site_(site) {}
  int NextTool(int previous) override { return LUGetRegToolItem(site_, previous); }
  bool Flags(int tool, std::uint32_t* flags) override {
    LU_REGTOOLINFO info{};
    if (!LUGetRegToolInfo(site_, tool, 1, &info)) return false;
    *flags = info.flags;
    return true;
  }
  bool GroupName(int tool, std::string* group) override { return Read(LUGetRegToolGroupName, tool, group); }
  bool MenuName(int tool, std::string* name) override { return Read(LUGetRegToolMenuName, tool, name); }

 private:
  bool Read(int (*get)(const void*, int, int, char*, int), int tool, std::string* out) {
    char buffer[80] = {};
    if (!get(site_, tool, 1, buffer, sizeof buffer)) return false;
    *out = buffer;
    return true;
  }
  const void* site_;
};

class WindowMenus : public MenuEditor {
 public:
  void* CreatePopup() override { return CreatePopupMenu(); }
  int Count(void* menu) override { return GetMenuItemCount(static_cast<HMENU>(menu)); }
  std::string Text(void* menu, int position) override {
    char text[256] = {};
    GetMenuStringA(static_cast<HMENU>(menu), static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
  }
  bool InsertItem(void* menu, int position, std::uint32_t id, const std::string& text, bool grayed) override {
    return InsertMenuA(static_cast<HMENU>(menu), static_cast<UINT>(position),
                       MF_BYPOSITION | MF_STRING | (grayed ? MF_GRAYED : 0), id, text.c_str()) != 0;
  }
  bool InsertPopup(void* menu, int position, void* popup, const std::string& text) override {
    return InsertMenuA(static_cast<HMENU>(menu), static_cast<UINT>(position), MF_BYPOSITION | MF_POPUP,
                       reinterpret_cast<UINT_PTR>(popup), text.c_str()) != 0;
  }
  void Delete(void* menu, int position) override {
    DeleteMenu(static_cast<HMENU>(menu), static_cast<UINT>(position), MF_BYPOSITION);
  }
  int Compare(const std::string& a, const std::string& b) override { return lstrcmpA(a.c_str(), b.c_str()); }
};

HWND HelpOwner() {
  HWND owner = TheLumoApp() != nullptr ? TheLumoApp()->GetActiveTopLevelWnd() : nullptr;
  return owner;
}

void ShowBox(const std::string& message, UINT caption) {
  ShowErrorDialog(GetModuleHandleA(nullptr), HelpOwner(), message.c_str(), std::string(res::String(caption)).c_str(),
                  "", MB_ICONINFORMATION, false);
}

// A help pair: the help string names a topic ("@" and its number) of the
// tool host's help file; otherwise the message string is shown.
void ShowHelpPair(const void* site, const MenuHelpPair& pair) {
  const std::string help(pair.help != 0 ? res::String(pair.help + pair.n) : std::string_view());
  if (!help.empty() && help[0] == '@') {
    char path[260] = {};
    LUGetHelpPath(site, path, sizeof path);
    TheLumoApp()->ShowHelp(HelpOwner(), HELP_CONTEXT, static_cast<std::uintptr_t>(std::atoi(help.c_str() + 1)),
                           path);
    return;
  }
  const std::string message(res::String(pair.message + pair.n));
  if (!message.empty()) {
    ShowBox(message, IDS_APP_TITLE);
    return;
  }
  // No text of its own: the program's help, which says when it is missing.
  TheLumoApp()->ShowHelp(HelpOwner(), HELP_CONTENTS, 0);
}

const ToolMenus* hookMenus = nullptr;
const void* hookSite = nullptr;
MenuHelpState* hookState = nullptr;
HHOOK hook = nullptr;

LRESULT CALLBACK MenuHelpFilter(int code, WPARAM wParam, LPARAM lParam) {
  const MSG* msg = reinterpret_cast<const MSG*>(lParam);
  if (code == MSGF_MENU && msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_F1 &&
      hookMenus != nullptr && hookState != nullptr) {
    HMENU main = TheLumoApp() != nullptr && TheLumoApp()->MainFrame() != nullptr
                     ? GetMenu(TheLumoApp()->MainFrame()->Handle())
                     : nullptr;
    if (ShowMenuHelp(*hookMenus, hookSite, *hookState, main)) return TRUE;
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

std::string FillMessage(std::uint32_t id, const std::string& argument) {
  std::string text(res::String(id));
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

int PopupPosition(HMENU root, HMENU target) {
  int position = 0;
  std::function<bool(HMENU)> walk = [&](HMENU menu) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      HMENU sub = GetSubMenu(menu, i);
      if (sub == nullptr) continue;
      if (sub == target) return true;
      ++position;
      if (walk(sub)) return true;
    }
    return false;
  };
  return root != nullptr && walk(root) ? position : -1;
}

void GreyToolPlaceholders(HMENU menu) {
  if (menu == nullptr) return;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (HMENU sub = GetSubMenu(menu, i)) {
      GreyToolPlaceholders(sub);
      continue;
    }
    const UINT id = GetMenuItemID(menu, i);
    for (const ToolTableRange& range : kToolTableRanges) {
      if (id == range.placeholderId) EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | MF_GRAYED);
    }
  }
}

namespace {

// The sub-popup "Default Area Type" (item 1) of the popup named Options.
HMENU DefaultAreaTypePopup(HMENU bar) {
  for (int i = 0; bar != nullptr && i < GetMenuItemCount(bar); ++i) {
    char text[64] = {};
    GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    std::string plain;
    for (const char* c = text; *c != 0; ++c) {
      if (*c != '&') plain += *c;
    }
    if (plain == "Options" && GetSubMenu(bar, i) != nullptr) return GetSubMenu(GetSubMenu(bar, i), 1);
  }
  return nullptr;
}

}  // namespace

void CopyDefaultAreaTypes(HMENU documentMenu, HMENU mainMenu) {
  HMENU source = DefaultAreaTypePopup(documentMenu);
  HMENU target = DefaultAreaTypePopup(mainMenu);
  if (source != nullptr && target != nullptr && source != target) RefillMenuPopup(target, source);
}

bool BuildAppToolMenus(ToolMenus& menus, HMENU documentMenu, const void* site) {
  if (documentMenu == nullptr) return false;
  HMENU image = GetSubMenu(documentMenu, 3);
  HMENU options = GetSubMenu(documentMenu, 7);
  void* roots[kToolTables] = {GetSubMenu(documentMenu, 5), image != nullptr ? GetSubMenu(image, 0) : nullptr,
                              image != nullptr ? GetSubMenu(image, 2) : nullptr,
                              options != nullptr ? GetSubMenu(options, 1) : nullptr};
  HostRegistry registry(site);
  WindowMenus editor;
  const bool built = menus.Build(registry, editor, roots);
  GreyToolPlaceholders(documentMenu);
  menus.SetHelpPositions([&](void* menu) { return PopupPosition(documentMenu, static_cast<HMENU>(menu)); });
  return built;
}

bool CreateToolInstanceByCommand(const ToolMenus& menus, const void* site, std::uint32_t id) {
  if (const int tool = menus.ToolOfCommand(id, true)) {
    if (LUCreateToolInstanceByIDNumber(site, tool, 0) != 0) return true;
    LUPrintErrorState(site);
    return false;
  }
  const int area = menus.TableOfCommand(id, false) == kAreaTable ? menus.ToolOfCommand(id, false) : 0;
  if (area == 0) return false;
  char name[21] = {};
  LUGetRegToolIDName(site, area, 1, name, sizeof name);
  if (!menus.TableAt(kAreaTable).popups.empty()) LUWriteProfileString(site, "DefAreaManager", "FrgManager", name);
  return true;
}

bool LoadRegToolString(const void* site, int tool, std::string* text, int offset) {
  LU_REGTOOLINFO info{};
  if (!LUGetRegToolInfo(site, tool, 1, &info)) return false;
  if (!LULockRegToolLibrary(site, tool, 1)) return false;
  // The tools' strings live in the program's own string table.
  std::string s(res::String(static_cast<std::uint32_t>(info.baseStringId + offset)));
  if (s.size() > 127) s.resize(127);
  *text = s;
  LUUnlockRegToolLibrary(site, tool, 1);
  return true;
}

int ShowRegToolHelp(const ToolMenus& menus, const void* site, std::uint32_t id, bool* notATool) {
  *notATool = false;
  if (id < 500 || id > 999) {
    *notATool = true;
    if (id >= fw::kIdFileMru1 && id <= fw::kIdFileMruLast) {
      ShowBox(std::string(res::String(IDS_HELP_RECENT_FILE)), IDS_APP_TITLE);
      *notATool = false;
    } else if (id >= 0xFF00 && id <= 0xFF09) {
      ShowBox(std::string(res::String(IDS_HELP_WINDOW_LIST)), IDS_APP_TITLE);
      *notATool = false;
    }
    return 0;
  }
  const int tool = menus.ToolOfCommand(id, false);
  if (!LULockRegToolLibrary(site, tool, 1)) return LUErrorCode(site, 0x100, "Menu", __LINE__, 0);
  LUToolInterfaceProc entry = LUGetRegToolInterface(site, tool, 1);
  const int answer = entry != nullptr ? entry(2) : 0;
  if (entry != nullptr && answer == -1) {
    char module[64] = {};
    LUGetRegToolDLLName(site, tool, 1, module, sizeof module);
    ShowBox(FillMessage(IDS_TOOL_HELP_MISSING, module), IDS_ERROR_CAPTION);
    LUUnlockRegToolLibrary(site, tool, 1);
    return 0;
  }
  LUUnlockRegToolLibrary(site, tool, 1);
  return LUErrorCode(site, 0x100, "Menu", __LINE__, 1);
}

void TrackMenuSelection(MenuHelpState& state, HMENU menu, WPARAM wParam, LPARAM) {
  const UINT item = LOWORD(wParam), flags = HIWORD(wParam);
  if (flags == 0xFFFF && menu == nullptr) {
    state = MenuHelpState{};
    return;
  }
  const bool system = (flags & MF_SYSMENU) != 0;
  const bool popup = (flags & MF_POPUP) != 0;
  if (system) {
    state = MenuHelpState{popup ? MenuHelpState::kMainSystemPopup : MenuHelpState::kMainSystemItem, item, menu};
  } else {
    state = MenuHelpState{popup ? MenuHelpState::kMainMenuPopup : MenuHelpState::kMainMenuItem, item, menu};
  }
}

bool ShowMenuHelp(const ToolMenus& menus, const void* site, const MenuHelpState& state, HMENU mainMenu) {
  MenuHelpPair pair;
  switch (state.kind) {
    case MenuHelpState::kMainMenuItem:
    case MenuHelpState::kContextItem: {
      if (!menus.Built()) return false;
      bool notATool = false;
      const int result = ShowRegToolHelp(menus, site, state.item, &notATool);
      if (notATool) return false;
      if (result == 1) {
        ShowBox(std::string(res::String(IDS_HELP_ON_POPUP_MENU)), IDS_APP_TITLE);
      } else if (result != 0) {
        LUStoreErrorCode(site, result);
        LUPrintErrorState(site);
      }
      return true;
    }
    case MenuHelpState::kMainMenuPopup:
    case MenuHelpState::kContextPopup: {
      if (!menus.Built()) return false;
      HMENU popup = GetSubMenu(static_cast<HMENU>(state.menu), static_cast<int>(state.item));
      const int n = PopupPosition(mainMenu, popup);
      if (n < 0 || !menus.HelpPairOf(state, n, &pair)) return false;
      ShowHelpPair(site, pair);
      return true;
    }
    default:
      if (!menus.HelpPairOf(state, 0, &pair)) return false;
      ShowHelpPair(site, pair);
      return true;
  }
}

HHOOK InstallMenuHelpHook(const ToolMenus* menus, const void* site, MenuHelpState* state) {
  hookMenus = menus;
  hookSite = site;
  hookState = state;
  hook = SetWindowsHookExA(WH_MSGFILTER, MenuHelpFilter, nullptr, GetCurrentThreadId());
  return hook;
}

}  // namespace lumora
