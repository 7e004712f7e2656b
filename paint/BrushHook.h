// How the paint attributes window's tool-host hook routes the image views'
// messages to the current brush: mouse messages are taken, with their point
// snapped to the grid or a guide; key messages reach the brush but are
// never taken; the cursor is the brush's over the client area.
#pragma once

#include <cstdint>

#include "hostapi/toolhost.h"
#include "platform/win32types.h"

namespace paint {

// The flags of the brush hook: the queue and the image views.
constexpr std::uint16_t kBrushHookFlags = 0x1005;

// What the routing needs of the window and the brush.
class BrushHookClient {
 public:
  virtual ~BrushHookClient() = default;
  virtual bool HasBrush() const = 0;
  // Sets the brush's cursor; false when the brush has none.
  virtual bool SetBrushCursor() = 0;
  // The client point moved onto the grid or a guide of the view window
  // when snapping is on (unchanged for a window that is no image view).
  virtual POINT SnapPoint(void* window, POINT client) = 0;
  virtual void KeyDown(std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual void KeyUp(std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual void MouseMove(void* window, std::uintptr_t flags, POINT p) = 0;
  virtual void ButtonDown(void* window, std::uintptr_t flags, POINT p) = 0;
  virtual void ButtonUp(void* window, std::uintptr_t flags, POINT p) = 0;
  virtual void DoubleClick(void* window, std::uintptr_t flags, POINT p) = 0;
  virtual void SetPaintButton(bool down) = 0;
  virtual void FlushTabletQueue() = 0;
};

// The hook's answer for one message (kLUHookHandled or kLUHookPass); the
// class word is set to 1 when the message is taken.
int RouteBrushHook(BrushHookClient& client, const LU_MSG& msg, std::intptr_t* classWord);

}  // namespace paint
