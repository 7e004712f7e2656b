// The shape tools' rendering: fills into the stroke's paint layer and the
// outlines laid with the brush's dabs.
#include "paint/ShapeFill.h"

#include <algorithm>
#include <cstdlib>

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
