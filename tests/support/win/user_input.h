// Keys and the mouse as the user gives them: real input through
// SendInput, which Wine passes through the X server like a user's own.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <iterator>
#include <vector>

namespace lumora::testing {

inline void Send(std::vector<INPUT> inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline INPUT Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

// Presses the keys in order and lets them go in reverse.
inline void Chord(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD k : keys) inputs.push_back(Key(k, false));
  for (auto k = std::rbegin(keys); k != std::rend(keys); ++k) inputs.push_back(Key(*k, true));
  Send(inputs);
}

// A mouse event; with MOUSEEVENTF_MOVE the pointer goes to the screen
// point (absolute coordinates span the screen's first to last pixel).
inline INPUT Mouse(DWORD flags, POINT screen = {0, 0}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_MOVE) {
    in.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  return in;
}

inline POINT OnScreen(HWND window, POINT client) {
  ClientToScreen(window, &client);
  return client;
}

inline POINT CentreOnScreen(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A top-level window of this program that covers a client point of
// `window` (a tool window the frame keeps above itself) moves to the
// screen's lower right corner, as a user moves a palette off the part of
// the image they work on. True when one moved.
inline bool MoveCoveringWindowAside(HWND window, POINT client) {
  HWND hit = WindowFromPoint(OnScreen(window, client));
  HWND top = hit != nullptr ? GetAncestor(hit, GA_ROOT) : nullptr;
  if (top == nullptr || top == GetAncestor(window, GA_ROOT)) return false;
  if (GetWindowThreadProcessId(top, nullptr) != GetCurrentThreadId()) return false;
  SetWindowPos(top, nullptr, GetSystemMetrics(SM_CXSCREEN) - 40, GetSystemMetrics(SM_CYSCREEN) - 40, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Sleep(50);  // the display follows the move
  return true;
}

// One mouse event at a client point of `window`: the pointer moves there
// and the buttons in `flags` change in the same event.
inline void SendMouse(HWND window, POINT client, DWORD flags) {
  Send({Mouse(MOUSEEVENTF_MOVE | flags, OnScreen(window, client))});
}

}  // namespace lumora::testing
