// The image view's messages: the tool host first, the private messages,
// painting with the margin and its frames, and the view's part of
// activation; grid, guides and snapping.
#include <windows.h>

#include <functional>
#include <string>

#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/Frame.h"
#include "platform/rect.h"
#include "platform/trace.h"
#include "res/resource.h"
#include "view/win/ViewShell.h"
#include "view/SnapRect.h"
#include "engine/render/ViewMessages.h"
#include "view/win/Lumo40View.h"

namespace lumora {

namespace {

// Re-checks a stroke's last paint once the render worker may have gone idle.
constexpr UINT_PTR kStrokeTraceTimer = 0x4C4E;

constexpr std::uint32_t kIdRepaint = ID_VIEW_REPAINT;
// Further queued 1258 a view drops before it re-smooths once.
constexpr int kMaxQueuedSmoothings = 16;

HICON AppIcon() { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)); }

// A one-pixel frame from top-left to top-right, bottom-right, bottom-left
// and back.
void FrameOutside(HDC dc, const RECT& r, int distance, int stockPen) {
  HGDIOBJ old = SelectObject(dc, GetStockObject(stockPen));
  const LONG l = r.left - distance, t = r.top - distance, right = r.right - 1 + distance,
             bottom = r.bottom - 1 + distance;
  MoveToEx(dc, l, t, nullptr);
  LineTo(dc, right, t);
  LineTo(dc, right, bottom);
  LineTo(dc, l, bottom);
  LineTo(dc, l, t);
  SelectObject(dc, old);
}

// The start-up marks, once per process: the first image cell on screen
// and the first paint that leaves nothing of the visible area to composite.
void MarkStartupPaint(bool cellShown, bool whole) {
  static bool firstCellMarked = false;
  static bool wholeMarked = false;
  if (cellShown && !firstCellMarked) {
    firstCellMarked = true;
    TraceMark("first cell painted");
  }
  if (whole && !wholeMarked) {
    wholeMarked = true;
    TraceMark("view wholly painted");
  }
}

}  // namespace

