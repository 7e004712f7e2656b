// Vector kernels: BGR rows de-interleaved with byte shuffles, products and
// pair sums with pmaddwd, 16 pixels a step in SSSE3, 32 in AVX2.
#include "libs/draw/render_simd.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string_view>

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define LUMORA_DRAW_X86 1
#endif

namespace lumora::draw {
namespace {

bool ProcessorHasSsse3() {
#if defined(LUMORA_DRAW_X86) && defined(__GNUC__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
#else
  return false;
#endif
}

bool ProcessorHasAvx2() {
#if defined(LUMORA_DRAW_X86) && defined(__GNUC__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

std::atomic<bool>& SimdSlot() {
  static std::atomic<bool> slot{[] {
    const char* env = std::getenv("LUMORA_DRAW_LEVEL");
    return ProcessorHasSsse3() && !(env && std::string_view(env) == "generic");
  }()};
  return slot;
}

// Shuffle masks over three 16-byte chunks of 16 BGR pixels: for each chunk,
// where each output byte comes from (0x80: zero).
struct Masks {
  alignas(16) std::uint8_t plane[3][3][16];   // [channel][chunk]: channel bytes of pixels 0..15
  alignas(16) std::uint8_t quad[4][3][16];    // [output][chunk]: pixels 4q..4q+3 as B, G, R, 0
  Masks() {
    std::memset(plane, 0x80, sizeof(plane));
    std::memset(quad, 0x80, sizeof(quad));
    for (int p = 0; p < 16; ++p)
      for (int ch = 0; ch < 3; ++ch) {
        const int g = 3 * p + ch;
        plane[ch][g / 16][p] = static_cast<std::uint8_t>(g % 16);
        quad[p / 4][g / 16][(p % 4) * 4 + ch] = static_cast<std::uint8_t>(g % 16);
      }
  }
};
const Masks& ShuffleMasks() {
  static const Masks masks;
  return masks;
}

inline std::uint32_t Div255(std::uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

inline std::uint32_t BlendPixel(const std::uint8_t* p, std::uint32_t a, std::uint32_t k) {
  const std::uint32_t ka = k * (255 - a);
  return (Div255(p[2] * a + ka) << 16) | (Div255(p[1] * a + ka) << 8) | Div255(p[0] * a + ka);
}

}  // namespace

bool DrawSimdEnabled() { return SimdSlot().load(std::memory_order_relaxed); }

bool SetDrawSimd(bool on) { return SimdSlot().exchange(on && ProcessorHasSsse3()); }

#ifdef LUMORA_DRAW_X86

__attribute__((target("ssse3"))) static inline __m128i Gather(const __m128i c[3], const std::uint8_t (*mask)[16]) {
  __m128i v = _mm_shuffle_epi8(c[0], _mm_load_si128(reinterpret_cast<const __m128i*>(mask[0])));
  v = _mm_or_si128(v, _mm_shuffle_epi8(c[1], _mm_load_si128(reinterpret_cast<const __m128i*>(mask[1]))));
  return _mm_or_si128(v, _mm_shuffle_epi8(c[2], _mm_load_si128(reinterpret_cast<const __m128i*>(mask[2]))));
}

__attribute__((target("ssse3"))) void SampleRowSsse3(const std::uint8_t* bgr, const std::uint8_t* a,
                                                     const std::uint8_t* checker, std::uint32_t* out,
                                                     std::size_t n) {
  const Masks& m = ShuffleMasks();
  const __m128i all = _mm_set1_epi8(static_cast<char>(0xFF));
  std::size_t k = 0;
  for (; k + 16 <= n; k += 16) {
    const std::uint8_t* p = bgr + 3 * k;
    int opaque = 0xFFFF;
    if (a) opaque = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k)), all));
    if (opaque == 0xFFFF) {
      const __m128i c[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))};
      for (int q = 0; q < 4; ++q) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 4 * q), Gather(c, m.quad[q]));
      }
      continue;
    }
    for (std::size_t j = k; j < k + 16; ++j) {
      const std::uint32_t alpha = a[j];
      const std::uint8_t* px = bgr + 3 * j;
      out[j] = alpha == 255 ? (std::uint32_t{px[2]} << 16) | (std::uint32_t{px[1]} << 8) | px[0]
               : alpha == 0 ? checker[j] * 0x010101u
                            : BlendPixel(px, alpha, checker[j]);
    }
  }
  for (; k < n; ++k) {
    const std::uint32_t alpha = a ? a[k] : 255;
    const std::uint8_t* px = bgr + 3 * k;
    out[k] = alpha == 255 ? (std::uint32_t{px[2]} << 16) | (std::uint32_t{px[1]} << 8) | px[0]
                          : BlendPixel(px, alpha, checker[k]);
  }
}

