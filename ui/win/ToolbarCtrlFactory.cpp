#include "ui/win/ToolbarCtrlFactory.h"

#include <algorithm>
#include <vector>

namespace lumora {
namespace {

std::unique_ptr<fw::Window> Own(HWND window) {
  auto control = std::make_unique<fw::Window>();
  if (window == nullptr || !control->Subclass(window)) {
    if (window != nullptr) DestroyWindow(window);
    return nullptr;
  }
  return control;
}

}  // namespace

bool IsPlainComboBox(HWND window) {
  char name[32] = {};
  return window != nullptr && GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, "ComboBox") == 0;
}

ComboRecord ComboRecordOf(HWND combo) {
  ComboRecord r;
  r.style = static_cast<std::uint32_t>(GetWindowLongA(combo, GWL_STYLE));
  r.exStyle = static_cast<std::uint32_t>(GetWindowLongA(combo, GWL_EXSTYLE));
  r.id = static_cast<std::uint32_t>(GetDlgCtrlID(combo));
  RECT window{}, dropped{};
  GetWindowRect(combo, &window);
  SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  r.width = static_cast<std::uint16_t>(window.right - window.left);
  r.height = static_cast<std::uint16_t>(dropped.bottom + 3 - dropped.top);
  const auto count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  r.hasItems = count > 0;
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<int>(SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
    std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max(length, 0)));
    r.items.push_back(text);
  }
  const auto selection = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
  r.selection = selection < 0 ? 65535 : static_cast<std::uint16_t>(selection);
  r.horizontalExtent = static_cast<std::uint32_t>(SendMessageA(combo, CB_GETHORIZONTALEXTENT, 0, 0));
  r.droppedWidth = static_cast<std::uint32_t>(SendMessageA(combo, CB_GETDROPPEDWIDTH, 0, 0));
  r.fieldHeight = static_cast<std::uint32_t>(SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  return r;
}

std::unique_ptr<fw::Window> CreateComboFromRecord(HWND parent, const ComboRecord& record, std::uint32_t id) {
  const DWORD style = (record.style & ~WS_VISIBLE) | WS_CHILD;
  // The record's height holds the dropped-down list's height plus 3: made
  // with the list's own height, the next save writes the same record.
  const int height = std::max(record.height - 3, 1);
  HWND combo = CreateWindowExA(record.exStyle, "COMBOBOX", "", style, 0, 0, record.width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (combo == nullptr) return nullptr;
  SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  for (const std::string& item : record.items) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  if (record.selection != 65535) SendMessageA(combo, CB_SETCURSEL, record.selection, 0);
  SendMessageA(combo, CB_SETHORIZONTALEXTENT, record.horizontalExtent, 0);
  SendMessageA(combo, CB_SETDROPPEDWIDTH, record.droppedWidth, 0);
  if (record.fieldHeight > 0) SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), record.fieldHeight);
  return Own(combo);
}

std::unique_ptr<fw::Window> CopyComboBox(HWND parent, HWND model, bool visible) {
  RECT dropped{};
  SendMessageA(model, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  DWORD style = static_cast<DWORD>(GetWindowLongA(model, GWL_STYLE)) & ~WS_VISIBLE;
  if (visible) style |= WS_VISIBLE;
  HWND combo = CreateWindowExA(static_cast<DWORD>(GetWindowLongA(model, GWL_EXSTYLE)), "COMBOBOX", "", style | WS_CHILD,
                               0, 0, dropped.right - dropped.left, dropped.bottom + 3 - dropped.top, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(GetDlgCtrlID(model))),
                               GetModuleHandleA(nullptr), nullptr);
  if (combo == nullptr) return nullptr;
  SendMessageA(combo, WM_SETFONT, SendMessageA(model, WM_GETFONT, 0, 0), FALSE);
  const ComboRecord r = ComboRecordOf(model);
  for (std::size_t i = 0; i < r.items.size(); ++i) {
    const auto at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.items[i].c_str()));
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at),
                 SendMessageA(model, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
  }
  SendMessageA(combo, CB_SETCURSEL, r.selection == 65535 ? 0 : r.selection, 0);
  SendMessageA(combo, CB_SETHORIZONTALEXTENT, r.horizontalExtent, 0);
  SendMessageA(combo, CB_SETDROPPEDWIDTH, r.droppedWidth, 0);
  SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), r.fieldHeight);
  return Own(combo);
}

bool ToolbarControlColour(HDC dc, HWND window, LRESULT* brush) {
  char name[32] = {};
  if (window == nullptr || GetClassNameA(window, name, sizeof name) == 0) return false;
  if (lstrcmpiA(name, "ComboBox") != 0 && lstrcmpiA(name, "Edit") != 0 && lstrcmpiA(name, "ComboLBox") != 0) return false;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  *brush = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  return true;
}

}  // namespace lumora