FW_MESSAGE_MAP(CLumo40View, CVarnoScrollView, fw::WindowMessageEntry<&CLumo40View::OnPaintView>(WM_PAINT),
               fw::CommandRangeEntry<&CLumo40View::OnLayerTransform>(ID_LAYER_TRANSFORM_DISTORT,
                                                                     ID_LAYER_TRANSFORM_PERSPECTIVE),
               fw::UpdateEntry<&CLumo40View::OnUpdateLayerTransform>(ID_LAYER_TRANSFORM_DISTORT,
                                                                     ID_LAYER_TRANSFORM_PERSPECTIVE),
               fw::CommandRangeEntry<&CLumo40View::OnLayerTransform>(ID_LAYER_TRANSFORM_SKEW, ID_LAYER_TRANSFORM_SKEW),
               fw::UpdateEntry<&CLumo40View::OnUpdateLayerTransform>(ID_LAYER_TRANSFORM_SKEW),
               fw::CommandEntry<&CLumo40View::OnSelectionTransform>(ID_SELECTION_TRANSFORM),
               fw::CommandEntry<&CLumo40View::OnSelectionNumericTransform>(ID_SELECTION_NUMERIC_TRANSFORM),
               fw::UpdateEntry<&CLumo40View::OnUpdateSelectionTransform>(ID_SELECTION_NUMERIC_TRANSFORM),
               fw::UpdateEntry<&CLumo40View::OnUpdateSelectionTransform>(ID_SELECTION_TRANSFORM),
               fw::CommandRangeEntry<&CLumo40View::OnLayerTransform>(ID_LAYER_TRANSFORM_ROTATE,
                                                                     ID_LAYER_FREE_TRANSFORM),
               fw::UpdateEntry<&CLumo40View::OnUpdateLayerTransform>(ID_LAYER_TRANSFORM_ROTATE, ID_LAYER_FREE_TRANSFORM),
               fw::WindowMessageEntry<&CLumo40View::OnEraseBackground>(WM_ERASEBKGND),
               fw::WindowMessageEntry<&CLumo40View::OnPrintClientView>(WM_PRINTCLIENT),
               fw::WindowMessageEntry<&CLumo40View::OnDestroyView>(WM_DESTROY),
               fw::WindowMessageEntry<&CLumo40View::OnSizeView>(WM_SIZE),
               fw::WindowMessageEntry<&CLumo40View::OnCellDoneMessage>(kMsgCellDone),
               fw::WindowMessageEntry<&CLumo40View::OnQueueEmptyMessage>(kMsgQueueEmptyPosted),
               fw::WindowMessageEntry<&CLumo40View::OnMouseMoveView>(WM_MOUSEMOVE),
               fw::WindowMessageEntry<&CLumo40View::OnRightButtonDown>(WM_RBUTTONDOWN),
               fw::CommandEntry<&CLumo40View::OnRepaint>(kIdRepaint),
               fw::UpdateEntry<&CLumo40View::OnUpdateRepaint>(kIdRepaint),
               fw::CommandEntry<&CLumo40View::OnDeleteSelection>(ID_SELECTION_DESELECT),
               fw::CommandEntry<&CLumo40View::OnDeleteSelection>(ID_SELECT_BAR_DELETE),
               fw::UpdateEntry<&CLumo40View::OnUpdateDeleteSelection>(ID_SELECTION_DESELECT),
               fw::UpdateEntry<&CLumo40View::OnUpdateDeleteSelection>(ID_SELECT_BAR_DELETE),
               fw::CommandEntry<&CLumo40View::OnInvertSelection>(ID_SELECTION_INVERT),
               fw::CommandEntry<&CLumo40View::OnInvertSelection>(ID_SELECT_BAR_INVERT),
               fw::UpdateEntry<&CLumo40View::OnUpdateInvertSelection>(ID_SELECTION_INVERT),
               fw::UpdateEntry<&CLumo40View::OnUpdateInvertSelection>(ID_SELECT_BAR_INVERT),
               fw::CommandRangeEntry<&CLumo40View::OnModifySelection>(ID_MODIFY_SMOOTH, ID_MODIFY_CONTRACT),
               fw::UpdateEntry<&CLumo40View::OnUpdateModifySelection>(ID_MODIFY_SMOOTH, ID_MODIFY_CONTRACT),
               fw::CommandRangeEntry<&CLumo40View::OnModifySelection>(ID_MODIFY_BORDER, ID_MODIFY_BORDER),
               fw::UpdateEntry<&CLumo40View::OnUpdateModifySelection>(ID_MODIFY_BORDER),
               fw::CommandEntry<&CLumo40View::OnZoomIn>(ID_VIEW_ZOOM_IN),
               fw::UpdateEntry<&CLumo40View::OnUpdateZoomIn>(ID_VIEW_ZOOM_IN),
               fw::CommandEntry<&CLumo40View::OnZoomOut>(ID_VIEW_ZOOM_OUT),
               fw::UpdateEntry<&CLumo40View::OnUpdateZoomOut>(ID_VIEW_ZOOM_OUT),
               fw::CommandEntry<&CLumo40View::OnOriginalSize>(ID_VIEW_ORIGINAL_SIZE),
               fw::CommandEntry<&CLumo40View::OnOriginalSize>(ID_VIEW_ORIGINAL_SIZE_BUTTON),
               fw::UpdateEntry<&CLumo40View::OnUpdateZoomSizes>(ID_VIEW_ORIGINAL_SIZE),
               fw::UpdateEntry<&CLumo40View::OnUpdateZoomSizes>(ID_VIEW_ORIGINAL_SIZE_BUTTON),
               fw::CommandRangeEntry<&CLumo40View::OnWindowSizeCommand>(ID_VIEW_WINDOW_SIZE_FIRST,
                                                                        ID_VIEW_WINDOW_SIZE_LAST),
               fw::UpdateEntry<&CLumo40View::OnUpdateZoomSizes>(ID_VIEW_WINDOW_SIZE_FIRST, ID_VIEW_WINDOW_SIZE_LAST),
               fw::CommandEntry<&CLumo40View::OnCorrectWindowSize>(ID_VIEW_CORRECT_WINDOW_SIZE),
               fw::UpdateEntry<&CLumo40View::OnUpdateCorrectWindowSize>(ID_VIEW_CORRECT_WINDOW_SIZE),
               fw::CommandEntry<&CLumo40View::OnZoomTool>(ID_VIEW_ZOOM_TOOL),
               fw::UpdateEntry<&CLumo40View::OnUpdateZoomTool>(ID_VIEW_ZOOM_TOOL),
               fw::CommandEntry<&CLumo40View::OnDitherOptions>(ID_VIEW_DITHER_OPTIONS),
               fw::UpdateEntry<&CLumo40View::OnUpdateDitherOptions>(ID_VIEW_DITHER_OPTIONS),
               fw::CommandEntry<&CLumo40View::OnShowGrid>(ID_VIEW_SHOW_GRID),
               fw::UpdateEntry<&CLumo40View::OnUpdateShowGrid>(ID_VIEW_SHOW_GRID),
               fw::CommandEntry<&CLumo40View::OnSnapToGrid>(ID_VIEW_SNAP_TO_GRID),
               fw::UpdateEntry<&CLumo40View::OnUpdateSnapToGrid>(ID_VIEW_SNAP_TO_GRID),
               fw::CommandEntry<&CLumo40View::OnShowGuides>(ID_VIEW_SHOW_GUIDES),
               fw::UpdateEntry<&CLumo40View::OnUpdateShowGuides>(ID_VIEW_SHOW_GUIDES),
               fw::CommandEntry<&CLumo40View::OnSnapToGuides>(ID_VIEW_SNAP_TO_GUIDES),
               fw::UpdateEntry<&CLumo40View::OnUpdateGuideCommand>(ID_VIEW_SNAP_TO_GUIDES),
               fw::CommandEntry<&CLumo40View::OnLockGuides>(ID_VIEW_LOCK_GUIDES),
               fw::UpdateEntry<&CLumo40View::OnUpdateGuideCommand>(ID_VIEW_LOCK_GUIDES),
               fw::CommandEntry<&CLumo40View::OnClearGuides>(ID_VIEW_CLEAR_GUIDES),
               fw::UpdateEntry<&CLumo40View::OnUpdateGuideCommand>(ID_VIEW_CLEAR_GUIDES),
               fw::CommandEntry<&CLumo40View::OnShowRulers>(ID_VIEW_SHOW_RULERS),
               fw::UpdateEntry<&CLumo40View::OnUpdateShowRulers>(ID_VIEW_SHOW_RULERS))

