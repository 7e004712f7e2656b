// One RGB pixel of 4-bit bilinear interpolation with its three bytes in SSE2
// lanes, shared by the rotation and distort kernels:
//   (P00 (15 - fx)(15 - fy) + P10 fx (15 - fy) + P01 (15 - fx) fy + P11 fx fy) / 225
// per byte, every weighted sum below 2^16 and the division done as the exact
// multiply-and-shift of Div225.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace lumora::transform {

// The four weights of fractions (fx, fy) laid out for one RGB pixel in 16-bit
// lanes: w00 for the first pixel's bytes and w10 for its right neighbour's
// (top row), w01 and w11 likewise for the row below.
struct alignas(16) RgbWeights {
  std::int16_t top[8];
  std::int16_t bottom[8];
};

constexpr std::array<RgbWeights, 256> MakeRgbWeights() {
  std::array<RgbWeights, 256> table{};
  for (int fy = 0; fy < 16; ++fy) {
    for (int fx = 0; fx < 16; ++fx) {
      RgbWeights& w = table[fy * 16 + fx];
      for (int c = 0; c < 4; ++c) {
        w.top[c] = static_cast<std::int16_t>((15 - fx) * (15 - fy));
        w.top[4 + c] = static_cast<std::int16_t>(fx * (15 - fy));
        w.bottom[c] = static_cast<std::int16_t>((15 - fx) * fy);
        w.bottom[4 + c] = static_cast<std::int16_t>(fx * fy);
      }
    }
  }
  return table;
}

inline constexpr std::array<RgbWeights, 256> kRgbWeights = MakeRgbWeights();

inline __m128i Load4(const std::uint8_t* p) {
  std::int32_t v;
  std::memcpy(&v, p, 4);
  return _mm_cvtsi32_si128(v);
}

// The interpolated pixel of samples p0 (top row) and p1 (row below), their
// right neighbours 3 bytes on, as the low three bytes of the result. Each
// sample is read as four bytes, so the right neighbour must not be the row's
// last pixel (its fourth byte would lie beyond it).
inline std::uint32_t BilinearRgb(const std::uint8_t* p0, const std::uint8_t* p1, unsigned fx,
                                 unsigned fy) {
  const __m128i zero = _mm_setzero_si128();
  const RgbWeights& w = kRgbWeights[(fy << 4) | fx];
  const __m128i top = _mm_unpacklo_epi8(_mm_unpacklo_epi32(Load4(p0), Load4(p0 + 3)), zero);
  const __m128i bottom = _mm_unpacklo_epi8(_mm_unpacklo_epi32(Load4(p1), Load4(p1 + 3)), zero);
  __m128i sum = _mm_add_epi16(
      _mm_mullo_epi16(top, _mm_load_si128(reinterpret_cast<const __m128i*>(w.top))),
      _mm_mullo_epi16(bottom, _mm_load_si128(reinterpret_cast<const __m128i*>(w.bottom))));
  sum = _mm_add_epi16(sum, _mm_srli_si128(sum, 8));  // left + right samples
  // (sum * 37283) >> 23 = sum / 225 for every sum up to 57375.
  const __m128i q =
      _mm_srli_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi16(static_cast<short>(37283))), 7);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(q, q)));
}

}  // namespace lumora::transform

#endif
