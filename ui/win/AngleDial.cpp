// The angle dial control.
#include "ui/win/AngleDial.h"

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

constexpr UINT kSetAngle = WM_USER + 514;
constexpr UINT kDragging = WM_USER + 510;
constexpr UINT kChosen = WM_USER + 513;
constexpr double kPi = 3.14159265358979323846;

struct DialState {
  int tenths = 0;
  bool dragging = false;
};

DialState* StateOf(HWND window) { return reinterpret_cast<DialState*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

SIZE ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return SIZE{r.right, r.bottom};
}

void Paint(HWND window, const DialState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  const SIZE size = ClientSize(window);
  RECT all{0, 0, size.cx, size.cy};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Ellipse(dc, 1, 1, size.cx - 1, size.cy - 1);
  const int cx = size.cx / 2, cy = size.cy / 2, radius = std::min(size.cx, size.cy) / 2 - 3;
  const double a = s.tenths * kPi / 1800.0;
  MoveToEx(dc, cx, cy, nullptr);
  LineTo(dc, cx + static_cast<int>(std::lround(radius * std::cos(a))), cy + static_cast<int>(std::lround(radius * std::sin(a))));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  EndPaint(window, &ps);
}

void Track(HWND window, DialState& s, LPARAM lParam, UINT notice) {
  const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  s.tenths = DialTenthsAt(p, ClientSize(window));
  InvalidateRect(window, nullptr, FALSE);
  SendMessageA(GetParent(window), notice, static_cast<WPARAM>(s.tenths), reinterpret_cast<LPARAM>(window));
}

LRESULT CALLBACK DialProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DialState* s = StateOf(window);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new DialState));
      break;
    case WM_NCDESTROY:
      delete s;
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      break;
    case kSetAngle:
      if (s != nullptr) {
        s->tenths = static_cast<int>(lParam);
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_PAINT:
      if (s != nullptr) {
        Paint(window, *s);
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
      if (s != nullptr) {
        SetCapture(window);
        s->dragging = true;
        Track(window, *s, lParam, kDragging);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (s != nullptr && s->dragging) Track(window, *s, lParam, kDragging);
      return 0;
    case WM_LBUTTONUP:
      if (s != nullptr && s->dragging) {
        s->dragging = false;
        ReleaseCapture();
        Track(window, *s, lParam, kChosen);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (s != nullptr) s->dragging = false;
      return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int DialTenthsAt(POINT client, SIZE size) {
  const double dx = client.x - size.cx / 2.0, dy = client.y - size.cy / 2.0;
  if (dx == 0 && dy == 0) return 0;
  // Window y grows downward, so atan2 counts clockwise.
  double tenths = std::atan2(dy, dx) * 1800.0 / kPi;
  if (tenths < 0) tenths += 3600.0;
  const int t = static_cast<int>(std::lround(tenths));
  return t >= 3600 ? t - 3600 : t;
}

bool RegisterAngleDialClass(HINSTANCE instance) {
  WNDCLASSA wc{};
  if (GetClassInfoA(instance, "VR_SELECTANGLE", &wc)) return true;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DialProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.lpszClassName = "VR_SELECTANGLE";
  return RegisterClassA(&wc) != 0;
}

}  // namespace lumora