// ---- Routing

LRESULT CLumo40View::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // bench/startup-view times a click into the image to the tool windows
  // back on the display.
  if (message == WM_LBUTTONDOWN && TraceEnabled()) TraceMark("view button down");
  const LU_MSG record{hwnd_, message, wParam, lParam};
  std::intptr_t result = 0;
  if (LUIsSomethingInterest(nullptr, &record, kLUPassView, &result) != 0) return result;
  // What the tools leave goes where the application's image-view hook
  // would send it, so a view behaves the same with or without that hook.
  return OnPrivateMessage(message, wParam, lParam);
}

LRESULT CLumo40View::OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT taken = 0;
  if (OnMoveToolMessage(message, wParam, &taken)) return taken;
  switch (message) {
    case WM_TIMER:
      if (wParam != kStrokeTraceTimer) return fw::Window::WindowProc(message, wParam, lParam);
      KillTimer(hwnd_, kStrokeTraceTimer);
      if (strokeTracePending_) MarkStrokeShownIfCurrent();
      return 0;
    case kMsgRedrawReady:
      if (notifier_) {
        notifier_->Flush();
        ++counts_.flushes;
      }
      return 0;
    case kMsgSelectionEdges: {
      MSG queued;
      for (int i = 0; i < kMaxQueuedSmoothings; ++i) {
        if (!PeekMessageA(&queued, hwnd_, kMsgSelectionEdges, kMsgSelectionEdges, PM_REMOVE)) break;
      }
      if (CLumo40Doc* doc = GetDoc()) doc->Image().ApplySmoothEdge();
      ++counts_.smoothings;
      return 0;
    }
    case kMsgEmptyRegion:
      if (wParam != 0) SetRectRgn(reinterpret_cast<HRGN>(wParam), 0, 0, 0, 0);
      return 1;
    case kMsgViewActivation: {
      fw::FrameWnd* frame = GetParentFrame();
      return frame != nullptr ? SendMessageA(frame->Handle(), message, wParam, lParam) : 0;
    }
    case WM_QUERYNEWPALETTE: {
      if (FrameIconic()) return 0;
      std::lock_guard<std::mutex> guard(lock_);
      return drawContext_ != nullptr ? static_cast<LRESULT>(drawContext_->RealizePaletteForeground(hwnd_)) : 0;
    }
    case WM_PALETTECHANGED: {
      if (FrameIconic() || reinterpret_cast<HWND>(wParam) == hwnd_) return 0;
      std::lock_guard<std::mutex> guard(lock_);
      if (drawContext_ != nullptr) drawContext_->RealizePaletteBackground(hwnd_);
      return 0;
    }
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(AppIcon());
    case WM_CHAR: {
      // The tools' letters belong to the image view alone: typing into
      // other windows never switches tools.
      const bool modified = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
      ViewShell* shell = TheViewShell();
      if (!modified && wParam < 0x80 && shell != nullptr && shell->ToolKey(this, static_cast<char>(wParam))) return 0;
      return fw::Window::WindowProc(message, wParam, lParam);
    }
    default: return fw::Window::WindowProc(message, wParam, lParam);
  }
}

