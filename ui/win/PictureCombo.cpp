// Drop-down lists of pictures with their names.
#include "ui/win/PictureCombo.h"

#include <algorithm>

namespace lumora {

void PictureCombo::Attach(HWND dialog, int id, int itemHeight, int fieldHeight) {
  combo_ = GetDlgItem(dialog, id);
  id_ = id;
  itemHeight_ = itemHeight;
  fieldHeight_ = fieldHeight;
  if (combo_ == nullptr) return;
  SendMessageA(combo_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fieldHeight);
  SendMessageA(combo_, CB_SETITEMHEIGHT, 0, itemHeight);
}

void PictureCombo::SetPicture(int item, HBITMAP picture) const {
  if (combo_ != nullptr) SendMessageA(combo_, CB_SETITEMDATA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(picture));
}

HBITMAP PictureCombo::Picture(int item) const {
  if (combo_ == nullptr) return nullptr;
  const LRESULT data = SendMessageA(combo_, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
  return data == CB_ERR ? nullptr : reinterpret_cast<HBITMAP>(data);
}

SIZE PictureCombo::FrameSize(HBITMAP picture) {
  BITMAP info{};
  if (picture == nullptr || GetObjectA(picture, sizeof info, &info) == 0) return SIZE{0, 0};
  const LONG height = std::abs(info.bmHeight);
  return SIZE{info.bmWidth == 4 * height ? height : info.bmWidth, height};
}

void PictureCombo::Draw(const DRAWITEMSTRUCT& item) const {
  if (item.itemID == static_cast<UINT>(-1)) return;
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0 && (item.itemState & ODS_COMBOBOXEDIT) == 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  int textLeft = r.left + 2;
  const HBITMAP picture = Picture(static_cast<int>(item.itemID));
  const SIZE frame = FrameSize(picture);
  if (frame.cx > 0) {
    // The whole frame in the list; scaled to the field's height there.
    const int available = std::max<int>(1, r.bottom - r.top - 2);
    const int h = std::min<int>(frame.cy, available);
    const int w = static_cast<int>(static_cast<long long>(frame.cx) * h / frame.cy);
    const int x = r.left + 1;
    const int y = r.top + (r.bottom - r.top - h) / 2;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, picture);
    if (w == frame.cx && h == frame.cy) {
      BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
    } else {
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchBlt(dc, x, y, w, h, memory, 0, 0, frame.cx, frame.cy, SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    textLeft = x + w + 4;
  }
  char text[256] = {};
  if (SendMessageA(combo_, CB_GETLBTEXTLEN, item.itemID, 0) < static_cast<LRESULT>(sizeof text))
    SendMessageA(combo_, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT textRect{textLeft, r.top, r.right, r.bottom};
  DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &r);
}

bool PictureCombo::HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) const {
  if (combo_ == nullptr || static_cast<int>(wParam) != id_) return false;
  if (message == WM_DRAWITEM) {
    Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return true;
  }
  if (message == WM_MEASUREITEM) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    measure->itemHeight = static_cast<UINT>(measure->itemID == static_cast<UINT>(-1) ? fieldHeight_ : itemHeight_);
    *result = TRUE;
    return true;
  }
  return false;
}

}  // namespace lumora
