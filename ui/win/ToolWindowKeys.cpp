#include "ui/win/ToolWindowKeys.h"

#include "framework/win/Window.h"

namespace lumora {
namespace {

// Keyboard messages only, before the tools.
constexpr std::uint16_t kKeyHookFlags = 0x1001;

}  // namespace

void ToolWindowKeyHook::Install(fw::Window* window) {
  if (id_ != 0 || window == nullptr || window->Handle() == nullptr) return;
  window_ = window;
  const LU_HOOK hook{&ToolWindowKeyHook::Proc, this, kKeyHookFlags, 0};
  id_ = LUSetLUHook(nullptr, &hook);
}

void ToolWindowKeyHook::Remove() {
  if (id_ != 0) LURemoveLUHook(nullptr, id_);
  id_ = 0;
}

int ToolWindowKeyHook::Proc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  auto* self = static_cast<ToolWindowKeyHook*>(context);
  if (msg->message == kLUMsgHookInstalled || msg->message == kLUMsgHookRemoved) return kLUHookHandled;
  fw::Window* owner = self->window_;
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || owner == nullptr || owner->Handle() == nullptr) {
    return kLUHookPass;
  }
  const auto window = static_cast<HWND>(msg->window);
  if (window != owner->Handle() && !IsChild(owner->Handle(), window)) return kLUHookPass;
  MSG m{window, msg->message, msg->wParam, msg->lParam, 0, {0, 0}};
  // The focused control and its parents first (a field may report Enter),
  // then the window's own keys and dialog keys.
  bool taken = false;
  for (HWND h = window; h != nullptr && h != owner->Handle() && !taken; h = GetParent(h)) {
    if (fw::Window* w = fw::Window::FromHandle(h)) taken = w->PreTranslateMessage(&m);
  }
  if (!taken && !owner->PreTranslateMessage(&m)) return kLUHookPass;
  if (inOut != nullptr) *inOut = 0;
  return kLUHookHandled;
}

RECT DialogChildRect(HWND dialog, int id) {
  RECT r{};
  HWND child = GetDlgItem(dialog, id);
  if (child == nullptr) return r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace lumora
