// Fast resampling kernels: axis plans, the separable bilinear row maker and
// the nearest row gathers.
//
// The bilinear value of a pixel is
//   (P00 (15 - fx)(15 - fy) + P10 fx (15 - fy) + P01 (15 - fx) fy + P11 fx fy) / 225
// and the weighted sum factors exactly into a vertical and a horizontal pass:
//   V(c) = P(c, row0) (15 - fy) + P(c, row1) fy            (at most 3825)
//   sum  = V(sx) (15 - fx) + V(sx + 1) fx                   (at most 57375)
// or the same with the passes swapped. Every intermediate fits in 16 bits, so
// the contiguous passes run eight lanes at a time with SSE2, and the single
// division by 225 at the end keeps the result identical to the formula.
#include "engine/geometry/ResampleKernels.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumora::resample {

BilinearAxis PlanBilinearAxis(int destinationExtent, int sourceExtent, int origin, bool mirrored) {
  BilinearAxis axis;
  const auto n = static_cast<std::size_t>(destinationExtent);
  axis.first.resize(n);
  axis.second.resize(n);
  axis.fraction.resize(n);
  for (int k = 0; k < destinationExtent; ++k) {
    const std::int64_t m = mirrored ? destinationExtent - 1 - k : k;
    const std::int64_t t = 16 * m * sourceExtent / destinationExtent;
    const int index = static_cast<int>(t >> 4);
    const bool last = index >= sourceExtent - 1;
    const int fraction = last ? 0 : static_cast<int>(t & 15);
    axis.first[k] = origin + index;
    axis.second[k] = origin + index + (last ? 0 : 1);
    axis.fraction[k] = static_cast<std::uint8_t>(fraction);
    if (fraction != 0) axis.allWhole = false;
  }
  return axis;
}

std::vector<std::int32_t> PlanNearestAxis(int destinationExtent, int sourceExtent, int origin,
                                          bool mirrored) {
  std::vector<std::int32_t> index(static_cast<std::size_t>(destinationExtent));
  for (int k = 0; k < destinationExtent; ++k) {
    const std::int64_t m = mirrored ? destinationExtent - 1 - k : k;
    index[k] = origin + static_cast<std::int32_t>(m * sourceExtent / destinationExtent);
  }
  return index;
}

namespace {

// v[k] = s0[k] * w0 + s1[k] * w1 for k in [begin, end).
void VerticalPass(std::uint16_t* v, const std::uint8_t* s0, const std::uint8_t* s1, int w0, int w1,
                  int begin, int end) {
  int k = begin;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i m0 = _mm_set1_epi16(static_cast<short>(w0));
  const __m128i m1 = _mm_set1_epi16(static_cast<short>(w1));
  for (; k + 16 <= end; k += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s0 + k));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s1 + k));
    const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), m0),
                                     _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), m1));
    const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), m0),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), m1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v + k), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v + k + 8), hi);
  }
#endif
  for (; k < end; ++k) v[k] = static_cast<std::uint16_t>(s0[k] * w0 + s1[k] * w1);
}

// dst[k] = (h0[k] * w0 + h1[k] * w1) / 225 for k in [0, n).
void BlendToBytes(std::uint8_t* dst, const std::uint16_t* h0, const std::uint16_t* h1, int w0,
                  int w1, int n) {
  int k = 0;
#if defined(__SSE2__)
  const __m128i m0 = _mm_set1_epi16(static_cast<short>(w0));
  const __m128i m1 = _mm_set1_epi16(static_cast<short>(w1));
  const __m128i recip = _mm_set1_epi16(static_cast<short>(37283));
  for (; k + 16 <= n; k += 16) {
    const auto* p0 = reinterpret_cast<const __m128i*>(h0 + k);
    const auto* p1 = reinterpret_cast<const __m128i*>(h1 + k);
    const __m128i s0 = _mm_add_epi16(_mm_mullo_epi16(_mm_loadu_si128(p0), m0),
                                     _mm_mullo_epi16(_mm_loadu_si128(p1), m1));
    const __m128i s1 = _mm_add_epi16(_mm_mullo_epi16(_mm_loadu_si128(p0 + 1), m0),
                                     _mm_mullo_epi16(_mm_loadu_si128(p1 + 1), m1));
    // (s * 37283) >> 23 as the high half of the product shifted by 7.
    const __m128i q0 = _mm_srli_epi16(_mm_mulhi_epu16(s0, recip), 7);
    const __m128i q1 = _mm_srli_epi16(_mm_mulhi_epu16(s1, recip), 7);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), _mm_packus_epi16(q0, q1));
  }
