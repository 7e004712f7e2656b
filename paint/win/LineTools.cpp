// The line and curve tools.
#include "paint/win/LineTools.h"

#include <algorithm>

#include "document/win/Lumo40Doc.h"
#include "paint/ArcWalk.h"
#include "paint/LineWalk.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

// Shift from the message's flags, or from the key state the thread has
// read so far (input synthesised apart from the mouse sets only that).
bool ShiftHeld(UINT flags) { return (flags & MK_SHIFT) != 0 || GetKeyState(VK_SHIFT) < 0; }

POINT ToWindow(CLumo40View* view, POINT image) {
  view->Mapping().RevXForm(&image, kXFPixels);
  return image;
}

void RepaintRegion(HWND window, HRGN region) {
  InvalidateRgn(window, region, TRUE);
  DeleteObject(region);
  UpdateWindow(window);
}

}  // namespace

CLineTool::CLineTool(const paint::ToolInfo& info, std::unique_ptr<paint::StrokeBrush> engine,
                     std::unique_ptr<BrushRandom> random)
    : CToolBrush(info, std::move(engine), std::move(random), IDC_CROSS) {
  // Outlines keep their width: no pressure.
  engine_->SetPressureEnabled(false);
}

HWND CLineTool::ViewWindow() const { return stroke_ && stroke_->View() != nullptr ? stroke_->View()->Handle() : nullptr; }

POINT CLineTool::ImageAt(int x, int y) const {
  return stroke_ && stroke_->View() != nullptr ? stroke_->View()->WindowPointToImagePixel(POINT{x, y}) : POINT{x, y};
}

void CLineTool::DrawBand(POINT a, POINT b) const {
  HWND window = ViewWindow();
  if (window == nullptr) return;
  const POINT wa = ToWindow(stroke_->View(), a), wb = ToWindow(stroke_->View(), b);
  HDC dc = GetDC(window);
  const int old = SetROP2(dc, R2_NOT);
  MoveToEx(dc, wa.x, wa.y, nullptr);
  LineTo(dc, wb.x, wb.y);
  SetROP2(dc, old);
  ReleaseDC(window, dc);
}

void CLineTool::EraseBand(POINT a, POINT b) const {
  HWND window = ViewWindow();
  if (window == nullptr) return;
  const POINT wa = ToWindow(stroke_->View(), a), wb = ToWindow(stroke_->View(), b);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  auto add = [region](int x, int y) {
    HRGN square = CreateRectRgn(x - 1, y - 1, x + 2, y + 2);
    CombineRgn(region, region, square, RGN_OR);
    DeleteObject(square);
  };
  paint::WalkLine(wa.x, wa.y, wb.x, wb.y, add);
  add(wb.x, wb.y);  // the band's last pixel, which the walk leaves out
  RepaintRegion(window, region);
}

void CLineTool::OnLButtonDown(HWND window, UINT flags, int x, int y) {
  engine_->SetPaintAtButtonDown(false);
  CToolBrush::OnLButtonDown(window, flags, x, y);
  if (!capturing_) return;
  start_ = current_ = ImageAt(x, y);
  firstMove_ = true;
}

void CLineTool::OnMouseMove(HWND, UINT flags, int x, int y) {
  if (!capturing_ || (flags & MK_LBUTTON) == 0) return;
  POINT p = ImageAt(x, y);
  if (!firstMove_) EraseBand(start_, current_);
  firstMove_ = false;
  if (ShiftHeld(flags)) p = paint::ConstrainLine(start_, p);
  DrawBand(start_, p);
  current_ = p;
}

void CLineTool::OnLButtonUp(HWND window, UINT flags, int x, int y) {
  if (capturing_ && stroke_) {
    if (!firstMove_) EraseBand(start_, current_);
    const POINT end = ShiftHeld(flags) ? paint::ConstrainLine(start_, ImageAt(x, y)) : ImageAt(x, y);
    const RECT painted = engine_->LineDabs(start_, end);
    if (painted.right > painted.left && painted.bottom > painted.top) {
      stroke_->Doc()->Image().InvalidateImageRect(&painted, false, false);
    }
  }
  CToolBrush::OnLButtonUp(window, flags, x, y);
}

