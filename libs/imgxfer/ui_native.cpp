// Native stand-ins for the dialogs: no window system, so nothing is shown
// and the options dialog is always "cancelled".
#ifndef _WIN32

#include <cstdio>

#include "libs/imgxfer/ui.h"

namespace lumora::imgxfer {

void ShowMessageBox(void*, const std::string&) {}

bool RunOptionsDialog(void*, ImExpSaveOptions*) { return false; }

void ShowInfoBox(void*, const std::string&, const std::string&) {}

}  // namespace lumora::imgxfer

#endif
