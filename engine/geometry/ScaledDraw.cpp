// Scaled drawing of an image or mask into a rectangle: the fast walks (plans
// per axis, box sums kept per source column), the plain per-pixel reference
// walk and the nearest-pixel stretch.
#include "engine/geometry/ScaledDraw.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/blend/CompositeKernels.h"
#include "engine/pixels/ProductTable.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/geometry/ResampleKernels.h"
#include "platform/rect.h"
#include "platform/ref_ptr.h"

using VrWA2000::ReadWA;
using VrWA2000::WA;

namespace {

using AccessPtr = lumora::RefPtr<ReadWA::Access>;
using lumora::Div255;
using lumora::resample::Div225;

// What every walk derives from the request before touching a pixel.
struct Frame {
  RECT r = {};          // the rect clipped to the destination
  std::int64_t dw = 0;  // unclipped size
  std::int64_t dh = 0;
  int srcW = 0;
  int srcH = 0;
  int maskW = 0;
  int maskH = 0;
  int kx = 0;  // box size, 0 when interpolating
  int ky = 0;
  bool interpolate = false;
  int srcBpp = 1;  // bytes a source pixel
};

// A non-zero even factor is raised by one, so that the box has a centre.
int BoxFactor(std::int64_t source, std::int64_t destination) {
  const std::int64_t k = source / destination;
  return static_cast<int>(k != 0 && k % 2 == 0 ? k + 1 : k);
}

// Checks the request; false when the buffers do not fit it. `inside` is set
// when something lies inside the destination.
bool MakeFrame(const lumora::scaled::ScaledDraw& d, Frame* f, bool* inside) {
  *inside = false;
  if (d.dst == nullptr || d.source == nullptr) return false;
  if (d.dst->GetBPP() != (d.wide ? 24 : 8)) return false;
  const int srcBits = d.source->GetBPP();
  if (srcBits != 8 && !(srcBits == 24 && d.wide)) return false;
  if (d.mask != nullptr && d.mask->GetBPP() != 8) return false;
  if (!lumora::IsLayerRect(d.rect)) return false;
  f->dw = std::int64_t{d.rect.right} - d.rect.left;
  f->dh = std::int64_t{d.rect.bottom} - d.rect.top;
  if (f->dw <= 0 || f->dh <= 0) return true;
  f->srcW = d.source->GetW();
  f->srcH = d.source->GetH();
  if (f->srcW <= 0 || f->srcH <= 0) return true;
  f->maskW = d.mask != nullptr ? d.mask->GetW() : 0;
  f->maskH = d.mask != nullptr ? d.mask->GetH() : 0;
  if (d.mask != nullptr && (f->maskW <= 0 || f->maskH <= 0)) return true;
  f->srcBpp = srcBits / 8;
  f->kx = BoxFactor(f->srcW, f->dw);
  f->ky = BoxFactor(f->srcH, f->dh);
  f->interpolate = f->kx == 0 || f->ky == 0;
  *inside = lumora::RectIntersect(&f->r, d.rect, RECT{0, 0, d.dst->GetW(), d.dst->GetH()});
  return true;
}

// k * extent / destination with k < 2^32 and extent < 2^35: 128 bits.
std::int64_t Scale(std::int64_t k, std::int64_t extent, std::int64_t destination) {
  return static_cast<std::int64_t>(static_cast<__int128>(k) * extent / destination);
}

// Writes one sample: replaced, or mixed with the destination by the mask
// value m: (d (255 - m) + v m) / 255.
template <bool Wide, int SrcBpp, bool Masked>
inline void Put(std::uint8_t* out, int ch, int v, int m) {
  if constexpr (Wide && SrcBpp == 1) {
    for (int k = 0; k < 3; ++k) Put<false, 1, Masked>(out + k, 0, v, m);
  } else if constexpr (Masked) {
    out[ch] =
        static_cast<std::uint8_t>(Div255(static_cast<std::uint32_t>(out[ch] * (255 - m) + v * m)));
  } else {
    out[ch] = static_cast<std::uint8_t>(v);
  }
}

// ---------------------------------------------------------------------------
// Fast interpolation: per-axis plans, two source rows per destination row.

struct InterpAxis {
  std::vector<std::int32_t> s0;
  std::vector<std::int32_t> s1;
  std::vector<std::uint8_t> f;
};

// Samples of destination offsets k0 .. k0 + n - 1 along an axis of `extent`
// source pixels mapped onto `destination` pixels, the indexes clamped below
// `clampTo` (a mask may be smaller than its image).
InterpAxis PlanInterp(std::int64_t k0, int n, int extent, std::int64_t destination, int clampTo) {
  InterpAxis a;
  a.s0.resize(n);
  a.s1.resize(n);
  a.f.resize(n);
  for (int i = 0; i < n; ++i) {
    const std::int64_t p = Scale(k0 + i, std::int64_t{extent} * 16, destination);
    std::int64_t s = p >> 4, s1 = s + 1;
    int fr = static_cast<int>(p & 15);
    if (s1 >= extent) {
      s1 = s;
      fr = 0;
    }
    a.s0[i] = static_cast<std::int32_t>(std::min<std::int64_t>(s, clampTo - 1));
    a.s1[i] = static_cast<std::int32_t>(std::min<std::int64_t>(s1, clampTo - 1));
    a.f[i] = static_cast<std::uint8_t>(fr);
  }
  return a;
}

inline int Interp(const std::uint8_t* r0, const std::uint8_t* r1, int o0, int o1, int fx, int fy) {
  const auto& t = lumora::kProductTable;
  const std::uint32_t sum = r0[o0] * t[15 - fx][15 - fy] + r0[o1] * t[fx][15 - fy] +
                            r1[o0] * t[15 - fx][fy] + r1[o1] * t[fx][fy];
  return static_cast<int>(Div225(sum));
}

template <bool Wide, int SrcBpp, bool Masked>
void InterpWalk(const lumora::scaled::ScaledDraw& d, const Frame& f) {
  const int n = f.r.right - f.r.left;
  const int rows = f.r.bottom - f.r.top;
  const InterpAxis cols = PlanInterp(f.r.left - d.rect.left, n, f.srcW, f.dw, f.srcW);
  const InterpAxis lines = PlanInterp(f.r.top - d.rect.top, rows, f.srcH, f.dh, f.srcH);
  InterpAxis maskCols, maskLines;
  if constexpr (Masked) {
    maskCols = PlanInterp(f.r.left - d.rect.left, n, f.srcW, f.dw, f.maskW);
    maskLines = PlanInterp(f.r.top - d.rect.top, rows, f.srcH, f.dh, f.maskH);
  }
  const AccessPtr write = AccessPtr::Adopt(d.dst->GetAccess());
  const AccessPtr read = AccessPtr::Adopt(d.source->GetReadAccess());
  const AccessPtr readMask = Masked ? AccessPtr::Adopt(d.mask->GetReadAccess()) : AccessPtr();
  constexpr int kDstBpp = Wide ? 3 : 1;
  for (int j = 0; j < rows; ++j) {
    std::uint8_t* out = write->GetWriteRow(f.r.top + j);
    const std::uint8_t* a = read->GetRow(lines.s0[j]);
    const std::uint8_t* b = read->GetRow(lines.s1[j]);
    const std::uint8_t* ma = Masked ? readMask->GetRow(maskLines.s0[j]) : nullptr;
    const std::uint8_t* mb = Masked ? readMask->GetRow(maskLines.s1[j]) : nullptr;
    if (out == nullptr || a == nullptr || b == nullptr ||
        (Masked && (ma == nullptr || mb == nullptr)))
      continue;
    out += static_cast<std::ptrdiff_t>(f.r.left) * kDstBpp;
    const int fy = lines.f[j];
    for (int i = 0; i < n; ++i, out += kDstBpp) {
      const int fx = cols.f[i];
      int m = 255;
      if constexpr (Masked) m = Interp(ma, mb, maskCols.s0[i], maskCols.s1[i], fx, maskLines.f[j]);
      const int o0 = cols.s0[i] * SrcBpp, o1 = cols.s1[i] * SrcBpp;
      for (int ch = 0; ch < SrcBpp; ++ch)
        Put<Wide, SrcBpp, Masked>(out, ch, Interp(a + ch, b + ch, o0, o1, fx, fy), m);
    }
  }
}

// ---------------------------------------------------------------------------
// Fast box average: for each destination row the box's source rows are added
// once each into per-column sums (16-bit partial sums, flushed into 64 bits
// every 257 rows, before 255 * 258 could overflow), then each destination
// pixel adds its box's columns.

void AddRow16(std::uint16_t* acc, const std::uint8_t* src, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    __m128i* p = reinterpret_cast<__m128i*>(acc + i);
    _mm_storeu_si128(p, _mm_add_epi16(_mm_loadu_si128(p), _mm_unpacklo_epi8(v, zero)));
    _mm_storeu_si128(p + 1, _mm_add_epi16(_mm_loadu_si128(p + 1), _mm_unpackhi_epi8(v, zero)));
  }
#endif
  for (; i < n; ++i) acc[i] = static_cast<std::uint16_t>(acc[i] + src[i]);
}

