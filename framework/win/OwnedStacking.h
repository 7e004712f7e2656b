// Owned windows above their owner on the display, as Win32 stacks them.
//
// Under Wine's X11 driver, windows that no window manager manages (the
// prefix's "Managed" = "N", with or without a manager running) are stacked
// by the driver alone, and it raises a top-level window's X window to the
// top whenever the keyboard focus moves to it or into one of its children,
// and again when it maps a window whose child holds the focus. It raises
// that window alone: the windows it owns (tool windows, open dialogs) stay
// where they were and end up below it on the screen, while Win32 still
// reports them above it and visible. The driver puts a window at the top
// of the display only when Win32 moves it to the top of its own order, so
// the owned windows are brought back by moving them to the top, bottom
// one first: Win32's order stays as it was and the display follows it.
#pragma once

#include <windows.h>

#include <vector>

namespace fw {

// Moves the visible windows of this thread that `root` owns, directly or
// through one another, to the top again, the lowest first: each is raised
// on the display in Win32's order, above `root`. Activates nothing. The
// number of windows moved; none when `root` is hidden or minimised.
int RaiseOwnedWindows(HWND root);

// Follows this thread's focus changes and shown top-level windows, and
// raises the owned windows of every top-level window the driver may have
// raised over them: at once when the focus moves, and at the next idle
// pass (after the driver's own events have run) for windows shown since.
class OwnedWindowStacking {
 public:
  OwnedWindowStacking() = default;
  OwnedWindowStacking(const OwnedWindowStacking&) = delete;
  OwnedWindowStacking& operator=(const OwnedWindowStacking&) = delete;
  ~OwnedWindowStacking() { Remove(); }

  // The hook on the calling thread; false when it cannot be set.
  bool Install();
  void Remove();
  // Idle work: the top-level windows marked since the last pass.
  void OnIdle();

 private:
  static LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam);
  void Seen(const CWPRETSTRUCT& message);
  void Mark(HWND root);
  void Raise(HWND root);

  HHOOK hook_ = nullptr;
  bool raising_ = false;
  std::vector<HWND> marked_;
};

}  // namespace fw
