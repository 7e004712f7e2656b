// The toolbar button under a point: the control's button rectangles
// searched by ButtonIndexFromPoint.
#include "ui/win/ToolbarHit.h"

#include <commctrl.h>

#include <vector>

#include "ui/ToolbarDrag.h"

namespace lumora {

int ToolBarButtonFromPoint(HWND toolbar, int first, int count, int x, int y) {
  if (toolbar == nullptr) return -1;
  const int n = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
  std::vector<RECT> buttons(static_cast<std::size_t>(n > 0 ? n : 0));
  for (int i = 0; i < n; ++i) {
    // A hidden button has no rectangle.
    RECT& r = buttons[static_cast<std::size_t>(i)];
    if (!SendMessageA(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) r = RECT{};
  }
  return ButtonIndexFromPoint(buttons, first, count, POINT{x, y});
}

}  // namespace lumora
