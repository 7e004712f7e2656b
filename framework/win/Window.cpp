// The window table, the shared window procedure and message dispatch.
#include "framework/win/Window.h"

#include <exception>
#include <unordered_map>
#include <vector>

#include "framework/win/App.h"

namespace fw {
namespace {

std::unordered_map<HWND, Window*>& Windows() {
  static std::unordered_map<HWND, Window*> windows;
  return windows;
}

thread_local Window* tCreating = nullptr;

}  // namespace

FW_IMPLEMENT_DYNAMIC(Window, CmdTarget)

Window::~Window() {
  if (self_ != nullptr) *self_ = nullptr;
  if (hwnd_ != nullptr) {
    HWND h = hwnd_;
    ::DestroyWindow(h);
    if (hwnd_ != nullptr) Detach();
  }
}

Window* Window::FromHandle(HWND hwnd) {
  auto it = Windows().find(hwnd);
  return it == Windows().end() ? nullptr : it->second;
}

WindowWatch Window::Watch() {
  if (self_ == nullptr) self_ = std::make_shared<Window*>(this);
  WindowWatch watch;
  watch.target_ = self_;
  return watch;
}

bool WindowWatch::Alive() const { return target_ != nullptr && *target_ != nullptr && (*target_)->Handle() != nullptr; }

void Window::ExpectCreation(Window* window) { tCreating = window; }

Window* Window::TakeCreating() {
  Window* w = tCreating;
  tCreating = nullptr;
  return w;
}

void Window::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  Windows()[hwnd] = this;
}

HWND Window::Detach() {
  HWND h = hwnd_;
  if (h != nullptr) {
    if (superProc_ != nullptr && IsWindow(h)) SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc_));
    Windows().erase(h);
  }
  hwnd_ = nullptr;
  superProc_ = nullptr;
  return h;
}

bool Window::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                      int width, int height, HWND parent, HMENU menuOrId, void* param) {
  CREATESTRUCTA cs = {};
  cs.lpCreateParams = param;
  cs.hInstance = GetModuleHandleA(nullptr);
  cs.hMenu = menuOrId;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = title;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (!PreCreateWindow(cs)) return false;
  ExpectCreation(this);
  HWND h = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx,
                           cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  ExpectCreation(nullptr);
  if (h == nullptr) return false;
  if (hwnd_ == nullptr) Subclass(h);  // a system class: tie it now
  return true;
}

bool Window::Subclass(HWND hwnd) {
  if (hwnd == nullptr || FromHandle(hwnd) != nullptr) return false;
  Attach(hwnd);
  auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
  if (proc != &StaticWndProc) {
    superProc_ = proc;
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWndProc));
  }
  return true;
}

bool Window::SubclassDlgItem(std::uint32_t id, Window& parent) { return Subclass(parent.Item(id)); }

bool Window::DestroyWindow() { return hwnd_ != nullptr && ::DestroyWindow(hwnd_) != 0; }

std::string Window::GetText() const {
  int n = GetWindowTextLengthA(hwnd_);
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  GetWindowTextA(hwnd_, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

void Window::SetText(const std::string& text) {
  if (GetText() != text) SetWindowTextA(hwnd_, text.c_str());
}

LRESULT Window::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendMessageA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = FromHandle(hwnd);
  if (w == nullptr && (w = TakeCreating()) != nullptr) w->Attach(hwnd);
  if (w == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  LRESULT r = 0;
  // An exception must not unwind through the system's frames that called
  // this procedure: they have no handlers for it.
  try {
    r = w->WindowProc(message, wParam, lParam);
  } catch (...) {
    r = FailMessageOnException(hwnd, message);
  }
  if (message == WM_NCDESTROY) w->OnFinalMessage();
  return r;
}

LRESULT Window::FailMessageOnException(HWND hwnd, UINT message) {
  std::exception_ptr error = std::current_exception();
  if (message == WM_PAINT) ValidateRect(hwnd, nullptr);
  // One report at a time: the box's own messages may fail the same way.
  static bool reporting = false;
  if (!reporting && TheApp() != nullptr) {
    reporting = true;
    try {
      TheApp()->ReportWindowProcException(error);
    } catch (...) {
    }
    reporting = false;
  }
  return message == WM_CREATE ? -1 : 0;
}

void Window::OnFinalMessage() {
  Detach();
  PostNcDestroy();
}

bool Window::OnCommand(WPARAM wParam, LPARAM lParam) {
  MessageArgs args;
  args.message = kMsgCommand;
  // A menu item (code 0) and an accelerator key (code 1) give the same
  // command; only a control's notification keeps its code.
  args.code = lParam == 0 ? kCodeCommand : HIWORD(wParam);
  args.id = LOWORD(wParam);
  args.wParam = wParam;
  args.lParam = lParam;
  return OnCmdMsg(args);
}

bool Window::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  MessageArgs args;
  args.message = kMsgNotify;
  args.code = header->code;
  args.id = static_cast<std::uint32_t>(header->idFrom);
  args.wParam = wParam;
  args.lParam = lParam;
  bool handled = OnCmdMsg(args);
  *result = args.result;
  return handled;
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) return 0;
  } else if (message == WM_NOTIFY) {
    LRESULT result = 0;
    if (OnNotify(wParam, lParam, &result)) return result;
  } else {
    MessageArgs args;
    args.message = message;
    args.wParam = wParam;
    args.lParam = lParam;
    if (DispatchToMap(*this, args)) return args.result;
  }
  return DefaultProc(message, wParam, lParam);
}

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (superProc_ != nullptr) return CallWindowProcA(superProc_, hwnd_, message, wParam, lParam);
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void SendCommand(HWND window, std::uint32_t id) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

}  // namespace fw
