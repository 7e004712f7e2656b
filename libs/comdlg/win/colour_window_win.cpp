// The colour window and the screen pick-up on Win32: a tool window built in
// code, a swatch beside three pages: red, green and blue; hue, saturation
// and value (a slider and an edit per channel); and a palette of cells.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "libs/comdlg/ColourWindow.h"

namespace lumora::comdlg {

// The system's open and save dialog (gadget_win.cpp).
int RunFileDialog(void* owner, const char* title, int open, const char* folder, const char* extension, char* path,
                  int pathSize);

namespace {

constexpr char kClassName[] = "VR_SELCOLORWND32";
constexpr char kTitle[] = "Color";
constexpr const char* kChannelNames[3] = {"&Red:", "&Green:", "&Blue:"};
// Control ids: the sliders and edits of red, green and blue.
constexpr int kSliderId = 1101;
constexpr int kEditId = 1111;
constexpr RECT kSwatch = {10, 10, 60, 94};
// The HSV page's sliders and edits, the page tabs, the palette's Add button.
constexpr int kHsvSliderId = 1121;
constexpr int kHsvEditId = 1131;
constexpr int kTabsId = 1140;
constexpr int kAddId = 1141;
constexpr const char* kHsvNames[3] = {"&Hue:", "&Sat:", "&Val:"};
constexpr const char* kPageNames[3] = {"RGB", "HSV", "Palette"};
enum Page : int { kRgbPage = 0, kHsvPage = 1, kPalettePage = 2 };
// Below the tabs: channel rows, and the palette's cells (eight a row).
constexpr int kPageTop = 34;
constexpr int kCellLeft = 70, kCellWidth = 24, kCellHeight = 16;
constexpr int kClientWidth = 280, kClientHeight = 128;

RECT CellRect(int cell) {
  const int row = cell / 8, column = cell % 8;
  // The user's own colours sit one gap below the fixed ones.
  const int top = kPageTop + row * kCellHeight + (cell >= kBasicColours ? 6 : 0);
  return RECT{kCellLeft + column * kCellWidth, top, kCellLeft + (column + 1) * kCellWidth - 2, top + kCellHeight - 2};
}

struct WindowState {
  CDlgData* data;
  bool showing = false;  // the controls are being set: not the user's colour
  int page = kRgbPage;
};

WindowState* StateOf(HWND window) { return reinterpret_cast<WindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

std::uint32_t ShownColour(HWND window) {
  int channel[3];
  for (int i = 0; i < 3; ++i) {
    channel[i] = static_cast<int>(SendDlgItemMessageA(window, kSliderId + i, TBM_GETPOS, 0, 0));
  }
  return MakeColour(channel[0], channel[1], channel[2]);
}

void ShowChannels(HWND window, std::uint32_t colour) {
  WindowState* state = StateOf(window);
  if (state != nullptr) state->showing = true;
  for (int i = 0; i < 3; ++i) {
    SendDlgItemMessageA(window, kSliderId + i, TBM_SETPOS, TRUE, Channel(colour, i));
    SetDlgItemInt(window, kEditId + i, static_cast<UINT>(Channel(colour, i)), FALSE);
  }
  const Hsv hsv = ColourToHsv(colour);
  const int parts[3] = {hsv.hue, hsv.saturation, hsv.value};
  for (int i = 0; i < 3; ++i) {
    SendDlgItemMessageA(window, kHsvSliderId + i, TBM_SETPOS, TRUE, parts[i]);
    SetDlgItemInt(window, kHsvEditId + i, static_cast<UINT>(parts[i]), FALSE);
  }
  if (state != nullptr) state->showing = false;
  InvalidateRect(window, &kSwatch, FALSE);
}

// The page's controls shown, the others hidden.
void ShowPage(HWND window, int page) {
  WindowState* state = StateOf(window);
  if (state != nullptr) state->page = page;
  for (int i = 0; i < 3; ++i) {
    for (int id : {kSliderId + i, kEditId + i, kSliderId + i + 50}) {
      if (HWND c = GetDlgItem(window, id)) ShowWindow(c, page == kRgbPage ? SW_SHOWNA : SW_HIDE);
    }
    for (int id : {kHsvSliderId + i, kHsvEditId + i, kHsvSliderId + i + 50}) {
      if (HWND c = GetDlgItem(window, id)) ShowWindow(c, page == kHsvPage ? SW_SHOWNA : SW_HIDE);
    }
  }
  if (HWND add = GetDlgItem(window, kAddId)) ShowWindow(add, page == kPalettePage ? SW_SHOWNA : SW_HIDE);
  if (static_cast<int>(SendDlgItemMessageA(window, kTabsId, TCM_GETCURSEL, 0, 0)) != page) {
    SendDlgItemMessageA(window, kTabsId, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
  }
  RECT cells{kCellLeft, kPageTop, kClientWidth, kClientHeight};
  InvalidateRect(window, &cells, TRUE);
}

// A row of a channel page: label (id + 50 of the slider), slider, edit.
void MakeRow(HWND window, int row, const char* name, int sliderId, int editId, int most) {
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  const HINSTANCE module = GetModuleHandleA(nullptr);
  const int y = kPageTop + 30 * row;
  HWND label = CreateWindowExA(0, "STATIC", name, WS_CHILD, 70, y + 4, 40, 16, window,
                               reinterpret_cast<HMENU>(INT_PTR{sliderId + 50}), module, nullptr);
  HWND slider = CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 110, y, 110,
                                24, window, reinterpret_cast<HMENU>(INT_PTR{sliderId}), module, nullptr);
  HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "0", WS_CHILD | WS_TABSTOP | ES_NUMBER, 225, y + 2, 40, 20,
                              window, reinterpret_cast<HMENU>(INT_PTR{editId}), module, nullptr);
  SendMessageA(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, most));
  SendMessageA(slider, TBM_SETPAGESIZE, 0, most > 255 ? 30 : most > 100 ? 16 : 10);
  SendMessageA(edit, EM_LIMITTEXT, 3, 0);
  for (HWND control : {label, slider, edit}) SendMessageA(control, WM_SETFONT, font, FALSE);
}

void MakeControls(HWND window) {
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  const HINSTANCE module = GetModuleHandleA(nullptr);
  HWND tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 66, 4,
                              kClientWidth - 70, 24, window, reinterpret_cast<HMENU>(INT_PTR{kTabsId}), module,
                              nullptr);
  SendMessageA(tabs, WM_SETFONT, font, FALSE);
  for (int i = 0; i < 3; ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(kPageNames[i]);
    SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  for (int i = 0; i < 3; ++i) {
    MakeRow(window, i, kChannelNames[i], kSliderId + i, kEditId + i, 255);
    MakeRow(window, i, kHsvNames[i], kHsvSliderId + i, kHsvEditId + i, kHsvMost[i]);
  }
  const RECT last = CellRect(kBasicColours + kCustomColours - 1);
  HWND add = CreateWindowExA(0, "BUTTON", "&Add", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 10, last.top - 4, 50, 22,
                             window, reinterpret_cast<HMENU>(INT_PTR{kAddId}), module, nullptr);
  SendMessageA(add, WM_SETFONT, font, FALSE);
  ShowPage(window, kRgbPage);
}

// The swatch and, on the palette page, the cells.
void PaintSwatch(HWND window, HDC dc) {
  WindowState* state = StateOf(window);
  const std::uint32_t colour = state != nullptr ? PaintedColour(state->data, state->data->colour) : 0;
  HBRUSH brush = CreateSolidBrush(colour);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, kSwatch.left, kSwatch.top, kSwatch.right, kSwatch.bottom);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  if (state != nullptr && state->page == kPalettePage) {
    for (int cell = 0; cell < kBasicColours + kCustomColours; ++cell) {
      HBRUSH fill = CreateSolidBrush(PaintedColour(state->data, PaletteColour(state->data, cell)));
      HGDIOBJ before = SelectObject(dc, fill);
      const RECT r = CellRect(cell);
      Rectangle(dc, r.left, r.top, r.right, r.bottom);
      SelectObject(dc, before);
      DeleteObject(fill);
    }
  }
  SelectObject(dc, oldPen);
}

