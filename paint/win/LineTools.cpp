// The line and curve tools.
#include "paint/win/LineTools.h"

#include <algorithm>
#include <cstdlib>

#include "document/win/Lumo40Doc.h"
#include "engine/pixels/Progress.h"
#include "paint/ArcWalk.h"
#include "paint/CloneBrush.h"
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

// ---- Rectangle and ellipse

namespace lumora {

constexpr int kProcessingCaption = 10138;  // "Processing..."

CRectTool::CRectTool(const paint::ToolInfo& info, std::unique_ptr<paint::StrokeBrush> engine,
                     std::unique_ptr<BrushRandom> random, bool ellipse)
    : CLineTool(info, std::move(engine), std::move(random)), ellipse_(ellipse) {}

POINT CRectTool::CornerFor(POINT window, bool constrain) const {
  POINT p = ImageAt(window.x, window.y);
  if (!constrain) return p;
  // The longer side is cut to the shorter: a square.
  const long dx = p.x - start_.x, dy = p.y - start_.y;
  const long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx >= ady) {
    p.x = start_.x + (dx > 0 ? ady : -ady);
  } else {
    p.y = start_.y + (dy > 0 ? adx : -adx);
  }
  return p;
}

void CRectTool::DrawOutline(POINT corner) const {
  HWND window = ViewWindow();
  if (window == nullptr) return;
  const POINT a = ToWindow(stroke_->View(), start_), b = ToWindow(stroke_->View(), corner);
  const RECT r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  HDC dc = GetDC(window);
  const int old = SetROP2(dc, R2_NOT);
  if (ellipse_) {
    HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, brush);
  } else {
    MoveToEx(dc, r.left, r.top, nullptr);
    LineTo(dc, r.right, r.top);
    LineTo(dc, r.right, r.bottom);
    LineTo(dc, r.left, r.bottom);
    LineTo(dc, r.left, r.top);
  }
  SetROP2(dc, old);
  ReleaseDC(window, dc);
}

void CRectTool::EraseOutline() const {
  HWND window = ViewWindow();
  if (window == nullptr || firstMove_) return;
  const POINT a = ToWindow(stroke_->View(), start_), b = ToWindow(stroke_->View(), current_);
  const RECT r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1};
  HRGN region = CreateRectRgnIndirect(&r);
  if (!ellipse_ && r.right - r.left > 2 && r.bottom - r.top > 2) {
    // Only the one-pixel frame the outline covered.
    HRGN inner = CreateRectRgn(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    CombineRgn(region, region, inner, RGN_DIFF);
    DeleteObject(inner);
  }
  RepaintRegion(window, region);
}

void CRectTool::ShowFeedback(POINT window, bool constrain, bool erase) {
  if (erase) EraseOutline();
  const POINT corner = CornerFor(window, constrain);
  DrawOutline(corner);
  current_ = corner;
}

void CRectTool::OnMouseMove(HWND, UINT flags, int x, int y) {
  if (!capturing_ || (flags & MK_LBUTTON) == 0) return;
  lastWindow_ = POINT{x, y};
  constrain_ = ShiftHeld(flags);
  ShowFeedback(lastWindow_, constrain_, !firstMove_);
  firstMove_ = false;
}

int CRectTool::OnKeyDown(WPARAM key, LPARAM) {
  if (!capturing_ || key != VK_SHIFT || constrain_ || firstMove_) return 0;
  constrain_ = true;
  ShowFeedback(lastWindow_, true, true);
  return 0;
}

int CRectTool::OnKeyUp(WPARAM key, LPARAM) {
  if (!capturing_ || key != VK_SHIFT || !constrain_ || firstMove_) return 0;
  constrain_ = false;
  ShowFeedback(lastWindow_, false, true);
  return 0;
}

void CRectTool::OnLButtonUp(HWND window, UINT flags, int x, int y) {
  if (capturing_ && stroke_) {
    const POINT released = ImageAt(x, y);
    if (released.x != start_.x || released.y != start_.y) {
      EraseOutline();
      const POINT end = ShiftHeld(flags) && !firstMove_ ? current_ : released;
      ProgressSetCaptionId(kProcessingCaption);
      const bool rendered = engine_->RenderBox(start_, end, style_, ellipse_, [](int row, int rows) {
        return ProgressCallback(row, rows) != 0;
      });
      if (!rendered) engine_->DiscardStroke();
    }
  }
  CToolBrush::OnLButtonUp(window, flags, x, y);
}

}  // namespace lumora

