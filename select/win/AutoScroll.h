// Scrolling during drags: while a button is held and the cursor has left a
// scrollable window, the window scrolls one line every 50 ms and the drag
// gets a synthetic mouse move at the cursor, so it goes on past the
// visible part. Subclasses remove their feedback before each scroll.
#pragma once

#include <windows.h>

#include <map>

namespace lumora {

constexpr UINT_PTR kAutoScrollTimerId = 1441;
constexpr UINT kAutoScrollPeriodMs = 50;

class CAutoScroll {
 public:
  virtual ~CAutoScroll();
  // Does nothing while running (window and owner stay as they are).
  void Start(HWND window, void* owner);
  void Stop();
  bool Running() const { return timer_ != 0; }
  HWND Window() const { return window_; }

  // One step (run by the timer).
  virtual void OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
  static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
  // Steps taken and synthetic moves posted (tests read them).
  int scrolls = 0;
  int movesPosted = 0;

 protected:
  // Called just before each scroll message.
  virtual void BeforeScroll(void* owner) {}

  HWND window_ = nullptr;
  UINT_PTR timer_ = 0;
  void* owner_ = nullptr;

 private:
  static std::map<UINT_PTR, CAutoScroll*>& Scrollers();
  static bool busy_;
};

}  // namespace lumora
