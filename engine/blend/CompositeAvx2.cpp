// The AVX2 level of the row spans: 32 bytes a step, chosen at run time on
// processors that have AVX2. Only the functions below the target pragma use
// AVX2 instructions; everything with external linkage that this file
// instantiates from headers is compiled before it, for the base level.
#include "engine/blend/CompositeKernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include <algorithm>
#include <cstring>

// GCC compiles only what follows for AVX2; clang ignores the pragma and
// gets the whole file compiled for AVX2 by the build instead. Vectors pass
// only between functions of this region (the boundary, RunSpan, takes
// pointers), so the ABI note mingw's GCC gives when the region closes does
// not apply.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace {

struct VAvx2 {
  static constexpr int kBytes = 32;
  using B = __m256i;  // 32 bytes
  using W = __m256i;  // 16 lanes of 16 bits, in byte order
  using D = __m256i;  // 8 lanes of 32 bits, in the in-lane order of unpack
  using F = __m256;

  static B Load(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  static void Store(std::uint8_t* p, B v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
  static B ZeroB() { return _mm256_setzero_si256(); }
  static B Set8(int v) { return _mm256_set1_epi8(static_cast<char>(v)); }
  static B CmpEq8(B a, B b) { return _mm256_cmpeq_epi8(a, b); }
  static B AndB(B a, B b) { return _mm256_and_si256(a, b); }
  static B OrB(B a, B b) { return _mm256_or_si256(a, b); }
  static B NotB(B a) { return _mm256_xor_si256(a, _mm256_set1_epi8(-1)); }
  static B SelectB(B m, B a, B b) { return _mm256_blendv_epi8(b, a, m); }
  static bool AllSet(B m) { return _mm256_movemask_epi8(m) == -1; }

  static W Zero() { return _mm256_setzero_si256(); }
  static W Set16(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }
  static W WidenLo(B b) { return _mm256_cvtepu8_epi16(_mm256_castsi256_si128(b)); }
  static W WidenHi(B b) { return _mm256_cvtepu8_epi16(_mm256_extracti128_si256(b, 1)); }
  static B Narrow(W lo, W hi) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
  }
  static W Add(W a, W b) { return _mm256_add_epi16(a, b); }
  static W Sub(W a, W b) { return _mm256_sub_epi16(a, b); }
  static W SubsU16(W a, W b) { return _mm256_subs_epu16(a, b); }
  static W MulLo(W a, W b) { return _mm256_mullo_epi16(a, b); }
  static W MulHiU(W a, W b) { return _mm256_mulhi_epu16(a, b); }
  static W Min16(W a, W b) { return _mm256_min_epi16(a, b); }
  static W Max16(W a, W b) { return _mm256_max_epi16(a, b); }
  static W CmpEq16(W a, W b) { return _mm256_cmpeq_epi16(a, b); }
  static W CmpGt16(W a, W b) { return _mm256_cmpgt_epi16(a, b); }
  static W And(W a, W b) { return _mm256_and_si256(a, b); }
  static W Or(W a, W b) { return _mm256_or_si256(a, b); }
  static W Select(W m, W a, W b) { return _mm256_blendv_epi8(b, a, m); }
  template <int k>
  static W Srli(W a) {
    return _mm256_srli_epi16(a, k);
  }
  template <int k>
  static W Srai(W a) {
    return _mm256_srai_epi16(a, k);
  }
  template <int k>
  static W Slli(W a) {
    return _mm256_slli_epi16(a, k);
  }

  // The 32-bit halves are taken and put back with in-lane unpack and pack,
  // which undo each other, so lane order never matters.
  static D MulWideLo(W a, W b) {
    return _mm256_unpacklo_epi16(_mm256_mullo_epi16(a, b), _mm256_mulhi_epu16(a, b));
  }
  static D MulWideHi(W a, W b) {
    return _mm256_unpackhi_epi16(_mm256_mullo_epi16(a, b), _mm256_mulhi_epu16(a, b));
  }
  static D Add32(D a, D b) { return _mm256_add_epi32(a, b); }
  static D UnsignedLo32(W a) { return _mm256_unpacklo_epi16(a, _mm256_setzero_si256()); }
  static D UnsignedHi32(W a) { return _mm256_unpackhi_epi16(a, _mm256_setzero_si256()); }
  static D SignedLo32(W a) { return _mm256_srai_epi32(_mm256_unpacklo_epi16(a, a), 16); }
  static D SignedHi32(W a) { return _mm256_srai_epi32(_mm256_unpackhi_epi16(a, a), 16); }
  static W Pack32(D lo, D hi) { return _mm256_packs_epi32(lo, hi); }
  static F SetF(float v) { return _mm256_set1_ps(v); }
  static F ToF(D a) { return _mm256_cvtepi32_ps(a); }
  static D TruncF(F a) { return _mm256_cvttps_epi32(a); }
  static F MulF(F a, F b) { return _mm256_mul_ps(a, b); }
  static F DivF(F a, F b) { return _mm256_div_ps(a, b); }
  static F AddF(F a, F b) { return _mm256_add_ps(a, b); }
  static F SubF(F a, F b) { return _mm256_sub_ps(a, b); }
  static F MinF(F a, F b) { return _mm256_min_ps(a, b); }
  static F MaxF(F a, F b) { return _mm256_max_ps(a, b); }
  static F CmpEqF(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_EQ_OQ); }
  static F CmpLeF(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LE_OQ); }
  static F CmpLtF(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
  static F SelectF(F m, F a, F b) { return _mm256_blendv_ps(b, a, m); }
  static F LoadF(const float* p) { return _mm256_loadu_ps(p); }
  static void StoreF(float* p, F v) { _mm256_storeu_ps(p, v); }

  // Each byte three times; n a multiple of 16.
  static void Expand3(std::uint8_t* out, const std::uint8_t* in, int n) {
    const __m128i m0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i m1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i m2 =
        _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    for (int i = 0; i < n; i += 16, out += 48) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(v, m0));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_shuffle_epi8(v, m1));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm_shuffle_epi8(v, m2));
    }
  }
};

#include "engine/blend/CompositeSimd.inl"

}  // namespace

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif

namespace lumora::detail {

const SpanKernels* Avx2Kernels() {
  static constexpr SpanKernels kKernels{RunSpan<VAvx2, 3>, RunSpan<VAvx2, 1>};
  return &kKernels;
}

}  // namespace lumora::detail

#else

namespace lumora::detail {
const SpanKernels* Avx2Kernels() { return nullptr; }
}  // namespace lumora::detail

#endif
