// Anti-aliased filling of closed outlines into a coverage window: the exact
// area of each pixel inside the outline, under the even-odd or non-zero rule.
#pragma once

#include <cstddef>
#include <vector>

#include "libs/fragment/fragment_object.h"

namespace lumora::frg {

struct PointF {
  double x;
  double y;
};

// Closed contours, each an implicitly closed list of vertices.
class Outline {
 public:
  void StartContour() { starts_.push_back(points_.size()); }
  void Add(double x, double y) { points_.push_back(PointF{x, y}); }
  bool Empty() const { return points_.empty(); }

  // Bounds of the vertices, widened to whole pixels.
  Box PixelBounds() const;
  // Calls f(a, b) for every edge of every contour, the closing edge from
  // its last vertex back to its first included.
  template <class F>
  void ForEachEdge(F f) const {
    for (std::size_t c = 0; c < starts_.size(); ++c) {
      const std::size_t first = starts_[c];
      const std::size_t end = c + 1 < starts_.size() ? starts_[c + 1] : points_.size();
      for (std::size_t i = first; i < end; ++i) f(points_[i], points_[i + 1 < end ? i + 1 : first]);
    }
  }

 private:
  std::vector<PointF> points_;
  std::vector<std::size_t> starts_;
};

enum class FillRule { kEvenOdd, kNonZero };

// Writes the outline's coverage into every pixel of the window. May throw
// std::bad_alloc.
void FillOutline(const Outline& outline, FillRule rule, const Window& window);

// Whether the centre of pixel (x, y) lies inside the outline.
bool OutlineContains(const Outline& outline, FillRule rule, std::int32_t x, std::int32_t y);

// Vertices of an ellipse (centre, radii) flattened to within 1/32 pixel.
void AddEllipseContour(Outline* outline, double cx, double cy, double rx, double ry);

}  // namespace lumora::frg
