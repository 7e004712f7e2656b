// The transform frames' geometry: handles, hit tests, drags and the
// conversion of the frame into the transform engine's terms.
#include "select/TransformFrame.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/rect.h"

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

// ---- The rotate frame

namespace lumora {
namespace {

constexpr double kPi = 3.14159265358979323846;

bool InSquare(POINT centre, POINT p) { return TInterface::In(TInterface::HandleRect(centre), p); }

}  // namespace

RotateFrame::Vec RotateFrame::Turn(Vec v, double radians) const {
  const double c = std::cos(radians), s = std::sin(radians);
  return Vec{v.x * c - v.y * s, v.y * c + v.x * s};
}

POINT RotateFrame::Place(Vec v) const {
  const Vec t = Turn(v, angle_);
  return POINT{RoundHalfAway(t.x + place_.x), RoundHalfAway(t.y + place_.y)};
}

void RotateFrame::GrownCorners(POINT out[4]) const {
  std::copy(initialCorners_, initialCorners_ + 4, out);
  out[0].x += growth_[0];
  out[3].x += growth_[0];
  out[1].x += growth_[1];
  out[2].x += growth_[1];
  out[2].y += growth_[2];
  out[3].y += growth_[2];
  out[0].y += growth_[3];
  out[1].y += growth_[3];
}

void RotateFrame::Recompute() {
  POINT grown[4];
  GrownCorners(grown);
  for (int i = 0; i < 4; ++i) corners_[i] = Place(Vec{static_cast<double>(grown[i].x), static_cast<double>(grown[i].y)});
  ComputeMidpoints();
}

bool RotateFrame::Init(bool hasView, const RECT& imageRect) {
  if (!TInterface::Init(hasView, imageRect)) return false;
  centre_ = POINT{(corners_[1].x - corners_[0].x) / 2 + corners_[0].x, (corners_[0].y - corners_[3].y) / 2 + corners_[3].y};
  savedCentre_ = centre_;
  angle_ = savedAngle_ = 0;
  place_ = savedPlace_ = Vec{};
  std::fill(growth_, growth_ + 4, 0);
  std::fill(savedGrowth_, savedGrowth_ + 4, 0);
  scaleHandle_ = mode_ = 0;
  drawHandles_ = freeTransform_;
  return true;
}

void RotateFrame::Draw() {
  surface_->DrawCentre(centre_);
  surface_->DrawFrame(corners_, midpoints_, freeTransform_);
}

bool RotateFrame::HitFrame(POINT p) const {
  // Carried back through the turn and the placing to the grown frame.
  const Vec back = Turn(Vec{p.x - place_.x, p.y - place_.y}, -angle_);
  POINT grown[4];
  GrownCorners(grown);
  LONG minX, minY, maxX, maxY;
  Bounds(grown, 4, &minX, &minY, &maxX, &maxY);
  return back.x >= minX && back.x < maxX && back.y >= minY && back.y < maxY;
}

bool RotateFrame::OnButtonDown(POINT p) {
  TInterface::OnButtonDown(p);
  scaleHandle_ = 0;
  mode_ = 0;
  if (InSquare(centre_, p)) {
    mode_ |= 1;
    return true;
  }
  if (freeTransform_) {
    for (int i = 0; i < 4 && mode_ == 0; ++i) {
      if (InSquare(corners_[i], p)) {
        scaleHandle_ = 2 * i;
        mode_ |= 8;
      }
    }
    for (int i = 0; i < 4 && mode_ == 0; ++i) {
      if (InSquare(midpoints_[i], p)) {
        scaleHandle_ = 2 * i + 1;
        mode_ |= 8;
      }
    }
    if (mode_ != 0) return true;
  }
  if (HitFrame(p)) {
    mode_ |= 2;
    LONG minX, minY, maxX, maxY;
    Bounds(corners_, 4, &minX, &minY, &maxX, &maxY);
    const POINT middle{(maxX - minX) / 2 + minX, (maxY - minY) / 2 + minY};
    // A centre at the frame's middle travels with it.
    if (std::abs(centre_.x - middle.x) < 4 && std::abs(centre_.y - middle.y) < 4) mode_ |= 1;
    surface_->SetFrameCursor(FrameCursor::kDragMove);
  } else {
    mode_ |= 4;
  }
  return true;
}

void RotateFrame::CentreDrag(POINT p) {
  POINT c{savedCentre_.x + p.x - pressPoint_.x, savedCentre_.y + p.y - pressPoint_.y};
  LONG minX, minY, maxX, maxY;
  Bounds(corners_, 4, &minX, &minY, &maxX, &maxY);
  std::vector<POINT> candidates{POINT{(minX + maxX + 1) / 2, (minY + maxY + 1) / 2}};
  for (int i = 0; i < 4; ++i) {
    candidates.push_back(corners_[i]);
    candidates.push_back(midpoints_[i]);
  }
  for (const POINT& k : candidates) {
    if (std::abs(k.x - c.x) < 6 && std::abs(k.y - c.y) < 6) {
      c = k;
      break;
    }
  }
  centre_ = c;
}

void RotateFrame::RotationDrag(POINT p) {
  const auto angleOf = [&](POINT q) {
    double a = std::atan2(static_cast<double>(q.y - centre_.y), static_cast<double>(q.x - centre_.x));
    if (a >= 2 * kPi) a -= 2 * kPi;
    if (q.y > centre_.y) a -= 2 * kPi;
    return a;
  };
  const double delta = angleOf(p) - angleOf(pressPoint_);
  // The frame turns about the centre mark: its place turns with it.
  const Vec fromCentre{savedPlace_.x - centre_.x, savedPlace_.y - centre_.y};
  const Vec turned = Turn(fromCentre, delta);
  place_ = Vec{turned.x + centre_.x, turned.y + centre_.y};
  angle_ = savedAngle_ + delta;
  shapeChanged = true;
}

// Truncation toward zero of a length that the unturning computed: a value a
// rounding error short of a whole number counts as that number (a 20-pixel
// drag is 20, not 19.999... truncated to 19).
static int TruncateLength(double v) { return static_cast<int>(v + (v < 0 ? -1e-9 : 1e-9)); }

void RotateFrame::ResizeDrag(POINT p) {
  std::copy(savedGrowth_, savedGrowth_ + 4, growth_);
  const double dx = p.x - pressPoint_.x, dy = p.y - pressPoint_.y;
  const double length = std::sqrt(dx * dx + dy * dy);
  const double theta = std::atan2(dy, dx) - angle_;
  const int k = scaleHandle_ / 2;
  if ((scaleHandle_ & 1) != 0) {
    const int r = TruncateLength((k == 0 || k == 2) ? length * std::sin(theta) : length * std::cos(theta));
    static constexpr int kSideGrowth[4] = {3, 1, 2, 0};
    growth_[kSideGrowth[k]] += r;
  } else {
    int rx = TruncateLength(length * std::cos(theta)), ry = TruncateLength(length * std::sin(theta));
    if (flags_ == 16) {
      // In the unturned frame: the start corners' diagonal and the pointer.
      POINT start[4];
      std::copy(initialCorners_, initialCorners_ + 4, start);
      start[0].x += savedGrowth_[0];
      start[3].x += savedGrowth_[0];
      start[1].x += savedGrowth_[1];
      start[2].x += savedGrowth_[1];
      start[2].y += savedGrowth_[2];
      start[3].y += savedGrowth_[2];
      start[0].y += savedGrowth_[3];
      start[1].y += savedGrowth_[3];
      const Vec back = Turn(Vec{p.x - savedPlace_.x, p.y - savedPlace_.y}, -angle_);
      const Vec pressBack = Turn(Vec{pressPoint_.x - savedPlace_.x, pressPoint_.y - savedPlace_.y}, -angle_);
      const POINT pointer{RoundHalfAway(back.x), RoundHalfAway(back.y)};
      const POINT e = (k == 0 || k == 2) ? QuadFrame::DiagonalCorrection(start[0], start[2], pointer.x, pointer.y)
                                         : QuadFrame::DiagonalCorrection(start[3], start[1], pointer.x, pointer.y);
      rx = RoundHalfAway(back.x - pressBack.x) + e.x;
      ry = RoundHalfAway(back.y - pressBack.y) + e.y;
    }
    const bool left = k == 0 || k == 3, bottom = k == 0 || k == 1;  // bottom on screen: corners 0 and 1
    growth_[left ? 0 : 1] += rx;
    growth_[bottom ? 3 : 2] += ry;
  }
  shapeChanged = true;
}

void RotateFrame::OnDrag(POINT p) {
  if (mode_ == 0) return;
  Draw();
  if ((mode_ & 2) != 0) {
    place_ = Vec{savedPlace_.x + p.x - pressPoint_.x, savedPlace_.y + p.y - pressPoint_.y};
    moveOffset_ = POINT{RoundHalfAway(place_.x), RoundHalfAway(place_.y)};
    moved = true;
  }
  if ((mode_ & 1) != 0) CentreDrag(p);
  if ((mode_ & 4) != 0) RotationDrag(p);
  if ((mode_ & 8) != 0) ResizeDrag(p);
  Recompute();
  Draw();
}

void RotateFrame::OnButtonUp(POINT p) {
  TInterface::OnButtonUp(p);
  savedAngle_ = angle_;
  savedCentre_ = centre_;
  savedPlace_ = place_;
  std::copy(growth_, growth_ + 4, savedGrowth_);
  std::copy(corners_, corners_ + 4, startCorners_);
  mode_ = 0;
}

void RotateFrame::SetFlag(int flags) {
  const bool changed = flags != flags_;
  flags_ = flags;
  if (hasView_ && buttonDown_ && changed) OnDrag(surface_->PointerInView());
}

void RotateFrame::OffsetPoints(int dx, int dy) {
  TInterface::OffsetPoints(dx, dy);
  // Every placed corner moves by (-dx, -dy) while the grown frame moved by
  // as much before the turn.
  const Vec turned = Turn(Vec{static_cast<double>(dx), static_cast<double>(dy)}, angle_);
  for (Vec* v : {&place_, &savedPlace_}) *v = Vec{v->x - dx + turned.x, v->y - dy + turned.y};
  centre_ = POINT{centre_.x - dx, centre_.y - dy};
  savedCentre_ = POINT{savedCentre_.x - dx, savedCentre_.y - dy};
  Recompute();
}

void RotateFrame::GetCornerOffsets(POINT out[4]) {
  POINT reference{initialCorners_[0].x, initialCorners_[0].y + 1};
  Map().XForm(&reference, kXFEdges);
  POINT c[4];
  std::copy(initialCorners_, initialCorners_ + 4, c);
  c[0] = POINT{c[0].x + growth_[0], c[0].y + growth_[3] + 1};
  c[1] = POINT{c[1].x + growth_[1] + 1, c[1].y + growth_[3] + 1};
  c[2] = POINT{c[2].x + growth_[1] + 1, c[2].y + growth_[2]};
  c[3] = POINT{c[3].x + growth_[0], c[3].y + growth_[2]};
  for (int i = 0; i < 4; ++i) {
    Map().XForm(&c[i], kXFEdges);
    out[i] = POINT{c[i].x - reference.x, c[i].y - reference.y};
  }
}

bool RotateFrame::ResizeTarget(const RECT& source, int* w, int* h, RECT* fittedBox) {
  POINT offsets[4];
  GetCornerOffsets(offsets);
  if (!FitCornersToRect(source, offsets)) return false;
  LONG minX, minY, maxX, maxY;
  Bounds(offsets, 4, &minX, &minY, &maxX, &maxY);
  *w = maxX - minX;
  *h = maxY - minY;
  if (!(initialCorners_[1].x + growth_[1] > initialCorners_[0].x + growth_[0])) *w = -*w;
  if (!(initialCorners_[0].y + growth_[3] > initialCorners_[3].y + growth_[2])) *h = -*h;
  // The fitted box in image coordinates (offsets are from the initial
  // frame's first corner).
  POINT reference{initialCorners_[0].x, initialCorners_[0].y + 1};
  Map().XForm(&reference, kXFEdges);
  *fittedBox = RECT{reference.x + minX, reference.y + minY, reference.x + maxX, reference.y + maxY};
  return true;
}

WAPtr RotateFrame::TransformImage(VrWA2000::WA* buffer, int x, int y, const RECT& source, int maskSource, int) {
  transform_.SetSource(buffer, x, y, source.left, source.top, source.right, source.bottom, maskSource, 1);
  int w = RectWidth(source), h = RectHeight(source);
  RECT box{};
  if (std::any_of(growth_, growth_ + 4, [](int g) { return g != 0; })) ResizeTarget(source, &w, &h, &box);
  // A frame that was only moved still gives its pixels (a resize to the
  // same size copies them).
  if (transform_.Resize(w, h, nullptr, 0, nullptr, nullptr) != 1 || !transform_.destination) return WAPtr();
  if (angle_ != 0.0) {
    const WAPtr resized = transform_.destination;
    transform_.SetSource(resized.get(), 0, 0, 0, 0, std::abs(w), std::abs(h), maskSource, 1);
    transform_.Rotate(-angle_, 1, nullptr, 0, nullptr, nullptr);
  }
  return transform_.destination;
}

POINT RotateFrame::GetResultOrigin(const RECT& source, int) {
  int w = 0, h = 0;
  RECT box{};
  if (!ResizeTarget(source, &w, &h, &box)) return BaseOrigin();
  // The fitted box's corners on the view, turned and placed as the frame.
  POINT c[4] = {{box.left, box.top}, {box.right, box.top}, {box.right, box.bottom}, {box.left, box.bottom}};
  for (POINT& p : c) Map().RevXForm(&p, kXFEdges);
  c[0].y -= 1;
  c[1].y -= 1;
  c[1].x -= 1;
  c[2].x -= 1;
  for (POINT& p : c) p = Place(Vec{static_cast<double>(p.x), static_cast<double>(p.y)});
  LONG minX, minY, maxX, maxY;
  Bounds(c, 4, &minX, &minY, &maxX, &maxY);
  RECT turned{minX, minY, maxX + 1, maxY + 1};
  Map().XForm(&turned, kXFRects);
  return POINT{turned.left, turned.top};
}

void RotateFrame::GetTransformParams(int, int, const RECT& source, FrameParams* out) {
  out->aFlag = 0;
  out->bFlag = 0;
  out->a = GetResultOrigin(source, 1);
  int w = 0, h = 0;
  RECT box{};
  if (std::any_of(growth_, growth_ + 4, [](int g) { return g != 0; }) && ResizeTarget(source, &w, &h, &box)) {
    out->aFlag = 1;
    out->b = POINT{w, h};
  }
  out->cFlag = 1;
  out->degrees = angle_ * 57.29577951308232;
}

FrameCursor RotateFrame::SectorCursor(double phi) {
  int d = static_cast<int>(-phi * 360 * (1 / (2 * kPi)));
  if (d < 0) d += 360;
  const int r = (d % 360) % 180;
  if (r >= 23 && r <= 68) return FrameCursor::kNESW;
  if (r >= 69 && r <= 112) return FrameCursor::kNS;
  if (r >= 113 && r <= 158) return FrameCursor::kNWSE;
  return FrameCursor::kWE;
}

bool RotateFrame::HitTest() {
  TInterface::HitTest();
  if (buttonDown_) return true;
  const POINT p = surface_->PointerInView();
  FrameCursor cursor = FrameCursor::kRotate;
  int hint = kHintRotate;
  bool chosen = false;
  if (InSquare(centre_, p)) {
    cursor = FrameCursor::kCentre;
    hint = kHintMoveCentre;
    chosen = true;
  }
  if (!chosen && freeTransform_) {
    const double total = angle_;
    static constexpr int kOrder[4] = {0, 2, 1, 3};
    for (int i : kOrder) {
      if (!chosen && InSquare(midpoints_[i], p)) {
        cursor = SectorCursor(i == 0 || i == 2 ? total - kPi / 2 : total);
        hint = kHintScaleSide;
        chosen = true;
      }
    }
    for (int i = 0; i < 4 && !chosen; ++i) {
      if (InSquare(corners_[i], p)) {
        cursor = SectorCursor(i == 0 || i == 2 ? total - kPi / 4 : total + kPi / 4);
        hint = kHintScaleCorner;
        chosen = true;
      }
    }
  }
  if (!chosen && hitCode_ == 9) {
    cursor = FrameCursor::kMove;
    hint = kHintMove;
  }
  surface_->SetFrameCursor(cursor);
  surface_->SetHint(hint);
  return true;
}

}  // namespace lumora
