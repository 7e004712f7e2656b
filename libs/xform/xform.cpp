// Window/image ratios and the view mapping (see hostapi/xform.h).
#include <algorithm>
#include <limits>
#include <numeric>

#include "hostapi/xform.h"

namespace {

constexpr std::int64_t kMaxExtent = std::numeric_limits<std::int32_t>::max();

std::int64_t CheckedExtent(std::int64_t extent) {
  if (extent < 1 || extent > kMaxExtent) throw XFormRangeError("mapping extent out of range");
  return extent;
}

LONG Clamp32(std::int64_t v) noexcept {
  return static_cast<LONG>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max()));
}

// One axis in integers: d window units show i image units, shifted by s.
struct Axis {
  std::int64_t d, i, s;

  explicit Axis(const XFFACT& f) noexcept
      : d(f.DisplayedExtent()), i(f.ImageExtent()), s(f.Shift()) {}

  bool Enlarges() const noexcept { return d >= i; }

  // The image pixel a window pixel shows (the first of its box).
  std::int64_t PixelOfWindow(std::int64_t u) const noexcept { return XFFloorDiv((u - s) * i, d); }

  // The top-left window pixel of an image pixel's area.
  std::int64_t WindowOfPixel(std::int64_t x) const noexcept {
    if (Enlarges()) return XFCeilDiv(x * d, i) + s;
    return XFFloorDiv((x + 1) * d - 1, i) + s;  // the box that holds x
  }

  std::int64_t WindowOfEdge(std::int64_t e) const noexcept { return XFFloorDiv(e * d, i) + s; }
  std::int64_t EdgeOfWindow(std::int64_t w) const noexcept { return XFFloorDiv((w - s) * i, d); }

  // Image interval [l, r) to the window pixels that show any of it.
  void WindowSpan(std::int64_t l, std::int64_t r, std::int64_t* wl, std::int64_t* wr) const noexcept {
    *wl = WindowOfPixel(l);
    *wr = r <= l ? *wl : XFCeilDiv(r * d, i) + s;
  }

  // Window interval [a, b) to the image pixels any of it shows.
  void ImageSpan(std::int64_t a, std::int64_t b, std::int64_t* l, std::int64_t* r) const noexcept {
    *l = PixelOfWindow(a);
    *r = b <= a ? *l : std::max(PixelOfWindow(b), PixelOfWindow(b - 1) + 1);
  }
};

}  // namespace

XFFACT::XFFACT(std::int64_t displayed, std::int64_t image) {
  CheckedExtent(displayed);
  CheckedExtent(image);
  const std::int64_t g = std::gcd(displayed, image);
  displayed_ = static_cast<std::int32_t>(displayed / g);
  image_ = static_cast<std::int32_t>(image / g);
}

XFFACT::XFFACT(std::int64_t w0, std::int64_t w1, std::int64_t i0, std::int64_t i1)
    : XFFACT(w1 > w0 ? w1 - w0 : w0 - w1, i1 > i0 ? i1 - i0 : i0 - i1) {
  const std::int64_t origin = std::min(w0, w1);
  if (origin < std::numeric_limits<std::int32_t>::min() || origin > kMaxExtent) {
    throw XFormRangeError("mapping shift out of range");
  }
  shift_ = static_cast<std::int32_t>(origin);
}

bool XFFACT::shift(std::int64_t offset) noexcept {
  const std::int64_t moved = static_cast<std::int64_t>(shift_) + offset;
  if (offset > kMaxExtent || offset < -kMaxExtent - 1 ||
      moved < std::numeric_limits<std::int32_t>::min() || moved > kMaxExtent) {
    return false;
  }
  shift_ = static_cast<std::int32_t>(moved);
  return true;
}

void VRXFORM::XForm(POINT* p, int mode) const noexcept {
  const Axis ax(x_), ay(y_);
  const std::int64_t h = height_;
  if (mode == kXFEdges) {
    p->x = Clamp32(ax.EdgeOfWindow(p->x));
    p->y = Clamp32(h - XFCeilDiv((static_cast<std::int64_t>(p->y) - ay.s) * ay.i, ay.d));
  } else {
    p->x = Clamp32(ax.PixelOfWindow(p->x));
    p->y = Clamp32(h - 1 - ay.PixelOfWindow(p->y));
  }
}

void VRXFORM::RevXForm(POINT* p, int mode) const noexcept {
  const Axis ax(x_), ay(y_);
  const std::int64_t h = height_;
  if (mode == kXFEdges) {
    p->x = Clamp32(ax.WindowOfEdge(p->x));
    p->y = Clamp32(ay.WindowOfEdge(h - p->y));
  } else {
    p->x = Clamp32(ax.WindowOfPixel(p->x));
    p->y = Clamp32(ay.WindowOfPixel(h - 1 - p->y));
  }
}

namespace {

// Modes 16 and 32 on a RECT: both corners as points, then re-ordered.
template <class MapPoint>
void MapCorners(RECT* r, MapPoint map) noexcept {
  POINT a{r->left, r->top}, b{r->right, r->bottom};
  map(&a);
  map(&b);
  *r = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

}  // namespace

void VRXFORM::XForm(RECT* r, int mode) const noexcept {
  if (mode != kXFRects) {
    MapCorners(r, [&](POINT* p) { XForm(p, mode); });
    return;
  }
  const Axis ax(x_), ay(y_);
  std::int64_t l, rr, fl, fr;
  ax.ImageSpan(r->left, r->right, &l, &rr);
  ay.ImageSpan(r->top, r->bottom, &fl, &fr);
  const std::int64_t h = height_;
  *r = RECT{Clamp32(l), Clamp32(h - fr), Clamp32(rr), Clamp32(h - fl)};
}

void VRXFORM::RevXForm(RECT* r, int mode) const noexcept {
  if (mode != kXFRects) {
    MapCorners(r, [&](POINT* p) { RevXForm(p, mode); });
    return;
  }
  const Axis ax(x_), ay(y_);
  const std::int64_t h = height_;
  std::int64_t wl, wr, wt, wb;
  ax.WindowSpan(r->left, r->right, &wl, &wr);
  ay.WindowSpan(h - r->bottom, h - r->top, &wt, &wb);
  *r = RECT{Clamp32(wl), Clamp32(wt), Clamp32(wr), Clamp32(wb)};
}

RECT VRXFORM::ImageWindowRect() const noexcept {
  RECT r{0, 0, width_, height_};
  RevXForm(&r, kXFRects);
  return r;
}
