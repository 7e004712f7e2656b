// The centring scroll base of the image view.
#include "view/win/VarnoScrollView.h"

#include <algorithm>

#include "view/ScrollBars.h"

namespace lumora {

FW_IMPLEMENT_DYNAMIC(CVarnoScrollView, fw::ScrollView)
FW_MESSAGE_MAP(CVarnoScrollView, fw::ScrollView, fw::WindowMessageEntry<&CVarnoScrollView::OnVarnoSize>(WM_SIZE),
               fw::WindowMessageEntry<&CVarnoScrollView::OnVarnoHScroll>(WM_HSCROLL),
               fw::WindowMessageEntry<&CVarnoScrollView::OnVarnoVScroll>(WM_VSCROLL))

void CVarnoScrollView::SetScrollSizes(SIZE total, SIZE page, SIZE line) {
  // The base lays out its bars only with a window: without one it just
  // records the sizes.
  HWND window = hwnd_;
  hwnd_ = nullptr;
  fw::ScrollView::SetScrollSizes(total, page, line);
  hwnd_ = window;
  page_ = {page.cx > 0 ? page.cx : std::max<LONG>(1, total.cx / 10), page.cy > 0 ? page.cy : std::max<LONG>(1, total.cy / 10)};
  line_ = {line.cx > 0 ? line.cx : std::max<LONG>(1, page_.cx / 10), line.cy > 0 ? line.cy : std::max<LONG>(1, page_.cy / 10)};
  if (hwnd_ != nullptr) UpdateBars();
}

void CVarnoScrollView::UpdateBars() {
  if (hwnd_ == nullptr || updatingBars_) return;
  updatingBars_ = true;
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
  const int extra = (style & WS_BORDER) ? 0 : 1;
  RECT client{};
  GetClientRect(hwnd_, &client);
  ScrollBarsInput in;
  in.clientWidth = client.right;
  in.clientHeight = client.bottom;
  in.horizontalShown = (style & WS_HSCROLL) != 0;
  in.verticalShown = (style & WS_VSCROLL) != 0;
  in.barWidth = GetSystemMetrics(SM_CXVSCROLL) + extra;
  in.barHeight = GetSystemMetrics(SM_CYHSCROLL) + extra;
  in.totalWidth = total_.cx;
  in.totalHeight = total_.cy;
  in.barPositionX = in.horizontalShown ? GetScrollPos(hwnd_, SB_HORZ) : 0;
  in.barPositionY = in.verticalShown ? GetScrollPos(hwnd_, SB_VERT) : 0;
  in.centre = centre;
  const ScrollBarsLayout layout = LayOutScrollBars(in);
  const POINT next{layout.x.position, layout.y.position};
  const bool moved = next.x != device_.x || next.y != device_.y;
  if (moved) {
    if (!skipPixelScroll) ScrollWindow(hwnd_, device_.x - next.x, device_.y - next.y, nullptr, nullptr);
    device_ = next;
  }
  position_ = {std::max<LONG>(0, device_.x), std::max<LONG>(0, device_.y)};
  view_ = {layout.x.available, layout.y.available};
  const int bars[2] = {SB_HORZ, SB_VERT};
  const ScrollAxis* axes[2] = {&layout.x, &layout.y};
  const LONG totals[2] = {total_.cx, total_.cy};
  // Bars shown or hidden only when that changes, both in one go when they
  // change alike (each change lays the window's frame out again).
  const bool changeX = ((style & WS_HSCROLL) != 0) != layout.x.shown;
  const bool changeY = ((style & WS_VSCROLL) != 0) != layout.y.shown;
  if (changeX && changeY && layout.x.shown == layout.y.shown) {
    ShowScrollBar(hwnd_, SB_BOTH, layout.x.shown);
  } else {
    if (changeX) ShowScrollBar(hwnd_, SB_HORZ, layout.x.shown);
    if (changeY) ShowScrollBar(hwnd_, SB_VERT, layout.y.shown);
  }
  for (int i = 0; i < 2; ++i) {
    if (!axes[i]->shown) continue;
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = totals[i] - 1;
    si.nPage = static_cast<UINT>(axes[i]->available);
    si.nPos = axes[i]->BarPosition();
    if (SetScrollInfo(hwnd_, bars[i], &si, TRUE) == 0 && axes[i]->BarPosition() != 0) {
      SetScrollRange(hwnd_, bars[i], 0, axes[i]->range, FALSE);
      SetScrollPos(hwnd_, bars[i], axes[i]->BarPosition(), TRUE);
    }
  }
  updatingBars_ = false;
  if (moved) OnScrollPositionChanged();
  // Showing or hiding a bar resized the client while the guard held (its
  // WM_SIZE came back here and was left): the position is laid out once
  // more for the client the bars left.
  static int relayout = 0;
  if ((changeX || changeY) && relayout == 0) {
    ++relayout;
    UpdateBars();
    --relayout;
  }
}

bool CVarnoScrollView::HasBar(int bar) const {
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
  const DWORD flag = bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL;
  if ((style & flag) == 0) return false;
  SCROLLBARINFO info{};
  info.cbSize = sizeof(info);
  const LONG object = bar == SB_HORZ ? OBJID_HSCROLL : OBJID_VSCROLL;
  if (GetScrollBarInfo(hwnd_, object, &info) && (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) != 0) return false;
  return true;
}

int CVarnoScrollView::BarLimit(int bar) const {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE;
  if (!GetScrollInfo(hwnd_, bar, &si)) return 0;
  return std::max(0, si.nMax - si.nMin + 1 - static_cast<int>(si.nPage));
}

bool CVarnoScrollView::OnScrollBy(SIZE distance, bool doScroll) {
  if (hwnd_ == nullptr) return false;
  const bool hasX = HasBar(SB_HORZ), hasY = HasBar(SB_VERT);
  const int barX = hasX ? GetScrollPos(hwnd_, SB_HORZ) : 0;
  const int barY = hasY ? GetScrollPos(hwnd_, SB_VERT) : 0;
  const int x = ScrollByTarget(hasX, barX, distance.cx, hasX ? BarLimit(SB_HORZ) : 0);
  const int y = ScrollByTarget(hasY, barY, distance.cy, hasY ? BarLimit(SB_VERT) : 0);
  const bool xChanged = hasX && x != barX, yChanged = hasY && y != barY;
  if (!xChanged && !yChanged) return false;
  if (doScroll) {
    if (!skipPixelScroll) {
      ScrollWindowEx(hwnd_, xChanged ? barX - x : 0, yChanged ? barY - y : 0, nullptr, nullptr, nullptr, nullptr,
                     scrollFlags);
    }
    if (xChanged) {
      device_.x = x;
      SetScrollPos(hwnd_, SB_HORZ, x, TRUE);
    }
    if (yChanged) {
      device_.y = y;
      SetScrollPos(hwnd_, SB_VERT, y, TRUE);
    }
    position_ = {std::max<LONG>(0, device_.x), std::max<LONG>(0, device_.y)};
    OnScrollPositionChanged();
  }
  return true;
}

bool CVarnoScrollView::OnScroll(UINT codes, int thumb, bool doScroll) {
  const int hCode = static_cast<int>(codes & 0xFF), vCode = static_cast<int>((codes >> 8) & 0xFF);
  const int barX = GetScrollPos(hwnd_, SB_HORZ), barY = GetScrollPos(hwnd_, SB_VERT);
  const std::int64_t x = ScrollRequestTarget(hCode, barX, line_.cx, page_.cx, thumb);
  const std::int64_t y = ScrollRequestTarget(vCode, barY, line_.cy, page_.cy, thumb);
  const bool scrolled = OnScrollBy({static_cast<LONG>(std::clamp<std::int64_t>(x - barX, -(1LL << 30), 1LL << 30)),
                                    static_cast<LONG>(std::clamp<std::int64_t>(y - barY, -(1LL << 30), 1LL << 30))},
                                   doScroll);
  if (scrolled && doScroll) {
    updateAfterScroll = true;
    UpdateWindow(hwnd_);
  }
  return scrolled;
}

void CVarnoScrollView::ScrollToDevicePosition(POINT target) {
  OnScrollBy({target.x - device_.x, target.y - device_.y}, true);
}

void CVarnoScrollView::MoveToDevicePosition(POINT target) {
  const bool before = skipPixelScroll;
  skipPixelScroll = true;
  OnScrollBy({target.x - device_.x, target.y - device_.y}, true);
  skipPixelScroll = before;
}

void CVarnoScrollView::OnPrepareDC(HDC dc) {
  if (!centre) {
    fw::ScrollView::OnPrepareDC(dc);
    return;
  }
  RECT client{};
  GetClientRect(hwnd_, &client);
  SetViewportOrgEx(dc, ViewportOrigin(device_.x, client.right, total_.cx),
                   ViewportOrigin(device_.y, client.bottom, total_.cy), nullptr);
}

LRESULT CVarnoScrollView::OnVarnoSize(WPARAM wParam, LPARAM lParam) {
  DefaultProc(WM_SIZE, wParam, lParam);
  UpdateBars();
  return 0;
}

// "No change" for the other axis: the end-of-scroll code.
constexpr UINT kNoRequest = 8;  // SB_ENDSCROLL

LRESULT CVarnoScrollView::OnVarnoHScroll(WPARAM wParam, LPARAM) {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_TRACKPOS;
  GetScrollInfo(hwnd_, SB_HORZ, &si);
  OnScroll(MAKEWORD(LOWORD(wParam), kNoRequest), si.nTrackPos);
  return 0;
}

LRESULT CVarnoScrollView::OnVarnoVScroll(WPARAM wParam, LPARAM) {
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_TRACKPOS;
  GetScrollInfo(hwnd_, SB_VERT, &si);
  OnScroll(MAKEWORD(kNoRequest, LOWORD(wParam)), si.nTrackPos);
  return 0;
}

}  // namespace lumora
