// The transform frames' geometry: handles, hit tests, drags and the
// conversion of the frame into the transform engine's terms.
#include "select/TransformFrame.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "engine/transform/TransformGeometry.h"

namespace lumora {
namespace {

POINT Add(POINT a, POINT b) { return POINT{a.x + b.x, a.y + b.y}; }
POINT Sub(POINT a, POINT b) { return POINT{a.x - b.x, a.y - b.y}; }

POINT Middle(POINT a, POINT b) { return POINT{(b.x - a.x + 1) / 2 + a.x, (b.y - a.y + 1) / 2 + a.y}; }

void Bounds(const POINT* p, int n, LONG* minX, LONG* minY, LONG* maxX, LONG* maxY) {
  *minX = *maxX = p[0].x;
  *minY = *maxY = p[0].y;
  for (int i = 1; i < n; ++i) {
    *minX = std::min(*minX, p[i].x);
    *minY = std::min(*minY, p[i].y);
    *maxX = std::max(*maxX, p[i].x);
    *maxY = std::max(*maxY, p[i].y);
  }
}

}  // namespace

// ---- TInterface

bool TInterface::Init(bool hasView, const RECT& r) {
  if (!hasView || surface_ == nullptr || surface_->Mapping() == nullptr) return false;
  hasView_ = true;
  corners_[0] = POINT{r.left, r.top};
  corners_[1] = POINT{r.right, r.top};
  corners_[2] = POINT{r.right, r.bottom};
  corners_[3] = POINT{r.left, r.bottom};
  for (POINT& c : corners_) Map().RevXForm(&c, kXFEdges);
  // The window's exclusive edges come one pixel in.
  corners_[0].y -= 1;
  corners_[1].y -= 1;
  corners_[1].x -= 1;
  corners_[2].x -= 1;
  std::copy(corners_, corners_ + 4, initialCorners_);
  ComputeMidpoints();
  pressPoint_ = POINT{INT32_MIN, INT32_MIN};
  moveOffset_ = startOffset_ = POINT{0, 0};
  hitCode_ = dragHandle_ = 0;
  shapeChanged = moved = false;
  return true;
}

void TInterface::ComputeMidpoints() {
  midpoints_[0] = Middle(corners_[0], corners_[1]);
  midpoints_[1] = Middle(corners_[2], corners_[1]);
  midpoints_[2] = Middle(corners_[3], corners_[2]);
  midpoints_[3] = Middle(corners_[3], corners_[0]);
}

POINT TInterface::BaseOrigin() {
  LONG minX, minY, maxX, maxY;
  Bounds(corners_, 4, &minX, &minY, &maxX, &maxY);
  POINT p{minX, maxY};
  Map().XForm(&p, kXFPixels);
  return p;
}

POINT TInterface::GetResultOrigin(const RECT&, int) { return BaseOrigin(); }

WAPtr TInterface::TransformImage(VrWA2000::WA*, int, int, const RECT&, int, int) { return WAPtr(); }

void TInterface::GetTransformParams(int, int, const RECT&, FrameParams*) {}

int TInterface::BaseHit() {
  const POINT p = surface_->PointerInView();
  for (int i = 0; i < 4; ++i) {
    if (In(HandleRect(corners_[i]), p)) return i + 1;
  }
  for (int i = 0; i < 4; ++i) {
    if (In(HandleRect(midpoints_[i]), p)) return i + 5;
  }
  return PtInFrame(p.x, p.y) ? 9 : 0;
}

bool TInterface::HitTest() {
  hitCode_ = 0;
  if (!hasView_) return false;
  if (buttonDown_) return true;
  hitCode_ = BaseHit();
  return hitCode_ != 0;
}

bool TInterface::OnButtonDown(POINT p) {
  shapeChanged = moved = false;
  dragHandle_ = 0;
  std::copy(corners_, corners_ + 4, startCorners_);
  startOffset_ = moveOffset_;
  pressPoint_ = p;
  buttonDown_ = true;
  for (int i = 0; i < 4 && dragHandle_ == 0; ++i) {
    if (In(HandleRect(corners_[i]), p)) dragHandle_ = i + 1;
  }
  for (int i = 0; i < 4 && dragHandle_ == 0; ++i) {
    if (In(HandleRect(midpoints_[i]), p)) dragHandle_ = i + 5;
  }
  return dragHandle_ != 0;
}

void TInterface::OnDrag(POINT) {}

void TInterface::OnButtonUp(POINT p) {
  pressPoint_ = p;
  buttonDown_ = false;
}

void TInterface::Draw() { surface_->DrawFrame(corners_, drawHandles_ ? midpoints_ : nullptr, true); }

void TInterface::OffsetPoints(int dx, int dy) {
  const POINT d{dx, dy};
  for (int i = 0; i < 4; ++i) {
    initialCorners_[i] = Sub(initialCorners_[i], d);
    corners_[i] = Sub(corners_[i], d);
    midpoints_[i] = Sub(midpoints_[i], d);
  }
  // No press yet: the mark stays a mark.
  if (pressPoint_.x != INT32_MIN) pressPoint_ = Sub(pressPoint_, d);
}

void TInterface::GetCornerOffsets(POINT out[4]) {
  static constexpr POINT kCorrection[4] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
  POINT reference = Add(initialCorners_[0], POINT{0, 1});
  Map().XForm(&reference, kXFEdges);
  for (int i = 0; i < 4; ++i) {
    POINT c = Add(Sub(corners_[i], moveOffset_), kCorrection[i]);
    Map().XForm(&c, kXFEdges);
    out[i] = Sub(c, reference);
  }
}

bool TInterface::FitCornersToRect(const RECT& rect, POINT points[4]) {
  LONG minX, minY, maxX, maxY;
  Bounds(initialCorners_, 4, &minX, &minY, &maxX, &maxY);
  RECT box{minX, minY, maxX + 1, maxY + 1};
  Map().XForm(&box, kXFRects);
  if (box.left == rect.left && box.top == rect.top && box.right == rect.right && box.bottom == rect.bottom) {
    return box.right > box.left && box.bottom > box.top;
  }
  POINT given[4];
  std::copy(points, points + 4, given);
  return MapRectThroughQuad(given, box, rect, points, 0) != 0;
}

bool TInterface::PtInFrame(int x, int y) const {
  LONG minX, minY, maxX, maxY;
  Bounds(corners_, 4, &minX, &minY, &maxX, &maxY);
  return x >= minX && x < maxX && y >= minY && y < maxY;
}

void TInterface::DragFrame(int x, int y) {
  const POINT delta = Sub(POINT{x, y}, pressPoint_);
  moveOffset_ = Add(startOffset_, delta);
  Draw();
  for (int i = 0; i < 4; ++i) corners_[i] = Add(startCorners_[i], delta);
  ComputeMidpoints();
  Draw();
}

// ---- Distort, perspective, skew and scale

int QuadFrame::LineY(POINT p, POINT q, int x) {
  const int d = q.x - p.x;
  return ((q.y - p.y) * (x - p.x) + (d >> 1)) / (d != 0 ? d : 1) + p.y;
}

int QuadFrame::LineX(POINT p, POINT q, int y) {
  const int d = q.y - p.y;
  return ((q.x - p.x) * (y - p.y) + (d >> 1)) / (d != 0 ? d : 1) + p.x;
}

POINT QuadFrame::DiagonalCorrection(POINT p, POINT q, int x, int y) {
  const std::int32_t a = p.y * q.x - q.y * p.x;
  const double k = static_cast<double>(a) / static_cast<double>(q.x - p.x);
  const std::int32_t squares = (q.y - p.y) * (q.y - p.y) + (q.x - p.x) * (q.x - p.x);
  const double length = std::sqrt(static_cast<double>(squares));
  double nx = (q.y - p.y) / length, ny = -(q.x - p.x) / length, c = -a / length;
  if (k > 0) {
    nx = -nx;
    ny = -ny;
    c = -c;
  }
  const double dist = x * nx + y * ny - c;
  const double theta = std::atan2(static_cast<double>(q.y - p.y), static_cast<double>(q.x - p.x));
  POINT e{static_cast<LONG>(std::sin(theta) * dist), static_cast<LONG>(-std::cos(theta) * dist)};
  if (k < 0 || std::isnan(k)) e = POINT{-e.x, -e.y};
  return e;
}

bool QuadFrame::OnButtonDown(POINT p) {
  const bool grabbed = TInterface::OnButtonDown(p);
  movingFrame_ = false;
  if (!grabbed) {
    movingFrame_ = PtInFrame(p.x, p.y);
    if (movingFrame_) surface_->SetFrameCursor(FrameCursor::kDragMove);
  }
  return grabbed;
}

void QuadFrame::OnDrag(POINT p) {
  if (movingFrame_) {
    DragFrame(p.x, p.y);
    moved = true;
    return;
  }
  if (dragHandle_ == 0) return;
  const POINT d = Sub(p, pressPoint_);
  Draw();
  std::copy(startCorners_, startCorners_ + 4, corners_);
  switch (kind_) {
    case Kind::kDistort: Distort(d); break;
    case Kind::kPerspective: Perspective(d, false); break;
    case Kind::kSkew: Perspective(d, true); break;
    case Kind::kScale: Scale(d, p); break;
  }
  ComputeMidpoints();
  Draw();
}

void QuadFrame::Distort(POINT d) {
  static constexpr int kSide[4][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
  if (dragHandle_ <= 4) {
    corners_[dragHandle_ - 1] = Add(startCorners_[dragHandle_ - 1], d);
  } else {
    for (int i : kSide[dragHandle_ - 5]) corners_[i] = Add(startCorners_[i], d);
  }
  if (d.x != 0 || d.y != 0) shapeChanged = true;
}

void QuadFrame::Perspective(POINT d, bool skew) {
  const POINT* s = startCorners_;
  POINT* c = corners_;
  // A side slides along its own line. Perspective computes both corners
  // from the side's first start corner; skew each from the other one.
  const auto y = [&](int i, int other, int first, int second) {
    return skew ? LineY(s[other], s[i], c[i].x) : LineY(s[first], s[second], c[i].x);
  };
  const auto x = [&](int i, int other, int first, int second) {
    return skew ? LineX(s[other], s[i], c[i].y) : LineX(s[first], s[second], c[i].y);
  };
  switch (dragHandle_) {
    case 5:
      c[0].x = s[0].x + d.x;
      c[1].x = s[1].x + d.x;
      c[0].y = y(0, 1, 0, 1);
      c[1].y = y(1, 0, 0, 1);
      break;
    case 7:
      c[2].x = s[2].x + d.x;
      c[3].x = s[3].x + d.x;
      c[2].y = y(2, 3, 3, 2);
      c[3].y = y(3, 2, 3, 2);
      break;
    case 6:
      c[1].y = s[1].y + d.y;
      c[2].y = s[2].y + d.y;
      c[1].x = x(1, 2, 1, 2);
      c[2].x = x(2, 1, 1, 2);
      break;
    case 8:
      c[0].y = s[0].y + d.y;
      c[3].y = s[3].y + d.y;
      c[0].x = x(0, 3, 0, 3);
      c[3].x = x(3, 0, 0, 3);
      break;
    default: {
      const int k = dragHandle_ - 1;
      // The side lines as the sides run them: top 0-1, bottom 3-2, right
      // 1-2, left 0-3.
      static constexpr int kAcross[4] = {1, 0, 3, 2};  // other corner of the top or bottom side
      static constexpr int kAlong[4] = {3, 2, 1, 0};   // other corner of the left or right side
      static constexpr int kRowLine[4][2] = {{0, 1}, {0, 1}, {3, 2}, {3, 2}};
      static constexpr int kColumnLine[4][2] = {{0, 3}, {1, 2}, {1, 2}, {0, 3}};
      if (std::abs(d.x) >= std::abs(d.y)) {
        const int o = kAcross[k];
        const POINT p = s[kRowLine[k][0]], q = s[kRowLine[k][1]];
        c[k].x = s[k].x + d.x;
        if (skew) {
          c[k].y = LineY(s[k], s[o], c[k].x);
        } else {
          c[k].y = LineY(p, q, c[k].x);
          c[o].x = s[o].x - d.x;
          c[o].y = LineY(p, q, c[o].x);
        }
      } else {
        const int o = kAlong[k];
        const POINT p = s[kColumnLine[k][0]], q = s[kColumnLine[k][1]];
        c[k].y = s[k].y + d.y;
        if (skew) {
          c[k].x = LineX(s[k], s[o], c[k].y);
        } else {
          c[k].x = LineX(p, q, c[k].y);
          c[o].y = s[o].y - d.y;
          c[o].x = LineX(p, q, c[o].y);
        }
      }
      break;
    }
  }
  shapeChanged = true;
}

void QuadFrame::Scale(POINT d, POINT pointer) {
  POINT* c = corners_;
  const POINT* s = startCorners_;
  switch (dragHandle_) {
    case 5: c[0].y += d.y; c[1].y += d.y; break;
    case 6: c[1].x += d.x; c[2].x += d.x; break;
    case 7: c[2].y += d.y; c[3].y += d.y; break;
    case 8: c[3].x += d.x; c[0].x += d.x; break;
    default: {
      const int k = dragHandle_ - 1;
      POINT e{0, 0};
      if (flags_ == 16) {
        e = (k == 0 || k == 2) ? DiagonalCorrection(s[0], s[2], pointer.x, pointer.y)
                               : DiagonalCorrection(s[3], s[1], pointer.x, pointer.y);
      }
      const POINT m = Add(d, e);
      static constexpr int kSameRow[4] = {1, 0, 3, 2};     // same top or bottom side: takes y
      static constexpr int kSameColumn[4] = {3, 2, 1, 0};  // same left or right side: takes x
      c[k] = Add(s[k], m);
      c[kSameRow[k]].y = s[kSameRow[k]].y + m.y;
      c[kSameColumn[k]].x = s[kSameColumn[k]].x + m.x;
      break;
    }
  }
  shapeChanged = true;
}

void QuadFrame::SetFlag(int flags) {
  const bool changed = flags != flags_;
  flags_ = flags;
  if (kind_ == Kind::kScale && hasView_ && buttonDown_ && changed) OnDrag(surface_->PointerInView());
}

POINT QuadFrame::GetResultOrigin(const RECT& source, int) {
  POINT offsets[4];
  GetCornerOffsets(offsets);
  LONG mx0, my0, ignoreX, ignoreY;
  Bounds(offsets, 4, &mx0, &my0, &ignoreX, &ignoreY);
  if (!FitCornersToRect(source, offsets)) return BaseOrigin();
  LONG mx1, my1;
  Bounds(offsets, 4, &mx1, &my1, &ignoreX, &ignoreY);
  return Add(BaseOrigin(), POINT{mx1 - mx0, my1 - my0});
}

WAPtr QuadFrame::TransformImage(VrWA2000::WA* buffer, int x, int y, const RECT& source, int maskSource,
                                int clearOutside) {
  POINT fitted[4];
  GetCornerOffsets(fitted);
  if (!FitCornersToRect(source, fitted)) return transform_.destination;
  if (kind_ == Kind::kScale) {
    LONG minX, minY, maxX, maxY;
    Bounds(fitted, 4, &minX, &minY, &maxX, &maxY);
    int w = maxX - minX, h = maxY - minY;
    if (corners_[1].x <= corners_[0].x) w = -w;
    if (corners_[0].y <= corners_[3].y) h = -h;
    transform_.SetSource(buffer, x, y, source.left, source.top, source.right, source.bottom, maskSource, 1);
    transform_.Resize(w, h, nullptr, 0, nullptr, nullptr);
    return transform_.destination;
  }
  transform_.SetSource(buffer, x, y, source.left, source.top, source.right, source.bottom, maskSource, clearOutside);
  transform_.Distort(fitted);
  return transform_.destination;
}

void QuadFrame::GetTransformParams(int, int, const RECT& source, FrameParams* out) {
  out->cFlag = 0;
  out->a = GetResultOrigin(source, 1);
  POINT fitted[4];
  GetCornerOffsets(fitted);
  const bool fits = FitCornersToRect(source, fitted);
  std::copy(fitted, fitted + 4, out->corners);
  if (kind_ != Kind::kScale) {
    out->aFlag = 0;
    out->bFlag = fits ? 1 : 0;
    return;
  }
  out->bFlag = 0;
  out->aFlag = fits ? 1 : 0;
  if (!fits) return;
  LONG minX, minY, maxX, maxY;
  Bounds(fitted, 4, &minX, &minY, &maxX, &maxY);
  out->b = POINT{corners_[1].x > corners_[0].x ? maxX - minX : minX - maxX,
                 corners_[0].y > corners_[3].y ? maxY - minY : minY - maxY};
}

bool QuadFrame::HitTest() {
  TInterface::HitTest();
  if (buttonDown_) return true;
  const int hit = hitCode_;
  FrameCursor cursor = FrameCursor::kArrow;
  int hint = kHintNone;
  if (kind_ == Kind::kScale) {
    if (hit == 5 || hit == 7) {
      cursor = FrameCursor::kNS;
      hint = kHintScaleSide;
    } else if (hit == 6 || hit == 8) {
      cursor = FrameCursor::kWE;
      hint = kHintScaleSide;
    } else if (hit != 0) {
      LONG minX, minY, maxX, maxY;
      Bounds(corners_, 4, &minX, &minY, &maxX, &maxY);
      const POINT p = surface_->PointerInView();
      if (In(HandleRect(POINT{minX, minY}), p) || In(HandleRect(POINT{maxX, maxY}), p)) {
        cursor = FrameCursor::kNWSE;
        hint = kHintScaleCorner;
      } else if (In(HandleRect(POINT{maxX, minY}), p) || In(HandleRect(POINT{minX, maxY}), p)) {
        cursor = FrameCursor::kNESW;
        hint = kHintScaleCorner;
      } else {
        cursor = FrameCursor::kMove;
        hint = kHintMove;
      }
    }
  } else if (hit == 9) {
    cursor = FrameCursor::kMove;
    hint = kHintMove;
  } else if (hit >= 1 && hit <= 4) {
    cursor = FrameCursor::kHandle;
    hint = kHintDistort;
  } else if (hit >= 5) {
    if (kind_ == Kind::kDistort) {
      cursor = FrameCursor::kHandle;
      hint = kHintSkewFreely;
    } else {
      const POINT a = corners_[hit - 5], b = corners_[hit == 8 ? 0 : hit - 4];
      const int slope = ((b.y - a.y) * 4) / (b.x - a.x != 0 ? b.x - a.x : 1);
      cursor = (slope >= -1 && slope <= 1)   ? FrameCursor::kWE
               : (slope >= 2 && slope <= 13) ? FrameCursor::kNWSE
               : (slope <= -2 && slope >= -13) ? FrameCursor::kNESW
                                               : FrameCursor::kNS;
      hint = kHintSkew;
    }
  }
  surface_->SetFrameCursor(cursor);
  surface_->SetHint(hint);
  return true;
}

}  // namespace lumora
