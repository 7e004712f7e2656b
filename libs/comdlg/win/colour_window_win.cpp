// The colour window and the screen pick-up on Win32: a tool window built in
// code, a swatch with a slider and an edit per channel.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "libs/comdlg/ColourWindow.h"

namespace lumora::comdlg {
namespace {

constexpr char kClassName[] = "VR_SELCOLORWND32";
constexpr char kTitle[] = "Color";
constexpr const char* kChannelNames[3] = {"&Red:", "&Green:", "&Blue:"};
// Control ids: the sliders and edits of red, green and blue.
constexpr int kSliderId = 1101;
constexpr int kEditId = 1111;
constexpr RECT kSwatch = {10, 10, 60, 94};

struct WindowState {
  CDlgData* data;
  bool showing = false;  // the controls are being set: not the user's colour
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
  if (state != nullptr) state->showing = false;
  InvalidateRect(window, &kSwatch, FALSE);
}

void MakeControls(HWND window) {
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  const HINSTANCE module = GetModuleHandleA(nullptr);
  for (int i = 0; i < 3; ++i) {
    const int y = 10 + 30 * i;
    HWND label = CreateWindowExA(0, "STATIC", kChannelNames[i], WS_CHILD | WS_VISIBLE, 70, y + 4, 40, 16, window,
                                 nullptr, module, nullptr);
    HWND slider = CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS,
                                  110, y, 110, 24, window, reinterpret_cast<HMENU>(INT_PTR{kSliderId + i}), module,
                                  nullptr);
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "0", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER, 225, y + 2,
                                40, 20, window, reinterpret_cast<HMENU>(INT_PTR{kEditId + i}), module, nullptr);
    SendMessageA(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, 255));
    SendMessageA(edit, EM_LIMITTEXT, 3, 0);
    for (HWND control : {label, slider, edit}) SendMessageA(control, WM_SETFONT, font, FALSE);
  }
}

void PaintSwatch(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  WindowState* state = StateOf(window);
  const std::uint32_t colour = state != nullptr ? state->data->colour : 0;
  HBRUSH brush = CreateSolidBrush(SelColorWindowDisplayColour(state != nullptr ? state->data : nullptr, colour));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, kSwatch.left, kSwatch.top, kSwatch.right, kSwatch.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  EndPaint(window, &ps);
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
    case WM_PAINT:
      PaintSwatch(window);
      return 0;
    case WM_HSCROLL:
      for (int i = 0; i < 3; ++i) {
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(window, kSliderId + i)) {
          ChannelChanged(window, i, static_cast<int>(SendMessageA(reinterpret_cast<HWND>(lParam), TBM_GETPOS, 0, 0)),
                         false);
        }
      }
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= kEditId && id < kEditId + 3) OnEditCommand(window, id - kEditId, HIWORD(wParam));
      return 0;
    }
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
    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    if (!RegisterColourWindowClass()) return nullptr;
    RECT area{0, 0, 280, 104};
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