// A channel changed by its slider or its edit: the others follow.
void ChannelChanged(HWND window, int index, int value, bool fromEdit) {
  WindowState* state = StateOf(window);
  if (state == nullptr || state->showing) return;
  state->showing = true;
  if (fromEdit) {
    SendDlgItemMessageA(window, kSliderId + index, TBM_SETPOS, TRUE, value);
  } else {
    SetDlgItemInt(window, kEditId + index, static_cast<UINT>(value), FALSE);
  }
  state->showing = false;
  ColourWindowEdited(state->data, ShownColour(window));
  InvalidateRect(window, &kSwatch, FALSE);
}

// An HSV part changed by its slider or its edit: the colour follows.
void HsvChanged(HWND window, int index, int value, bool fromEdit) {
  WindowState* state = StateOf(window);
  if (state == nullptr || state->showing) return;
  state->showing = true;
  if (fromEdit) {
    SendDlgItemMessageA(window, kHsvSliderId + index, TBM_SETPOS, TRUE, value);
  } else {
    SetDlgItemInt(window, kHsvEditId + index, static_cast<UINT>(value), FALSE);
  }
  Hsv hsv;
  int* parts[3] = {&hsv.hue, &hsv.saturation, &hsv.value};
  for (int i = 0; i < 3; ++i) {
    *parts[i] = static_cast<int>(SendDlgItemMessageA(window, kHsvSliderId + i, TBM_GETPOS, 0, 0));
  }
  const std::uint32_t colour = HsvToColour(hsv);
  // The RGB page shows the colour; the HSV page keeps what the user set.
  for (int i = 0; i < 3; ++i) {
    SendDlgItemMessageA(window, kSliderId + i, TBM_SETPOS, TRUE, Channel(colour, i));
    SetDlgItemInt(window, kEditId + i, static_cast<UINT>(Channel(colour, i)), FALSE);
  }
  state->showing = false;
  ColourWindowEdited(state->data, colour);
  InvalidateRect(window, &kSwatch, FALSE);
}