// ---- Polygon

namespace lumora {

bool CPolygonTool::LayerRefuses(HWND window) const {
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

void CPolygonTool::DrawFeedback() const {
  HWND window = ViewWindow();
  if (window == nullptr || vertices_.empty()) return;
  CLumo40View* view = stroke_->View();
  HDC dc = GetDC(window);
  const int old = SetROP2(dc, R2_NOT);
  POINT p = ToWindow(view, vertices_.front());
  MoveToEx(dc, p.x, p.y, nullptr);
  for (std::size_t i = 1; i < vertices_.size(); ++i) {
    p = ToWindow(view, vertices_[i]);
    LineTo(dc, p.x, p.y);
  }
  if (hasBand_) {
    const POINT b = ToWindow(view, band_);
    LineTo(dc, b.x, b.y);
  }
  SetROP2(dc, old);
  ReleaseDC(window, dc);
}

void CPolygonTool::EraseFeedback() const {
  HWND window = ViewWindow();
  if (window == nullptr || vertices_.empty()) return;
  CLumo40View* view = stroke_->View();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  auto add = [region](int x, int y) {
    HRGN square = CreateRectRgn(x - 1, y - 1, x + 2, y + 2);
    CombineRgn(region, region, square, RGN_OR);
    DeleteObject(square);
  };
  std::vector<POINT> points;
  for (const POINT& v : vertices_) points.push_back(ToWindow(view, v));
  if (hasBand_) points.push_back(ToWindow(view, band_));
  add(points.front().x, points.front().y);
  for (std::size_t i = 1; i < points.size(); ++i) {
    paint::WalkLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, add);
    add(points[i].x, points[i].y);
  }
  RepaintRegion(window, region);
}

void CPolygonTool::OnLButtonDown(HWND window, UINT flags, int x, int y) {
  if (LayerRefuses(window)) {
    vertices_.clear();
    return;
  }
  if (vertices_.empty()) {
    engine_->SetPaintAtButtonDown(false);
    CToolBrush::OnLButtonDown(window, flags, x, y);
    if (!capturing_) return;
    hasBand_ = false;
    vertices_.push_back(ImageAt(x, y));
    DrawFeedback();
    return;
  }
  if (!capturing_) return;
  EraseFeedback();
  vertices_.push_back(ImageAt(x, y));
  hasBand_ = false;
  DrawFeedback();
}

void CPolygonTool::OnMouseMove(HWND, UINT flags, int x, int y) {
  if (!capturing_ || vertices_.empty()) return;
  const POINT p = ImageAt(x, y);
  EraseFeedback();
  if ((flags & MK_LBUTTON) != 0) {
    // Dragging adds vertices as it goes.
    const POINT& last = vertices_.back();
    if (p.x != last.x || p.y != last.y) vertices_.push_back(p);
    hasBand_ = false;
  } else {
    band_ = p;
    hasBand_ = true;
  }
  DrawFeedback();
}

void CPolygonTool::OnLButtonDblClk(HWND window, UINT flags, int x, int y) {
  if (!capturing_) return;
  if (vertices_.empty()) {
    OnLButtonDown(window, flags, x, y);
    return;
  }
  EraseFeedback();
  hasBand_ = false;
  RECT client{};
  GetClientRect(window, &client);
  if (x >= client.left && x < client.right && y >= client.top && y < client.bottom) {
    vertices_.push_back(vertices_.front());
    ProgressSetCaptionId(kProcessingCaption);
    const bool rendered = engine_->RenderPolygon(&vertices_, style_, [](int row, int rows) {
      return ProgressCallback(row, rows) != 0;
    });
    if (!rendered) engine_->DiscardStroke();
  }
  vertices_.clear();
  CToolBrush::OnLButtonUp(window, flags, x, y);
}

}  // namespace lumora

// ---- Clone

