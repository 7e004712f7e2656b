// Keys for the modeless tool windows (the layer palette, the navigator).
// The tool host's queue pass sees a key before any tool does; the hook
// offers it to the focused control and the window first, so a tool never
// takes a key typed into a tool window.
#pragma once

#include <windows.h>

#include <cstdint>

#include "hostapi/toolhost.h"

namespace fw {
class Window;
}

namespace lumora {

class ToolWindowKeyHook {
 public:
  ToolWindowKeyHook() = default;
  ToolWindowKeyHook(const ToolWindowKeyHook&) = delete;
  ToolWindowKeyHook& operator=(const ToolWindowKeyHook&) = delete;
  ~ToolWindowKeyHook() { Remove(); }

  // Does nothing while installed or while the window has no handle.
  void Install(fw::Window* window);
  void Remove();

 private:
  static int Proc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut);

  fw::Window* window_ = nullptr;
  std::uint32_t id_ = 0;
};

// A dialog control's rectangle in the dialog's client coordinates; empty
// when the dialog has no such control.
RECT DialogChildRect(HWND dialog, int id);

}  // namespace lumora
