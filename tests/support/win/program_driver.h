// Drives the program started inside the test's own process, as its user
// does: a start from fresh settings with the file on the command line,
// waits until the image is painted, commands chosen from the menus after
// their popups opened, and a close that keeps no changes. The tests then
// read as the user's steps.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "framework/Profile.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/DocView.h"
#include "view/win/Lumo40View.h"

namespace lumora::testing {

inline std::string SettingsFileOfThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fw::ProfilePathForProgram(path);
}

// The main bar's layout files beside this program (four .tbs/.tbi pairs).
inline std::vector<std::string> ToolbarLayoutFilesOfThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string stem(path);
  stem = stem.substr(0, stem.rfind('.'));
  std::vector<std::string> files;
  for (int i = 1; i <= 4; ++i) {
    files.push_back(stem + std::to_string(i) + ".tbs");
    files.push_back(stem + std::to_string(i) + ".tbi");
  }
  return files;
}

// Whether the main menu's popup (its text with the ampersand) checks the
// item, as the menu shows it once the popup is about to open.
inline bool MenuChecks(HWND frame, const char* popup, UINT id) {
  HMENU bar = GetMenu(frame);
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    char text[64] = {};
    GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    if (std::string(text) != popup) continue;
    HMENU menu = GetSubMenu(bar, i);
    SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), i);
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
  }
  ADD_FAILURE() << "no " << popup << " menu";
  return false;
}

// The program's settings file removed while this lives (and when it ends),
// so every start begins from the defaults and leaves nothing behind.
class FreshSettings {
 public:
  FreshSettings() : path_(SettingsFileOfThisProgram()) { DeleteFileA(path_.c_str()); }
  ~FreshSettings() { DeleteFileA(path_.c_str()); }
  FreshSettings(const FreshSettings&) = delete;
  FreshSettings& operator=(const FreshSettings&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Messages, idle passes and the render worker until `done` holds; between
// rounds the thread sleeps until input arrives or `pollMs` passes.
inline bool RunUntil(CLumo40App& app, const std::function<bool()>& done, DWORD timeoutMs = 60000,
                     DWORD pollMs = 20) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!app.PreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    for (int count = 0; app.OnIdle(count) && count < 20; ++count) {
    }
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
  }
}

// Messages for a while (timers, posted moves).
inline void RunFor(CLumo40App& app, DWORD ms, DWORD pollMs = 20) {
  const DWORD start = GetTickCount();
  RunUntil(app, [&] { return GetTickCount() - start >= ms; }, 60000, pollMs);
}

// Runs the framework's idle passes and pending messages until idle work ends.
inline void Settle(CLumo40App& app) {
  for (int round = 0; round < 3; ++round) RunUntil(app, [] { return true; });
}

// Every piece of the document composited and painted, nothing left to handle.
inline void Settle(CLumo40App& app, CLumo40Doc* doc, DWORD pollMs = 20) {
  ASSERT_TRUE(RunUntil(
      app,
      [&] {
        CMapRect& q = doc->Image().Queue();
        MSG msg;
        // A repeating timer (the marching ants, a tool's marker) is not work
        // left: only other messages count.
        return q.IsIdle() && q.RenderList().empty() && !PeekMessageA(&msg, nullptr, 0, WM_TIMER - 1, PM_NOREMOVE) &&
               !PeekMessageA(&msg, nullptr, WM_TIMER + 1, 0xFFFF, PM_NOREMOVE);
      },
      60000, pollMs));
}

inline CLumo40View* ActiveImageView(CLumo40App& app) {
  fw::FrameWnd* child = app.MainFrameWnd()->GetActiveFrame();
  return child != nullptr ? dynamic_cast<CLumo40View*>(child->GetActiveView()) : nullptr;
}

// Whether the program was started with a file on this process's command line.
inline bool FileOnCommandLine() { return !fw::ParseProcessCommandLine().fileName.empty(); }

// What a start shows: the main window and, with a file on the command
// line, its document and the view that shows it (null where none came up).
struct StartedProgram {
  bool started = false;
  HWND frame = nullptr;
  CLumo40Doc* doc = nullptr;
  CLumo40View* view = nullptr;
};

// Starts the program as its user does (it reads this process's command
// line); with a file there, brings its main window forward and waits
// until the file's image is composited and painted.
inline StartedProgram StartProgram(CLumo40App& app, DWORD pollMs = 20) {
  StartedProgram shown;
  shown.started = app.InitInstance();
  if (!shown.started) return shown;
  shown.frame = app.MainFrame()->Handle();
  if (!FileOnCommandLine() || app.Docs().AllDocuments().empty()) return shown;
  shown.doc = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments().front());
  if (shown.doc == nullptr) return shown;
  SetForegroundWindow(shown.frame);
  Settle(app, shown.doc, pollMs);
  shown.view = ActiveImageView(app);
  return shown;
}

// The item of `id` in the menu bar's popups (and theirs), each popup
// opened on the way so the update rules run: 1 enabled, -1 greyed, 0 none.
inline int FindMenuItem(HWND frame, HMENU menu, UINT id) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    if (HMENU sub = GetSubMenu(menu, i)) {
      SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, FALSE));
      if (const int found = FindMenuItem(frame, sub, id)) return found;
    } else if (GetMenuItemID(menu, i) == id) {
      return (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0 ? -1 : 1;
    }
  }
  return 0;
}

