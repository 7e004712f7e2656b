// The view's interactive transforms: the Layer/Transform commands make a
// frame, the hook brings the view's mouse and the keys to it, a release
// renders the result into the temporary layer, Enter or a double click
// commits and Escape cancels. While a transform runs the tool windows are
// off, the tracker filter greys what could disturb it, and closing asks.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "document/DocumentServices.h"
#include "framework/CmdUI.h"
#include "framework/win/App.h"
#include "hostapi/fragment.h"
#include "platform/trace.h"
#include "select/win/NumericTransformDlg.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "res/StringTable.h"
#include "view/win/ImageViewWnd.h"
#include "res/resource.h"
#include "view/win/Lumo40View.h"
#include "view/win/ViewShell.h"
#include "view/win/ViewTransform.h"

namespace lumora {
namespace {

constexpr std::uint32_t kTransformHookFlags = 0x1007;
// The view of the running transform (one at a time in the program).
HWND transformWindow = nullptr;
bool endingTransform = false;

int AskRunningTransform() {
  CLumo40View* view = GetViewFromWnd(transformWindow);
  return view != nullptr ? view->QueryApplyTransform() : 1;
}

HCURSOR LoadFrameCursor(FrameCursor cursor) {
  switch (cursor) {
    case FrameCursor::kMove: return LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_NAV_RECT));
    case FrameCursor::kDragMove: return LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_CURSOR_NAV_DRAG));
    case FrameCursor::kHandle: return LoadCursorA(nullptr, IDC_CROSS);
    case FrameCursor::kNS: return LoadCursorA(nullptr, IDC_SIZENS);
    case FrameCursor::kWE: return LoadCursorA(nullptr, IDC_SIZEWE);
    case FrameCursor::kNESW: return LoadCursorA(nullptr, IDC_SIZENESW);
    case FrameCursor::kNWSE: return LoadCursorA(nullptr, IDC_SIZENWSE);
    case FrameCursor::kRotate: return LoadCursorA(nullptr, IDC_UPARROW);
    case FrameCursor::kCentre: return LoadCursorA(nullptr, IDC_SIZEALL);
    case FrameCursor::kArrow: break;
  }
  return LoadCursorA(nullptr, IDC_ARROW);
}

}  // namespace

// ---- The frame's surface on the view

ViewFrameSurface::ViewFrameSurface(CLumo40View& view) : view_(view) {
  if (ViewShell* shell = TheViewShell()) {
    hint_ = shell->AddPrompt(0, 100, true);
    SetHint(kHintNone);
  }
}

ViewFrameSurface::~ViewFrameSurface() {
  ViewShell* shell = TheViewShell();
  if (shell != nullptr && hint_ != 0) {
    shell->SetPromptText(hint_, "");
    shell->RemovePrompt(hint_);
  }
}

const VRXFORM* ViewFrameSurface::Mapping() {
  if (!view_.HasDrawContext()) return nullptr;
  mapping_ = view_.Mapping();
  return &mapping_;
}

void ViewFrameSurface::DrawFrame(const POINT corners[4], const POINT* midpoints, bool handles) {
  HDC dc = paintDc != nullptr ? paintDc : GetDC(view_.Handle());
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  const int oldRop = SetROP2(dc, R2_XORPEN);
  const POINT outline[5] = {corners[0], corners[1], corners[2], corners[3], corners[0]};
  Polyline(dc, outline, 5);
  if (handles) {
    for (int i = 0; i < 4; ++i) Rectangle(dc, corners[i].x - 3, corners[i].y - 3, corners[i].x + 4, corners[i].y + 4);
    if (midpoints != nullptr) {
      for (int i = 0; i < 4; ++i) {
        Rectangle(dc, midpoints[i].x - 3, midpoints[i].y - 3, midpoints[i].x + 4, midpoints[i].y + 4);
      }
    }
  }
  SetROP2(dc, oldRop);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  if (paintDc == nullptr) ReleaseDC(view_.Handle(), dc);
}

void ViewFrameSurface::DrawCentre(POINT c) {
  HDC dc = paintDc != nullptr ? paintDc : GetDC(view_.Handle());
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  const int oldRop = SetROP2(dc, R2_XORPEN);
  Ellipse(dc, c.x - 3, c.y - 3, c.x + 4, c.y + 4);
  MoveToEx(dc, c.x, c.y, nullptr);
  LineTo(dc, c.x + 1, c.y);
  const POINT arms[4][2] = {{{c.x - 3, c.y}, {c.x - 7, c.y}}, {{c.x + 4, c.y}, {c.x + 7, c.y}},
                            {{c.x, c.y - 3}, {c.x, c.y - 7}}, {{c.x, c.y + 4}, {c.x, c.y + 7}}};
  for (const auto& arm : arms) {
    MoveToEx(dc, arm[0].x, arm[0].y, nullptr);
    LineTo(dc, arm[1].x, arm[1].y);
  }
  SetROP2(dc, oldRop);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  if (paintDc == nullptr) ReleaseDC(view_.Handle(), dc);
}

