// The handler's state and the window side of a move, behind an interface
// so that tests drive the move without windows.
#pragma once

#include <string>

#include "hostapi/selfrg.h"

struct SFHandler {
  void* data = nullptr;
  void* window = nullptr;
  SFCallback1 callback1 = nullptr;
  SFCallback2 callback2 = nullptr;
  SFCallback3 callback3 = nullptr;
  SFCallback4 callback4 = nullptr;
  void* owner = nullptr;
  Fragment* fragment = nullptr;  // one reference, or null
  bool doNotMove = false;
  // Defaults of new shapes.
  int type = 1;  // rectangle
  int inverted = 0;
  int aspectMode = 0;
  int aspectValue = 0;
  LOGFONTA font{};
  std::string textData;
  int lineWidth = 1;
  int lineStyle = 0;
  int lineHV = 0;
  int fillMode = 1;
  // Status bar of a move's offset.
  void* statusBar = nullptr;
  int pane = 0;
  bool autoScroll = false;
  // A move in progress.
  bool moving = false;
  POINT startPixel{0, 0};
  SF_MOVE move{};
};

namespace lumora::selfrg {

class Tracking {
 public:
  virtual ~Tracking() = default;
  // Captures the handler's window and routes its mouse and keys to the
  // move (Mouse, Release, Drop below); false when it cannot.
  virtual bool Start(SFHandler* h) = 0;
  virtual void Stop(SFHandler* h) = 0;
  // The outline of the moved bounds in window coordinates (null: none).
  virtual void ShowOutline(SFHandler* h, const RECT* windowRect) = 0;
  virtual void ShowOffset(SFHandler* h, POINT offset) = 0;
  // Scrolls the window when the point lies outside it.
  virtual void ScrollToward(SFHandler* h, POINT windowPoint) = 0;
};

Tracking* CurrentTracking();
void SetTracking(Tracking* tracking);  // tests; null: the platform's
Tracking* PlatformTracking();          // null where there are no windows

// The move's steps, called by the window side.
void MoveTo(SFHandler* h, POINT windowPoint);
void Release(SFHandler* h, POINT windowPoint);
void Drop(SFHandler* h);

}  // namespace lumora::selfrg
