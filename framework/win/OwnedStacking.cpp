#include "framework/win/OwnedStacking.h"

#include <algorithm>

#include "platform/trace.h"

namespace fw {
namespace {

thread_local OwnedWindowStacking* tStacking = nullptr;

bool OwnedBy(HWND window, HWND root) {
  for (HWND owner = GetWindow(window, GW_OWNER); owner != nullptr; owner = GetWindow(owner, GW_OWNER)) {
    if (owner == root) return true;
  }
  return false;
}

bool IsTopLevel(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) == 0; }

}  // namespace

int RaiseOwnedWindows(HWND root) {
  if (root == nullptr || !IsWindow(root) || !IsWindowVisible(root) || IsIconic(root)) return 0;
  // Win32's order of the top-level windows, top first.
  std::vector<HWND> owned;
  const DWORD thread = GetCurrentThreadId();
  for (HWND w = GetWindow(root, GW_HWNDFIRST); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == root || !IsWindowVisible(w) || IsIconic(w)) continue;
    if (GetWindowThreadProcessId(w, nullptr) != thread || !OwnedBy(w, root)) continue;
    owned.push_back(w);
  }
  constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    HWND w = *it;
    if (GetWindow(w, GW_HWNDFIRST) == w && (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
      // First of all windows already: Win32 takes a move to the top as no
      // move, and the display would not follow. Through the topmost band
      // and back, which ends where it began.
      SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, kKeep);
      SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, kKeep);
    } else {
      SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, kKeep);
    }
  }
  return static_cast<int>(owned.size());
}

bool OwnedWindowStacking::Install() {
  if (hook_ != nullptr) return true;
  if (tStacking != nullptr) return false;  // one per thread
  hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, &AfterMessage, nullptr, GetCurrentThreadId());
  if (hook_ == nullptr) return false;
  tStacking = this;
  return true;
}

void OwnedWindowStacking::Remove() {
  if (hook_ == nullptr) return;
  UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  if (tStacking == this) tStacking = nullptr;
  marked_.clear();
}

LRESULT CALLBACK OwnedWindowStacking::AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && tStacking != nullptr && lParam != 0) {
    tStacking->Seen(*reinterpret_cast<const CWPRETSTRUCT*>(lParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void OwnedWindowStacking::Seen(const CWPRETSTRUCT& message) {
  if (raising_ || message.hwnd == nullptr) return;
  if (message.message == WM_SETFOCUS) {
    // The driver has just raised the focused window's top-level window.
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    Raise(root);
    // Mapping it again later (its first showing, a restore) raises it
    // once more, when the driver reads the display's events.
    Mark(root);
    return;
  }
  if (message.message != WM_WINDOWPOSCHANGED || !IsTopLevel(message.hwnd)) return;
  const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.lParam);
  if (pos == nullptr || (pos->flags & SWP_HIDEWINDOW) != 0) return;
  // A top-level window shown or moved in Win32's order: its owner chain's
  // top, whose owned windows the display may now stack wrongly.
  if ((pos->flags & SWP_SHOWWINDOW) != 0 || (pos->flags & SWP_NOZORDER) == 0) {
    Mark(GetAncestor(message.hwnd, GA_ROOTOWNER));
  }
}

void OwnedWindowStacking::Mark(HWND root) {
  if (root == nullptr) return;
  if (std::find(marked_.begin(), marked_.end(), root) == marked_.end()) marked_.push_back(root);
}

void OwnedWindowStacking::Raise(HWND root) {
  raising_ = true;
  const int raised = RaiseOwnedWindows(root);
  raising_ = false;
  if (raised > 0 && lumora::TraceEnabled()) lumora::TraceMark("owned windows raised");
}

void OwnedWindowStacking::OnIdle() {
  std::vector<HWND> roots;
  roots.swap(marked_);
  for (HWND root : roots) Raise(root);
}

}  // namespace fw
