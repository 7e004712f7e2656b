// The picking service: its hook, the rubber band, point and rectangle
// results and the zoom steps of the zoom tool.
#include "select/win/PickOnView.h"

#include <algorithm>

#include "hostapi/toolhost.h"
#include "platform/rect.h"
#include "select/PickZoom.h"

namespace lumora {
namespace {

constexpr LONG kUnset = static_cast<LONG>(0x80000000);
constexpr std::uint16_t kPickHookFlags = 0x1007;

// One pick at a time.
struct PickState {
  POINT a{kUnset, kUnset};
  POINT b{kUnset, kUnset};
  bool dragging = false;
  bool firstClick = false;
  PickContext* running = nullptr;
  CSelPointAutoScroll scroller;
} state;

PickViews* views = nullptr;

bool IsSet(POINT p) { return p.x != kUnset || p.y != kUnset; }

POINT MessagePoint(LPARAM lParam) { return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

// The band of two image points in the view's window coordinates.
RECT BandInWindow(HWND view, POINT a, POINT b) {
  const RECT image = NormalisedBand(a, b);
  POINT corners[2] = {{image.left, image.top}, {image.right, image.bottom}};
  for (POINT& p : corners) p = views->ImageToWindow(view, p);
  return NormalisedBand(corners[0], corners[1]);
}

void DrawRubberBand(PickContext* c, POINT a, POINT b) {
  if (!IsSet(a) || !IsSet(b)) return;
  const RECT r = BandInWindow(c->target, a, b);
  HDC dc = GetDC(c->target);
  if (dc == nullptr) return;
  const int old = SetROP2(dc, R2_NOT);
  HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, r.left, r.top, nullptr);
  if (r.left == r.right && r.top == r.bottom) {
    LineTo(dc, r.left + 1, r.top);
  } else if (r.left == r.right) {
    LineTo(dc, r.left, r.bottom + 1);
  } else if (r.top == r.bottom) {
    LineTo(dc, r.right + 1, r.top);
  } else {
    LineTo(dc, r.right, r.top);
    LineTo(dc, r.right, r.bottom);
    LineTo(dc, r.left, r.bottom);
    LineTo(dc, r.left, r.top);
  }
  SelectObject(dc, pen);
  SetROP2(dc, old);
  ReleaseDC(c->target, dc);
}

void InvalidateRubberBand(PickContext* c, POINT a, POINT b) {
  if (!IsSet(a) || !IsSet(b)) return;
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  for (const RECT& strip : BandEdgeStrips(BandInWindow(c->target, a, b))) {
    HRGN part = CreateRectRgnIndirect(&strip);
    CombineRgn(region, region, part, RGN_OR);
    DeleteObject(part);
  }
  InvalidateRgn(c->target, region, TRUE);
  DeleteObject(region);
  UpdateWindow(c->target);
}

void ShowStatus(PickContext* c, POINT from, POINT to) {
  if (c->prompt != 0) views->SetPromptText(c->prompt, views->RectText(c->target, BandPixels(from, to)));
}

// The view's zoom one step along the pick's ladder, into the zoom target.
void ZoomStep(HWND view, bool zoomIn) {
  XFFACT x;
  SIZE image{};
  if (!views->ZoomState(view, &x, &image)) return;
  const PickRatio r = PickZoomStep(x, image.cx, zoomIn);
  views->SetZoomTarget(view, r.n, r.d);
}

void PickPoint(POINT point, PickContext* c, bool left) {
  if (!(left && state.firstClick)) ZoomStep(c->target, left);
  if (c->callback != nullptr) c->callback(&point, c->user, 0);
  state.firstClick = false;
}

// The view zooms to the dragged pixels.
void PickRect(PickContext* c, POINT a, POINT b) {
  views->ZoomToRect(c->target, BandPixels(a, b));
}

// A message point in the pick window's client coordinates, as an image
// point.
POINT ImagePointOf(PickContext* c, HWND from, LPARAM lParam) {
  POINT p = MessagePoint(lParam);
  if (from != nullptr && from != c->target) MapWindowPoints(from, c->target, &p, 1);
  return views->WindowToImage(c->target, p);
}

bool WrongWindow(const PickContext* c, HWND window) {
  return (c->target != nullptr && window != c->target) || !views->IsImageView(window);
}

}  // namespace

bool PickRunning() { return state.running != nullptr; }

void SetPickViews(PickViews* installed) { views = installed; }
PickViews* GetPickViews() { return views; }

void CSelPointAutoScroll::BeforeScroll(void* owner) {
  if (owner != nullptr) InvalidateRubberBand(static_cast<PickContext*>(owner), state.a, state.b);
}

void CSelPointAutoScroll::ResetPick(PickContext* c) {
  if (IsSet(state.a)) InvalidateRubberBand(c, state.a, state.b);
  state.scroller.Stop();
  if (c->capture) {
    if (GetCapture() == c->target) ReleaseCapture();
    c->capture = FALSE;
  }
  state.a = state.b = POINT{kUnset, kUnset};
  state.dragging = false;
}

void CSelPointAutoScroll::EndPick(const POINT* point, PickContext* c) {
  ResetPick(c);
  if (c->callback != nullptr) c->callback(point, c->user, 0);
  LURemoveLUHook(nullptr, c->hookId);
  state.running = nullptr;
  HGLOBAL memory = c->memory;
  GlobalUnlock(memory);
  GlobalFree(memory);
}

int CSelPointAutoScroll::HookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  auto* c = static_cast<PickContext*>(context);
  const auto window = static_cast<HWND>(msg->window);
  const std::intptr_t kind = inOut != nullptr ? *inOut : kLUPassQueue;
  auto handled = [inOut](std::intptr_t word) {
    if (inOut != nullptr) *inOut = word;
    return kLUHookHandled;
  };
  if (kind == kLUPassMainFrame || kind == kLUPassView) {
    if (msg->message != WM_SETCURSOR || HIWORD(msg->lParam) == 0 || LOWORD(msg->lParam) != HTCLIENT) {
      return kLUHookPass;
    }
    const auto under = reinterpret_cast<HWND>(msg->wParam);
    HCURSOR cursor = c->elsewhere;
    if (!(c->target != nullptr && under != c->target) && views->IsImageView(under)) cursor = c->overView;
    SetCursor(cursor);
    return handled(1);
  }
  switch (msg->message) {
    case kLUMsgHookInstalled: {
      c->hookId = static_cast<std::uint32_t>(msg->lParam);
      c->prompt = views->AddPrompt(2, 0, true);
      views->SetPickRuns(c->target, true);
      return handled(0);
    }
    case kLUMsgHookRemoved: {
      views->SetPickRuns(c->target, false);
      if (c->prompt != 0) views->RemovePrompt(c->prompt);
      c->prompt = 0;
      return handled(0);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {  // a quick second click is a click too
      if (WrongWindow(c, window)) {
        EndPick(nullptr, c);
        return handled(0);
      }
      c->capture = TRUE;
      SetCapture(c->target);
      state.a = ImagePointOf(c, window, msg->lParam);
      c->start = state.a;
      state.b = POINT{kUnset, kUnset};
      state.dragging = true;
      ShowStatus(c, c->start, c->start);
      state.scroller.Start(c->target, c);
      return handled(0);
    }
    case WM_MOUSEMOVE: {
      if (!state.dragging) return kLUHookPass;
      if (IsSet(state.a)) InvalidateRubberBand(c, state.a, state.b);
      state.b = ImagePointOf(c, window, msg->lParam);
      DrawRubberBand(c, state.a, state.b);
      const POINT to{c->start.x + state.b.x - state.a.x, c->start.y + state.b.y - state.a.y};
      ShowStatus(c, c->start, to);
      return kLUHookPass;
    }
    case WM_LBUTTONUP: {
      if (!state.dragging) {
        EndPick(nullptr, c);
        return handled(0);
      }
      state.b = ImagePointOf(c, window, msg->lParam);
      const POINT a = state.a, b = state.b;
      POINT clicked = MessagePoint(msg->lParam);
      if (window != nullptr && window != c->target) MapWindowPoints(window, c->target, &clicked, 1);
      if (b.x != a.x || b.y != a.y) {
        InvalidateRubberBand(c, a, b);
        state.a = state.b = POINT{kUnset, kUnset};
        PickRect(c, a, b);
      } else {
        PickPoint(clicked, c, true);
      }
      ResetPick(c);
      if (c->prompt != 0) views->SetPromptText(c->prompt, "");
      return handled(0);
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
      if (WrongWindow(c, window)) {
        EndPick(nullptr, c);
        return handled(0);
      }
      PickPoint(MessagePoint(msg->lParam), c, false);
      return handled(0);
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_NCLBUTTONDOWN:
      EndPick(nullptr, c);
      return kLUHookPass;
    default:
      return kLUHookPass;
  }
}

int StartPickOnView(HCURSOR overView, HCURSOR elsewhere, PickCallback callback, void* user, HWND target) {
  if (views == nullptr || state.running != nullptr) return 0;
  HWND active = views->ActiveImageView();
  if (active == nullptr || !views->IsImageView(active)) return 0;
  if (target == nullptr) target = active;
  if (!views->IsImageView(target) || views->PickRuns(target)) return 0;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(PickContext));
  if (memory == nullptr) return 0;
  auto* c = static_cast<PickContext*>(GlobalLock(memory));
  if (c == nullptr) {
    GlobalFree(memory);
    return 0;
  }
  c->memory = memory;
  c->overView = overView;
  c->elsewhere = elsewhere;
  c->target = target;
  c->callback = callback;
  c->user = user;
  state.firstClick = true;
  state.running = c;
  const LU_HOOK hook{&CSelPointAutoScroll::HookProc, c, kPickHookFlags, 0};
  if (LUSetLUHook(nullptr, &hook) == 0) {
    state.running = nullptr;
    GlobalUnlock(memory);
    GlobalFree(memory);
    return 0;
  }
  return 1;
}

}  // namespace lumora
