// Mouse dragging of control bars: capture, tracking rectangle, drop.
#include "framework/win/BarDrag.h"

#include <cstdlib>

#include "framework/win/ControlBars.h"
#include "framework/win/Frame.h"

namespace fw {
namespace {

// Inverts the outline of `r` on the screen: drawing it twice restores what
// was there. Thick for a floating place, thin for a docked one.
void InvertOutline(const RECT& r, bool thick) {
  static const WORD kHalftone[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
  HDC dc = GetDCEx(nullptr, nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
  HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kHalftone);
  HBRUSH brush = CreatePatternBrush(pattern);
  HGDIOBJ old = SelectObject(dc, brush);
  int t = thick ? 3 : 1;
  int w = r.right - r.left;
  int h = r.bottom - r.top;
  PatBlt(dc, r.left, r.top, w, t, PATINVERT);
  PatBlt(dc, r.left, r.bottom - t, w, t, PATINVERT);
  PatBlt(dc, r.left, r.top + t, t, h - 2 * t, PATINVERT);
  PatBlt(dc, r.right - t, r.top + t, t, h - 2 * t, PATINVERT);
  SelectObject(dc, old);
  DeleteObject(brush);
  DeleteObject(pattern);
  ReleaseDC(nullptr, dc);
}

}  // namespace

void BarDrag::Begin(HWND window, ControlBar* bar, POINT cursorScreen, POINT grabOffset) {
  if (bar->DockSite() == nullptr) return;
  window_ = window;
  bar_ = bar;
  start_ = cursorScreen;
  grab_ = grabOffset;
  moved_ = false;
  drawn_ = false;
  SetCapture(window);
}

POINT BarDrag::ScreenPoint(LPARAM lParam) const {
  POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ClientToScreen(window_, &p);
  return p;
}

bool BarDrag::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Active() || window != window_) return false;
  bool forceFloat = (wParam & MK_CONTROL) != 0;
  switch (message) {
    case WM_MOUSEMOVE: Track(ScreenPoint(lParam), forceFloat); return true;
    case WM_LBUTTONUP: Finish(ScreenPoint(lParam), forceFloat); return true;
    case WM_RBUTTONDOWN: Cancel(); return true;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Cancel();
      return true;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window_) Cancel();  // someone else took the mouse
      return true;
    default: return false;
  }
}

void BarDrag::Track(POINT cursor, bool forceFloat) {
  // A press that barely moves is a click, not a drag.
  if (!moved_ && std::abs(cursor.x - start_.x) < GetSystemMetrics(SM_CXDRAG) &&
      std::abs(cursor.y - start_.y) < GetSystemMetrics(SM_CYDRAG)) {
    return;
  }
  moved_ = true;
  DropDecision next = DecideDrop(bar_->DockSite()->MakeDragQuery(bar_, cursor, grab_, forceFloat));
  Erase();
  shown_ = next;
  InvertOutline(shown_.track, shown_.floating);
  drawn_ = true;
}

void BarDrag::Finish(POINT cursor, bool forceFloat) {
  Track(cursor, forceFloat);
  bool moved = moved_;
  ControlBar* bar = bar_;
  DropDecision decision = shown_;
  Cancel();
  if (moved) bar->DockSite()->ApplyDrop(bar, decision);
}

void BarDrag::Erase() {
  if (drawn_) InvertOutline(shown_.track, shown_.floating);
  drawn_ = false;
}

void BarDrag::Cancel() {
  if (!Active()) return;
  Erase();
  HWND window = window_;
  window_ = nullptr;  // before the release, whose WM_CAPTURECHANGED comes back here
  if (GetCapture() == window) ReleaseCapture();
}

}  // namespace fw
