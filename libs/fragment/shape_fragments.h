// The geometric fragments: rectangle, ellipse, polygon, line and empty.
#pragma once

#include <string>
#include <vector>

#include "libs/fragment/fragment_object.h"
#include "libs/fragment/raster.h"

namespace lumora::frg {

class RectFrg final : public Fragment {
 public:
  explicit RectFrg(const LURECT& rect);
  int Type() const override { return kFrgRect; }
  Fragment* Clone() const override { return new RectFrg(*this); }
  Box ShapeBounds() const override { return box_; }
  bool Offset(std::int64_t dx, std::int64_t dy) override;
  bool ShapeContains(std::int32_t x, std::int32_t y) const override;
  bool RenderShape(const Window& w) const override;

 private:
  RectFrg(const RectFrg& other) : Fragment(&other), box_(other.box_) {}
  Box box_;
};

class EllipseFrg final : public Fragment {
 public:
  explicit EllipseFrg(const LURECT& bounds);
  int Type() const override { return kFrgEllipse; }
  Fragment* Clone() const override { return new EllipseFrg(*this); }
  Box ShapeBounds() const override { return box_; }
  bool Offset(std::int64_t dx, std::int64_t dy) override;
  bool ShapeContains(std::int32_t x, std::int32_t y) const override;
  bool RenderShape(const Window& w) const override;

 private:
  EllipseFrg(const EllipseFrg& other) : Fragment(&other), box_(other.box_) {}
  Box box_;
};

class PolygonFrg final : public Fragment {
 public:
  PolygonFrg(const POINT* points, int count, int fillMode);
  int Type() const override { return kFrgPolygon; }
  Fragment* Clone() const override { return new PolygonFrg(*this); }
  Box ShapeBounds() const override;
  bool Offset(std::int64_t dx, std::int64_t dy) override;
  bool ShapeContains(std::int32_t x, std::int32_t y) const override;
  bool RenderShape(const Window& w) const override;

  void AddPoint(std::int32_t x, std::int32_t y);
  int Count() const { return static_cast<int>(points_.size()); }
  int FillMode() const { return fillMode_; }
  const POINT* Points() const { return points_.empty() ? nullptr : points_.data(); }

 private:
  PolygonFrg(const PolygonFrg& other)
      : Fragment(&other), points_(other.points_), fillMode_(other.fillMode_) {}
  Outline MakeOutline() const;
  FillRule Rule() const {
    return fillMode_ == kFrgFillWinding ? FillRule::kNonZero : FillRule::kEvenOdd;
  }

  std::vector<POINT> points_;
  int fillMode_;
};

class LineFrg final : public Fragment {
 public:
  LineFrg(POINT begin, POINT end, int width, int style);
  int Type() const override { return kFrgLine; }
  Fragment* Clone() const override { return new LineFrg(*this); }
  Box ShapeBounds() const override { return outline_.PixelBounds(); }
  bool Offset(std::int64_t dx, std::int64_t dy) override;
  bool ShapeContains(std::int32_t x, std::int32_t y) const override;
  bool RenderShape(const Window& w) const override;

  POINT Begin() const { return begin_; }
  POINT End() const { return end_; }
  int Width() const { return width_; }
  int Style() const { return style_; }

 private:
  LineFrg(const LineFrg& other)
      : Fragment(&other),
        begin_(other.begin_),
        end_(other.end_),
        width_(other.width_),
        style_(other.style_),
        outline_(other.outline_) {}
  void BuildOutline();

  POINT begin_;
  POINT end_;
  int width_;
  int style_;
  Outline outline_;  // the stroke's outline, rebuilt when the line moves
};

class EmptyFrg final : public Fragment {
 public:
  EmptyFrg() = default;
  int Type() const override { return kFrgEmpty; }
  Fragment* Clone() const override { return new EmptyFrg(*this); }
  Box ShapeBounds() const override { return Box{}; }
  bool Offset(std::int64_t, std::int64_t) override { return true; }
  bool ShapeContains(std::int32_t, std::int32_t) const override { return false; }
  bool RenderShape(const Window& w) const override {
    w.Fill(0);
    return true;
  }

 private:
  EmptyFrg(const EmptyFrg& other) : Fragment(&other) {}
};

// Whether every coordinate moved by (dx, dy) stays a 32-bit value.
bool FitsInt32(std::int64_t v);

}  // namespace lumora::frg