// Column sums of one buffer over the box rows of a destination row.
class ColumnSums {
 public:
  // Columns lo .. hi (clamped to the buffer) of a buffer of `bpp` bytes a
  // pixel, `width` x `height` pixels.
  ColumnSums(const ReadWA* buffer, int bpp, int width, int height, int lo, int hi)
      : access_(AccessPtr::Adopt(buffer->GetReadAccess())),
        bpp_(bpp),
        width_(width),
        height_(height),
        lo_(lo),
        part_(static_cast<std::size_t>(hi - lo + 1) * bpp),
        total_(part_.size()) {}

  // Sums of rows sy - ky/2 .. sy + ky/2, each clamped into the buffer.
  void Sum(int sy, int ky) {
    std::fill(total_.begin(), total_.end(), 0);
    std::fill(part_.begin(), part_.end(), 0);
    const int n = static_cast<int>(part_.size());
    int inPart = 0;
    for (std::int64_t row = std::int64_t{sy} - ky / 2; row <= std::int64_t{sy} + ky / 2; ++row) {
      const int clamped = static_cast<int>(std::clamp<std::int64_t>(row, 0, height_ - 1));
      const std::uint8_t* src = access_->GetRow(clamped);
      if (src == nullptr) continue;
      AddRow16(part_.data(), src + static_cast<std::ptrdiff_t>(lo_) * bpp_, n);
      if (++inPart == 257) {
        Flush();
        inPart = 0;
      }
    }
    Flush();
  }

