// Placement of the error box.
#include "app/ErrorBox.h"

namespace lumora {

POINT PlaceErrorBox(const SIZE& box, const RECT& owner, const RECT& screen) {
  LONG left = owner.left + ((owner.right - owner.left) - box.cx) / 2;
  LONG top = owner.top + ((owner.bottom - owner.top) - box.cy) / 2;
  if (left + box.cx > screen.right) left -= left + box.cx - screen.right;
  if (top + box.cy > screen.bottom) top -= top + box.cy - screen.bottom;
  if (left < screen.left) left = screen.left;
  if (top < screen.top) top = screen.top;
  return POINT{left, top};
}

}  // namespace lumora