// ---- Painting

LRESULT CLumo40View::OnPaintView(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  if (FrameIconic()) {
    HDC dc = BeginPaint(hwnd_, &ps);
    SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    DrawIcon(dc, 0, 0, AppIcon());
    EndPaint(hwnd_, &ps);
    return 0;
  }
  RefreshAnts();  // what the ants leave or reach joins this paint
  HDC dc = BeginPaint(hwnd_, &ps);
  ++counts_.paints;
  if (drawContext_ != nullptr) {
    HRGN clip = CreateRectRgnIndirect(&ps.rcPaint);
    {
      std::lock_guard<std::mutex> guard(lock_);
      const int saved = SaveDC(dc);
      if (drawContext_ != nullptr) drawContext_->Draw(dc, clip, hwnd_, !IsActiveImageView(), FALSE, nullptr);
      RestoreDC(dc, saved);
      DrawAnts(dc);
    }
    DeleteObject(clip);
    if (ViewShell* shell = TheViewShell()) shell->PaintToolOverlay(this, dc);
    PaintTransformFrame(dc);
  }
  EndPaint(hwnd_, &ps);
  // Marked only once the frame shows (not for paints before it does).
  if (drawContext_ != nullptr && IsWindowVisible(hwnd_)) {
    const bool whole = VisibleAreaComposited();
    MarkStartupPaint(whole || counts_.cellsAnnounced > 0, whole);
    if (strokeTracePending_) MarkStrokeShownIfCurrent();
    if (zoomTracePending_ && whole && GetUpdateRect(hwnd_, nullptr, FALSE) == FALSE) {
      zoomTracePending_ = false;
      TraceMark("zoom painted");
      const std::string cells = "zoom cells " + std::to_string(counts_.cellsAnnounced - zoomTraceCells_);
      TraceMark(cells.c_str());
    }
  }
  return 0;
}

