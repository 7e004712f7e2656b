// The coordinate-mapping library: per-axis ratios between window and image
// units (`XFFACT`) and the window/image mapping of a view (`VRXFORM`).
//
// Image coordinates are the image buffers' own: x grows to the right, y
// counts rows from the bottom row (row 0) upward, and an image rect's `top`
// is its smaller y. The window shows row 0 at the bottom. The mapping gives
// rows from the bottom only: callers never apply `height - y - 1` to what it
// returns (a mapped point already counts upward from the bottom row).
//
// All arithmetic uses 64-bit intermediates: any coordinate within +-2^31
// maps without overflow; results beyond the 32-bit range are clamped to it.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "platform/win32types.h"

// Thrown for an extent below 1 or above 2^31 - 1.
class XFormRangeError : public std::range_error {
 public:
  using std::range_error::range_error;
};

// One axis: `displayed : image` (both positive, kept reduced) and the window
// shift (the window coordinate at which image coordinate 0 starts).
class XFFACT {
 public:
  // Identity: 1 : 1, no shift.
  XFFACT() = default;
  // `displayed` window units show `image` image units.
  XFFACT(std::int64_t displayed, std::int64_t image);
  // The window interval w0..w1 shows the image interval i0..i1; the ratio is
  // |w1 - w0| : |i1 - i0| whatever the directions, so (0, n, h, 0) equals
  // (0, n, 0, h). The shift is the smaller window end.
  XFFACT(std::int64_t w0, std::int64_t w1, std::int64_t i0, std::int64_t i1);

  std::int32_t DisplayedExtent() const noexcept { return displayed_; }
  std::int32_t ImageExtent() const noexcept { return image_; }
  // Image units per window unit: the zoom (above 1 is a reduction).
  double ImagePerWindowUnit() const noexcept {
    return static_cast<double>(image_) / static_cast<double>(displayed_);
  }
  std::int32_t Shift() const noexcept { return shift_; }
  // Moves the window shift by `offset`; false (and unchanged) on overflow.
  bool shift(std::int64_t offset) noexcept;
  // The same ratio (as real numbers), shifts aside.
  bool SameRatio(const XFFACT& other) const noexcept {
    return displayed_ == other.displayed_ && image_ == other.image_;
  }
  bool operator==(const XFFACT& other) const noexcept = default;

 private:
  std::int32_t displayed_ = 1;
  std::int32_t image_ = 1;
  std::int32_t shift_ = 0;
};

// Mapping modes of XForm and RevXForm.
enum : int {
  // Pixel boundaries (edges): image edge x <-> window x * D / I + sx and
  // image edge y <-> window (H - y) * D / I + sy, rounded down; so an image
  // rect's top edge (its smaller y) lies at the lower edge on screen.
  kXFEdges = 16,
  // Pixels: window pixel (u, v) shows column floor((u - sx) * I / D) and row
  // H - 1 - floor((v - sy) * I / D); RevXForm gives the top-left window
  // pixel of an image pixel's area (at a reduction, the window pixel whose
  // box holds it).
  kXFPixels = 32,
  // Rects (right and bottom exclusive): the smallest rect covering every
  // pixel the other side shows of the given one; nothing is clipped. Only
  // for RECTs.
  kXFRects = 64,
};

// The mapping of a view: a W x H image and one factor per axis. D and I
// below are a factor's displayed and image extents, (sx, sy) its shifts.
// At a reduction window pixel u shows the image box
// [floor((u - sx) * I / D), floor((u + 1 - sx) * I / D)) per axis.
class VRXFORM {
 public:
  VRXFORM() = default;
  VRXFORM(std::int32_t width, std::int32_t height, const XFFACT& x, const XFFACT& y) noexcept
      : width_(width), height_(height), x_(x), y_(y) {}

  void SetImageSize(std::int32_t width, std::int32_t height) noexcept {
    width_ = width;
    height_ = height;
  }
  void SetFactors(const XFFACT& x, const XFFACT& y) noexcept {
    x_ = x;
    y_ = y;
  }
  std::int32_t Width() const noexcept { return width_; }
  std::int32_t Height() const noexcept { return height_; }
  const XFFACT& FactorX() const noexcept { return x_; }
  const XFFACT& FactorY() const noexcept { return y_; }

  // Window to image, in place. A RECT in modes 16 and 32 maps its two
  // corners as points (then re-ordered so left <= right, top <= bottom).
  void XForm(POINT* p, int mode) const noexcept;
  void XForm(RECT* r, int mode) const noexcept;
  // Image to window, in place.
  void RevXForm(POINT* p, int mode) const noexcept;
  void RevXForm(RECT* r, int mode) const noexcept;

  // The image rect (0, 0, W, H) in window coordinates (mode 64).
  RECT ImageWindowRect() const noexcept;

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  XFFACT x_;
  XFFACT y_;
};

// Floor and ceiling of a / b for b > 0, any sign of a.
constexpr std::int64_t XFFloorDiv(std::int64_t a, std::int64_t b) noexcept {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}
constexpr std::int64_t XFCeilDiv(std::int64_t a, std::int64_t b) noexcept {
  return -XFFloorDiv(-a, b);
}
