// The in-place resize bar.
#include "framework/win/OleResizeBar.h"

#include <algorithm>

#include "framework/win/App.h"

namespace fw {

namespace {

constexpr char kClassName[] = "fwOleResizeBar";

LPCSTR CursorName(TrackerCursor c) {
  switch (c) {
    case TrackerCursor::kSizeNWSE: return IDC_SIZENWSE;
    case TrackerCursor::kSizeNESW: return IDC_SIZENESW;
    case TrackerCursor::kSizeNS: return IDC_SIZENS;
    case TrackerCursor::kSizeWE: return IDC_SIZEWE;
    default: return IDC_ARROW;
  }
}

bool ButtonDown() { return (GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) & 0x8000) != 0; }

}  // namespace

int OleResizeBar::BorderWidth() {
  const int w = static_cast<int>(GetProfileIntA("windows", "OleInPlaceBorderWidth", kDefaultInPlaceBorder));
  return w > 0 ? w : kDefaultInPlaceBorder;
}

bool OleResizeBar::Create(HWND frame, std::uint32_t id) {
  App::RegisterWindowClass(kClassName, 0, 0, nullptr, nullptr, nullptr);
  width_ = BorderWidth();
  RECT client{};
  GetClientRect(frame, &client);
  if (!CreateEx(0, kClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom, frame,
                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))) {
    return false;
  }
  // Under the object's own windows, which cover the middle.
  SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

void OleResizeBar::SetObjectRect(const RECT& inner) {
  inner_ = inner;
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

void OleResizeBar::Paint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  // Diagonal hatching over the border, then the handles, solid.
  const RECT outer = OutsetRect(inner_, width_);
  HRGN border = CreateRectRgnIndirect(&outer);
  HRGN middle = CreateRectRgnIndirect(&inner_);
  CombineRgn(border, border, middle, RGN_DIFF);
  HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(0, 0, 0));
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  FillRgn(dc, border, hatch);
  DeleteObject(hatch);
  DeleteObject(middle);
  DeleteObject(border);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  for (int h = 0; h < 8; ++h) {
    const RECT handle = TrackerHandleRect(inner_, width_, static_cast<TrackerHit>(h));
    FillRect(dc, &handle, black);
  }
}

void OleResizeBar::Track(TrackerHit handle, POINT start) {
  SetCapture(hwnd_);
  POINT origin{0, 0};
  ClientToScreen(hwnd_, &origin);
  auto onScreen = [&](RECT r) {
    OffsetRect(&r, origin.x, origin.y);
    return r;
  };
  RECT shown = onScreen(inner_);
  auto outline = [&](const RECT& r) {
    HDC screen = GetDC(nullptr);
    DrawFocusRect(screen, &r);
    ReleaseDC(nullptr, screen);
  };
  outline(shown);
  POINT at = start;
  bool cancelled = false;
  // The button's state, not only its messages: another process's window
  // may hold the input (the container's), and the capture with it.
  while (ButtonDown()) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) cancelled = true;
      if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
          (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)) {
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (cancelled || (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0) {
      cancelled = true;
      break;
    }
    GetCursorPos(&at);
    ScreenToClient(hwnd_, &at);
    const RECT now = onScreen(DragTrackerHandle(inner_, handle, at.x - start.x, at.y - start.y));
    if (!EqualRect(&now, &shown)) {
      outline(shown);
      shown = now;
      outline(shown);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  outline(shown);
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (cancelled) return;
  GetCursorPos(&at);
  ScreenToClient(hwnd_, &at);
  const RECT asked = DragTrackerHandle(inner_, handle, at.x - start.x, at.y - start.y);
  if (!EqualRect(&asked, &inner_) && onRequest) onRequest(asked);
}

LRESULT OleResizeBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_SETCURSOR: {
      if (reinterpret_cast<HWND>(wParam) != hwnd_ || LOWORD(lParam) != HTCLIENT) break;
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(hwnd_, &p);
      SetCursor(LoadCursorA(nullptr, CursorName(CursorForHit(HitTestTracker(inner_, width_, p)))));
      return TRUE;
    }
    case WM_LBUTTONDOWN: {
      const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      const TrackerHit hit = HitTestTracker(inner_, width_, p);
      if (hit != TrackerHit::kNothing && hit != TrackerHit::kBorder) Track(hit, p);
      return 0;
    }
    default:
      break;
  }
  return Window::WindowProc(message, wParam, lParam);
}

}  // namespace fw