// ---- The curve

bool CCurveTool::LayerRefuses(HWND window) const {
  CLumo40Doc* doc = IsImageViewWnd(window) ? GetDocFromWnd(window) : nullptr;
  CLayer* layer = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr;
  if (layer == nullptr) return false;
  const LAYER_INFO info = layer->GetLayerInfo();
  if (info.editMask == 0 || info.lockTransparency == 0) return false;
  const std::string text(res::String(IDS_TRANSPARENCY_LOCKED));
  MessageBoxA(GetAncestor(window, GA_ROOT), text.c_str(), std::string(res::String(IDS_ERROR_CAPTION)).c_str(),
              MB_OK | MB_ICONEXCLAMATION);
  return true;
}

void CCurveTool::DrawArc(POINT control) const {
  HWND window = ViewWindow();
  if (window == nullptr) return;
  CLumo40View* view = stroke_->View();
  HDC dc = GetDC(window);
  paint::WalkArc(ToWindow(view, start_), ToWindow(view, control), ToWindow(view, end_),
                 [dc](int x, int y) { SetPixel(dc, x, y, RGB(0, 0, 0)); });
  ReleaseDC(window, dc);
}

void CCurveTool::EraseArc(POINT control) const {
  HWND window = ViewWindow();
  if (window == nullptr) return;
  CLumo40View* view = stroke_->View();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  paint::WalkArc(ToWindow(view, start_), ToWindow(view, control), ToWindow(view, end_), [region](int x, int y) {
    HRGN dot = CreateRectRgn(x, y, x + 1, y + 1);
    CombineRgn(region, region, dot, RGN_OR);
    DeleteObject(dot);
  });
  RepaintRegion(window, region);
}

void CCurveTool::OnLButtonDown(HWND window, UINT flags, int x, int y) {
  if (LayerRefuses(window)) return;
  if (phase_ == 0) {
    CLineTool::OnLButtonDown(window, flags, x, y);
    button_ = capturing_;
    return;
  }
  if (!capturing_ || !stroke_) return;
  button_ = true;
  EraseBand(start_, end_);
  control_ = ImageAt(x, y);
  DrawArc(control_);
}

void CCurveTool::OnMouseMove(HWND window, UINT flags, int x, int y) {
  if (phase_ == 0) {
    // The curve's base line is never constrained.
    if (!capturing_ || (flags & MK_LBUTTON) == 0) return;
    const POINT p = ImageAt(x, y);
    if (!firstMove_) EraseBand(start_, current_);
    firstMove_ = false;
    DrawBand(start_, p);
    current_ = p;
    return;
  }
  if (!capturing_ || !button_ || (flags & MK_LBUTTON) == 0) return;
  EraseArc(control_);
  control_ = ImageAt(x, y);
  DrawArc(control_);
}

void CCurveTool::OnLButtonUp(HWND window, UINT flags, int x, int y) {
  if (!button_ || !capturing_ || !stroke_) return;
  button_ = false;
  if (phase_ == 0) {
    // The base line is fixed; the stroke and the capture stay for the bend.
    end_ = ImageAt(x, y);
    if (!firstMove_) EraseBand(start_, current_);
    DrawBand(start_, end_);
    phase_ = 1;
    return;
  }
  EraseArc(control_);
  const RECT painted = engine_->ArcDabs(start_, control_, end_);
  if (painted.right > painted.left && painted.bottom > painted.top) {
    stroke_->Doc()->Image().InvalidateImageRect(&painted, false, false);
  }
  phase_ = 0;
  CToolBrush::OnLButtonUp(window, flags, x, y);
}

}  // namespace lumora