  // The box sum of channel `ch` over columns sx - kx/2 .. sx + kx/2.
  std::uint64_t Box(int sx, int kx, int ch) const {
    std::uint64_t sum = 0;
    for (std::int64_t c = std::int64_t{sx} - kx / 2; c <= std::int64_t{sx} + kx / 2; ++c) {
      const std::int64_t clamped = std::clamp<std::int64_t>(c, 0, width_ - 1);
      sum += total_[static_cast<std::size_t>((clamped - lo_) * bpp_ + ch)];
    }
    return sum;
  }

 private:
  void Flush() {
    for (std::size_t i = 0; i < part_.size(); ++i) {
      total_[i] += part_[i];
      part_[i] = 0;
    }
  }

  AccessPtr access_;
  int bpp_;
  int width_;
  int height_;
  int lo_;
  std::vector<std::uint16_t> part_;
  std::vector<std::uint64_t> total_;
};

// Box centres of destination offsets k0 .. k0 + n - 1.
std::vector<std::int32_t> PlanCentres(std::int64_t k0, int n, int extent,
                                      std::int64_t destination) {
  std::vector<std::int32_t> s(n);
  for (int i = 0; i < n; ++i) s[i] = static_cast<std::int32_t>(Scale(k0 + i, extent, destination));
  return s;
}

