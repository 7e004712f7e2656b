// Rectangles fill whole pixels; ellipses, polygons and lines are outlines
// filled with anti-aliased edges; the empty fragment covers nothing.
#include "libs/fragment/shape_fragments.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace lumora::frg {

namespace {

Box NormalisedBox(const LURECT& r) {
  std::int64_t x0 = r.x, x1 = std::int64_t{r.x} + r.width;
  std::int64_t y0 = r.y, y1 = std::int64_t{r.y} + r.height;
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  return Box{x0, y0, x1, y1};
}

bool OffsetBox(Box* box, std::int64_t dx, std::int64_t dy) {
  const Box moved{box->x0 + dx, box->y0 + dy, box->x1 + dx, box->y1 + dy};
  if (!FitsInt32(moved.x0) || !FitsInt32(moved.y0) || !FitsInt32(moved.x1) ||
      !FitsInt32(moved.y1)) {
    return false;
  }
  *box = moved;
  return true;
}

}  // namespace

bool FitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max();
}

// ---- rectangle ----

RectFrg::RectFrg(const LURECT& rect) : box_(NormalisedBox(rect)) {}

bool RectFrg::Offset(std::int64_t dx, std::int64_t dy) { return OffsetBox(&box_, dx, dy); }

bool RectFrg::ShapeContains(std::int32_t x, std::int32_t y) const {
  return x >= box_.x0 && x < box_.x1 && y >= box_.y0 && y < box_.y1;
}

bool RectFrg::RenderShape(const Window& w) const {
  const Box inside = box_.Intersect(w.Bounds());
  for (int j = 0; j < w.rect.height; ++j) {
    const std::int64_t y = std::int64_t{w.rect.y} + j;
    if (inside.Empty() || y < inside.y0 || y >= inside.y1) {
      std::memset(w.Row(j), 0, static_cast<std::size_t>(w.rect.width));
      continue;
    }
    FillOutside(w, j, inside.x0, inside.x1, 0);
    std::memset(w.Row(j) + (inside.x0 - w.rect.x), 255,
                static_cast<std::size_t>(inside.x1 - inside.x0));
  }
  return true;
}

// ---- ellipse ----

EllipseFrg::EllipseFrg(const LURECT& bounds) : box_(NormalisedBox(bounds)) {}

bool EllipseFrg::Offset(std::int64_t dx, std::int64_t dy) { return OffsetBox(&box_, dx, dy); }

bool EllipseFrg::ShapeContains(std::int32_t x, std::int32_t y) const {
  if (box_.Empty()) return false;
  const double rx = 0.5 * static_cast<double>(box_.x1 - box_.x0);
  const double ry = 0.5 * static_cast<double>(box_.y1 - box_.y0);
  const double u = (x + 0.5 - (static_cast<double>(box_.x0) + rx)) / rx;
  const double v = (y + 0.5 - (static_cast<double>(box_.y0) + ry)) / ry;
  return u * u + v * v <= 1.0;
}

bool EllipseFrg::RenderShape(const Window& w) const {
  if (box_.Empty() || box_.Intersect(w.Bounds()).Empty()) {
    w.Fill(0);
    return true;
  }
  const double rx = 0.5 * static_cast<double>(box_.x1 - box_.x0);
  const double ry = 0.5 * static_cast<double>(box_.y1 - box_.y0);
  Outline outline;
  AddEllipseContour(&outline, static_cast<double>(box_.x0) + rx, static_cast<double>(box_.y0) + ry,
                    rx, ry);
  FillOutline(outline, FillRule::kNonZero, w);
  return true;
}

// ---- polygon ----

PolygonFrg::PolygonFrg(const POINT* points, int count, int fillMode) : fillMode_(fillMode) {
  if (points != nullptr && count > 0) points_.assign(points, points + count);
}

Box PolygonFrg::ShapeBounds() const {
  if (points_.empty()) return Box{};
  std::int64_t minX = points_[0].x, maxX = minX, minY = points_[0].y, maxY = minY;
  for (const POINT& p : points_) {
    minX = std::min<std::int64_t>(minX, p.x);
    maxX = std::max<std::int64_t>(maxX, p.x);
    minY = std::min<std::int64_t>(minY, p.y);
    maxY = std::max<std::int64_t>(maxY, p.y);
  }
  return Box{minX, minY, maxX, maxY};
}

bool PolygonFrg::Offset(std::int64_t dx, std::int64_t dy) {
  const Box b = ShapeBounds();
  if (!points_.empty() && (!FitsInt32(b.x0 + dx) || !FitsInt32(b.x1 + dx) ||
                           !FitsInt32(b.y0 + dy) || !FitsInt32(b.y1 + dy))) {
    return false;
  }
  for (POINT& p : points_) {
    p.x = static_cast<LONG>(p.x + dx);
    p.y = static_cast<LONG>(p.y + dy);
  }
  return true;
}