void OnHsvEditCommand(HWND window, int index, int code) {
  char text[16] = {};
  GetDlgItemTextA(window, kHsvEditId + index, text, sizeof text);
  int value = 0;
  if (code == EN_CHANGE) {
    if (ParseHsvChannel(text, kHsvMost[index], &value)) HsvChanged(window, index, value, true);
  } else if (code == EN_KILLFOCUS) {
    WindowState* state = StateOf(window);
    if (state != nullptr && !ParseHsvChannel(text, kHsvMost[index], &value)) ShowChannels(window, state->data->colour);
  }
}

// A click on a palette cell: its colour becomes the user's.
void OnPaletteClick(HWND window, POINT at) {
  WindowState* state = StateOf(window);
  if (state == nullptr || state->page != kPalettePage) return;
  for (int cell = 0; cell < kBasicColours + kCustomColours; ++cell) {
    const RECT r = CellRect(cell);
    if (PtInRect(&r, at)) {
      const std::uint32_t colour = PaletteColour(state->data, cell);
      ShowChannels(window, colour);
      ColourWindowEdited(state->data, colour);
      return;
    }
  }
}

void OnEditCommand(HWND window, int index, int code) {
  char text[16] = {};
  GetDlgItemTextA(window, kEditId + index, text, sizeof text);
  int value = 0;
  if (code == EN_CHANGE) {
    // Out of range while typing: ignored until the edit is left.
    if (ParseChannel(text, &value)) ChannelChanged(window, index, value, true);
  } else if (code == EN_KILLFOCUS) {
    WindowState* state = StateOf(window);
    if (state != nullptr && !ParseChannel(text, &value)) ShowChannels(window, state->data->colour);
  }
}