void CLumo40View::NoteStrokeMove() {
  if (TraceEnabled()) strokeTracePending_ = true;
}

// The screen shows every dab queued so far once the worker has gone idle
// with nothing announced left to flush and nothing invalid left to paint.
void CLumo40View::MarkStrokeShownIfCurrent() {
  CMapRect* queue = Queue();
  MSG waiting;
  const bool redrawWaiting = PeekMessageA(&waiting, hwnd_, kMsgRedrawReady, kMsgRedrawReady, PM_NOREMOVE) != 0;
  if ((queue == nullptr || queue->IsIdle()) && !redrawWaiting && GetUpdateRect(hwnd_, nullptr, FALSE) == FALSE) {
    strokeTracePending_ = false;
    KillTimer(hwnd_, kStrokeTraceTimer);
    TraceMark("paint shown");
    return;
  }
  SetTimer(hwnd_, kStrokeTraceTimer, 5, nullptr);
}

bool CLumo40View::VisibleAreaComposited() {
  CMapRect* queue = Queue();
  if (queue == nullptr) return true;
  const RECT visible = GetVisibleImageRect();
  if (RectIsEmpty(visible)) return false;
  auto touchesVisible = [&visible](const CMapRect::Cell& cell) {
    RECT common{};
    return cell.index >= 0 && RectIntersect(&common, cell.rect, visible);
  };
  if (touchesVisible(queue->CellInProgress())) return false;
  for (const CMapRect::Cell& cell : queue->RenderList()) {
    if (touchesVisible(cell)) return false;
  }
  return true;
}

void CLumo40View::EraseMargin(HDC dc) {
  RECT client{}, image{};
  GetClientRect(hwnd_, &client);
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ == nullptr) return;
    image = drawContext_->Mapping().ImageWindowRect();
  }
  HRGN all = CreateRectRgnIndirect(&client);
  HRGN shown = CreateRectRgnIndirect(&image);
  HRGN margin = CreateRectRgn(0, 0, 0, 0);
  const int kind = CombineRgn(margin, all, shown, RGN_DIFF);
  if (kind != ERROR && kind != NULLREGION) FillRgn(dc, margin, GetSysColorBrush(COLOR_BTNFACE));
  DeleteObject(margin);
  DeleteObject(shown);
  DeleteObject(all);
  FrameOutside(dc, image, 1, BLACK_PEN);
  FrameOutside(dc, image, 2, WHITE_PEN);
  std::lock_guard<std::mutex> guard(lock_);
  if (drawContext_ != nullptr) drawContext_->DrawMargin(dc, hwnd_, &client, &image);
}

LRESULT CLumo40View::OnEraseBackground(WPARAM wParam, LPARAM lParam) {
  if (drawContext_ == nullptr) return DefaultProc(WM_ERASEBKGND, wParam, lParam);
  // The image covers the window unless the scroll base centres it.
  if (!FrameIconic() && (device_.x < 0 || device_.y < 0)) EraseMargin(reinterpret_cast<HDC>(wParam));
  return 1;
}

LRESULT CLumo40View::OnPrintClientView(WPARAM wParam, LPARAM lParam) {
  if (drawContext_ == nullptr) return fw::View::OnPrintClient(wParam, lParam);
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (device_.x < 0 || device_.y < 0) EraseMargin(dc);
  // The image only: the ants belong to the screen, not to a printed copy.
  std::lock_guard<std::mutex> guard(lock_);
  if (drawContext_ != nullptr) drawContext_->Draw(dc, nullptr, hwnd_, !IsActiveImageView(), FALSE, nullptr);
  return 0;
}

// ---- Lifetime and size

