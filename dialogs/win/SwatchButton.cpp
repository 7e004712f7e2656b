// The dialogs' one-colour swatch button.
#include "dialogs/win/SwatchButton.h"

namespace lumora {

bool CSelColBtn::Attach(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr) return false;
  SetWindowLongPtrA(button, GWL_STYLE, (GetWindowLongPtrA(button, GWL_STYLE) & ~0xF) | BS_OWNERDRAW);
  return Subclass(button);
}

void CSelColBtn::SetColor(COLORREF colour) {
  colour_ = colour & 0xFFFFFF;
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CSelColBtn::DrawItem(const DRAWITEMSTRUCT& item) const {
  HBRUSH brush = CreateSolidBrush(colour_);
  HGDIOBJ oldBrush = SelectObject(item.hDC, brush);
  HGDIOBJ oldPen = SelectObject(item.hDC, GetStockObject(BLACK_PEN));
  Rectangle(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
  SelectObject(item.hDC, oldPen);
  SelectObject(item.hDC, oldBrush);
  DeleteObject(brush);
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(item.hDC, &focus);
  }
}

}  // namespace lumora
