// Drives the program as a process of its own, as a user starts it: start
// it (with a file), wait for its main window to show, read its windows
// from outside, close it and check how it ended.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace lumora::testing {

constexpr char kMainFrameClass[] = "VR_LUMAINFRAME40";

inline std::string WindowsPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// A started program, ended at the latest when this goes.
struct Process {
  PROCESS_INFORMATION pi{};
  bool Start(const std::string& exe, const std::string& argument = "") {
    std::string command = "\"" + exe + "\"" + (argument.empty() ? "" : " \"" + argument + "\"");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
  }
  // Waits while dispatching this thread's messages.
  bool WaitExit(DWORD ms, DWORD* code) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
      DWORD r = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT);
      if (r == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, code);
        return true;
      }
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return false;
  }
  ~Process() {
    if (pi.hProcess != nullptr) {
      if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
};

// The top-level windows of the class (of the process, when given).
inline std::vector<HWND> TopLevel(const char* cls, DWORD pid = 0) {
  struct Search {
    DWORD pid;
    const char* cls;
    std::vector<HWND> found;
  } search{pid, cls, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        if ((s->pid == 0 || owner == s->pid) && std::string(name) == s->cls) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Waits until `pred` holds, dispatching this thread's messages meanwhile.
template <typename Pred>
bool WaitFor(Pred pred, DWORD ms = 30000) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    if (pred()) return true;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(50);
  }
  return pred();
}

inline HWND WaitForShownFrame(const Process& p) {
  HWND frame = nullptr;
  WaitFor([&] {
    for (HWND w : TopLevel(kMainFrameClass, p.pi.dwProcessId)) {
      if (IsWindowVisible(w)) frame = w;
    }
    return frame != nullptr;
  });
  return frame;
}

// The titles of the frame's MDI children.
inline std::vector<std::string> ChildTitles(HWND frame) {
  std::vector<std::string> titles;
  HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
  for (HWND c = client != nullptr ? GetWindow(client, GW_CHILD) : nullptr; c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    char title[260] = {};
    GetWindowTextA(c, title, sizeof title);
    titles.push_back(title);
  }
  return titles;
}

// Starts the program and waits for its shown main frame.
inline HWND StartShown(Process& p, const std::string& exe, const std::string& argument = "") {
  if (!p.Start(exe, argument)) return nullptr;
  return WaitForShownFrame(p);
}

// Closes the program as the user does and expects it to end with 0.
inline void CloseAndExpectZero(Process& p, HWND frame) {
  PostMessageA(frame, WM_CLOSE, 0, 0);
  DWORD code = 1234;
  ASSERT_TRUE(p.WaitExit(30000, &code)) << "the program did not exit";
  EXPECT_EQ(code, 0u);
}

}  // namespace lumora::testing