// Whether the command's item is enabled where the menu bar holds it, as
// opening its popup finds it; `found` tells whether any popup holds it.
inline bool MenuItemEnabled(HWND frame, UINT id, bool* found) {
  const int item = FindMenuItem(frame, GetMenu(frame), id);
  *found = item != 0;
  return item == 1;
}

// Chooses a command as the user does: its popup opens (the update rules
// run) and the item is clicked when it is enabled. False when no menu
// holds it or it is greyed; the caller lets the program settle.
inline bool ChooseFromMenus(HWND frame, UINT id) {
  if (FindMenuItem(frame, GetMenu(frame), id) != 1) return false;
  SendMessageA(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  return true;
}

// Every document marked unchanged, so a close asks nothing.
inline void DiscardChanges(CLumo40App& app) {
  for (fw::Document* doc : app.Docs().AllDocuments()) {
    doc->SetModifiedFlag(false);
    if (auto* image = dynamic_cast<CLumo40Doc*>(doc)) image->Image().SetModifiedFlag(false);
  }
}

inline void CloseProgram(CLumo40App& app) {
  HWND frame = app.MainFrame()->Handle();
  SendMessageA(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frame));
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  app.ExitInstance();
}

// After a test that stopped half-way: every document closed unasked and
// the program ended, so the next test can start it again.
inline void EndProgramIfRunning(CLumo40App& app) {
  if (app.MainFrame() == nullptr || !IsWindow(app.MainFrame()->Handle())) return;
  DiscardChanges(app);
  CloseProgram(app);
}

inline std::vector<CLumo40App*>& ClosedPrograms() {
  static std::vector<CLumo40App*> closed;
  return closed;
}

// Closes without asking about changes, and records that it closed.
inline void CloseProgramDiscardingChanges(CLumo40App& app) {
  ClosedPrograms().push_back(&app);
  DiscardChanges(app);
  SendMessageA(app.MainFrame()->Handle(), WM_CLOSE, 0, 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  app.ExitInstance();
}

// For a test that starts the program more than once: ends a program a
// failed assertion left running, so the next start is not handed over to it.
struct ProgramGuard {
  explicit ProgramGuard(CLumo40App& app) : app(app) { std::erase(ClosedPrograms(), &app); }
  ~ProgramGuard() {
    const bool closed = std::find(ClosedPrograms().begin(), ClosedPrograms().end(), &app) != ClosedPrograms().end();
    if (!closed && app.MainFrame() != nullptr && app.MainFrame()->Handle() != nullptr) {
      CloseProgramDiscardingChanges(app);
    }
    std::erase(ClosedPrograms(), &app);
  }
  ProgramGuard(const ProgramGuard&) = delete;
  ProgramGuard& operator=(const ProgramGuard&) = delete;
  CLumo40App& app;
};

// The program with its help engine watched: the last topic asked for.
class HelpWatchingApp : public CLumo40App {
 public:
  bool ShowHelp(HWND, UINT command, std::uintptr_t data, const std::string&) override {
    if (command == HELP_CONTEXT) lastTopic = data;
    return true;
  }
  std::uintptr_t lastTopic = 0;
};

// The message and error boxes that come up on this thread while it is
// watched (inside any modal loop): caption and texts of each, answered with
// the button `answer` gives (IDOK by default). File dialogs are left alone.
class BoxWatch {
 public:
  struct Box {
    std::string caption;
    std::string text;  // every static text of the box, one a line
  };
  using Answer = std::function<int(const Box&)>;
  explicit BoxWatch(Answer answer = nullptr) : answer_(std::move(answer)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, Tick);
  }
  ~BoxWatch() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;

  std::vector<Box> boxes;

  // Whether one box's text holds every one of the parts.
  bool Saw(const std::vector<std::string>& parts) const {
    for (const Box& b : boxes) {
      bool all = true;
      for (const std::string& p : parts) all = all && b.text.find(p) != std::string::npos;
      if (all) return true;
    }
    return false;
  }

 private:
  static bool IsBox(HWND window) {
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    const std::string name(cls);
    if (name == "VR_ERRORMESSAGEBOX32") return true;
    return name == "#32770" && GetDlgItem(window, 0xFFFF) != nullptr;  // a message box's text
  }
  static BOOL CALLBACK CollectText(HWND child, LPARAM text) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (std::string(cls) != "Static") return TRUE;
    char line[1024] = {};
    GetWindowTextA(child, line, sizeof line);
    if (line[0] != 0) *reinterpret_cast<std::string*>(text) += std::string(line) + "\n";
    return TRUE;
  }
  static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && IsBox(window) && current_->answered_.count(window) == 0) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_ == nullptr) return;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    current_->answered_.insert(box);
    Box seen;
    char caption[256] = {};
    GetWindowTextA(box, caption, sizeof caption);
    seen.caption = caption;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&seen.text));
    current_->boxes.push_back(seen);
    const int id = current_->answer_ ? current_->answer_(seen) : IDOK;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }

  static inline BoxWatch* current_ = nullptr;
  Answer answer_;
  UINT_PTR timer_ = 0;
  std::set<HWND> answered_;
};

}  // namespace lumora::testing
