// The shape tools' rendering: fills into the stroke's paint layer and the
// outlines laid with the brush's dabs.
#include "paint/ShapeFill.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "engine/layers/DocumentLock.h"
#include "paint/ArcWalk.h"
#include "paint/LineWalk.h"
#include "paint/StrokeBrush.h"
#include "platform/rect.h"

namespace paint {

EllipseInside::EllipseInside(POINT p0, POINT p1)
    : a_(static_cast<float>(std::abs(p1.x - p0.x) / 2)),
      b_(static_cast<float>(std::abs(p1.y - p0.y) / 2)),
      cx_(p0.x + (p1.x - p0.x) * 0.5),
      cy_(p0.y + (p1.y - p0.y) * 0.5) {}

bool EllipseInside::operator()(int x, int y) const {
  if (a_ == 0.0f || b_ == 0.0f) return false;
  const float dx = static_cast<float>(static_cast<long>(x - cx_));
  const float dy = static_cast<float>(static_cast<long>(y - cy_));
  if (a_ <= b_) {
    const float t = dx * b_ / a_;
    return dy * dy <= b_ * b_ - t * t;
  }
  const float t = dy * a_ / b_;
  return dx * dx <= a_ * a_ - t * t;
}

PolygonInside::PolygonInside(const std::vector<POINT>& vertices) {
  if (vertices.empty()) return;
  bounds_ = RECT{vertices[0].x, vertices[0].y, vertices[0].x, vertices[0].y};
  for (const POINT& v : vertices) {
    bounds_.left = std::min(bounds_.left, v.x);
    bounds_.top = std::min(bounds_.top, v.y);
    bounds_.right = std::max(bounds_.right, v.x);
    bounds_.bottom = std::max(bounds_.bottom, v.y);
  }
  bounds_.right += 1;
  bounds_.bottom += 1;
  width_ = bounds_.right - bounds_.left;
  const int height = bounds_.bottom - bounds_.top;
  inside_.assign(static_cast<std::size_t>(width_) * height, 0);
  std::vector<double> crossings;
  const std::size_t n = vertices.size();
  for (int row = 0; row < height; ++row) {
    const double y = bounds_.top + row + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < n; ++i) {
      const POINT a = vertices[i], b = vertices[(i + 1) % n];
      if ((a.y <= y) == (b.y <= y)) continue;  // the edge does not cross this centre line
      crossings.push_back(a.x + (y - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
      // Pixels whose centre lies between the two crossings.
      const long from = std::max<long>(bounds_.left, static_cast<long>(std::ceil(crossings[k] - 0.5)));
      const long to = std::min<long>(bounds_.right - 1, static_cast<long>(std::ceil(crossings[k + 1] - 0.5)) - 1);
      for (long x = from; x <= to; ++x) inside_[static_cast<std::size_t>(row) * width_ + (x - bounds_.left)] = 1;
    }
  }
}

bool PolygonInside::operator()(int x, int y) const {
  if (x < bounds_.left || x >= bounds_.right || y < bounds_.top || y >= bounds_.bottom) return false;
  return inside_[static_cast<std::size_t>(y - bounds_.top) * width_ + (x - bounds_.left)] != 0;
}

bool StrokeBrush::RenderPolygon(std::vector<POINT>* vertices, int style, const FillProgress& progress) {
  if (!Stroking() || vertices->empty()) return false;
  if (!stepOpen_) {
    document_->OpenUndoStep(undoNameId_);
    stepOpen_ = true;
  }
  if (strokeLock_ != 0) {
    // A layer that cannot grow keeps the polygon within it.
    const RECT r = target_->GetRect();
    for (POINT& v : *vertices) {
      v.x = std::clamp(v.x, r.left, r.right);
      v.y = std::clamp(v.y, r.top, r.bottom);
    }
  }
  if (style == 1 || style == 2) {
    const PolygonInside inside(*vertices);
    RECT fill{};
    if (lumora::RectIntersect(&fill, inside.Bounds(), DocumentRect())) {
      if (strokeLock_ == 0 && !GrowLayer(fill)) return false;
      if (!EnsurePaintLayer(fill, false)) return false;
      const COLORREF colour = style == 1 ? foreground_ : background_;
      if (!FillShape(fill, colour, std::cref(inside), progress)) return false;
    }
  }
  // The outline with the brush in every style, along the vertex list.
  for (std::size_t i = 0; i + 1 < vertices->size(); ++i) {
    const POINT a = (*vertices)[i], b = (*vertices)[i + 1];
    WalkLine(a.x, a.y, b.x, b.y, [this](int x, int y) { DabAt(x, y, false); });
  }
  if (CLayer* work = GetWorkLayer()) document_->InvalidateImageRect(work->GetRect());
  return true;
}

bool StrokeBrush::FillShape(const RECT& fillRect, COLORREF colour, const std::function<bool(int, int)>& inside,
                            const FillProgress& progress) {
  CLayer* work = GetWorkLayer();
  if (work == nullptr || target_ == nullptr) return false;
  const WAPtr image = work->GetImage();
  const WAPtr mask = work->GetMask();
  const WAPtr aux = work->GetAuxBuffer();
  if (!image || !mask) return false;
  const int type = image->GetType();
  if (type != kWAType8Grey && type != kWAType24) return false;
  const int channels = type == kWAType24 ? 3 : 1;
  std::uint8_t pixel[3];
  StoreColour(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF, channels, pixel);
  targetRect_ = target_->GetRect();
  const RECT paintRect = work->GetRect();
  // To the layer's edge: its last row and column are filled too.
  RECT r{};
  if (!lumora::RectIntersect(&r, fillRect, targetRect_) || !lumora::RectIntersect(&r, r, paintRect)) return true;
  SelectionLimit selection = selection_;
  lumora::RectOffset(&selection.rect, -targetRect_.left, -targetRect_.top);
  const int rows = r.bottom - r.top;
  if (progress && !progress(-1, rows)) return false;
  for (LONG y = r.top; y < r.bottom; ++y) {
    if (progress && !progress(static_cast<int>(y - r.top), rows)) {
      progress(-2, rows);
      return false;
    }
    std::uint8_t* out = image->Row(static_cast<int>(y - paintRect.top));
    std::uint8_t* cover = mask->Row(static_cast<int>(y - paintRect.top));
    std::uint8_t* weight = aux ? aux->Row(static_cast<int>(y - paintRect.top)) : nullptr;
    const int ly = static_cast<int>(y - targetRect_.top);
    for (LONG x = r.left; x < r.right; ++x) {
      const int lx = static_cast<int>(x - targetRect_.left);
      std::uint32_t s = static_cast<std::uint32_t>(selection.CoverageAt(lx, ly));
      if (paper_.Present() && s != 0) {
        s = Div255((255u - paper_.Row(ly % paper_.height)[lx % paper_.width]) * s);
      }
      if (s != 0 && inside && !inside(static_cast<int>(x), static_cast<int>(y))) s = 0;
      const LONG px = x - paintRect.left;
      if (s != 0) {
        std::copy_n(pixel, channels, out + px * channels);
        cover[px] = 255;
      }
      if (weight != nullptr) weight[px] = static_cast<std::uint8_t>(s);
    }
  }
  if (progress) progress(-2, rows);
  return true;
}

bool StrokeBrush::RenderBox(POINT p0, POINT p1, int style, bool ellipse, const FillProgress& progress) {
  if (!Stroking()) return false;
  // The step opens before the fill changes anything.
  if (!stepOpen_) {
    document_->OpenUndoStep(undoNameId_);
    stepOpen_ = true;
  }
  if (style == 1 || style == 2) {
    RECT fill{std::min(p0.x, p1.x), std::min(p0.y, p1.y), std::max(p0.x, p1.x) + 1, std::max(p0.y, p1.y) + 1};
    if (!lumora::RectIntersect(&fill, fill, DocumentRect())) return true;
    if (strokeLock_ == 0 && !GrowLayer(fill)) return false;
    if (!EnsurePaintLayer(fill, false)) return false;
    const COLORREF colour = style == 1 ? foreground_ : background_;
    std::function<bool(int, int)> inside;
    if (ellipse) inside = EllipseInside(p0, p1);
    if (!FillShape(fill, colour, inside, progress)) return false;
  }
  // The outline with the brush: none for a box filled by the foreground.
  if (style != 1) {
    auto dab = [this](int x, int y) { DabAt(x, y, false); };
    if (ellipse) {
      const POINT m{(p1.x - p0.x + 1) / 2 + p0.x, (p1.y - p0.y + 1) / 2 + p0.y};
      WalkArc(POINT{p0.x, m.y}, p0, POINT{m.x, p0.y}, dab);
      WalkArc(POINT{m.x, p0.y}, POINT{p1.x, p0.y}, POINT{p1.x, m.y}, dab);
      WalkArc(POINT{p1.x, m.y}, p1, POINT{m.x, p1.y}, dab);
      WalkArc(POINT{m.x, p1.y}, POINT{p0.x, p1.y}, POINT{p0.x, m.y}, dab);
    } else {
      WalkLine(p0.x, p0.y, p1.x, p0.y, dab);
      WalkLine(p1.x, p0.y, p1.x, p1.y, dab);
      WalkLine(p1.x, p1.y, p0.x, p1.y, dab);
      WalkLine(p0.x, p1.y, p0.x, p0.y, dab);
    }
  }
  if (CLayer* work = GetWorkLayer()) document_->InvalidateImageRect(work->GetRect());
  return true;
}

}  // namespace paint
