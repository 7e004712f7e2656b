// The host's sections of the program's Window menu: after the popup's own
// items, each section that lists a window shows a separator, its name and
// one item per window (the active one checked). Every item the host adds
// carries a command id of its own range, so the menu is remade by taking
// those items out and adding them again.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hostapi/toolhost.h"

namespace {

constexpr UINT kMaxWindows = 48;
constexpr UINT kSeparatorIds = kLUWinMenuFirstCommand + kMaxWindows;               // one per section
constexpr UINT kHeaderIds = kLUWinMenuFirstCommand + kMaxWindows + 8;              // one per section
constexpr UINT kLastCommand = kLUWinMenuFirstCommand + kMaxWindows + 16;           // exclusive

struct Listed {
  HWND window;
  int section;
};

struct WindowMenu {
  std::string names[kLUWinMenuSections];
  std::vector<Listed> windows;  // in the order they were listed
  HWND active = nullptr;
};

WindowMenu& Menu() {
  static WindowMenu menu;
  return menu;
}

std::string WithoutAmpersands(const char* text) {
  std::string plain;
  for (const char* c = text; *c != 0; ++c) {
    if (*c != '&') plain += *c;
  }
  return plain;
}

// The "Window" popup of the main window's menu bar.
HMENU WindowPopup(const void* site) {
  HMENU bar = GetMenu(static_cast<HWND>(LUGetMainWnd(site)));
  const int count = bar != nullptr ? GetMenuItemCount(bar) : 0;
  for (int i = 0; i < count; ++i) {
    char text[64] = {};
    GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    if (GetSubMenu(bar, i) != nullptr && WithoutAmpersands(text) == "Window") return GetSubMenu(bar, i);
  }
  return nullptr;
}

bool IsHostItem(UINT id) { return id >= kLUWinMenuFirstCommand && id < kLastCommand; }

void RemoveHostItems(HMENU popup) {
  for (int i = GetMenuItemCount(popup) - 1; i >= 0; --i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID;
    if (GetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &info) && IsHostItem(info.wID)) {
      DeleteMenu(popup, static_cast<UINT>(i), MF_BYPOSITION);
    }
  }
}

void AppendItem(HMENU popup, UINT type, UINT state, UINT id, const std::string& text) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | (type == MFT_SEPARATOR ? 0u : MIIM_STRING);
  info.fType = type;
  info.fState = state;
  info.wID = id;
  info.dwTypeData = const_cast<char*>(text.c_str());
  InsertMenuItemA(popup, static_cast<UINT>(GetMenuItemCount(popup)), TRUE, &info);
}

std::string TitleOf(HWND window) {
  char text[128] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

void Rebuild(const void* site) {
  WindowMenu& menu = Menu();
  std::erase_if(menu.windows, [](const Listed& l) { return !IsWindow(l.window); });
  HMENU popup = WindowPopup(site);
  if (popup == nullptr) return;
  RemoveHostItems(popup);
  for (int section = 0; section < kLUWinMenuSections; ++section) {
    bool started = false;
    for (std::size_t i = 0; i < menu.windows.size() && i < kMaxWindows; ++i) {
      const Listed& l = menu.windows[i];
      if (l.section != section) continue;
      if (!started) {
        started = true;
        AppendItem(popup, MFT_SEPARATOR, 0, kSeparatorIds + static_cast<UINT>(section), "");
        if (!menu.names[section].empty()) {
          AppendItem(popup, MFT_STRING, MFS_DISABLED, kHeaderIds + static_cast<UINT>(section), menu.names[section]);
        }
      }
      AppendItem(popup, MFT_STRING, l.window == menu.active ? MFS_CHECKED : 0,
                 kLUWinMenuFirstCommand + static_cast<UINT>(i), TitleOf(l.window));
    }
  }
  DrawMenuBar(static_cast<HWND>(LUGetMainWnd(site)));
}

void Activate(HWND window) {
  if ((GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0) {
    SendMessageA(GetParent(window), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(window), 0);
    return;
  }
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetActiveWindow(window);
  BringWindowToTop(window);
}

}  // namespace

void LUWinMenu_SetSectionName(const void* site, int index, const char* name) {
  if (index < 0 || index >= kLUWinMenuSections) return;
  Menu().names[index] = name != nullptr ? name : "";
  Rebuild(site);
}

int LUWinMenu_AddWnd(const void* site, void* window, int section, int) {
  HWND w = static_cast<HWND>(window);
  if (!IsWindow(w) || section < 0 || section >= kLUWinMenuSections) return 0;
  auto& windows = Menu().windows;
  const auto it = std::find_if(windows.begin(), windows.end(), [w](const Listed& l) { return l.window == w; });
  if (it != windows.end()) {
    it->section = section;
  } else {
    windows.push_back(Listed{w, section});
  }
  Rebuild(site);
  return 1;
}

int LUWinMenu_DeleteWnd(const void* site, void* window) {
  auto& windows = Menu().windows;
  const auto before = windows.size();
  std::erase_if(windows, [window](const Listed& l) { return l.window == window; });
  if (Menu().active == window) Menu().active = nullptr;
  if (windows.size() == before) return 0;
  Rebuild(site);
  return 1;
}

int LUWinMenu_SetActiveWnd(const void* site, void* window) {
  Menu().active = static_cast<HWND>(window);
  Rebuild(site);
  return 1;
}

int LUWinMenu_CorrectName(const void* site, void*) {
  Rebuild(site);
  return 1;
}

int LUWinMenu_Command(const void* site, void*, std::uintptr_t wParam) {
  const UINT id = LOWORD(wParam);
  if (id < kLUWinMenuFirstCommand || id >= kLUWinMenuFirstCommand + kMaxWindows) return 0;
  const auto& windows = Menu().windows;
  const std::size_t index = id - kLUWinMenuFirstCommand;
  if (index < windows.size() && IsWindow(windows[index].window)) Activate(windows[index].window);
  Rebuild(site);
  return 1;
}