LRESULT CLumo40View::OnDestroyView(WPARAM wParam, LPARAM lParam) {
  dropTarget_.Revoke();
  ForgetAnts();
  if (GuideDragRunning()) EndGuideDrag(-1, -1, true);
  if (movingLayer_) {
    movingLayer_ = false;
    EndLayerMove();
  }
  SetMoveToolActive(false);
  if (ViewShell* shell = TheViewShell()) shell->OnViewGone(this);
  // The queue forgets the view first: no piece is announced to it after.
  if (CMapRect* queue = Queue()) queue->RemoveView(this);
  liveWindow_.store(nullptr);
  {
    std::lock_guard<std::mutex> guard(lock_);
    delete drawContext_;
    drawContext_ = nullptr;
  }
  notifier_.reset();
  if (registeredDoc_ != nullptr) {
    registeredDoc_->Image().RemoveView(this);
    HWND next = nullptr;
    for (fw::View* v : registeredDoc_->Views()) {
      if (v != this && dynamic_cast<CLumo40View*>(v) != nullptr && v->Handle() != nullptr) next = v->Handle();
    }
    HWND mine = hwnd_;
    registeredDoc_->queueWindow.compare_exchange_strong(mine, next);
    registeredDoc_ = nullptr;
  }
  if (GetActiveImageWindow() == hwnd_) SetActiveImageWindow(nullptr);
  return DefaultProc(WM_DESTROY, wParam, lParam);
}

LRESULT CLumo40View::OnRightButtonDown(WPARAM, LPARAM lParam) {
  CLumo40Doc* doc = GetDoc();
  if (!HasDrawContext() || doc == nullptr || IsTrackerRunning()) return 0;
  const POINT client{static_cast<std::int16_t>(LOWORD(lParam)), static_cast<std::int16_t>(HIWORD(lParam))};
  const POINT at = WindowPointToImagePixel(client);
  if (!RectContainsPoint(GetImageRect(), at.x, at.y)) return 0;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return 0;
  doc->AddLayersAtPointToMenu(menu, at.x, at.y);
  if (GetMenuItemCount(menu) > 0) {
    POINT screen = client;
    ClientToScreen(hwnd_, &screen);
    const int chosen = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x,
                                                       screen.y, 0, hwnd_, nullptr));
    if (chosen > 0) doc->Image().SetActiveLayerByIndex(chosen - 1, false, false);
  }
  DestroyMenu(menu);
  return 0;
}