#endif
  for (; k < n; ++k) dst[k] = static_cast<std::uint8_t>(Div225(h0[k] * w0 + h1[k] * w1));
}

// Horizontal gather of `width` pixels of Bpp bytes from `src` (bytes or
// vertical sums), each sum multiplied by `scale` and divided by 225.
template <int Bpp, class T>
void GatherToBytes(std::uint8_t* dst, const T* src, const std::int32_t* off0,
                   const std::int32_t* off1, const std::uint8_t* fraction, int width,
                   std::uint32_t scale) {
  for (int x = 0; x < width; ++x) {
    const std::uint32_t f = fraction[x];
    const std::uint32_t g = 15 - f;
    const T* a = src + off0[x];
    const T* b = src + off1[x];
    for (int c = 0; c < Bpp; ++c) {
      dst[c] = static_cast<std::uint8_t>(Div225((a[c] * g + b[c] * f) * scale));
    }
    dst += Bpp;
  }
}

// Horizontal pass of one source row into 16-bit sums.
template <int Bpp>
void GatherToSums(std::uint16_t* out, const std::uint8_t* src, const std::int32_t* off0,
                  const std::int32_t* off1, const std::uint8_t* fraction, int width) {
  for (int x = 0; x < width; ++x) {
    const std::uint32_t f = fraction[x];
    const std::uint32_t g = 15 - f;
    const std::uint8_t* a = src + off0[x];
    const std::uint8_t* b = src + off1[x];
    for (int c = 0; c < Bpp; ++c) out[c] = static_cast<std::uint16_t>(a[c] * g + b[c] * f);
    out += Bpp;
  }
}

template <int Bpp>
void CopyPixels(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* off, int width) {
  for (int x = 0; x < width; ++x) {
    const std::uint8_t* s = src + off[x];
    for (int c = 0; c < Bpp; ++c) dst[c] = s[c];
    dst += Bpp;
  }
}

}  // namespace

BilinearRows::BilinearRows(int bytesPerPixel, const BilinearAxis& columns, int sourceWidth,
                           bool keepSourceRows)
    : bpp_(bytesPerPixel),
      width_(static_cast<int>(columns.first.size())),
      columns_(columns),
      keepRows_(keepSourceRows) {
  offset0_.resize(columns.first.size());
  offset1_.resize(columns.first.size());
  int lo = sourceWidth;
  int hi = -1;
  for (int x = 0; x < width_; ++x) {
    offset0_[x] = columns.first[x] * bpp_;
    offset1_[x] = columns.second[x] * bpp_;
    lo = std::min(lo, columns.first[x]);
    hi = std::max(hi, columns.second[x]);
  }
  firstByte_ = width_ > 0 ? lo * bpp_ : 0;
  endByte_ = width_ > 0 ? (hi + 1) * bpp_ : 0;
  const auto rowSums = static_cast<std::size_t>(width_) * static_cast<std::size_t>(bpp_);
  if (keepRows_) {
    kept_[0].resize(rowSums);
    kept_[1].resize(rowSums);
  } else {
    vertical_.resize(static_cast<std::size_t>(endByte_));
  }
}

void BilinearRows::Horizontal(std::uint16_t* out, const std::uint8_t* src) const {
  if (bpp_ == 3) {
    GatherToSums<3>(out, src, offset0_.data(), offset1_.data(), columns_.fraction.data(), width_);
  } else {
    GatherToSums<1>(out, src, offset0_.data(), offset1_.data(), columns_.fraction.data(), width_);
  }
}