// Source columns that the boxes of the first and last centre reach, clamped
// into `width`.
ColumnSums MakeSums(const ReadWA* buffer, int bpp, int width, int height,
                    const std::vector<std::int32_t>& centres, int kx) {
  const auto clamp = [width](std::int64_t c) {
    return static_cast<int>(std::clamp<std::int64_t>(c, 0, width - 1));
  };
  return ColumnSums(buffer, bpp, width, height, clamp(std::int64_t{centres.front()} - kx / 2),
                    clamp(std::int64_t{centres.back()} + kx / 2));
}

template <bool Wide, int SrcBpp, bool Masked>
void BoxWalk(const lumora::scaled::ScaledDraw& d, const Frame& f) {
  const int n = f.r.right - f.r.left;
  const int rows = f.r.bottom - f.r.top;
  const std::vector<std::int32_t> cols = PlanCentres(f.r.left - d.rect.left, n, f.srcW, f.dw);
  const std::vector<std::int32_t> lines = PlanCentres(f.r.top - d.rect.top, rows, f.srcH, f.dh);
  ColumnSums image = MakeSums(d.source, SrcBpp, f.srcW, f.srcH, cols, f.kx);
  std::vector<ColumnSums> mask;
  if constexpr (Masked) mask.push_back(MakeSums(d.mask, 1, f.maskW, f.maskH, cols, f.kx));
  const std::uint64_t count = std::uint64_t(f.kx) * std::uint64_t(f.ky);
  const AccessPtr write = AccessPtr::Adopt(d.dst->GetAccess());
  constexpr int kDstBpp = Wide ? 3 : 1;
  for (int j = 0; j < rows; ++j) {
    std::uint8_t* out = write->GetWriteRow(f.r.top + j);
    if (out == nullptr) continue;
    out += static_cast<std::ptrdiff_t>(f.r.left) * kDstBpp;
    image.Sum(lines[j], f.ky);
    if constexpr (Masked) mask[0].Sum(lines[j], f.ky);
    for (int i = 0; i < n; ++i, out += kDstBpp) {
      int m = 255;
      if constexpr (Masked) m = static_cast<int>(mask[0].Box(cols[i], f.kx, 0) / count);
      for (int ch = 0; ch < SrcBpp; ++ch) {
        const int v = static_cast<int>(image.Box(cols[i], f.kx, ch) / count);
        Put<Wide, SrcBpp, Masked>(out, ch, v, m);
      }
    }
  }
}

template <bool Wide, int SrcBpp, bool Masked>
void FastWalk(const lumora::scaled::ScaledDraw& d, const Frame& f) {
  if (f.interpolate) {
    InterpWalk<Wide, SrcBpp, Masked>(d, f);
  } else {
    BoxWalk<Wide, SrcBpp, Masked>(d, f);
  }
}

// ---------------------------------------------------------------------------
// Reference walk: every position computed for its pixel, every sample read
// through the row accesses as the formulas state them.

struct Sample {
  std::int64_t s0, s1;
  int f;
};

Sample InterpSample(std::int64_t k, int extent, std::int64_t destination) {
  const std::int64_t p = Scale(k, std::int64_t{extent} * 16, destination);
  Sample s{p >> 4, (p >> 4) + 1, static_cast<int>(p & 15)};
  if (s.s1 >= extent) {
    s.s1 = s.s0;
    s.f = 0;
  }
  return s;
}

// The interpolated value of byte `ch` of a `bpp`-byte buffer, indexes
// clamped into it.
int InterpAt(const ReadWA::Access* access, int bpp, int width, int height, const Sample& sx,
             const Sample& sy, int ch, bool* ok) {
  const auto row = [&](std::int64_t y) {
    return access->GetRow(static_cast<int>(std::min<std::int64_t>(y, height - 1)));
  };
  const std::uint8_t* r0 = row(sy.s0);
  const std::uint8_t* r1 = row(sy.s1);
  if (r0 == nullptr || r1 == nullptr) {
    *ok = false;
    return 0;
  }
  const std::int64_t x0 = std::min<std::int64_t>(sx.s0, width - 1) * bpp + ch;
  const std::int64_t x1 = std::min<std::int64_t>(sx.s1, width - 1) * bpp + ch;
  const int fx = sx.f, fy = sy.f;
  const int sum = r0[x0] * (15 - fx) * (15 - fy) + r0[x1] * fx * (15 - fy) +
                  r1[x0] * (15 - fx) * fy + r1[x1] * fx * fy;
  return sum / 225;
}

