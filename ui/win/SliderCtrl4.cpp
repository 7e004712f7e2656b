#include "ui/win/SliderCtrl4.h"

#include <algorithm>

namespace lumora {

SliderCtrl4::~SliderCtrl4() { DropRamp(); }

void SliderCtrl4::DropRamp() {
  if (ramp_ != nullptr) DeleteObject(ramp_);
  ramp_ = nullptr;
}

void SliderCtrl4::SetChannel(int channel) {
  if (channel != channel_) DropRamp();
  channel_ = channel;
}

void SliderCtrl4::Redraw() const {
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

void SliderCtrl4::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int w = client.right, h = client.bottom / 2;
  if (w <= 0 || h <= 0) return;
  HDC memory = CreateCompatibleDC(dc);
  // The ramp of the channel, made once for the size.
  if (ramp_ == nullptr || rampSize_.cx != w || rampSize_.cy != h) {
    DropRamp();
    ramp_ = CreateCompatibleBitmap(dc, w, h);
    rampSize_ = SIZE{w, h};
    HGDIOBJ old = SelectObject(memory, ramp_);
    RECT all{0, 0, w, h};
    FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ oldBrush = SelectObject(memory, GetStockObject(NULL_BRUSH));
    Rectangle(memory, 7, 0, w - 7, h);
    SelectObject(memory, oldBrush);
    for (int x = 9; x <= w - 10; ++x) {
      const int level = (255 * x + w / 2) / w;
      const COLORREF colour = channel_ == 1   ? RGB(level, 0, 0)
                              : channel_ == 2 ? RGB(0, level, 0)
                              : channel_ == 3 ? RGB(0, 0, level)
                                              : RGB(level, level, level);
      HPEN pen = CreatePen(PS_SOLID, 1, colour);
      HGDIOBJ oldPen = SelectObject(memory, pen);
      MoveToEx(memory, x, 2, nullptr);
      LineTo(memory, x, h - 2);
      SelectObject(memory, oldPen);
      DeleteObject(pen);
    }
    SelectObject(memory, old);
  }
  HGDIOBJ old = SelectObject(memory, ramp_);
  BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  // The thumbs, drawn afresh: low ones black, high ones in the face colour;
  // starts point left, ends right.
  HBITMAP thumbs = CreateCompatibleBitmap(dc, w, client.bottom - h);
  old = SelectObject(memory, thumbs);
  RECT lower{0, 0, w, client.bottom - h};
  FillRect(memory, &lower, GetSysColorBrush(COLOR_BTNFACE));
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int i = 0; i < 4; ++i) {
    const int x = model_.ValueToX(model_.Values()[static_cast<std::size_t>(i)], w);
    const bool start = i % 2 == 0;
    const POINT triangle[3] = {{x, 0}, {x, 7}, {start ? x - 7 : x + 7, 7}};
    HBRUSH brush = CreateSolidBrush(i < 2 ? RGB(0, 0, 0) : face);
    HGDIOBJ oldBrush = SelectObject(memory, brush);
    HGDIOBJ oldPen = SelectObject(memory, GetStockObject(BLACK_PEN));
    Polygon(memory, triangle, 3);
    SelectObject(memory, oldPen);
    SelectObject(memory, oldBrush);
    DeleteObject(brush);
  }
  for (int pair = 0; pair < 2; ++pair) {
    const auto& v = model_.Values();
    if (v[static_cast<std::size_t>(2 * pair)] != v[static_cast<std::size_t>(2 * pair + 1)]) continue;
    // Coinciding thumbs: their seam drawn over.
    const int x = model_.ValueToX(v[static_cast<std::size_t>(2 * pair)], w);
    HPEN pen = CreatePen(PS_SOLID, 1, face);
    HGDIOBJ oldPen = SelectObject(memory, pen);
    MoveToEx(memory, x, 1, nullptr);
    LineTo(memory, x, 7);
    SelectObject(memory, oldPen);
    DeleteObject(pen);
  }
  BitBlt(dc, 0, h, w, client.bottom - h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(thumbs);
  DeleteDC(memory);
}

void SliderCtrl4::Track(LPARAM lParam, int code) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int value = model_.MoveTo(model_.XToValue(static_cast<short>(LOWORD(lParam)), client.right));
  InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateWindow(hwnd_);
  SendMessageA(GetParent(hwnd_), WM_HSCROLL, MAKEWPARAM(code, value), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT SliderCtrl4::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      DropRamp();
      break;
    case WM_LBUTTONDOWN:
      SetCapture(hwnd_);
      model_.Press((wParam & MK_CONTROL) != 0);
      Track(lParam, 4);
      return 0;
    case WM_MOUSEMOVE:
      if (model_.Dragging() && GetCapture() == hwnd_) Track(lParam, 4);
      return 0;
    case WM_LBUTTONUP:
      if (model_.Dragging()) {
        RECT client;
        GetClientRect(hwnd_, &client);
        const int value = model_.XToValue(static_cast<short>(LOWORD(lParam)), client.right);
        ReleaseCapture();
        model_.Release();
        SendMessageA(GetParent(hwnd_), WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, value), reinterpret_cast<LPARAM>(hwnd_));
      }
      return 0;
    default:
      break;
  }
  return fw::Window::WindowProc(message, wParam, lParam);
}

}  // namespace lumora
