// The screen colour picker (the Dropper): a tool-host hook takes the mouse;
// a click over an image view takes the mean colour of the merged image
// under the band dragged from it (at most 15 pixels away), a click
// elsewhere the screen pixel; the left button sets the foreground colour,
// the right the background. Escape ends it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "hostapi/toolhost.h"

namespace lumora {

class CScreenPicker {
 public:
  // Where a picked colour goes (foreground true: the left button).
  static inline std::function<void(bool foreground, COLORREF colour)> setColour;

  // Starts a pick in `mode` on the main window `main`; false when the hook
  // cannot be installed.
  static bool BeginPick(std::uint32_t mode, HWND main);
  static void EndPick();
  static bool Running();

 private:
  static int HookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);
};

}  // namespace lumora
