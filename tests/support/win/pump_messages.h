// Runs the messages waiting on this thread the way the application's loop
// does, without waiting for more.
#pragma once

#include "framework/win/App.h"

namespace lumora::testing {

inline void PumpPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!fw::TheApp()->PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

}  // namespace lumora::testing
