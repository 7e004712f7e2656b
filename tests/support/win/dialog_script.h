// Drives the system's modal dialogs from a timer: each scripted step runs
// on the first visible dialog of this thread with its caption, in order.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace lumora::testing {

// Each step runs on the first visible dialog of this thread with its
// caption, once that dialog is up; steps run in order. Buttons are pressed
// by posted messages, so a step never waits inside another modal loop.
struct DialogScript {
  struct Step {
    std::string caption;
    std::function<void(HWND)> action;
  };
  static inline std::deque<Step> steps;
  static inline int done = 0;
  static inline UINT_PTR timer = 0;

  static BOOL CALLBACK Find(HWND window, LPARAM found) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (!steps.empty() && steps.front().caption == text && std::string(cls) == "#32770" &&
        IsWindowVisible(window)) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    // A finished script stops its timer: a timer left running keeps a
    // settling loop busy with ticks.
    if (steps.empty()) {
      Stop();
      return;
    }
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;
    Step step = std::move(steps.front());
    steps.pop_front();
    ++done;
    step.action(dialog);
  }
  static void Run(std::deque<Step> script) {
    Stop();
    steps = std::move(script);
    done = 0;
    timer = SetTimer(nullptr, 0, 20, Tick);
  }
  static void Stop() {
    if (timer != 0) KillTimer(nullptr, timer);
    timer = 0;
    steps.clear();
  }
};

inline void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The message box a step's window shows, or the window when it is one
// (boxes share their owner's caption, so a step may get either): a visible
// window of this thread owned by `window` with the box's text control.
inline HWND MessageBoxOf(HWND window) {
  constexpr int kBoxText = 0xFFFF;
  if (GetDlgItem(window, kBoxText) != nullptr) return window;
  struct Search {
    HWND owner, found;
  } search{window, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == s->owner && GetDlgItem(w, kBoxText) != nullptr) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::string MessageBoxText(HWND box) {
  char text[1024] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

// A step for the message box over the dialog captioned `caption`: it waits
// (the step stays first) until the box is up.
inline DialogScript::Step BoxStep(const std::string& caption, std::function<void(HWND box)> action) {
  return {caption, [caption, action](HWND window) {
            HWND box = MessageBoxOf(window);
            if (box == nullptr) {
              DialogScript::steps.push_front(BoxStep(caption, action));
              --DialogScript::done;
              return;
            }
            action(box);
          }};
}

// A control's text, as the user reads it in the dialog.
inline std::string ItemText(HWND dialog, int id) {
  char text[256] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// Sets a check box or radio button as a click would and tells the dialog.
inline void SetButton(HWND dialog, int id, bool on) {
  SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A click on one radio button of a group: it alone is checked, then the
// dialog hears of it.
inline void ClickRadio(HWND dialog, int first, int last, int id) {
  CheckRadioButton(dialog, first, last, id);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Picks the entry of a combo box by its whole text and tells the dialog,
// as a click in the list does.
inline void PickByText(HWND dialog, int id, const char* text) {
  const LRESULT index = SendDlgItemMessageA(dialog, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(text));
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A step that waits (stays first) until `ready` holds for the dialog.
inline DialogScript::Step WaitingStep(const std::string& caption, std::function<bool(HWND)> ready,
                                      std::function<void(HWND)> action) {
  return {caption, [=](HWND d) {
            if (!ready(d)) {
              DialogScript::steps.push_front(WaitingStep(caption, ready, action));
              --DialogScript::done;
              return;
            }
            action(d);
          }};
}

inline HWND NameBox(HWND dialog) {
  HWND edit = GetDlgItem(dialog, 1152);
  return edit != nullptr ? edit : GetDlgItem(dialog, 1148);
}

inline std::string NameBoxText(HWND dialog) {
  char text[512] = {};
  GetWindowTextA(NameBox(dialog), text, sizeof text);
  return text;
}

// Chooses entry `index` (0-based) of the type list as the user would.
inline void ChooseType(HWND dialog, int index) {
  HWND types = GetDlgItem(dialog, 1136);
  SendMessageA(types, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1136, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1136, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
}

}  // namespace lumora::testing