// 32 pixels a step in AVX2 (each 128-bit lane holds 16): returns how many
// pixels it did.
__attribute__((target("avx2"))) static std::size_t StoreGroupSumsAvx2(
    const std::uint8_t* const* bgr, const std::uint8_t* const* alpha, int rows, std::size_t pixels, bool quads,
    std::uint32_t* const* sums) {
  const Masks& m = ShuffleMasks();
  const __m256i zero = _mm256_setzero_si256();
  const __m256i ones = _mm256_set1_epi16(1);
  const __m256i full = _mm256_set1_epi16(255);
  __m256i plane[3][3];
  for (int ch = 0; ch < 3; ++ch)
    for (int c = 0; c < 3; ++c) {
      plane[ch][c] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(m.plane[ch][c])));
    }
  std::size_t k = 0;
  for (; k + 32 <= pixels; k += 32) {
    __m256i acc[8] = {zero, zero, zero, zero, zero, zero, zero, zero};
    for (int r = 0; r < rows; ++r) {
      const std::uint8_t* p = bgr[r] + 3 * k;
      __m256i aLo = full, aHi = full;
      if (alpha[r]) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(alpha[r] + k));
        if (static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, zero))) == 0xFFFFFFFFu) continue;
        aLo = _mm256_unpacklo_epi8(a, zero);
        aHi = _mm256_unpackhi_epi8(a, zero);
      }
      __m256i c[3];
      for (int j = 0; j < 3; ++j) {
        c[j] = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * j))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48 + 16 * j)), 1);
      }
      for (int ch = 0; ch < 3; ++ch) {
        __m256i v = _mm256_shuffle_epi8(c[0], plane[ch][0]);
        v = _mm256_or_si256(v, _mm256_shuffle_epi8(c[1], plane[ch][1]));
        v = _mm256_or_si256(v, _mm256_shuffle_epi8(c[2], plane[ch][2]));
        acc[2 * ch] = _mm256_add_epi32(acc[2 * ch], _mm256_madd_epi16(_mm256_unpacklo_epi8(v, zero), aLo));
        acc[2 * ch + 1] = _mm256_add_epi32(acc[2 * ch + 1], _mm256_madd_epi16(_mm256_unpackhi_epi8(v, zero), aHi));
      }
      acc[6] = _mm256_add_epi32(acc[6], _mm256_madd_epi16(aLo, ones));
      acc[7] = _mm256_add_epi32(acc[7], _mm256_madd_epi16(aHi, ones));
    }
    for (int ch = 0; ch < 4; ++ch) {
      if (quads) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums[ch] + k / 4),
                            _mm256_hadd_epi32(acc[2 * ch], acc[2 * ch + 1]));
      } else {
        __m256i* dst = reinterpret_cast<__m256i*>(sums[ch] + k / 2);
        _mm256_storeu_si256(dst, _mm256_permute2x128_si256(acc[2 * ch], acc[2 * ch + 1], 0x20));
        _mm256_storeu_si256(dst + 1, _mm256_permute2x128_si256(acc[2 * ch], acc[2 * ch + 1], 0x31));
      }
    }
  }
  return k;
}

