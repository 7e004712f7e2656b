// The window side of a move: the handler's window is captured and its
// messages pass through the move first (mouse, Escape, lost capture); the
// moved bounds are outlined in R2_NOT, taken off around the window's own
// painting.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "libs/selfrg/Tracking.h"

namespace lumora::selfrg {
namespace {

POINT ClientPoint(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

class Win32Tracking : public Tracking {
 public:
  bool Start(SFHandler* h) override {
    HWND window = static_cast<HWND>(h->window);
    if (!IsWindow(window) || handler_ != nullptr) return false;
    handler_ = h;
    window_ = window;
    shown_ = false;
    previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    SetCapture(window);
    return true;
  }

  void Stop(SFHandler* h) override {
    if (h != handler_) return;
    Erase();
    handler_ = nullptr;
    if (previous_ != nullptr) SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    if (GetCapture() == window_) ReleaseCapture();
    if (h->statusBar != nullptr) SendMessageA(static_cast<HWND>(h->statusBar), SB_SETTEXTA, h->pane, reinterpret_cast<LPARAM>(""));
    window_ = nullptr;
  }

  void ShowOutline(SFHandler* h, const RECT* windowRect) override {
    if (h != handler_) return;
    Erase();
    if (windowRect == nullptr) return;
    outline_ = *windowRect;
    Draw();
    shown_ = true;
  }

  void ShowOffset(SFHandler* h, POINT offset) override {
    if (h->statusBar == nullptr) return;
    char text[64];
    std::snprintf(text, sizeof text, "%ld, %ld", static_cast<long>(offset.x), static_cast<long>(offset.y));
    SendMessageA(static_cast<HWND>(h->statusBar), SB_SETTEXTA, h->pane, reinterpret_cast<LPARAM>(text));
  }

  void ScrollToward(SFHandler* h, POINT p) override {
    if (h != handler_) return;
    RECT client{};
    GetClientRect(window_, &client);
    const int dx = p.x < client.left ? SB_LINELEFT : (p.x >= client.right ? SB_LINERIGHT : -1);
    const int dy = p.y < client.top ? SB_LINEUP : (p.y >= client.bottom ? SB_LINEDOWN : -1);
    if (dx < 0 && dy < 0) return;
    // The outline is drawn again at its new place after the move.
    Erase();
    if (dx >= 0) CallWindowProcA(previous_, window_, WM_HSCROLL, dx, 0);
    if (dy >= 0) CallWindowProcA(previous_, window_, WM_VSCROLL, dy, 0);
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  void Draw() {
    HDC dc = GetDC(window_);
    const int rop = SetROP2(dc, R2_NOT);
    HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, outline_.left, outline_.top, outline_.right, outline_.bottom);
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    SetROP2(dc, rop);
    ReleaseDC(window_, dc);
  }
  void Erase() {
    if (!shown_) return;
    Draw();
    shown_ = false;
  }

  SFHandler* handler_ = nullptr;
  HWND window_ = nullptr;
  WNDPROC previous_ = nullptr;
  RECT outline_{};
  bool shown_ = false;

};

Win32Tracking& Instance() {
  static Win32Tracking tracking;
  return tracking;
}

LRESULT CALLBACK Win32Tracking::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Tracking& t = Instance();
  const WNDPROC previous = t.previous_;
  SFHandler* h = t.handler_;
  if (h == nullptr || window != t.window_) return CallWindowProcA(previous, window, message, wParam, lParam);
  switch (message) {
    case WM_MOUSEMOVE: MoveTo(h, ClientPoint(lParam)); return 0;
    case WM_LBUTTONUP: Release(h, ClientPoint(lParam)); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Drop(h);
      return 0;
    case WM_SETCURSOR: SetCursor(LoadCursorA(nullptr, IDC_SIZEALL)); return TRUE;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window) Drop(h);
      return 0;
    case WM_CANCELMODE:
    case WM_DESTROY:
      Drop(h);
      return CallWindowProcA(previous, window, message, wParam, lParam);
    case WM_PAINT: {
      // The window paints without the outline under it.
      const bool shown = t.shown_;
      t.Erase();
      const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
      if (shown && t.handler_ == h) {
        t.Draw();
        t.shown_ = true;
      }
      return result;
    }
    default: return CallWindowProcA(previous, window, message, wParam, lParam);
  }
}

}  // namespace

Tracking* PlatformTracking() { return &Instance(); }

}  // namespace lumora::selfrg
