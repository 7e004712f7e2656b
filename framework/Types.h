// Window-message types shared by the portable framework code and its Win32
// side: the system's own on Windows, same-sized stand-ins natively.
#pragma once

#include <cstdint>

#include "platform/win32types.h"

#ifndef _WIN32
struct HWND__;
using HWND = HWND__*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
#endif

namespace fw {

// The message numbers the portable dispatcher needs to know.
constexpr std::uint32_t kMsgNotify = 0x004E;        // WM_NOTIFY
constexpr std::uint32_t kMsgCommand = 0x0111;       // WM_COMMAND
constexpr std::uint32_t kMsgKickIdle = 0x036A;      // idle work inside modal loops
constexpr std::uint32_t kMsgIdleUpdateCmdUI = 0x0363;  // enabling pass of control bars

// Notification code of an enabling query routed like a command.
constexpr std::uint32_t kCodeUpdateCommandUI = 0xFFFFFFFFu;
// Notification code of a menu, accelerator or toolbar command.
constexpr std::uint32_t kCodeCommand = 0;

}  // namespace fw