__attribute__((target("ssse3"))) void StoreGroupSumsSsse3(const std::uint8_t* const* bgr,
                                                          const std::uint8_t* const* alpha, int rows,
                                                          std::size_t pixels, bool quads, std::uint32_t* sumB,
                                                          std::uint32_t* sumG, std::uint32_t* sumR,
                                                          std::uint32_t* sumA) {
  const Masks& m = ShuffleMasks();
  const __m128i zero = _mm_setzero_si128();
  const __m128i ones = _mm_set1_epi16(1);
  const __m128i full = _mm_set1_epi16(255);
  std::uint32_t* sums[4] = {sumB, sumG, sumR, sumA};
  static const bool avx2 = ProcessorHasAvx2();
  const std::size_t done = avx2 ? StoreGroupSumsAvx2(bgr, alpha, rows, pixels, quads, sums) : 0;
  for (std::size_t k = done; k < pixels; k += 16) {
    __m128i acc[8] = {zero, zero, zero, zero, zero, zero, zero, zero};
    for (int r = 0; r < rows; ++r) {
      const std::uint8_t* p = bgr[r] + 3 * k;
      __m128i aLo = full, aHi = full;
      if (alpha[r]) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha[r] + k));
        // Fully transparent pixels add nothing at all.
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(a, zero)) == 0xFFFF) continue;
        aLo = _mm_unpacklo_epi8(a, zero);
        aHi = _mm_unpackhi_epi8(a, zero);
      }
      const __m128i c[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))};
      for (int ch = 0; ch < 3; ++ch) {
        const __m128i v = Gather(c, m.plane[ch]);
        // c * a fits 16 bits as a signed pair operand (both <= 255); pmaddwd adds neighbours.
        acc[2 * ch] = _mm_add_epi32(acc[2 * ch], _mm_madd_epi16(_mm_unpacklo_epi8(v, zero), aLo));
        acc[2 * ch + 1] = _mm_add_epi32(acc[2 * ch + 1], _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), aHi));
      }
      acc[6] = _mm_add_epi32(acc[6], _mm_madd_epi16(aLo, ones));
      acc[7] = _mm_add_epi32(acc[7], _mm_madd_epi16(aHi, ones));
    }
    for (int ch = 0; ch < 4; ++ch) {
      if (quads) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums[ch] + k / 4), _mm_hadd_epi32(acc[2 * ch], acc[2 * ch + 1]));
      } else {
        __m128i* dst = reinterpret_cast<__m128i*>(sums[ch] + k / 2);
        _mm_storeu_si128(dst, acc[2 * ch]);
        _mm_storeu_si128(dst + 1, acc[2 * ch + 1]);
      }
    }
  }
}

void FinishBoxesSse2(const std::uint32_t* sumB, const std::uint32_t* sumG, const std::uint32_t* sumR,
                     const std::uint32_t* sumA, const std::uint8_t* checker, std::uint32_t full,
                     std::uint32_t* out, std::size_t n) {
  // Exact in doubles: every term stays below 2^53; the quotient is taken as
  // (x + 0.5) / d, never within 2^-40 of a whole number unless it is one.
  const __m128d fullD = _mm_set1_pd(static_cast<double>(full));
  const __m128d bias = _mm_set1_pd(static_cast<double>(full) + 0.5);
  const __m128d inverse = _mm_set1_pd(1.0 / (2.0 * static_cast<double>(full)));
  const __m128d two = _mm_set1_pd(2.0);
  std::size_t k = 0;
  for (; k + 2 <= n; k += 2) {
    const auto load2 = [k](const std::uint32_t* p) {
      return _mm_cvtepi32_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + k)));
    };
    const __m128d kd = _mm_set_pd(checker[k + 1], checker[k]);
    const __m128d back = _mm_mul_pd(kd, _mm_sub_pd(fullD, load2(sumA)));
    const auto mean = [&](const std::uint32_t* s) {
      const __m128d x = _mm_add_pd(_mm_mul_pd(two, _mm_add_pd(load2(s), back)), bias);
      return _mm_cvttpd_epi32(_mm_mul_pd(x, inverse));
    };
    const __m128i r = mean(sumR), g = mean(sumG), b = mean(sumB);
    const __m128i rgb = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, 16), _mm_slli_epi32(g, 8)), b);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), rgb);
  }
  for (; k < n; ++k) {
    const double back = checker[k] * (static_cast<double>(full) - sumA[k]);
    const double inv = 1.0 / (2.0 * full);
    const auto mean = [&](std::uint32_t s) {
      return static_cast<std::uint32_t>((2.0 * (s + back) + full + 0.5) * inv);
    };
    out[k] = (mean(sumR[k]) << 16) | (mean(sumG[k]) << 8) | mean(sumB[k]);
  }
}

#else

void SampleRowSsse3(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, std::uint32_t*, std::size_t) {}
void StoreGroupSumsSsse3(const std::uint8_t* const*, const std::uint8_t* const*, int, std::size_t, bool,
                         std::uint32_t*, std::uint32_t*, std::uint32_t*, std::uint32_t*) {}
void FinishBoxesSse2(const std::uint32_t*, const std::uint32_t*, const std::uint32_t*, const std::uint32_t*,
                     const std::uint8_t*, std::uint32_t, std::uint32_t*, std::size_t) {}

#endif

}  // namespace lumora::draw