POINT ViewFrameSurface::PointerInView() {
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(view_.Handle(), &p);
  return p;
}

void ViewFrameSurface::SetFrameCursor(FrameCursor cursor) { SetCursor(LoadFrameCursor(cursor)); }

void ViewFrameSurface::SetHint(int stringId) {
  ViewShell* shell = TheViewShell();
  if (shell == nullptr || hint_ == 0) return;
  const std::string text = stringId != kHintNone ? std::string(res::String(static_cast<UINT>(stringId))) : std::string();
  char line[512];
  std::snprintf(line, sizeof line, std::string(res::String(IDS_TRANSFORM_COMMIT_HINT)).c_str(), text.c_str());
  shell->SetPromptText(hint_, line);
}

// ---- Commands

bool CLumo40View::IsTransformActive() const { return transform_ != nullptr; }
TInterface* CLumo40View::TransformFrame() const { return transform_ != nullptr ? transform_->frame.get() : nullptr; }
TransformSession* CLumo40View::RunningTransform() const {
  return transform_ != nullptr ? transform_->session.get() : nullptr;
}

void CLumo40View::OnLayerTransform(std::uint32_t id) {
  if (transform_ != nullptr || !IsCommandAllowedWhileTracking(id)) return;
  auto run = std::make_unique<ViewTransform>(*this);
  QuadFrame::Kind kind = QuadFrame::Kind::kDistort;
  switch (id) {
    case ID_LAYER_TRANSFORM_PERSPECTIVE: kind = QuadFrame::Kind::kPerspective; break;
    case ID_LAYER_TRANSFORM_SKEW: kind = QuadFrame::Kind::kSkew; break;
    case ID_LAYER_TRANSFORM_SCALE: kind = QuadFrame::Kind::kScale; break;
    default: break;
  }
  if (id == ID_LAYER_TRANSFORM_ROTATE || id == ID_LAYER_FREE_TRANSFORM) {
    run->frame = std::make_unique<RotateFrame>(&run->surface, id == ID_LAYER_FREE_TRANSFORM);
  } else {
    run->frame = std::make_unique<QuadFrame>(&run->surface, kind);
  }
  StartLayerTransform(std::move(run));
}

void CLumo40View::OnUpdateLayerTransform(fw::CmdUI& ui) {
  CLumo40Doc* doc = GetDoc();
  CLayer* active = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr;
  // Greyed while a transform runs: starting another would strand the first.
  bool enable = active != nullptr && active->CanPaint() != 0 && transform_ == nullptr;
  if (ui.Id() == ID_LAYER_FREE_TRANSFORM) {
    // Free transform also asks for a stack that holds layers.
    const int type = doc->Image().GetLayers() != nullptr ? doc->Image().GetLayers()->GetImageType() : 0;
    enable = enable && (type == 8 || type == 16);
  }
  ui.Enable(FilterCommandEnable(ui.Id(), enable));
}

bool CLumo40View::StartLayerTransform(std::unique_ptr<ViewTransform> run) {
  CLumo40Doc* doc = GetDoc();
  if (doc == nullptr || run == nullptr || !run->frame || transform_ != nullptr || !HasDrawContext()) return false;
  // The part of the image the client area shows (a whole layer's frame
  // covers no more than that).
  RECT client{};
  GetClientRect(hwnd_, &client);
  client.right -= 1;
  client.bottom -= 1;
  Mapping().XForm(&client, kXFRects);
  run->session = TransformSession::StartLayer(doc->Image(), *run->frame, &client);
  return BeginTransformRun(std::move(run));
}

void CLumo40View::OnSelectionTransform() {
  if (transform_ != nullptr || !IsCommandAllowedWhileTracking(ID_SELECTION_TRANSFORM)) return;
  auto run = std::make_unique<ViewTransform>(*this);
  run->frame = std::make_unique<RotateFrame>(&run->surface, true);
  StartSelectionTransform(std::move(run));
}

