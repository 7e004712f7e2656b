// The auto-scroll timer: its map of running scrollers and one step.
#include "select/win/AutoScroll.h"

#include "select/AutoScrollStep.h"

namespace lumora {
namespace {

// A bar as the window shows it; the largest position a scroll reaches is
// the range's end less the page.
ScrollBarState BarState(HWND window, int bar, DWORD style) {
  ScrollBarState state;
  state.shown = (style & (bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
  if (!state.shown) return state;
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (!GetScrollInfo(window, bar, &si)) return ScrollBarState{};
  state.minimum = si.nMin;
  state.maximum = si.nMax - (si.nPage > 0 ? static_cast<int>(si.nPage) - 1 : 0);
  state.position = si.nPos;
  return state;
}

}  // namespace

bool CAutoScroll::busy_ = false;

std::map<UINT_PTR, CAutoScroll*>& CAutoScroll::Scrollers() {
  static std::map<UINT_PTR, CAutoScroll*> scrollers;
  return scrollers;
}

CAutoScroll::~CAutoScroll() { Stop(); }

void CAutoScroll::Start(HWND window, void* owner) {
  if (timer_ != 0) return;
  owner_ = owner;
  // A thread timer: the system gives it an id of its own.
  timer_ = SetTimer(nullptr, kAutoScrollTimerId, kAutoScrollPeriodMs, &CAutoScroll::TimerProc);
  window_ = window;
  if (timer_ != 0) Scrollers().emplace(timer_, this);
}

void CAutoScroll::Stop() {
  if (timer_ == 0) return;
  Scrollers().erase(timer_);
  KillTimer(nullptr, timer_);
  timer_ = 0;
}

void CALLBACK CAutoScroll::TimerProc(HWND window, UINT message, UINT_PTR id, DWORD time) {
  const auto found = Scrollers().find(id);
  if (found != Scrollers().end()) found->second->OnTimer(window, message, id, time);
}

void CAutoScroll::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (busy_ || window_ == nullptr || !IsWindow(window_)) return;
  busy_ = true;
  RECT client{};
  GetClientRect(window_, &client);
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(window_, &cursor);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE));
  const AutoScrollStep step = DecideAutoScroll(cursor, client, owner_ != nullptr, BarState(window_, SB_HORZ, style),
                                               BarState(window_, SB_VERT, style));
  if (step.horizontal != 0) {
    BeforeScroll(owner_);
    SendMessageA(window_, WM_HSCROLL, step.horizontal < 0 ? SB_LINELEFT : SB_LINERIGHT, 0);
  }
  if (step.vertical != 0) {
    BeforeScroll(owner_);
    SendMessageA(window_, WM_VSCROLL, step.vertical < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
  }
  if (step.postMove) {
    ++scrolls;
    WPARAM keys = 0;
    if (GetAsyncKeyState(VK_CONTROL) & 0x8000) keys |= MK_CONTROL;
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) keys |= MK_SHIFT;
    if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) keys |= MK_LBUTTON;
    if (GetAsyncKeyState(VK_MBUTTON) & 0x8000) keys |= MK_MBUTTON;
    if (GetAsyncKeyState(VK_RBUTTON) & 0x8000) keys |= MK_RBUTTON;
    PostMessageA(window_, WM_MOUSEMOVE, keys, MAKELPARAM(cursor.x, cursor.y));
    ++movesPosted;
  }
  busy_ = false;
}

}  // namespace lumora