LRESULT CLumo40View::OnSizeView(WPARAM wParam, LPARAM lParam) {
  // The view is painted whole below: no pixels are scrolled (under Wine,
  // scrolling a view that sits in another process's window never returns).
  {
    WholeRepaint whole(*this);
    OnVarnoSize(wParam, lParam);
  }
  OnVisibleAreaChanged();
  // A new size moves the centred image and its margin, and the pixels the
  // system keeps of the window when it grows may be another window's (a
  // maximised window that covered this one and closed): it is painted whole.
  if (wParam != SIZE_MINIMIZED) InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

LRESULT CLumo40View::OnCellDoneMessage(WPARAM wParam, LPARAM lParam) { return OnRefreshRect(wParam, lParam); }

LRESULT CLumo40View::OnQueueEmptyMessage(WPARAM, LPARAM) {
  if (CLumo40Doc* doc = GetDoc()) doc->Image().OnQueueEmptyPosted();
  return 0;
}

void CLumo40View::OnRepaint() {
  if (!IsCommandAllowedWhileTracking(kIdRepaint) || hwnd_ == nullptr || !IsWindow(hwnd_) || FrameIconic()) return;
  if (CLumo40Doc* doc = GetDoc()) doc->Image().InvalidateImageRect(nullptr, false, false);
}

void CLumo40View::OnUpdateRepaint(fw::CmdUI& ui) { ui.Enable(FilterCommandEnable(kIdRepaint, true)); }

// ---- Activation

void CLumo40View::OnActivateImageView(CLumo40View*) {
  ++counts_.activations;
  SetActiveImageWindow(hwnd_);
  CLumo40Doc* doc = GetDoc();
  if (doc != nullptr) doc->Image().SetActiveView(this);
  SendMessageA(hwnd_, kMsgViewActivation, 1, reinterpret_cast<LPARAM>(hwnd_));
  if (CMapRect* queue = Queue()) queue->PrioritizeView(this);
  if (fullRefreshOnActivation_ && doc != nullptr) {
    fullRefreshOnActivation_ = false;
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
    doc->Image().InvalidateImageRect(nullptr, false, false);
  }
  if (doc != nullptr) doc->Image().ApplySmoothEdge();
  // An open selection tuner is shown again for the active area tool.
  if (LUIsGSelectionTunerDlgOpen(nullptr)) {
    char tool[64] = {};
    LUGetActiveSelection(nullptr, tool, sizeof tool);
    LUOpenGSelectionTunerDlg(nullptr, tool);
  }
  ViewDisplaySettings& current = CurrentViewSettings();
  current.showGrid = showGrid;
  current.snapToGrid = snapToGrid;
  current.showGuides = showGuides;
  current.snapToGuides = snapToGuides;
  current.lockGuides = lockGuides;
  current.showRulers = showRulers;
  if (ViewShell* shell = TheViewShell()) {
    shell->ShowViewZoomStatus(this);
    shell->OnViewActivated(this);
    // The move and guide hook follows the main frame's Layer Moving mode.
    SetMoveToolActive(shell->LayerMovingOn());
  }
}

void CLumo40View::OnDeactivateImageView(CLumo40View* newView) {
  ++counts_.deactivations;
  SendMessageA(hwnd_, kMsgViewActivation, 0, 0);
  if (newView == nullptr && GetActiveImageWindow() == hwnd_) SetActiveImageWindow(nullptr);
  if (ViewShell* shell = TheViewShell(); shell != nullptr && newView == nullptr) shell->OnViewActivated(nullptr);
}

// ---- Grid, guides and snapping

void CLumo40View::SetShowGrid(bool show) {
  showGrid = CurrentViewSettings().showGrid = show;
  ShowOverlay([show](VR_DRAWCONTEXT* dc) { dc->ShowGrid(show); });
}

void CLumo40View::SetShowGuides(bool show) {
  showGuides = CurrentViewSettings().showGuides = show;
  ShowOverlay([show](VR_DRAWCONTEXT* dc) { dc->ShowGuides(show); });
}

void CLumo40View::ShowOverlay(const std::function<void(VR_DRAWCONTEXT*)>& tell) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ == nullptr) return;
    tell(drawContext_);
    drawContext_->InvalidateImageRect(nullptr);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CLumo40View::SetSnapToGrid(bool snap) { snapToGrid = CurrentViewSettings().snapToGrid = snap; }
void CLumo40View::SetSnapToGuides(bool snap) { snapToGuides = CurrentViewSettings().snapToGuides = snap; }

void CLumo40View::ApplyGridSettings() {
  std::lock_guard<std::mutex> guard(lock_);
  if (drawContext_ == nullptr) return;
  ApplyDrawSettings();
  drawContext_->InvalidateImageRect(nullptr);
}

void CLumo40View::ApplyGuides(bool invalidateAllViews) {
  CLumo40Doc* doc = GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (stack == nullptr) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ == nullptr) return;
    for (const auto& g : stack->Guides()) drawContext_->AddGuide(g.position, g.orientation);
  }
  if (!invalidateAllViews) return;
  for (fw::View* v : doc->Views()) {
    if (auto* view = dynamic_cast<CLumo40View*>(v)) view->InvalidateImageRect(nullptr, true);
  }
}

