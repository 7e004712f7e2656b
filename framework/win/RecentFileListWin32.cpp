// Recent-file menu items: removed by id and inserted again in list order.
#include "framework/win/RecentFileListWin32.h"

namespace fw {

bool RefillRecentFileMenu(HMENU menu, const RecentFileList& list, const char* emptyText,
                          std::string_view currentFolder) {
  int position = -1;
  for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
    const UINT id = GetMenuItemID(menu, i);
    if (id == static_cast<UINT>(-1) || !list.OwnsId(id)) continue;
    DeleteMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
    position = i;
  }
  if (position < 0) return false;
  const std::vector<RecentMenuItem> items = list.MenuItems(currentFolder);
  if (items.empty()) {
    InsertMenuA(menu, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING | MF_GRAYED, list.firstId(), emptyText);
    return true;
  }
  for (const RecentMenuItem& item : items) {
    InsertMenuA(menu, static_cast<UINT>(position++), MF_BYPOSITION | MF_STRING, item.id, item.text.c_str());
  }
  return true;
}

}  // namespace fw