void CLumo40View::OnUpdateSelectionTransform(fw::CmdUI& ui) {
  CLumo40Doc* doc = GetDoc();
  ui.Enable(FilterCommandEnable(ui.Id(), doc != nullptr && doc->Image().GetSelection() != nullptr && transform_ == nullptr));
}

void CLumo40View::OnSelectionNumericTransform() {
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (stack == nullptr || transform_ != nullptr || !IsCommandAllowedWhileTracking(ID_SELECTION_NUMERIC_TRANSFORM)) {
    return;
  }
  RECT rect{};
  Fragment* mask = SelectionMaskForTransform(doc->Image().GetSelection(), stack->GetWidth(), stack->GetHeight(), &rect);
  if (mask == nullptr) return;
  CNumericTransform dialog(rect, fw::TheApp()->Settings());
  Fragment* moved = dialog.DoModal() == IDOK
                        ? NumericSelectionTransform(mask, rect, dialog.Form(), stack->GetHeight())
                        : nullptr;
  DeleteFragment(mask);
  if (moved == nullptr) return;
  doc->Image().SetSelection(moved, true);
  DeleteFragment(moved);
  doc->Image().Host()->UpdateGlobalSelection();
}

bool CLumo40View::StartSelectionTransform(std::unique_ptr<ViewTransform> run) {
  CLumo40Doc* doc = GetDoc();
  if (doc == nullptr || run == nullptr || !run->frame || transform_ != nullptr || !HasDrawContext()) return false;
  run->session = TransformSession::StartSelection(doc->Image(), *run->frame);
  return BeginTransformRun(std::move(run));
}

bool CLumo40View::BeginTransformRun(std::unique_ptr<ViewTransform> run) {
  if (!run->session) return false;
  run->scroll = GetDeviceScrollPosition();
  transform_ = std::move(run);
  transformWindow = hwnd_;
  SetTrackerRunning(true);
  SetTransformQuery(AskRunningTransform);
  if (ViewShell* shell = TheViewShell()) transform_->previousTool = shell->EnableForTransform(false, 0);
  RefreshAnts();
  InvalidateRect(hwnd_, nullptr, FALSE);
  const LU_HOOK hook{&CLumo40View::TransformHookProc, this, kTransformHookFlags, 0};
  if (LUSetLUHook(nullptr, &hook) == 0) {
    transform_->session->Cancel();
    EndTransform();
    return false;
  }
  transform_->frame->Draw();
  TraceFrameCorner();
  return true;
}

// For the drag benchmark: where the frame's upper left corner lies on the
// screen (a trace mark carries it).
void CLumo40View::TraceFrameCorner() {
  if (!TraceEnabled() || transform_ == nullptr || !transform_->frame) return;
  const POINT* corners = transform_->frame->Corners();
  POINT corner = corners[0];
  for (int i = 1; i < 4; ++i) corner = POINT{std::min(corner.x, corners[i].x), std::min(corner.y, corners[i].y)};
  ClientToScreen(hwnd_, &corner);
  char mark[64];
  std::snprintf(mark, sizeof mark, "transform frame corner %ld %ld", static_cast<long>(corner.x),
                static_cast<long>(corner.y));
  TraceMark(mark);
}

int CLumo40View::QueryApplyTransform() {
  if (transform_ == nullptr) return 1;
  CLumo40Doc* doc = GetDoc();
  const UINT buttons = doc != nullptr && doc->embedded ? MB_YESNO : MB_YESNOCANCEL;
  transform_->questionOpen = true;
  const int answer = MessageBoxA(hwnd_, std::string(res::String(IDS_TRANSFORM_APPLY)).c_str(), "Lumora 4.0",
                                 buttons | MB_ICONQUESTION);
  if (transform_ == nullptr) return 1;
  transform_->questionOpen = false;
  if (answer == IDCANCEL) return 0;
  if (answer == IDYES) {
    transform_->session->Commit();
  } else {
    transform_->session->Cancel();
  }
  EndTransform();
  return 1;
}

void CLumo40View::EndTransform() {
  if (endingTransform) return;
  endingTransform = true;
  if (transform_ != nullptr) {
    std::unique_ptr<ViewTransform> run = std::move(transform_);
    run->scroller.Stop();
    if (GetCapture() == hwnd_) ReleaseCapture();
    if (transformWindow == hwnd_) {
      transformWindow = nullptr;
      SetTrackerRunning(false);
      SetTransformQuery(nullptr);
    }
    if (run->hookId != 0) LURemoveLUHook(nullptr, run->hookId);
    // A running session that nobody committed is taken back.
    if (run->session) run->session->Cancel();
    if (run->frame) run->frame->Draw();
    run->frame.reset();
    run->session.reset();
    if (ViewShell* shell = TheViewShell()) shell->EnableForTransform(true, run->previousTool);
    if (hwnd_ != nullptr && IsWindow(hwnd_)) InvalidateRect(hwnd_, nullptr, TRUE);
    RefreshAnts();
  }
  endingTransform = false;
}

