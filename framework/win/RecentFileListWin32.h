// Puts a recent-file list into a menu.
#pragma once

#include <string_view>

#include "framework/RecentFileList.h"
#include "platform/win32types.h"

namespace fw {

// Replaces the list's items in `menu` (found by their command ids) with the
// current entries, at the place of the first of them. An empty list leaves
// one greyed item with the first id and `emptyText`. False when the menu
// holds none of the list's ids.
bool RefillRecentFileMenu(HMENU menu, const RecentFileList& list, const char* emptyText,
                          std::string_view currentFolder = {});

}  // namespace fw
