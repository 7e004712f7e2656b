// The area tools' shapes as the mouse makes them.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "libs/toolhost/AreaTools.h"

namespace lumora::toolhost {

namespace {

constexpr int kVkBack = 0x08;
constexpr int kVkReturn = 0x0D;
constexpr int kVkEscape = 0x1B;
// A click this close (window pixels, each axis) to the first vertex closes
// the polygon.
constexpr int kCloseDistance = 3;

bool SamePixel(const AreaPoint& a, const AreaPoint& b) { return a.pixel.x == b.pixel.x && a.pixel.y == b.pixel.y; }
bool SameCorner(const AreaPoint& a, const AreaPoint& b) {
  return a.corner.x == b.corner.x && a.corner.y == b.corner.y;
}

bool DragsARect(AreaKind kind) {
  return kind == AreaKind::kRect || kind == AreaKind::kEllipse || kind == AreaKind::kLine;
}

}  // namespace

RECT AreaTracker::DragRect(POINT from, POINT to, bool square, bool centred, int aspectWidth, int aspectHeight) {
  LONG dx = to.x - from.x, dy = to.y - from.y;
  if (square) {
    const LONG side = std::max(std::labs(dx), std::labs(dy));
    dx = dx < 0 ? -side : side;
    dy = dy < 0 ? -side : side;
  } else if (aspectWidth > 0 && aspectHeight > 0) {
    // The rect's sides in pixels grow until they have the aspect: the
    // larger of the two scales (pixels per aspect unit) wins, rounded to
    // whole pixels. A centred rect has odd sides, 2 offset + 1.
    const LONG unit = centred ? 2 : 1;
    const double scale = std::max((unit * std::labs(dx) + 1) / static_cast<double>(aspectWidth),
                                  (unit * std::labs(dy) + 1) / static_cast<double>(aspectHeight));
    const LONG w = std::max(1L, std::lround(scale * aspectWidth));
    const LONG h = std::max(1L, std::lround(scale * aspectHeight));
    dx = dx < 0 ? -(w - 1) / unit : (w - 1) / unit;
    dy = dy < 0 ? -(h - 1) / unit : (h - 1) / unit;
  }
  if (centred) {
    const LONG ax = std::labs(dx), ay = std::labs(dy);
    return RECT{from.x - ax, from.y - ay, from.x + ax + 1, from.y + ay + 1};
  }
  return RECT{std::min(from.x, from.x + dx), std::min(from.y, from.y + dy), std::max(from.x, from.x + dx) + 1,
              std::max(from.y, from.y + dy) + 1};
}

AreaTracker::Result AreaTracker::Press(const AreaPoint& at, unsigned keys) {
  if (kind_ == AreaKind::kWhole) return kNothing;
  if (kind_ == AreaKind::kSmartS) return SmartPress(at, keys);
  if (kind_ == AreaKind::kPoly) {
    last_ = at;
    if (!open_) {
      open_ = true;
      pressKeys_ = keys;
      vertices_.assign(1, at);
      first_ = at;
      return kChanged;
    }
    const AreaPoint& start = vertices_.front();
    if (vertices_.size() >= 3 && std::labs(at.window.x - start.window.x) <= kCloseDistance &&
        std::labs(at.window.y - start.window.y) <= kCloseDistance) {
      return Close();
    }
    if (!SameCorner(at, vertices_.back())) vertices_.push_back(at);
    return kChanged;
  }
  pressed_ = true;
  moved_ = false;
  pressKeys_ = keys;
  shiftFresh_ = (keys & kAreaShift) == 0;
  square_ = false;
  ctrl_ = (keys & kAreaCtrl) != 0;
  first_ = last_ = at;
  vertices_.assign(1, at);
  return kChanged;
}

// A smart outline's vertices are the pixels of its paths, each at its own
// corner; anchors keep the window point they were clicked at.
AreaPoint AreaTracker::PathPoint(POINT pixel) const {
  AreaPoint p;
  p.pixel = p.corner = pixel;
  return p;
}

AreaTracker::Result AreaTracker::SmartPress(const AreaPoint& clicked, unsigned keys) {
  AreaPoint at = clicked;
  if (finder_) at.pixel = at.corner = finder_->Clamp(at.pixel);
  at.corner = at.pixel;
  last_ = at;
  if (!open_) {
    open_ = true;
    pressKeys_ = keys;
    vertices_.assign(1, at);
    anchors_.assign(1, 0);
    first_ = at;
    if (finder_) finder_->SetAnchor(at.pixel);
    return kChanged;
  }
  const AreaPoint& start = vertices_.front();
  if (vertices_.size() >= 3 && std::labs(at.window.x - start.window.x) <= kCloseDistance &&
      std::labs(at.window.y - start.window.y) <= kCloseDistance) {
    return Close();
  }
  if (SamePixel(at, vertices_.back())) return kChanged;
  if (finder_) {
    const std::vector<POINT> path = finder_->PathTo(at.pixel);
    for (std::size_t i = 1; i < path.size(); ++i) vertices_.push_back(PathPoint(path[i]));
  } else {
    vertices_.push_back(at);
  }
  vertices_.back().window = at.window;
  anchors_.push_back(vertices_.size() - 1);
  if (finder_) finder_->SetAnchor(vertices_.back().pixel);
  return kChanged;
}

AreaTracker::Result AreaTracker::Move(const AreaPoint& at, unsigned keys) {
  if (ClicksCorners()) {
    if (!open_) return kNothing;
    last_ = at;
    return kChanged;
  }
  if (!pressed_) return kNothing;
  // Shift held since the press chose the mode; it squares once pressed anew.
  if ((keys & kAreaShift) == 0) shiftFresh_ = true;
  square_ = (keys & kAreaShift) != 0 && shiftFresh_;
  ctrl_ = (keys & kAreaCtrl) != 0;
  if (!SamePixel(at, first_)) moved_ = true;
  last_ = at;
  if (kind_ == AreaKind::kPen && !SameCorner(at, vertices_.back())) vertices_.push_back(at);
  return kChanged;
}

AreaTracker::Result AreaTracker::Release(const AreaPoint& at, unsigned keys) {
  if (ClicksCorners() || !pressed_) return kNothing;
  Move(at, keys);
  pressed_ = false;
  if (kind_ == AreaKind::kWand) return kDone;
  if (!moved_) return kDeselect;
  if (kind_ == AreaKind::kPen && vertices_.size() < 3) return kDeselect;
  return kDone;
}

AreaTracker::Result AreaTracker::DoubleClick(const AreaPoint& at, unsigned keys) {
  if (!ClicksCorners()) return Press(at, keys);
  // The click before it already placed this vertex.
  if (!open_) return kNothing;
  if (vertices_.size() >= 3) return Close();
  return kNothing;
}

AreaTracker::Result AreaTracker::Close() {
  // The smart outline closes along the edges back to its first anchor.
  if (kind_ == AreaKind::kSmartS && finder_ && vertices_.size() >= 2) {
    const std::vector<POINT> path = finder_->PathTo(vertices_.front().pixel);
    for (std::size_t i = 1; i + 1 < path.size(); ++i) vertices_.push_back(PathPoint(path[i]));
  }
  open_ = false;
  return kDone;
}

AreaTracker::Result AreaTracker::Key(int virtualKey) {
  if (!Busy()) return kNothing;
  if (virtualKey == kVkEscape) {
    Cancel();
    return kCancelled;
  }
  if (!ClicksCorners()) return kNothing;
  if (virtualKey == kVkBack && kind_ == AreaKind::kSmartS) {
    // The last anchor goes with the path that led to it.
    anchors_.pop_back();
    if (anchors_.empty()) {
      Cancel();
      return kCancelled;
    }
    vertices_.resize(anchors_.back() + 1);
    if (finder_) finder_->SetAnchor(vertices_.back().pixel);
    return kChanged;
  }
  if (virtualKey == kVkBack) {
    vertices_.pop_back();
    if (vertices_.empty()) {
      Cancel();
      return kCancelled;
    }
    return kChanged;
  }
  if (virtualKey == kVkReturn && vertices_.size() >= 3) return Close();
  return kNothing;
}

void AreaTracker::Cancel() {
  pressed_ = open_ = moved_ = false;
  vertices_.clear();
  anchors_.clear();
}

AreaOutline AreaTracker::Outline() const {
  AreaOutline o;
  if (!Busy()) return o;
  if (DragsARect(kind_) && kind_ != AreaKind::kLine) {
    o.shape = kind_ == AreaKind::kRect ? AreaOutline::kRect : AreaOutline::kEllipse;
    o.rect = DragRect(first_.pixel, last_.pixel, square_, ctrl_, aspectWidth_, aspectHeight_);
    return o;
  }
  if (kind_ == AreaKind::kWand) return o;
  o.shape = AreaOutline::kPolyline;
  if (kind_ == AreaKind::kLine) {
    o.points = {first_.corner, last_.corner};
    return o;
  }
  for (const AreaPoint& v : vertices_) o.points.push_back(v.corner);
  if (kind_ == AreaKind::kPoly) o.points.push_back(last_.corner);
  if (kind_ == AreaKind::kSmartS && open_) {
    // The live path from the last anchor to the pointer.
    if (finder_) {
      const std::vector<POINT> path = finder_->PathTo(last_.pixel);
      for (std::size_t i = 1; i < path.size(); ++i) o.points.push_back(path[i]);
    } else {
      o.points.push_back(last_.pixel);
    }
  }
  return o;
}

Fragment* AreaTracker::MakeShape(const AreaSettings& settings) const {
  switch (kind_) {
    case AreaKind::kRect:
    case AreaKind::kEllipse: {
      const RECT r = DragRect(first_.pixel, last_.pixel, square_, ctrl_, aspectWidth_, aspectHeight_);
      LURECT lr;
      RectToLURect(&lr, &r);
      return kind_ == AreaKind::kRect ? CreateRectFrg(&lr, 0) : CreateEllipticFrg(&lr, 0);
    }
    case AreaKind::kPoly:
    case AreaKind::kSmartS:
    case AreaKind::kPen: {
      if (vertices_.size() < 3) return nullptr;
      std::vector<POINT> corners;
      corners.reserve(vertices_.size());
      for (const AreaPoint& v : vertices_) corners.push_back(v.corner);
      return CreatePolygonFrg(corners.data(), static_cast<int>(corners.size()), settings.fillMode, 0);
    }
    case AreaKind::kLine:
      return CreateLineFrg(first_.pixel.x, first_.pixel.y, last_.pixel.x, last_.pixel.y, settings.lineWidth,
                           settings.lineStyle, 0);
    default: return nullptr;
  }
}

Fragment* FeatherShape(Fragment* shape, int feather) {
  if (shape == nullptr || feather <= 0) return shape;
  SetSmoothEdge(shape, SmoothDegreeOf(feather), kFrgSmoothCentred, nullptr);
  Fragment* soft = GetSmoothMask(shape);
  if (soft == nullptr) return shape;
  DeleteFragment(shape);
  return soft;
}

int AreaCombineMode(unsigned pressKeys, int hostMode) {
  const bool shift = (pressKeys & kAreaShift) != 0, alt = (pressKeys & kAreaAlt) != 0;
  if (shift && alt) return kLUGSelIntersect;
  if (shift) return kLUGSelAdd;
  if (alt) return kLUGSelSubtract;
  return hostMode;
}

}  // namespace lumora::toolhost