template <bool Wide, int SrcBpp, bool Masked>
void ReferenceWalk(const lumora::scaled::ScaledDraw& d, const Frame& f) {
  const AccessPtr write = AccessPtr::Adopt(d.dst->GetAccess());
  const AccessPtr read = AccessPtr::Adopt(d.source->GetReadAccess());
  const AccessPtr readMask = Masked ? AccessPtr::Adopt(d.mask->GetReadAccess()) : AccessPtr();
  constexpr int kDstBpp = Wide ? 3 : 1;
  for (LONG y = f.r.top; y < f.r.bottom; ++y) {
    std::uint8_t* row = write->GetWriteRow(y);
    if (row == nullptr) continue;
    const std::int64_t ky = std::int64_t{y} - d.rect.top;
    const Sample sy = InterpSample(ky, f.srcH, f.dh);
    const int by = static_cast<int>(Scale(ky, f.srcH, f.dh));
    std::vector<std::uint8_t> line(row, row + static_cast<std::ptrdiff_t>(f.r.right) * kDstBpp);
    bool ok = true;
    for (LONG x = f.r.left; x < f.r.right && ok; ++x) {
      const std::int64_t kx = std::int64_t{x} - d.rect.left;
      const Sample sx = InterpSample(kx, f.srcW, f.dw);
      const int bx = static_cast<int>(Scale(kx, f.srcW, f.dw));
      std::uint8_t* out = line.data() + static_cast<std::ptrdiff_t>(x) * kDstBpp;
      int m = 255;
      if constexpr (Masked) {
        m = f.interpolate ? InterpAt(readMask.get(), 1, f.maskW, f.maskH, sx, sy, 0, &ok)
                          : BoxAverage8(readMask.get(), bx, by, f.maskW, f.maskH, f.kx, f.ky);
      }
      for (int ch = 0; ch < SrcBpp; ++ch) {
        int v;
        if (f.interpolate) {
          v = InterpAt(read.get(), SrcBpp, f.srcW, f.srcH, sx, sy, ch, &ok);
        } else if (SrcBpp == 3) {
          v = BoxAverage24(read.get(), bx, by, f.srcW, f.srcH, f.kx, f.ky, ch);
        } else {
          v = BoxAverage8(read.get(), bx, by, f.srcW, f.srcH, f.kx, f.ky);
        }
        Put<Wide, SrcBpp, Masked>(out, ch, v, m);
      }
    }
    // A source row that cannot be had leaves the destination row unchanged.
    if (ok) std::memcpy(row, line.data(), line.size());
  }
}

// Chooses the instantiation for the request's pixel sizes and mask.
template <bool Wide, int SrcBpp>
void Run(bool reference, bool masked, const lumora::scaled::ScaledDraw& d, const Frame& f) {
  if (reference) {
    masked ? ReferenceWalk<Wide, SrcBpp, true>(d, f) : ReferenceWalk<Wide, SrcBpp, false>(d, f);
  } else {
    masked ? FastWalk<Wide, SrcBpp, true>(d, f) : FastWalk<Wide, SrcBpp, false>(d, f);
  }
}

