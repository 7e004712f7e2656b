#include "ui/win/ComboBoxSeparator.h"

#include "ui/SeparatorCombo.h"

namespace lumora {

void ComboBoxSeparator::Attach(HWND dialog, int id) {
  dialog_ = dialog;
  id_ = id;
  combo_ = GetDlgItem(dialog, id);
}

void ComboBoxSeparator::Fill(const std::vector<std::string>& items) {
  SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  beforeOpen_ = -1;
}

std::vector<std::string> ComboBoxSeparator::Items() const {
  std::vector<std::string> items;
  const int count = static_cast<int>(SendMessageA(combo_, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[128] = {};
    if (SendMessageA(combo_, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
      SendMessageA(combo_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.emplace_back(text);
  }
  return items;
}

void ComboBoxSeparator::Select(const std::string& text) {
  const LRESULT index = SendMessageA(combo_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(combo_, CB_SETCURSEL, index == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(index), 0);
  beforeOpen_ = index == CB_ERR ? -1 : static_cast<int>(index);
}

std::string ComboBoxSeparator::SelectedText() const {
  const LRESULT index = SendMessageA(combo_, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return std::string();
  char text[128] = {};
  if (SendMessageA(combo_, CB_GETLBTEXTLEN, index, 0) < static_cast<LRESULT>(sizeof text))
    SendMessageA(combo_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

void ComboBoxSeparator::Draw(const DRAWITEMSTRUCT& item) const {
  if (item.itemID == static_cast<UINT>(-1)) return;
  char text[128] = {};
  if (SendMessageA(combo_, CB_GETLBTEXTLEN, item.itemID, 0) < static_cast<LRESULT>(sizeof text))
    SendMessageA(combo_, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  if (IsSeparatorItem(text)) {
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const int y = (r.top + r.bottom) / 2;
    HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, r.left, y, nullptr);
    LineTo(dc, r.right, y);
    SelectObject(dc, old);
    return;
  }
  // Selected list items show inverted; the edit part stays plain.
  const bool inverted = (item.itemState & ODS_SELECTED) != 0 && (item.itemState & ODS_COMBOBOXEDIT) == 0;
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(inverted ? BLACK_BRUSH : WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, inverted ? RGB(255, 255, 255) : RGB(0, 0, 0));
  RECT textRect = r;
  textRect.left += 2;
  DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

bool ComboBoxSeparator::HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (combo_ == nullptr) return false;
  if (message == WM_DRAWITEM && static_cast<int>(wParam) == id_) {
    Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return true;
  }
  if (message == WM_MEASUREITEM && static_cast<int>(wParam) == id_) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    measure->itemHeight = 14;
    *result = TRUE;
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == id_) {
    if (HIWORD(wParam) == CBN_DROPDOWN) {
      beforeOpen_ = static_cast<int>(SendMessageA(combo_, CB_GETCURSEL, 0, 0));
    } else if (HIWORD(wParam) == CBN_SELCHANGE) {
      const int chosen = static_cast<int>(SendMessageA(combo_, CB_GETCURSEL, 0, 0));
      const int settled = SettleSeparatorChoice(Items(), beforeOpen_, chosen);
      if (settled != chosen) SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(settled), 0);
      beforeOpen_ = settled;
    }
  }
  return false;
}

}  // namespace lumora
