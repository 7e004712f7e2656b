// Resize-bar geometry.
#include "framework/ResizeTracker.h"

#include <algorithm>
#include <utility>

namespace fw {

namespace {

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

}  // namespace

RECT OutsetRect(const RECT& inner, int width) {
  return RECT{inner.left - width, inner.top - width, inner.right + width, inner.bottom + width};
}

RECT TrackerHandleRect(const RECT& inner, int width, TrackerHit handle) {
  // Left column, right column, middle column; top row, bottom row, middle row.
  const LONG left = inner.left - width, right = inner.right;
  const LONG midX = inner.left + (inner.right - inner.left - width) / 2;
  const LONG top = inner.top - width, bottom = inner.bottom;
  const LONG midY = inner.top + (inner.bottom - inner.top - width) / 2;
  LONG x = left, y = top;
  switch (handle) {
    case TrackerHit::kTopLeft: x = left, y = top; break;
    case TrackerHit::kTopRight: x = right, y = top; break;
    case TrackerHit::kBottomRight: x = right, y = bottom; break;
    case TrackerHit::kBottomLeft: x = left, y = bottom; break;
    case TrackerHit::kTop: x = midX, y = top; break;
    case TrackerHit::kRight: x = right, y = midY; break;
    case TrackerHit::kBottom: x = midX, y = bottom; break;
    case TrackerHit::kLeft: x = left, y = midY; break;
    default: return RECT{0, 0, 0, 0};
  }
  return RECT{x, y, x + width, y + width};
}

TrackerHit HitTestTracker(const RECT& inner, int width, POINT point) {
  if (!Inside(OutsetRect(inner, width), point)) return TrackerHit::kNothing;
  for (int h = 0; h < 8; ++h) {
    const auto hit = static_cast<TrackerHit>(h);
    if (Inside(TrackerHandleRect(inner, width, hit), point)) return hit;
  }
  return Inside(inner, point) ? TrackerHit::kNothing : TrackerHit::kBorder;
}

TrackerCursor CursorForHit(TrackerHit hit) {
  switch (hit) {
    case TrackerHit::kTopLeft:
    case TrackerHit::kBottomRight: return TrackerCursor::kSizeNWSE;
    case TrackerHit::kTopRight:
    case TrackerHit::kBottomLeft: return TrackerCursor::kSizeNESW;
    case TrackerHit::kTop:
    case TrackerHit::kBottom: return TrackerCursor::kSizeNS;
    case TrackerHit::kLeft:
    case TrackerHit::kRight: return TrackerCursor::kSizeWE;
    default: return TrackerCursor::kArrow;
  }
}

RECT DragTrackerHandle(const RECT& inner, TrackerHit handle, int dx, int dy) {
  RECT r = inner;
  const bool left = handle == TrackerHit::kTopLeft || handle == TrackerHit::kBottomLeft || handle == TrackerHit::kLeft;
  const bool right = handle == TrackerHit::kTopRight || handle == TrackerHit::kBottomRight || handle == TrackerHit::kRight;
  const bool top = handle == TrackerHit::kTopLeft || handle == TrackerHit::kTopRight || handle == TrackerHit::kTop;
  const bool bottom =
      handle == TrackerHit::kBottomLeft || handle == TrackerHit::kBottomRight || handle == TrackerHit::kBottom;
  if (left) r.left += dx;
  if (right) r.right += dx;
  if (top) r.top += dy;
  if (bottom) r.bottom += dy;
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  // A handle dragged onto its opposite edge keeps one pixel, on the side
  // the edge stayed.
  if (r.right == r.left) {
    if (left) {
      r.left = r.right - 1;
    } else {
      r.right = r.left + 1;
    }
  }
  if (r.bottom == r.top) {
    if (top) {
      r.top = r.bottom - 1;
    } else {
      r.bottom = r.top + 1;
    }
  }
  return r;
}

}  // namespace fw
