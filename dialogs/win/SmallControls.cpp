// Separator, colour and line-style combo boxes and the Enter-reporting edit.
#include "dialogs/win/SmallControls.h"

#include <algorithm>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

// ---- Separator combo

void CComboBoxSeparator::DrawSeparator(HDC dc, const RECT& r) {
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const int middle = (r.top + r.bottom) / 2;
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, r.left, middle, nullptr);
  LineTo(dc, r.right, middle);
  SelectObject(dc, old);
}

void CComboBoxSeparator::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const std::string text = GetLBText(static_cast<int>(item.itemID));
  HDC dc = item.hDC;
  if (IsSeparator(text)) {
    DrawSeparator(dc, item.rcItem);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0 && (item.itemState & ODS_COMBOBOXEDIT) == 0;
  FillRect(dc, &item.rcItem, static_cast<HBRUSH>(GetStockObject(selected ? BLACK_BRUSH : WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
  RECT r = item.rcItem;
  r.left += 2;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void CComboBoxSeparator::OnSelChange() {
  const int now = GetCurSel();
  if (now >= 0 && IsSeparator(GetLBText(now))) {
    int next = before_;
    if (now == before_ + 1 && now + 1 < GetCount()) next = now + 1;
    if (now == before_ - 1 && now - 1 >= 0) next = now - 1;
    SetCurSel(next);
  }
  before_ = GetCurSel();
}

// ---- Colour combo

int CGuideColorCB::AddColor(const std::string& name, COLORREF color) {
  const int index = AddString(name);
  if (index >= 0) SetItemData(index, static_cast<LPARAM>(color));
  return index;
}

int CGuideColorCB::FindColor(COLORREF color) const {
  const std::string custom(res::String(IDS_COLOR_CUSTOM));
  for (int i = 0; i < GetCount(); ++i) {
    const std::string text = GetLBText(i);
    if (IsSeparator(text) || text == custom) continue;
    if (ItemColor(i) == color) return i;
  }
  return -1;
}

void CGuideColorCB::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1) || (item.itemAction & (ODA_SELECT | ODA_DRAWENTIRE)) == 0) {
    if (item.itemAction & ODA_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
    return;
  }
  const std::string text = GetLBText(static_cast<int>(item.itemID));
  HDC dc = item.hDC;
  if (IsSeparator(text)) {
    DrawSeparator(dc, item.rcItem);
    return;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const bool custom = text == std::string(res::String(IDS_COLOR_CUSTOM));
  const COLORREF color = custom ? customColor : ItemColor(static_cast<int>(item.itemID));
  const int height = item.rcItem.bottom - item.rcItem.top;
  RECT sample{item.rcItem.left + 2, item.rcItem.top + 2, item.rcItem.left + 2 + 2 * height, item.rcItem.bottom - 2};
  HBRUSH brush = CreateSolidBrush(color);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, sample.left, sample.top, sample.right, sample.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT r = item.rcItem;
  r.left = sample.right + 6;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &item.rcItem);
}

// ---- Line-style combo

int CLinesStyleCB::AddStyle(const std::string& name, int style) {
  const int index = AddString(name);
  if (index >= 0) SetItemData(index, style);
  return index;
}

int CLinesStyleCB::FindStyle(int style) const {
  for (int i = 0; i < GetCount(); ++i) {
    if (static_cast<int>(GetItemData(i)) == style) return i;
  }
  return -1;
}

void CLinesStyleCB::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const RECT& r = item.rcItem;
  const int width = r.right - r.left, height = r.bottom - r.top;
  const int sampleWidth = std::min(width / 3, 40);
  HDC dc = item.hDC;
  // The sample off-screen on the window colour, then the text beside it.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max(sampleWidth, 1), std::max(height, 1));
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  const RECT sample{0, 0, sampleWidth, height};
  FillRect(memory, &sample, GetSysColorBrush(COLOR_WINDOW));
  const int style = static_cast<int>(GetItemData(static_cast<int>(item.itemID)));
  const int y = height / 2;
  for (int x = 5; x < sampleWidth; ++x) {
    const bool on = style == 0 || (style == 1 ? (x - 5) % 2 == 0 : (x - 5) % 5 == 0);
    if (on) SetPixel(memory, x, y, RGB(0, 0, 0));
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  BitBlt(dc, r.left, r.top, sampleWidth, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  const std::string text = GetLBText(static_cast<int>(item.itemID));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  TextOutA(dc, r.left + sampleWidth + 6, r.top + (height - tm.tmHeight) / 2, text.c_str(), static_cast<int>(text.size()));
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

// ---- Enter-reporting edit

UINT CMyEdit::ReturnMessage() {
  static const UINT message = RegisterWindowMessageA("MY_EN_RETURN");
  return message;
}

bool CMyEdit::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && hwnd_ != nullptr) {
    SendMessageA(GetParent(hwnd_), ReturnMessage(), 0, 0);
  }
  return false;
}

// ---- Reflection

bool ReflectControlMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    fw::Window* control = fw::Window::FromHandle(item->hwndItem);
    if (auto* combo = dynamic_cast<CComboBoxSeparator*>(control)) {
      combo->DrawItem(*item);
      return true;
    }
    if (auto* styles = dynamic_cast<CLinesStyleCB*>(control)) {
      styles->DrawItem(*item);
      return true;
    }
    return false;
  }
  if (message == WM_COMMAND && lParam != 0) {
    auto* combo = dynamic_cast<CComboBoxSeparator*>(fw::Window::FromHandle(reinterpret_cast<HWND>(lParam)));
    if (combo == nullptr) return false;
    if (HIWORD(wParam) == CBN_DROPDOWN) combo->OnDropDown();
    if (HIWORD(wParam) == CBN_SELCHANGE) combo->OnSelChange();
  }
  return false;
}

}  // namespace lumora