namespace lumora {

constexpr int kCrossReach = 10;

CCloneTool::CCloneTool(const paint::ToolInfo& info, std::unique_ptr<paint::StrokeBrush> engine,
                       std::unique_ptr<BrushRandom> random)
    : CToolBrush(info, std::move(engine), std::move(random), IDC_CROSS) {}

CCloneTool::~CCloneTool() {
  if (crossShown_ && IsWindow(sourceWindow_)) EraseCross();
}

paint::CClone& CCloneTool::Clone() { return static_cast<paint::CClone&>(*engine_); }

void CCloneTool::SetStyle(int style) { Clone().SetCloneMode(style); }

void CCloneTool::InvertCross(HDC dc, POINT at) const {
  const int old = SetROP2(dc, R2_NOT);
  MoveToEx(dc, at.x - kCrossReach, at.y, nullptr);
  LineTo(dc, at.x + kCrossReach, at.y);
  MoveToEx(dc, at.x, at.y - kCrossReach, nullptr);
  LineTo(dc, at.x, at.y + kCrossReach);
  SetROP2(dc, old);
}

void CCloneTool::DrawCross(POINT at) {
  if (!IsWindow(sourceWindow_)) return;
  HDC dc = GetDC(sourceWindow_);
  InvertCross(dc, at);
  ReleaseDC(sourceWindow_, dc);
  cross_ = at;
  crossShown_ = true;
}

void CCloneTool::EraseCross() {
  if (!crossShown_) return;
  crossShown_ = false;
  if (!IsWindow(sourceWindow_)) return;
  HDC dc = GetDC(sourceWindow_);
  InvertCross(dc, cross_);
  ReleaseDC(sourceWindow_, dc);
}

int CCloneTool::OnViewPaint(CLumo40View* view, HDC dc) {
  // The paint drew the image over the cross: it goes on again.
  if (crossShown_ && view != nullptr && view->Handle() == sourceWindow_) InvertCross(dc, cross_);
  return 0;
}

void CCloneTool::Mark(HWND window, int x, int y) {
  CLumo40View* view = IsImageViewWnd(window) ? GetViewFromWnd(window) : nullptr;
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  CLayer* layer = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr;
  if (layer == nullptr) return;
  sourceWindow_ = window;
  sourceClick_ = POINT{x, y};
  if (Clone().MarkSource(layer, view->WindowPointToImagePixel(POINT{x, y}))) DrawCross(POINT{x, y});
}

void CCloneTool::OnLButtonDown(HWND window, UINT flags, int x, int y) {
  const bool shift = (flags & MK_SHIFT) != 0 || GetKeyState(VK_SHIFT) < 0;
  if (shift) {
    if (Clone().SourceSet()) {
      if (crossShown_ && !IsWindow(sourceWindow_)) return;
      EraseCross();
      Clone().ForgetSource();
    }
    Mark(window, x, y);
    return;
  }
  if (Clone().SourceSet()) {
    // After the offset was measured, a third view takes no strokes.
    if (Clone().OffsetValid() && window != targetWindow_ && window != sourceWindow_) return;
    if (!IsWindow(sourceWindow_)) {
      MessageBeep(0);
      crossShown_ = false;
      Clone().ForgetSource();
      return;
    }
  }
  if (!Clone().OffsetValid()) viewOffset_ = POINT{sourceClick_.x - x, sourceClick_.y - y};
  CToolBrush::OnLButtonDown(window, flags, x, y);
  if (capturing_) targetWindow_ = window;
}

bool CCloneTool::StartEngineStroke(ViewStrokeDocument* document, POINT image) {
  return Clone().StartStroke(document, image.x, image.y);
}

void CCloneTool::OnMouseMove(HWND window, UINT flags, int x, int y) {
  if (!capturing_ || (flags & MK_LBUTTON) == 0 || !Clone().SourceSet() || window != targetWindow_ || !stroke_) {
    return;
  }
  const POINT old = cross_;
  CToolBrush::OnMouseMove(window, flags, x, y);
  if (crossShown_) {
    const bool close = std::abs(viewOffset_.x) < 30 && std::abs(viewOffset_.y) < 30;
    if (close && targetWindow_ == sourceWindow_) {
      // The stroke may have painted under the cross: repaint that square.
      const RECT square{old.x - kCrossReach, old.y - kCrossReach, old.x + kCrossReach + 1, old.y + kCrossReach + 1};
      crossShown_ = false;
      InvalidateRect(sourceWindow_, &square, TRUE);
      UpdateWindow(sourceWindow_);
    } else {
      EraseCross();
    }
  }
  CLumo40View* source = GetViewFromWnd(sourceWindow_);
  if (source == nullptr) return;
  POINT sample = stroke_->View()->WindowPointToImagePixel(POINT{x, y});
  sample.x += Clone().ImageOffset().x;
  sample.y += Clone().ImageOffset().y;
  POINT at = ToWindow(source, sample);
  at.y -= 2;
  DrawCross(at);
}

}  // namespace lumora