bool Draw(const lumora::scaled::ScaledDraw& d, bool reference) {
  Frame f;
  bool inside = false;
  if (!MakeFrame(d, &f, &inside)) return false;
  if (!inside) return true;
  const bool masked = d.mask != nullptr;
  try {
    if (!d.wide) {
      Run<false, 1>(reference, masked, d, f);
    } else if (f.srcBpp == 1) {
      Run<true, 1>(reference, masked, d, f);
    } else {
      Run<true, 3>(reference, masked, d, f);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

namespace lumora::scaled {

bool DrawScaledFast(const ScaledDraw& draw) { return Draw(draw, false); }
bool DrawScaledReference(const ScaledDraw& draw) { return Draw(draw, true); }

bool StretchNearest(WA* dst, const RECT& rect, const WA* source) {
  if (dst == nullptr || source == nullptr || dst->GetType() != source->GetType()) return false;
  if (!lumora::IsLayerRect(rect)) return false;
  const std::int64_t dw = std::int64_t{rect.right} - rect.left;
  const std::int64_t dh = std::int64_t{rect.bottom} - rect.top;
  const int srcW = source->GetW(), srcH = source->GetH(), bits = source->GetBPP();
  RECT r;
  if (dw <= 0 || dh <= 0 || srcW <= 0 || srcH <= 0 ||
      !RectIntersect(&r, rect, RECT{0, 0, dst->GetW(), dst->GetH()})) {
    return true;
  }
  std::vector<std::int32_t> cols;
  try {
    cols = PlanCentres(r.left - rect.left, r.right - r.left, srcW, dw);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const AccessPtr write = AccessPtr::Adopt(dst->GetAccess());
  const AccessPtr read = AccessPtr::Adopt(source->GetReadAccess());
  for (LONG y = r.top; y < r.bottom; ++y) {
    const std::uint8_t* in =
        read->GetRow(static_cast<int>(Scale(std::int64_t{y} - rect.top, srcH, dh)));
    std::uint8_t* out = write->GetWriteRow(y);
    if (in == nullptr || out == nullptr) continue;
    for (LONG x = r.left; x < r.right; ++x) {
      const std::int32_t sx = cols[x - r.left];
      if (bits == 8) {
        out[x] = in[sx];
      } else if (bits == 24) {
        std::memcpy(out + 3 * static_cast<std::ptrdiff_t>(x), in + 3 * std::ptrdiff_t{sx}, 3);
      } else if (bits == 4) {
        const int v = (in[sx / 2] >> ((sx & 1) != 0 ? 0 : 4)) & 15;
        const int shift = (x & 1) != 0 ? 0 : 4;
        out[x / 2] = static_cast<std::uint8_t>((out[x / 2] & ~(15 << shift)) | (v << shift));
      } else {
        const int bit = (in[sx / 8] >> (7 - (sx & 7))) & 1;
        const int mask = 0x80 >> (x & 7);
        out[x / 8] = static_cast<std::uint8_t>(bit != 0 ? out[x / 8] | mask : out[x / 8] & ~mask);
      }
    }
  }
  return true;
}

}  // namespace lumora::scaled

namespace {

// The mean of byte `channel` of Bpp-byte pixels over the kx x ky box
// centred on (sx, sy); positions outside the image repeat its edge pixels.
template <int Bpp>
int BoxAverage(const ReadWA::Access* access, int sx, int sy, int width, int height, int kx, int ky,
               int channel) {
  std::uint64_t sum = 0;
  for (std::int64_t y = std::int64_t{sy} - ky / 2; y <= std::int64_t{sy} + ky / 2; ++y) {
    const std::uint8_t* row =
        access->GetRow(static_cast<int>(std::clamp<std::int64_t>(y, 0, height - 1)));
    if (row == nullptr) continue;
    for (std::int64_t x = std::int64_t{sx} - kx / 2; x <= std::int64_t{sx} + kx / 2; ++x) {
      sum += row[std::clamp<std::int64_t>(x, 0, width - 1) * Bpp + channel];
    }
  }
  return static_cast<int>(sum / std::max<std::uint64_t>(std::uint64_t(kx) * std::uint64_t(ky), 1));
}

}  // namespace

int BoxAverage24(const ReadWA::Access* access, int sx, int sy, int width, int height, int kx,
                 int ky, int channel) {
  return BoxAverage<3>(access, sx, sy, width, height, kx, ky, channel);
}

int BoxAverage8(const ReadWA::Access* access, int sx, int sy, int width, int height, int kx,
                int ky) {
  return BoxAverage<1>(access, sx, sy, width, height, kx, ky, 0);
}