Outline PolygonFrg::MakeOutline() const {
  Outline outline;
  outline.StartContour();
  for (const POINT& p : points_) outline.Add(p.x, p.y);
  return outline;
}

bool PolygonFrg::ShapeContains(std::int32_t x, std::int32_t y) const {
  return points_.size() >= 3 && OutlineContains(MakeOutline(), Rule(), x, y);
}

bool PolygonFrg::RenderShape(const Window& w) const {
  if (points_.size() < 3 || ShapeBounds().Intersect(w.Bounds()).Empty()) {
    w.Fill(0);
    return true;
  }
  FillOutline(MakeOutline(), Rule(), w);
  return true;
}

void PolygonFrg::AddPoint(std::int32_t x, std::int32_t y) { points_.push_back(POINT{x, y}); }

// ---- line ----

LineFrg::LineFrg(POINT begin, POINT end, int width, int style)
    : begin_(begin), end_(end), width_(width), style_(style) {
  BuildOutline();
}

// The stroke runs between the two pixels' centres; its caps follow the style.
void LineFrg::BuildOutline() {
  constexpr double kPi = 3.14159265358979323846;
  outline_ = Outline();
  const double half = 0.5 * std::max(width_, 1);
  const double ax = begin_.x + 0.5, ay = begin_.y + 0.5;
  const double bx = end_.x + 0.5, by = end_.y + 0.5;
  const double len = std::hypot(bx - ax, by - ay);
  const int style = (style_ == kFrgLineSquare || style_ == kFrgLineFlat) ? style_ : kFrgLineRound;
  if (len == 0.0) {
    if (style == kFrgLineRound) AddEllipseContour(&outline_, ax, ay, half, half);
    if (style == kFrgLineSquare) {
      outline_.StartContour();
      outline_.Add(ax - half, ay - half);
      outline_.Add(ax + half, ay - half);
      outline_.Add(ax + half, ay + half);
      outline_.Add(ax - half, ay + half);
    }
    return;
  }
  const double ux = (bx - ax) / len, uy = (by - ay) / len;  // along the line
  const double nx = -uy * half, ny = ux * half;             // across, half the width
  outline_.StartContour();
  if (style != kFrgLineRound) {
    const double ext = style == kFrgLineSquare ? half : 0.0;
    const double sx = ax - ux * ext, sy = ay - uy * ext, ex = bx + ux * ext, ey = by + uy * ext;
    outline_.Add(sx + nx, sy + ny);
    outline_.Add(ex + nx, ey + ny);
    outline_.Add(ex - nx, ey - ny);
    outline_.Add(sx - nx, sy - ny);
    return;
  }
  // Half discs: around the end from +n over the direction to -n, then around
  // the beginning from -n back to +n.
  const double step = half > 1.0 / 32.0 ? 2.0 * std::acos(1.0 - (1.0 / 32.0) / half) : kPi / 4.0;
  const int n = std::clamp(static_cast<int>(std::ceil(kPi / step)), 4, 4096);
  const double base = std::atan2(ny, nx);
  for (int i = 0; i <= n; ++i) {
    const double t = base - kPi * i / n;
    outline_.Add(bx + half * std::cos(t), by + half * std::sin(t));
  }
  for (int i = 0; i <= n; ++i) {
    const double t = base + kPi - kPi * i / n;
    outline_.Add(ax + half * std::cos(t), ay + half * std::sin(t));
  }
}

bool LineFrg::Offset(std::int64_t dx, std::int64_t dy) {
  if (!FitsInt32(begin_.x + dx) || !FitsInt32(begin_.y + dy) || !FitsInt32(end_.x + dx) ||
      !FitsInt32(end_.y + dy)) {
    return false;
  }
  begin_.x = static_cast<LONG>(begin_.x + dx);
  begin_.y = static_cast<LONG>(begin_.y + dy);
  end_.x = static_cast<LONG>(end_.x + dx);
  end_.y = static_cast<LONG>(end_.y + dy);
  BuildOutline();
  return true;
}

bool LineFrg::ShapeContains(std::int32_t x, std::int32_t y) const {
  return OutlineContains(outline_, FillRule::kNonZero, x, y);
}

bool LineFrg::RenderShape(const Window& w) const {
  if (outline_.Empty() || ShapeBounds().Intersect(w.Bounds()).Empty()) {
    w.Fill(0);
    return true;
  }
  FillOutline(outline_, FillRule::kNonZero, w);
  return true;
}

}  // namespace lumora::frg
