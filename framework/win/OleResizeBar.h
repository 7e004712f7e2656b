// The resize bar of an object edited in place: a child covering its frame
// that draws a hatched border with eight handles around the object's
// rectangle (outside it), shows the sizing cursors over the handles, and
// tracks a handle dragged with the mouse. The rectangle the drag asks for
// goes to `onRequest`; the bar itself moves nothing (the container decides
// and places the object again).
#pragma once

#include <functional>

#include "framework/ResizeTracker.h"
#include "framework/win/Window.h"

namespace fw {

class OleResizeBar : public Window {
 public:
  static constexpr std::uint32_t kId = 59395;

  bool Create(HWND frame, std::uint32_t id = kId);
  // The object's rectangle in this window's client coordinates.
  void SetObjectRect(const RECT& inner);
  const RECT& ObjectRect() const { return inner_; }
  // The border's width: the system's in-place border width (WIN.INI
  // [windows] OleInPlaceBorderWidth), 4 when it sets none.
  static int BorderWidth();
  // The rectangle (client coordinates) a finished drag asks for.
  std::function<void(const RECT&)> onRequest;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc);
  // Follows the mouse until the button goes up (or Esc): the dragged
  // rectangle is shown as a dotted outline on the screen.
  void Track(TrackerHit handle, POINT start);
  RECT inner_{0, 0, 0, 0};
  int width_ = kDefaultInPlaceBorder;
};

}  // namespace fw
