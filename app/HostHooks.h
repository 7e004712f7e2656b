// The application's tool-host hooks: kind 1 (answers 0), kind 2 (the main
// frame's own handling), kind 8 (tool-host pane dialogs: the Window menu,
// activation, the open pane list, pane prompts, then the pane's own
// handling) and kind 0x1001 (the cursor position over an image view, on
// prompt channel 1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/PromptStack.h"
#include "view/MenuHelpState.h"
#include "hostapi/toolhost.h"
#include "platform/win32types.h"

namespace lumora {

// Hook kinds as installed, in installation order.
constexpr std::uint16_t kHookQueue = 1;
constexpr std::uint16_t kHookMainFrame = 2;
constexpr std::uint16_t kHookView = 4;
constexpr std::uint16_t kHookPaneDialog = 8;
constexpr std::uint16_t kHookCursorPosition = 0x1001;

// Pane-dialog messages of the tool host.
constexpr std::uint32_t kMsgPaneOpened = 1239;
constexpr std::uint32_t kMsgPaneActivated = 1257;
constexpr std::uint32_t kMsgPanePrompt = 1725;
constexpr std::uint32_t kMsgPanePromptClear = 1726;

// What the hooks need of the windows.
class HookHost {
 public:
  virtual ~HookHost() = default;
  // An image view that is not minimised.
  virtual bool IsOpenImageView(void* window) = 0;
  // The image point under a client point of the view (lParam of the
  // mouse message), clamped to the image; false without an image.
  virtual bool ImagePointAt(void* view, std::intptr_t lParam, POINT& point) = 0;
  // The position text of an image point, formatted by the view.
  virtual std::string PositionText(void* view, POINT point) = 0;
  // The main frame's own handling of a message.
  virtual std::intptr_t MainFrameHandle(const LU_MSG& msg) = 0;
  // Whether the window's owner is the main frame; sends it 1257 (1).
  virtual bool OwnedByMainFrame(void* window) = 0;
  virtual void SendToMainFrame(std::uint32_t message, std::uintptr_t wParam) = 0;
  // The tool host's Window menu: a pane listed in the dialogs' section,
  // taken out, checked as the active window.
  virtual void WinMenuAddPane(void* window) = 0;
  virtual void WinMenuDelete(void* window) = 0;
  virtual void WinMenuSetActive(void* window) = 0;
  // The pane dialog's own handling by the tool host; its answer is the
  // dialog procedure's.
  virtual std::intptr_t PaneDialogProc(const LU_MSG& msg) = 0;
};

struct HookState {
  HookHost* host = nullptr;
  CPromptStack* prompts = nullptr;
  int cursorEntry = 0;  // prompt handle of the cursor-position text
  POINT lastPoint{kNoPoint, kNoPoint};
  int paneEntry = 0;    // prompt handle of pane prompts (channel 0)
  // A pane's system menu: what is highlighted (for F1) and its prompt
  // (channel 0, above the menus' own).
  MenuHelpState* menuHelp = nullptr;
  int paneMenuEntry = 0;
  std::vector<void*> openPanes;
  // Installs the image view's own kind-4 hook and returns its id; without
  // it the stand-in below takes the kind-4 place.
  std::uint32_t (*installViewHook)() = nullptr;
  static constexpr LONG kNoPoint = 32767;
};

int QueueHookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);
int MainFrameHookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);
// The kind-4 stand-in where no image view is linked: takes 1224 and 1225
// and lets the rest pass.
int ViewHookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);
int PaneDialogHookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);
int CursorPositionHookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);

// Installs the five hooks in order; on any failure removes those
// installed and returns false.
bool InstallHostHooks(const void* site, HookState& state, std::uint32_t ids[5]);
void RemoveHostHooks(const void* site, std::uint32_t ids[5]);

}  // namespace lumora
