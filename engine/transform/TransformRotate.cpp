// Fast general rotation kernels. Destination pixel (i, j) reads the source at
// u = X C + Y S, v = Y C - X S (16.16 fixed point, X = left + i, Y = top + j),
// formed in 64 bits so that coordinates of any size work. Along a row u and v
// are linear in i, so each row splits into spans found by binary search:
//   outside  - the sample lies more than a pixel off the source: a constant;
//   border   - the sample touches the source's edge: the kernel's edge rule,
//              pixel by pixel;
//   interior - all four bilinear samples (or the nearest one) lie inside:
//              a tight loop with no tests.
// The spans only choose how a pixel is computed; every pixel gets the value
// the reference kernels give it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "engine/geometry/ResampleKernels.h"
#include "platform/ref_ptr.h"
#include "engine/transform/TransformBilinear.h"
#include "engine/transform/TransformKernels.h"

using VrWA2000::ReadWA;
using VrWA2000::WA;

namespace {

using AccessPtr = lumora::RefPtr<ReadWA::Access>;
using lumora::resample::Div225;

// u / 4096 truncated toward zero (4095 added to a negative value first).
inline std::int64_t Sixteenths(std::int64_t u) { return (u + ((u >> 63) & 4095)) >> 12; }
inline std::int64_t BilinearIndex(std::int64_t u) { return Sixteenths(u) >> 4; }
inline std::int64_t NearestIndex(std::int64_t u) { return u >> 16; }

struct Span {
  int begin;
  int end;
  bool Empty() const { return end <= begin; }
};

Span Intersect(Span a, Span b) {
  const int begin = std::max(a.begin, b.begin);
  return Span{begin, std::max(begin, std::min(a.end, b.end))};
}

// Smallest i in [0, n] for which a monotone (false, then true) test holds.
template <class Test>
int FirstTrue(int n, Test test) {
  int lo = 0;
  int hi = n;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (test(mid)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

// The positions i in [0, n) with lo <= index(base + i step) <= hi. The index
// is a non-decreasing function of the position, so along the row it is
// monotone and the positions form one span.
template <std::int64_t (*Index)(std::int64_t)>
Span SpanWhere(std::int64_t base, std::int64_t step, int n, std::int64_t lo, std::int64_t hi) {
  auto at = [&](int i) { return Index(base + step * i); };
  if (step >= 0) {
    const int begin = FirstTrue(n, [&](int i) { return at(i) >= lo; });
    const int end = FirstTrue(n, [&](int i) { return at(i) > hi; });
    return Span{begin, std::max(begin, end)};
  }
  const int begin = FirstTrue(n, [&](int i) { return at(i) <= hi; });
  const int end = FirstTrue(n, [&](int i) { return at(i) < lo; });
  return Span{begin, std::max(begin, end)};
}

struct Row {
  std::int64_t u;  // position of pixel 0
  std::int64_t v;
  std::int64_t du;  // per pixel
  std::int64_t dv;
};

template <std::int64_t (*Index)(std::int64_t)>
Span SpanInside(const Row& r, int n, std::int64_t xLo, std::int64_t xHi, std::int64_t yLo,
                std::int64_t yHi) {
  if (xLo > xHi || yLo > yHi) return Span{0, 0};
  return Intersect(SpanWhere<Index>(r.u, r.du, n, xLo, xHi),
                   SpanWhere<Index>(r.v, r.dv, n, yLo, yHi));
}

struct Source {
  const std::uint8_t* bits;  // row 0
  std::ptrdiff_t stride;
  std::int64_t width;
  std::int64_t height;
  const std::uint8_t* RowAt(std::int64_t y) const { return bits + y * stride; }
};

inline std::uint32_t Weighted(std::uint32_t p00, std::uint32_t p10, std::uint32_t p01,
                              std::uint32_t p11, std::uint32_t fx, std::uint32_t fy) {
  const std::uint32_t w11 = fx * fy;
  const std::uint32_t w10 = 15 * fx - w11;  // fx (15 - fy)
  const std::uint32_t w01 = 15 * fy - w11;  // (15 - fx) fy
  const std::uint32_t w00 = 225 - 15 * fx - 15 * fy + w11;
  return Div225(p00 * w00 + p10 * w10 + p01 * w01 + p11 * w11);
}

// ---- Border pixels: the edge rule of each bilinear kernel ----

template <int Bpp>
void HardPixel(std::uint8_t* out, std::int64_t u, std::int64_t v, const Source& s) {
  const std::int64_t qx = Sixteenths(u);
  const std::int64_t qy = Sixteenths(v);
  const std::int64_t ix = qx >> 4;
  const std::int64_t iy = qy >> 4;
  if (ix < 0 || ix >= s.width || iy < 0 || iy >= s.height) {
    for (int c = 0; c < Bpp; ++c) out[c] = 0;
    return;
  }
  std::uint32_t fx = static_cast<std::uint32_t>(qx & 15);
  std::uint32_t fy = static_cast<std::uint32_t>(qy & 15);
  std::int64_t x1 = ix + 1;
  std::int64_t y1 = iy + 1;
  if (ix >= s.width - 1) {
    x1 = ix;
    fx = 15;
  }
  if (iy >= s.height - 1) {
    y1 = iy;
    fy = 15;
  }
  const std::uint8_t* r0 = s.RowAt(iy);
  const std::uint8_t* r1 = s.RowAt(y1);
  for (int c = 0; c < Bpp; ++c) {
    out[c] = static_cast<std::uint8_t>(
        Weighted(r0[Bpp * ix + c], r0[Bpp * x1 + c], r1[Bpp * ix + c], r1[Bpp * x1 + c], fx, fy));
  }
}

void SoftMaskPixel(std::uint8_t* out, std::int64_t u, std::int64_t v, const Source& s) {
  const std::int64_t qx = Sixteenths(u);
  const std::int64_t qy = Sixteenths(v);
  const std::int64_t ix = qx >> 4;
  const std::int64_t iy = qy >> 4;
  if (ix < -1 || ix >= s.width || iy < -1 || iy >= s.height) {
    *out = 0;
    return;
  }
  auto at = [&](std::int64_t x, std::int64_t y) -> std::uint32_t {
    return (x < 0 || x >= s.width || y < 0 || y >= s.height) ? 0 : s.RowAt(y)[x];
  };
  *out = static_cast<std::uint8_t>(Weighted(at(ix, iy), at(ix + 1, iy), at(ix, iy + 1),
                                            at(ix + 1, iy + 1), static_cast<std::uint32_t>(qx & 15),
                                            static_cast<std::uint32_t>(qy & 15)));
}

template <int Bpp>
void SoftImagePixel(std::uint8_t* out, std::int64_t u, std::int64_t v, const Source& s,
                    int clearOutside) {
  const std::int64_t qx = Sixteenths(u);
  const std::int64_t qy = Sixteenths(v);
  const std::int64_t ix = qx >> 4;
  const std::int64_t iy = qy >> 4;
  if (ix >= -1 && ix < s.width && iy >= -1 && iy < s.height) {
    std::uint32_t fx = static_cast<std::uint32_t>(qx & 15);
    std::uint32_t fy = static_cast<std::uint32_t>(qy & 15);
    std::int64_t x0 = std::max<std::int64_t>(ix, 0);
    std::int64_t x1 = ix < 0 ? 0 : ix + 1;
    if (x0 >= s.width - 1) {
      x1 = x0;
      fx = 15;
    }
    std::int64_t y0 = std::max<std::int64_t>(iy, 0);
    std::int64_t y1 = iy < 0 ? 0 : iy + 1;
    if (y0 >= s.height - 1) {
      y1 = y0;
      fy = 15;
    }
    const std::uint8_t* r0 = s.RowAt(y0);
    const std::uint8_t* r1 = s.RowAt(y1);
    for (int c = 0; c < Bpp; ++c) {
      out[c] = static_cast<std::uint8_t>(
          Weighted(r0[Bpp * x0 + c], r0[Bpp * x1 + c], r1[Bpp * x0 + c], r1[Bpp * x1 + c], fx, fy));
    }
    return;
  }
  // One pixel beyond the right and bottom edges (and the corners) repeats the
  // edge unless the outside is to be clear.
  const std::int64_t cx = ix == -1 ? 0 : ix == s.width ? s.width - 1 : ix;
  const std::int64_t cy = iy == -1 ? 0 : iy == s.height ? s.height - 1 : iy;
  const bool copy = clearOutside == 0 && cx >= 0 && cx < s.width && cy >= 0 && cy < s.height;
  for (int c = 0; c < Bpp; ++c) out[c] = copy ? s.RowAt(cy)[Bpp * cx + c] : 0;
}

template <RotateKernel Kind, int Bpp>
void BorderPixel(std::uint8_t* out, std::int64_t u, std::int64_t v, const Source& s, int extra) {
  if constexpr (Kind == RotateKernel::kHardGrey || Kind == RotateKernel::kHardRgb) {
    HardPixel<Bpp>(out, u, v, s);
  } else if constexpr (Kind == RotateKernel::kSoftMask) {
    SoftMaskPixel(out, u, v, s);
  } else {
    SoftImagePixel<Bpp>(out, u, v, s, extra);
  }
}

// ---- Interior: all four samples inside, no edge rule applies ----

template <int Bpp>
void InteriorRun(std::uint8_t* out, std::int64_t u, std::int64_t v, std::int64_t du,
                 std::int64_t dv, int count, const Source& s) {
  for (int i = 0; i < count; ++i, u += du, v += dv, out += Bpp) {
    const std::int64_t qx = Sixteenths(u);
    const std::int64_t qy = Sixteenths(v);
    const auto fx = static_cast<std::uint32_t>(qx & 15);
    const auto fy = static_cast<std::uint32_t>(qy & 15);
    const std::uint8_t* p0 = s.RowAt(qy >> 4) + Bpp * (qx >> 4);
    const std::uint8_t* p1 = p0 + s.stride;
    const std::uint32_t w11 = fx * fy;
    const std::uint32_t w10 = 15 * fx - w11;
    const std::uint32_t w01 = 15 * fy - w11;
    const std::uint32_t w00 = 225 - 15 * fx - 15 * fy + w11;
    for (int c = 0; c < Bpp; ++c) {
      out[c] = static_cast<std::uint8_t>(
          Div225(p0[c] * w00 + p0[Bpp + c] * w10 + p1[c] * w01 + p1[Bpp + c] * w11));
    }
  }
}

#if defined(__SSE2__)
// RGB interior with the three bytes of a pixel in SSE2 lanes. The four-byte
// sample reads need ix <= W - 3 (the caller's margin). Each pixel is stored
// as four bytes, the fourth overwritten by the next pixel; the run's last
// pixel is stored as three.
template <>
void InteriorRun<3>(std::uint8_t* out, std::int64_t u, std::int64_t v, std::int64_t du,
                    std::int64_t dv, int count, const Source& s) {
  for (int i = 0; i < count; ++i, u += du, v += dv, out += 3) {
    const std::int64_t qx = Sixteenths(u);
    const std::int64_t qy = Sixteenths(v);
    const std::uint8_t* p0 = s.RowAt(qy >> 4) + 3 * (qx >> 4);
    const std::uint32_t rgb = lumora::transform::BilinearRgb(
        p0, p0 + s.stride, static_cast<unsigned>(qx & 15), static_cast<unsigned>(qy & 15));
    if (i + 1 < count) {
      std::memcpy(out, &rgb, 4);
    } else {
      out[0] = static_cast<std::uint8_t>(rgb);
      out[1] = static_cast<std::uint8_t>(rgb >> 8);
      out[2] = static_cast<std::uint8_t>(rgb >> 16);
    }
  }
}

// Columns an interior sample may start at: up to W - 3 for the four-byte
// reads of the RGB run, W - 2 otherwise.
constexpr int kInteriorMargin[4] = {0, 2, 0, 3};
#else
constexpr int kInteriorMargin[4] = {0, 2, 0, 2};
#endif

template <RotateKernel Kind, int Bpp>
void BilinearRow(std::uint8_t* d, const Row& r, int n, const Source& s, int extra) {
  const Span reach = SpanInside<BilinearIndex>(r, n, -1, s.width, -1, s.height);
  Span inner = Intersect(
      SpanInside<BilinearIndex>(r, n, 0, s.width - kInteriorMargin[Bpp], 0, s.height - 2), reach);
  if (inner.Empty()) inner = Span{reach.begin, reach.begin};
  std::memset(d, 0, static_cast<std::size_t>(Bpp) * reach.begin);
  std::memset(d + Bpp * reach.end, 0, static_cast<std::size_t>(Bpp) * (n - reach.end));
  for (int i = reach.begin; i < inner.begin; ++i) {
    BorderPixel<Kind, Bpp>(d + Bpp * i, r.u + r.du * i, r.v + r.dv * i, s, extra);
  }
  InteriorRun<Bpp>(d + Bpp * inner.begin, r.u + r.du * inner.begin, r.v + r.dv * inner.begin, r.du,
                   r.dv, inner.end - inner.begin, s);
  for (int i = inner.end; i < reach.end; ++i) {
    BorderPixel<Kind, Bpp>(d + Bpp * i, r.u + r.du * i, r.v + r.dv * i, s, extra);
  }
}

// ---- Nearest kernels ----

// Palette indexes or bits of one row, inside the source or the fill value.
void NearestValues(std::uint8_t* values, const Row& r, int n, const Source& s, RotateKernel kind,
                   int fill) {
  const Span inside = SpanInside<NearestIndex>(r, n, 0, s.width - 1, 0, s.height - 1);
  std::memset(values, fill, static_cast<std::size_t>(n));
  std::int64_t u = r.u + r.du * inside.begin;
  std::int64_t v = r.v + r.dv * inside.begin;
  for (int i = inside.begin; i < inside.end; ++i, u += r.du, v += r.dv) {
    const std::uint8_t* row = s.RowAt(v >> 16);
    const std::int64_t x = u >> 16;
    if (kind == RotateKernel::kNearest8) {
      values[i] = row[x];
    } else if (kind == RotateKernel::kNearest4) {
      values[i] = static_cast<std::uint8_t>((x & 1) != 0 ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
    } else {
      values[i] = static_cast<std::uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
    }
  }
}

void PackNearest(std::uint8_t* d, const std::uint8_t* values, int n, RotateKernel kind) {
  if (kind == RotateKernel::kNearest8) {
    std::memcpy(d, values, static_cast<std::size_t>(n));
  } else if (kind == RotateKernel::kNearest4) {
    int i = 0;
    for (; i + 1 < n; i += 2) d[i >> 1] = static_cast<std::uint8_t>(values[i] << 4 | values[i + 1]);
    // An odd last pixel is OR-ed into a byte the new buffer holds as 0.
    if (i < n) d[i >> 1] |= static_cast<std::uint8_t>(values[i] << 4);
  } else {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
      unsigned byte = 0;
      for (int k = 0; k < 8; ++k) byte = byte << 1 | values[i + k];
      d[i >> 3] = static_cast<std::uint8_t>(byte);
    }
    if (i < n) {
      unsigned byte = 0;
      for (int k = i; k < n; ++k) byte |= values[k] << (7 - (k - i));
      d[i >> 3] = static_cast<std::uint8_t>(byte);
    }
  }
}

int FillValue(RotateKernel kind, int extra) {
  if (kind == RotateKernel::kNearest1) return extra != 0 ? 1 : 0;
  return kind == RotateKernel::kNearest4 ? (extra & 0x0F) : (extra & 0xFF);
}

// ---- Row loop ----

template <RotateKernel Kind, int Bpp>
int RotateRows(WA* dst, const WA* src, const RECT& bounds, double radians,
               const TransformProgress& progress, int extra) {
  const bool truncate = Kind == RotateKernel::kSoftMask;
  const std::int64_t C = RotationFixed(std::cos(radians), truncate);
  const std::int64_t S = RotationFixed(std::sin(radians), truncate);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  AccessPtr read = AccessPtr::Adopt(src->GetReadAccess());
  const Source s{read->GetRow(0), src->GetBPLine(), src->GetW(), src->GetH()};
  constexpr bool kNearest = Kind == RotateKernel::kNearest8 || Kind == RotateKernel::kNearest4 ||
                            Kind == RotateKernel::kNearest1;
  std::vector<std::uint8_t> values(kNearest ? static_cast<std::size_t>(width) : 0);
  const std::int64_t left = bounds.left;
  for (int j = 0; j < height; ++j) {
    std::uint8_t* d = write->GetWriteRow(j);
    if (d == nullptr) continue;
    const std::int64_t Y = std::int64_t{bounds.top} + j;
    const Row r{left * C + Y * S, Y * C - left * S, C, -S};
    if constexpr (kNearest) {
      NearestValues(values.data(), r, width, s, Kind, FillValue(Kind, extra));
      PackNearest(d, values.data(), width, Kind);
    } else {
      BilinearRow<Kind, Bpp>(d, r, width, s, extra);
    }
    if (!progress.Step()) return 0;
  }
  return 1;
}

}  // namespace

int RotateGeneralFast(RotateKernel kind, WA* dst, const WA* src, const RECT& bounds, double radians,
                      const TransformProgress& progress, int extra) {
  const int format = RotateKernelFormat(kind);
  if (src->GetType() != format || dst->GetType() != format) return 0;
  try {
    switch (kind) {
      case RotateKernel::kHardGrey:
        return RotateRows<RotateKernel::kHardGrey, 1>(dst, src, bounds, radians, progress, extra);
      case RotateKernel::kSoftMask:
        return RotateRows<RotateKernel::kSoftMask, 1>(dst, src, bounds, radians, progress, extra);
      case RotateKernel::kSoftGreyImage:
        return RotateRows<RotateKernel::kSoftGreyImage, 1>(dst, src, bounds, radians, progress,
                                                           extra);
      case RotateKernel::kHardRgb:
        return RotateRows<RotateKernel::kHardRgb, 3>(dst, src, bounds, radians, progress, extra);
      case RotateKernel::kSoftRgb:
        return RotateRows<RotateKernel::kSoftRgb, 3>(dst, src, bounds, radians, progress, extra);
      case RotateKernel::kNearest8:
        return RotateRows<RotateKernel::kNearest8, 1>(dst, src, bounds, radians, progress, extra);
      case RotateKernel::kNearest4:
        return RotateRows<RotateKernel::kNearest4, 1>(dst, src, bounds, radians, progress, extra);
      case RotateKernel::kNearest1:
        return RotateRows<RotateKernel::kNearest1, 1>(dst, src, bounds, radians, progress, extra);
    }
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
