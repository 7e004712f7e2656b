// The toolbar button under a point of a toolbar control.
#pragma once

#include <windows.h>

namespace lumora {

// Searches the toolbar's buttons from `first` (clamped to the last button,
// 0 when negative) through `count` buttons (clamped to the button count)
// and gives the first whose rectangle holds the client point (x, y), or -1.
int ToolBarButtonFromPoint(HWND toolbar, int first, int count, int x, int y);

}  // namespace lumora