void CLumo40View::PaintTransformFrame(HDC dc) {
  if (transform_ == nullptr || !transform_->frame) return;
  transform_->surface.paintDc = dc;
  transform_->frame->Draw();
  transform_->surface.paintDc = nullptr;
}

void CLumo40View::TransformScrolled() {
  if (transform_ == nullptr || !transform_->frame) return;
  const POINT now = GetDeviceScrollPosition();
  const int dx = now.x - transform_->scroll.x, dy = now.y - transform_->scroll.y;
  transform_->scroll = now;
  if (dx == 0 && dy == 0) return;
  // The whole view repaints, frame included, at the new place.
  transform_->frame->OffsetPoints(dx, dy);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

// ---- The hook

int CLumo40View::TransformHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  auto* view = static_cast<CLumo40View*>(context);
  if (msg == nullptr || inOut == nullptr || view == nullptr) return kLUHookPass;
  return view->OnTransformHook(*msg, inOut);
}

int CLumo40View::OnTransformHook(const LU_MSG& msg, std::intptr_t* inOut) {
  ViewTransform* run = transform_.get();
  if (msg.message == kLUMsgHookInstalled) {
    if (run != nullptr) run->hookId = static_cast<std::uint32_t>(msg.lParam);
    *inOut = 1;
    return kLUHookHandled;
  }
  if (run == nullptr || run->questionOpen || !run->frame) return kLUHookPass;
  TInterface& frame = *run->frame;
  const POINT at{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
  const auto snapped = [&](POINT p) {
    POINT offset = p;
    SnapWindowRect(RECT{0, 0, 0, 0}, &offset);
    return offset;
  };
  if (*inOut == kLUPassView) {
    if (static_cast<HWND>(msg.window) != hwnd_) return kLUHookPass;
    switch (msg.message) {
      case WM_MOUSEMOVE:
        OnMouseMoveView(msg.wParam, msg.lParam);
        if ((msg.wParam & MK_LBUTTON) != 0 && frame.ButtonDown()) {
          TraceMark("frame drag step received");
          frame.OnDrag(snapped(at));
          // The frame is on the screen once GDI's batch is out.
          if (TraceEnabled()) GdiFlush();
          TraceMark("frame drag step drawn");
          TrackRulerCursor(at);
        }
        *inOut = 0;
        return kLUHookHandled;
      case WM_SETCURSOR:
        if (LOWORD(msg.lParam) == HTCLIENT && HIWORD(msg.lParam) != 0 && frame.HitTest()) {
          *inOut = 1;
          return kLUHookHandled;
        }
        return kLUHookPass;
      case WM_LBUTTONDOWN:
        SetCapture(hwnd_);
        frame.OnButtonDown(snapped(at));
        if (frame.ButtonDown()) run->scroller.Start(hwnd_, this);
        *inOut = 0;
        return kLUHookHandled;
      case WM_LBUTTONUP:
        if (!frame.ButtonDown()) return kLUHookPass;
        run->scroller.Stop();
        frame.OnButtonUp(snapped(at));
        TraceMark("frame rebuild begun");
        run->session->AfterRelease();
        TraceMark("frame rebuild done");
        if (GetCapture() == hwnd_) ReleaseCapture();
        *inOut = 0;
        return kLUHookHandled;
      case WM_LBUTTONDBLCLK:
        run->session->Commit();
        EndTransform();
        *inOut = 0;
        return kLUHookHandled;
      default: return kLUHookPass;
    }
  }
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // The keys are read by their state: while Escape is held any key cancels.
      if (GetKeyState(VK_ESCAPE) < 0) {
        run->session->Cancel();
        EndTransform();
        *inOut = 0;
        return kLUHookHandled;
      }
      if (GetKeyState(VK_RETURN) < 0) {
        run->session->Commit();
        EndTransform();
        *inOut = 0;
        return kLUHookHandled;
      }
      if (msg.message == WM_KEYDOWN && msg.wParam == VK_SHIFT) frame.SetFlag(16);
      return kLUHookPass;
    case WM_KEYUP:
      if (msg.wParam == VK_SHIFT) frame.SetFlag(0);
      return kLUHookPass;
    default: return kLUHookPass;
  }
}

}  // namespace lumora
