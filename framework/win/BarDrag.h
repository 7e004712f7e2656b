// Dragging a control bar with the mouse: the window that took the button
// press holds the capture, shows the tracking rectangle (drawn inverted on
// the screen) and, on release, hands the decision to the bar's frame.
#pragma once

#include "framework/DockLayout.h"
#include "framework/win/Window.h"

namespace fw {

class ControlBar;

class BarDrag {
 public:
  // Starts a drag from `window` (the bar or its mini frame); `grabOffset` is
  // the cursor less the top-left of the rectangle that is dragged.
  void Begin(HWND window, ControlBar* bar, POINT cursorScreen, POINT grabOffset);
  bool Active() const { return window_ != nullptr; }
  // Mouse and key messages of the capturing window while a drag runs; true
  // when the drag took the message.
  bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Cancel();

 private:
  POINT ScreenPoint(LPARAM lParam) const;
  void Track(POINT cursor, bool forceFloat);
  void Finish(POINT cursor, bool forceFloat);
  void Erase();

  HWND window_ = nullptr;
  ControlBar* bar_ = nullptr;
  POINT start_{0, 0};
  POINT grab_{0, 0};
  bool moved_ = false;
  bool drawn_ = false;
  DropDecision shown_;
};

}  // namespace fw
