// The texture combo: samples read on first draw, names beside them.
#include "ui/win/TexturesCB.h"

#include <algorithm>

namespace lumora {

int GetComboMaxTextWidth(HWND combo, int extra) {
  const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  if (count <= 0) return 200;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  int widest = 0;
  for (int i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == CB_ERR) continue;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    text += "  ";
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max<int>(widest, size.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return widest + extra + 10;
}

void CTexturesCB::Attach(HWND dialog, int id, Loader loader) {
  combo_ = GetDlgItem(dialog, id);
  id_ = id;
  loader_ = std::move(loader);
  if (combo_ == nullptr) return;
  SendMessageA(combo_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), kItemHeight);
  SendMessageA(combo_, CB_SETITEMHEIGHT, 0, kItemHeight);
}

int CTexturesCB::AddItem(const std::string& name, const std::string& file) {
  if (combo_ == nullptr) return -1;
  const LRESULT at = SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  if (at < 0) return -1;
  auto* item = new Item{file};
  SendMessageA(combo_, CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(item));
  SendMessageA(combo_, CB_SETITEMHEIGHT, static_cast<WPARAM>(at), kItemHeight);
  return static_cast<int>(at);
}

void CTexturesCB::FitDropDownWidth() const {
  if (combo_ != nullptr) SendMessageA(combo_, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(GetComboMaxTextWidth(combo_, kSampleWidth)), 0);
}

CTexturesCB::Item* CTexturesCB::ItemAt(int item) const {
  if (combo_ == nullptr || item < 0) return nullptr;
  const LRESULT data = SendMessageA(combo_, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
  return data == CB_ERR ? nullptr : reinterpret_cast<Item*>(data);
}

HBITMAP CTexturesCB::Texture(int item) const {
  const Item* found = ItemAt(item);
  return found != nullptr ? found->bitmap : nullptr;
}

void CTexturesCB::Draw(const DRAWITEMSTRUCT& draw) const {
  if (draw.itemID == static_cast<UINT>(-1)) return;
  HDC dc = draw.hDC;
  const RECT r = draw.rcItem;
  const bool selected = (draw.itemState & ODS_SELECTED) != 0 && (draw.itemState & ODS_COMBOBOXEDIT) == 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  Item* item = reinterpret_cast<Item*>(draw.itemData);
  int x = r.left;
  if (item != nullptr && !item->file.empty()) {
    // Read once, at the item's first draw.
    if (!item->read) {
      item->read = true;
      if (loader_) item->bitmap = loader_(item->file);
    }
    if (item->bitmap != nullptr) {
      BITMAP info{};
      GetObjectA(item->bitmap, sizeof info, &info);
      const int w = std::min<int>(kSampleWidth, info.bmWidth);
      const int h = std::min<int>(r.bottom - r.top - 2, std::abs(info.bmHeight));
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(memory, item->bitmap);
      BitBlt(dc, x + 1, r.top + 1, w, h, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
    }
    x += 1 + kSampleWidth;
  }
  char text[256] = {};
  if (SendMessageA(combo_, CB_GETLBTEXTLEN, draw.itemID, 0) < static_cast<LRESULT>(sizeof text))
    SendMessageA(combo_, CB_GETLBTEXT, draw.itemID, reinterpret_cast<LPARAM>(text));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT textRect{x + 6, r.top, r.right, r.bottom};
  DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
  if ((draw.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &r);
}

bool CTexturesCB::HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) const {
  if (combo_ == nullptr || static_cast<int>(wParam) != id_) return false;
  switch (message) {
    case WM_DRAWITEM:
      Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      *result = TRUE;
      return true;
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kItemHeight;
      *result = TRUE;
      return true;
    case WM_DELETEITEM: {
      // The item's record and sample go with it.
      Item* item = reinterpret_cast<Item*>(reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->itemData);
      if (item != nullptr) {
        if (item->bitmap != nullptr) DeleteObject(item->bitmap);
        delete item;
      }
      *result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace lumora