LRESULT CALLBACK ColourWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowState* state = StateOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_CREATE:
      MakeControls(window);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      PaintSwatch(window, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client{};
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      PaintSwatch(window, reinterpret_cast<HDC>(wParam));
      return 0;
    }
    case WM_HSCROLL:
      for (int i = 0; i < 3; ++i) {
        const int position = static_cast<int>(SendMessageA(reinterpret_cast<HWND>(lParam), TBM_GETPOS, 0, 0));
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(window, kSliderId + i)) ChannelChanged(window, i, position, false);
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(window, kHsvSliderId + i)) HsvChanged(window, i, position, false);
      }
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= kEditId && id < kEditId + 3) OnEditCommand(window, id - kEditId, HIWORD(wParam));
      if (id >= kHsvEditId && id < kHsvEditId + 3) OnHsvEditCommand(window, id - kHsvEditId, HIWORD(wParam));
      if (id == kAddId && HIWORD(wParam) == BN_CLICKED && state != nullptr) {
        const RECT cell = CellRect(AddCustomColour(state->data, state->data->colour));
        InvalidateRect(window, &cell, TRUE);
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == kTabsId && header->code == TCN_SELCHANGE) {
        ShowPage(window, static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      OnPaletteClick(window, POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (state != nullptr) ColourWindowGone(state->data, window);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      delete state;
      break;
    default:
      if (state != nullptr && ColourWindowMessage(state->data, message, wParam, lParam) != 0) return 1;
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterColourWindowClass() {
  WNDCLASSA wc{};
  const HINSTANCE module = GetModuleHandleA(nullptr);
  if (GetClassInfoA(module, kClassName, &wc)) return true;
  wc = WNDCLASSA{};
  wc.lpfnWndProc = ColourWindowProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc) != 0;
}

class Win32Windows : public ComDlgWindows {
 public:
  void* Create(CDlgData* data, void* frame) override {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&init);
    if (!RegisterColourWindowClass()) return nullptr;
    RECT area{0, 0, kClientWidth, kClientHeight};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    AdjustWindowRectEx(&area, style, FALSE, WS_EX_TOOLWINDOW);
    // Beside the top right corner of the frame, on screen.
    RECT place{0, 0, 0, 0};
    if (frame != nullptr) GetWindowRect(static_cast<HWND>(frame), &place);
    const int width = area.right - area.left, height = area.bottom - area.top;
    int x = place.right - width - 20, y = place.top + 60;
    if (x < 0) x = 0;
    auto* state = new WindowState{data};
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, kTitle, style, x, y, width, height,
                                  static_cast<HWND>(frame), nullptr, GetModuleHandleA(nullptr), state);
    if (window == nullptr) delete state;
    return window;
  }

  void Show(void* window) override { ShowWindow(static_cast<HWND>(window), SW_SHOWNA); }
  void Destroy(void* window) override { DestroyWindow(static_cast<HWND>(window)); }
  void ShowColour(void* window, std::uint32_t colour) override { ShowChannels(static_cast<HWND>(window), colour); }
  void Send(void* owner, std::uint32_t message, std::uint32_t colour) override {
    if (IsWindow(static_cast<HWND>(owner))) SendMessageA(static_cast<HWND>(owner), message, 0, colour);
  }
  std::int32_t PickUp(void* window) override;
  void Repaint(void* window) override { InvalidateRect(static_cast<HWND>(window), nullptr, TRUE); }
  int FileDialog(void* owner, const char* title, int open, const char* folder, const char* extension, char* path,
                 int pathSize) override {
    return RunFileDialog(owner, title, open, folder, extension, path, pathSize);
  }
};

// The colour of the screen pixel under the cursor.
std::int32_t ScreenPixelUnderCursor() {
  POINT at;
  GetCursorPos(&at);
  HDC screen = GetDC(nullptr);
  const COLORREF pixel = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  return pixel == CLR_INVALID ? kNoColour : static_cast<std::int32_t>(pixel & 0xFFFFFF);
}

std::int32_t Win32Windows::PickUp(void* window) {
  HWND owner = window != nullptr ? static_cast<HWND>(window) : GetActiveWindow();
  if (owner == nullptr) return kNoColour;
  HCURSOR pick = LoadCursor(nullptr, IDC_CROSS);
  HCURSOR previous = SetCursor(pick);
  SetCapture(owner);
  std::int32_t result = kNoColour;
  bool pressed = false;
  MSG msg;
  for (;;) {
    if (GetCapture() != owner) break;  // taken away: nothing picked
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == WM_LBUTTONDOWN) {
      pressed = true;
    } else if (msg.message == WM_LBUTTONUP && pressed) {
      result = ScreenPixelUnderCursor();
      break;
    } else if (msg.message == WM_RBUTTONDOWN || (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)) {
      break;
    } else if (msg.message == WM_MOUSEMOVE) {
      SetCursor(pick);
    } else if ((msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) &&
               (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (GetCapture() == owner) ReleaseCapture();
  SetCursor(previous);
  return result;
}

}  // namespace

ComDlgWindows& Win32ComDlgWindows() {
  static Win32Windows windows;
  return windows;
}

}  // namespace lumora::comdlg