// The horizontal pass of source row `row`, computed once and kept until both
// slots are needed for other rows; never evicts `otherRow`.
const std::uint16_t* BilinearRows::KeptRow(int row, const std::uint8_t* src, int otherRow) {
  for (int slot = 0; slot < 2; ++slot) {
    if (keptRow_[slot] == row) return kept_[slot].data();
  }
  const int slot = keptRow_[0] == otherRow ? 1 : 0;
  Horizontal(kept_[slot].data(), src);
  keptRow_[slot] = row;
  return kept_[slot].data();
}

void BilinearRows::MakeRow(std::uint8_t* dst, int row0, const std::uint8_t* src0, int row1,
                           const std::uint8_t* src1, int fy) {
  const std::int32_t* off0 = offset0_.data();
  const std::int32_t* off1 = offset1_.data();
  const std::uint8_t* fraction = columns_.fraction.data();
  if (fy == 0 && columns_.allWhole) {
    // Every weight is 225 on one pixel: a plain gather.
    if (bpp_ == 3) {
      CopyPixels<3>(dst, src0, off0, width_);
    } else {
      CopyPixels<1>(dst, src0, off0, width_);
    }
    return;
  }
  if (keepRows_) {
    const std::uint16_t* h0 = KeptRow(row0, src0, fy != 0 ? row1 : -1);
    const std::uint16_t* h1 = fy != 0 ? KeptRow(row1, src1, row0) : h0;
    BlendToBytes(dst, h0, h1, 15 - fy, fy, width_ * bpp_);
    return;
  }
  if (fy == 0) {
    // One source row: its vertical sum is 15 times the pixel.
    if (bpp_ == 3) {
      GatherToBytes<3>(dst, src0, off0, off1, fraction, width_, 15);
    } else {
      GatherToBytes<1>(dst, src0, off0, off1, fraction, width_, 15);
    }
    return;
  }
  std::uint16_t* v = vertical_.data();
  VerticalPass(v, src0, src1, 15 - fy, fy, firstByte_, endByte_);
  if (bpp_ == 3) {
    GatherToBytes<3>(dst, v, off0, off1, fraction, width_, 1);
  } else {
    GatherToBytes<1>(dst, v, off0, off1, fraction, width_, 1);
  }
}

void NearestRow24(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* columns,
                  int width) {
  for (int x = 0; x < width; ++x) {
    const std::uint8_t* s = src + 3 * static_cast<std::ptrdiff_t>(columns[x]);
    dst[0] = s[0];
    dst[1] = s[1];
    dst[2] = s[2];
    dst += 3;
  }
}

void NearestRow8(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* columns,
                 int width) {
  for (int x = 0; x < width; ++x) dst[x] = src[columns[x]];
}

namespace {
inline unsigned Nibble(const std::uint8_t* row, int column) {
  const unsigned byte = row[column >> 1];
  return (column & 1) != 0 ? (byte & 0x0Fu) : (byte >> 4);
}
}  // namespace

void NearestRow4(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* columns, int width,
                 bool keepLastLow) {
  int x = 0;
  for (; x + 1 < width; x += 2) {
    dst[x >> 1] =
        static_cast<std::uint8_t>((Nibble(src, columns[x]) << 4) | Nibble(src, columns[x + 1]));
  }
  if (x < width) {
    const unsigned low = keepLastLow ? (dst[x >> 1] & 0x0Fu) : 0u;
    dst[x >> 1] = static_cast<std::uint8_t>((Nibble(src, columns[x]) << 4) | low);
  }
}

void NearestRow1(std::uint8_t* dst, const std::uint8_t* src, const std::int32_t* columns,
                 int width) {
  unsigned acc = 0;
  unsigned mask = 0x80;
  for (int x = 0; x < width; ++x) {
    const int c = columns[x];
    if ((src[c >> 3] & (0x80u >> (c & 7))) != 0) acc |= mask;
    mask >>= 1;
    if (mask == 0) {
      *dst++ = static_cast<std::uint8_t>(acc);
      acc = 0;
      mask = 0x80;
    }
  }
  if (mask != 0x80) *dst = static_cast<std::uint8_t>(acc);
}

}  // namespace lumora::resample
