// The items of a popup menu as a test reads them: text, id and state.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lumora::testing {

struct MenuItem {
  std::string text;
  UINT id;
  UINT state;
};

inline std::vector<MenuItem> PopupItems(HMENU popup) {
  std::vector<MenuItem> items;
  for (int i = 0; popup != nullptr && i < GetMenuItemCount(popup); ++i) {
    char text[128] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    GetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &info);
    items.push_back({text, info.wID, info.fState});
  }
  return items;
}

}  // namespace lumora::testing
