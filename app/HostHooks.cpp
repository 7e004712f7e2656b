// The application's tool-host hook procedures.
#include "app/HostHooks.h"

#include <algorithm>
#include <string>

#include "res/StringTable.h"

namespace lumora {
namespace {

constexpr std::uint32_t kWmDestroy = 0x0002;
constexpr std::uint32_t kWmActivate = 0x0006;
constexpr std::uint32_t kWmShowWindow = 0x0018;
constexpr std::uint32_t kWmNcMouseMove = 0x00A0;
constexpr std::uint32_t kWmMouseMove = 0x0200;
constexpr std::uint32_t kWmEnterIdle = 0x0121;
constexpr std::uint32_t kWmMenuSelect = 0x011F;
constexpr std::uint32_t kMfPopup = 0x0010, kMfSysMenu = 0x2000;
// Prompts of a pane's system menu: the popup's, then one per item by
// (id >> 4) & 255.
constexpr std::uint32_t kIdsPaneSystemPopup = 2700, kIdsPaneSystemItem = 2701;

bool IsHookSetUp(std::uint32_t message) { return message == kLUMsgHookInstalled || message == kLUMsgHookRemoved; }

HookState& StateOf(void* context) { return *static_cast<HookState*>(context); }

}  // namespace

int QueueHookProc(void*, const LU_MSG*, void*, std::intptr_t* inOut) {
  *inOut = 0;
  return 0;
}

int MainFrameHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  if (!IsHookSetUp(msg->message)) *inOut = StateOf(context).host->MainFrameHandle(*msg);
  return kLUHookHandled;
}

int ViewHookProc(void*, const LU_MSG* msg, void*, std::intptr_t*) {
  return IsHookSetUp(msg->message) ? kLUHookHandled : kLUHookPass;
}

int PaneDialogHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  HookState& state = StateOf(context);
  if (IsHookSetUp(msg->message)) return kLUHookHandled;
  HookHost& host = *state.host;
  switch (msg->message) {
    case kMsgPaneOpened:
      if (msg->wParam != 0) {
        host.WinMenuAddPane(msg->window);
        host.WinMenuSetActive(msg->window);
      }
      if (std::find(state.openPanes.begin(), state.openPanes.end(), msg->window) == state.openPanes.end()) {
        state.openPanes.push_back(msg->window);
      }
      break;
    case kWmActivate:
      if ((msg->wParam & 0xFFFF) != 0 && host.OwnedByMainFrame(msg->window)) {
        host.SendToMainFrame(kMsgPaneActivated, 1);
      }
      break;
    case kWmDestroy:
      host.WinMenuDelete(msg->window);
      std::erase(state.openPanes, msg->window);
      break;
    case kWmShowWindow:
      if (msg->wParam != 0) {
        host.WinMenuAddPane(msg->window);
      } else {
        host.WinMenuDelete(msg->window);
      }
      break;
    case kMsgPanePrompt:
    case kMsgPanePromptClear:
      if (state.paneEntry == 0) state.paneEntry = state.prompts->Add(0, 0, false);
      if (msg->message == kMsgPanePrompt) {
        state.prompts->SetText(state.paneEntry, reinterpret_cast<const char*>(msg->lParam));
      } else {
        state.prompts->ClearText(state.paneEntry, false);
      }
      break;
    case kWmEnterIdle:
      state.prompts->RestoreSaved();
      break;
    case kWmMenuSelect: {
      const std::uint32_t item = msg->wParam & 0xFFFF, flags = (msg->wParam >> 16) & 0xFFFF;
      if (state.paneMenuEntry == 0) state.paneMenuEntry = state.prompts->Add(0, 101, false);
      if (flags == 0xFFFF && msg->lParam == 0) {
        // The menu closed.
        if (state.menuHelp != nullptr) *state.menuHelp = MenuHelpState{};
        state.prompts->ClearText(state.paneMenuEntry, false);
      } else if ((flags & kMfSysMenu) != 0) {
        const bool popup = (flags & kMfPopup) != 0;
        if (state.menuHelp != nullptr) {
          *state.menuHelp = MenuHelpState{popup ? MenuHelpState::kPaneSystemPopup : MenuHelpState::kPaneSystemItem,
                                          item, reinterpret_cast<void*>(msg->lParam)};
        }
        const std::uint32_t id = popup ? kIdsPaneSystemPopup : kIdsPaneSystemItem + ((item >> 4) & 255);
        state.prompts->SetText(state.paneMenuEntry, std::string(res::String(id)).c_str());
      }
      break;
    }
    default:
      break;
  }
  *inOut = host.PaneDialogProc(*msg);
  return kLUHookHandled;
}

int CursorPositionHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  HookState& state = StateOf(context);
  if (msg->message == kLUMsgHookInstalled) {
    state.cursorEntry = state.prompts->Add(1, 0, true);
    *inOut = 0;
    return kLUHookHandled;
  }
  if (msg->message == kLUMsgHookRemoved) {
    *inOut = 0;
    return kLUHookHandled;
  }
  bool overView = msg->message == kWmMouseMove && state.host->IsOpenImageView(msg->window);
  if (msg->message == kWmNcMouseMove || (msg->message == kWmMouseMove && !overView)) {
    // Cleared once on leaving, not at every move elsewhere.
    if (state.lastPoint.x != HookState::kNoPoint || state.lastPoint.y != HookState::kNoPoint) {
      state.prompts->ClearText(state.cursorEntry, false);
      state.lastPoint = POINT{HookState::kNoPoint, HookState::kNoPoint};
    }
    return kLUHookPass;
  }
  if (!overView) return kLUHookPass;
  POINT p{};
  if (!state.host->ImagePointAt(msg->window, msg->lParam, p)) return kLUHookPass;
  if (p.x == state.lastPoint.x && p.y == state.lastPoint.y) return kLUHookPass;
  state.prompts->SetText(state.cursorEntry, state.host->PositionText(msg->window, p).c_str());
  state.lastPoint = p;
  return kLUHookPass;
}

bool InstallHostHooks(const void* site, HookState& state, std::uint32_t ids[5]) {
  const LU_HOOK records[5] = {
      {QueueHookProc, &state, kHookQueue, 0},
      {MainFrameHookProc, &state, kHookMainFrame, 0},
      {ViewHookProc, &state, kHookView, 0},
      {PaneDialogHookProc, &state, kHookPaneDialog, 0},
      {CursorPositionHookProc, &state, kHookCursorPosition, 0},
  };
  std::fill(ids, ids + 5, 0u);
  for (int i = 0; i < 5; ++i) {
    const bool viewOwn = records[i].flags == kHookView && state.installViewHook != nullptr;
    ids[i] = viewOwn ? state.installViewHook() : LUSetLUHook(site, &records[i]);
    if (ids[i] == 0) {
      RemoveHostHooks(site, ids);
      return false;
    }
  }
  return true;
}

void RemoveHostHooks(const void* site, std::uint32_t ids[5]) {
  for (int i = 0; i < 5; ++i) {
    if (ids[i] != 0) LURemoveLUHook(site, ids[i]);
    ids[i] = 0;
  }
}

}  // namespace lumora