RECT CLumo40View::GetGuideWindowRect(std::int32_t position, std::int32_t orientation) const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  // Whole pixels of the guide (1/32 pixel, floored) mapped to the window.
  POINT at{position >> 5, position >> 5};
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ != nullptr) drawContext_->Mapping().RevXForm(&at, kXFEdges);
  }
  if (orientation == kVrGuideHorizontal) return RECT{client.left, at.y, client.right, at.y + 1};
  return RECT{at.x, client.top, at.x + 1, client.bottom};
}

namespace {

template <class Fn>
void ForEachImageView(CLumo40Doc* doc, Fn fn) {
  if (doc == nullptr) return;
  for (fw::View* v : doc->Views()) {
    if (auto* view = dynamic_cast<CLumo40View*>(v)) fn(view);
  }
}

}  // namespace

void CLumo40View::AddGuideAllViews(std::int32_t position, std::int32_t orientation) {
  ForEachImageView(GetDoc(), [&](CLumo40View* view) {
    {
      std::lock_guard<std::mutex> guard(view->lock_);
      if (view->drawContext_ == nullptr) return;
      view->drawContext_->AddGuide(position, orientation);
      view->drawContext_->InvalidateImageRect(nullptr);
    }
    const RECT strip = view->GetGuideWindowRect(position, orientation);
    InvalidateRect(view->Handle(), &strip, FALSE);
  });
}

void CLumo40View::RemoveGuideAllViews(std::int32_t position, std::int32_t orientation) {
  ForEachImageView(GetDoc(), [&](CLumo40View* view) {
    const RECT strip = view->GetGuideWindowRect(position, orientation);
    {
      std::lock_guard<std::mutex> guard(view->lock_);
      if (view->drawContext_ == nullptr) return;
      view->drawContext_->RemoveGuide(position, orientation);
      view->drawContext_->InvalidateImageRect(nullptr);
    }
    InvalidateRect(view->Handle(), &strip, FALSE);
  });
}

void CLumo40View::SnapRect(const RECT& rect, POINT* offset) const {
  CLumo40Doc* doc = GetDoc();
  if (doc == nullptr || doc->embedded || offset == nullptr) return;
  SnapSettings settings;
  settings.toGrid = showGrid && snapToGrid && !gridSnapBlock;
  settings.toGuides = showGuides && snapToGuides;
  settings.imagePerWindow = zoom_.x.ImagePerWindowUnit();
  if (CLayersManager* stack = doc->Image().GetLayers()) {
    for (const auto& g : stack->Guides()) settings.guides.push_back(SnapGuide{g.position, g.orientation});
  }
  std::lock_guard<std::mutex> guard(lock_);
  if (drawContext_ == nullptr) return;
  VR_DRAWCONTEXT* dc = drawContext_;
  settings.grid = [dc](bool vertical, std::int32_t at, std::int32_t* below, std::int32_t* above) {
    return (vertical ? dc->GetGridSnapY(at, below, above) : dc->GetGridSnapX(at, below, above)) != 0;
  };
  SnapRectOffset(rect, offset, settings);
}

void CLumo40View::SnapWindowRect(const RECT& rect, POINT* offset) const {
  if (offset == nullptr) return;
  RECT image = rect;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (drawContext_ == nullptr) return;
    drawContext_->Mapping().XForm(&image, kXFEdges);
  }
  const double perWindowX = zoom_.x.ImagePerWindowUnit(), perWindowY = zoom_.y.ImagePerWindowUnit();
  // The window offset in image units; window y grows downward, image y up.
  POINT imageOffset{static_cast<LONG>(offset->x * perWindowX), static_cast<LONG>(-offset->y * perWindowY)};
  const POINT before = imageOffset;
  SnapRect(image, &imageOffset);
  offset->x += static_cast<LONG>((imageOffset.x - before.x) / perWindowX);
  offset->y -= static_cast<LONG>((imageOffset.y - before.y) / perWindowY);
}

}  // namespace lumora
