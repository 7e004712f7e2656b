// The SSE2 level of the row spans: 16 bytes a step. Every x86-64 processor
// has SSE2, so this is the level any such machine can fall back to.
#include "engine/blend/CompositeKernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace {

struct VSse2 {
  static constexpr int kBytes = 16;
  using B = __m128i;  // 16 bytes
  using W = __m128i;  // 8 lanes of 16 bits
  using D = __m128i;  // 4 lanes of 32 bits
  using F = __m128;

  static B Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  }
  static void Store(std::uint8_t* p, B v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static B ZeroB() { return _mm_setzero_si128(); }
  static B Set8(int v) { return _mm_set1_epi8(static_cast<char>(v)); }
  static B CmpEq8(B a, B b) { return _mm_cmpeq_epi8(a, b); }
  static B AndB(B a, B b) { return _mm_and_si128(a, b); }
  static B OrB(B a, B b) { return _mm_or_si128(a, b); }
  static B NotB(B a) { return _mm_xor_si128(a, _mm_set1_epi8(-1)); }
  static B SelectB(B m, B a, B b) {
    return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b));
  }
  static bool AllSet(B m) { return _mm_movemask_epi8(m) == 0xFFFF; }

  static W Zero() { return _mm_setzero_si128(); }
  static W Set16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
  static W WidenLo(B b) { return _mm_unpacklo_epi8(b, _mm_setzero_si128()); }
  static W WidenHi(B b) { return _mm_unpackhi_epi8(b, _mm_setzero_si128()); }
  static B Narrow(W lo, W hi) { return _mm_packus_epi16(lo, hi); }
  static W Add(W a, W b) { return _mm_add_epi16(a, b); }
  static W Sub(W a, W b) { return _mm_sub_epi16(a, b); }
  static W SubsU16(W a, W b) { return _mm_subs_epu16(a, b); }
  static W MulLo(W a, W b) { return _mm_mullo_epi16(a, b); }
  static W MulHiU(W a, W b) { return _mm_mulhi_epu16(a, b); }
  static W Min16(W a, W b) { return _mm_min_epi16(a, b); }
  static W Max16(W a, W b) { return _mm_max_epi16(a, b); }
  static W CmpEq16(W a, W b) { return _mm_cmpeq_epi16(a, b); }
  static W CmpGt16(W a, W b) { return _mm_cmpgt_epi16(a, b); }
  static W And(W a, W b) { return _mm_and_si128(a, b); }
  static W Or(W a, W b) { return _mm_or_si128(a, b); }
  static W Select(W m, W a, W b) {
    return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b));
  }
  template <int k>
  static W Srli(W a) {
    return _mm_srli_epi16(a, k);
  }
  template <int k>
  static W Srai(W a) {
    return _mm_srai_epi16(a, k);
  }
  template <int k>
  static W Slli(W a) {
    return _mm_slli_epi16(a, k);
  }

  // Full 32-bit products of unsigned 16-bit lanes, lanes 0-3 and 4-7.
  static D MulWideLo(W a, W b) {
    return _mm_unpacklo_epi16(_mm_mullo_epi16(a, b), _mm_mulhi_epu16(a, b));
  }
  static D MulWideHi(W a, W b) {
    return _mm_unpackhi_epi16(_mm_mullo_epi16(a, b), _mm_mulhi_epu16(a, b));
  }
  static D Add32(D a, D b) { return _mm_add_epi32(a, b); }
  static D UnsignedLo32(W a) { return _mm_unpacklo_epi16(a, _mm_setzero_si128()); }
  static D UnsignedHi32(W a) { return _mm_unpackhi_epi16(a, _mm_setzero_si128()); }
  static D SignedLo32(W a) { return _mm_srai_epi32(_mm_unpacklo_epi16(a, a), 16); }
  static D SignedHi32(W a) { return _mm_srai_epi32(_mm_unpackhi_epi16(a, a), 16); }
  static W Pack32(D lo, D hi) { return _mm_packs_epi32(lo, hi); }
  static F SetF(float v) { return _mm_set1_ps(v); }
  static F ToF(D a) { return _mm_cvtepi32_ps(a); }
  static D TruncF(F a) { return _mm_cvttps_epi32(a); }
  static F MulF(F a, F b) { return _mm_mul_ps(a, b); }
  static F DivF(F a, F b) { return _mm_div_ps(a, b); }
  static F AddF(F a, F b) { return _mm_add_ps(a, b); }
  static F SubF(F a, F b) { return _mm_sub_ps(a, b); }
  static F MinF(F a, F b) { return _mm_min_ps(a, b); }
  static F MaxF(F a, F b) { return _mm_max_ps(a, b); }
  static F CmpEqF(F a, F b) { return _mm_cmpeq_ps(a, b); }
  static F CmpLeF(F a, F b) { return _mm_cmple_ps(a, b); }
  static F CmpLtF(F a, F b) { return _mm_cmplt_ps(a, b); }
  static F SelectF(F m, F a, F b) { return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b)); }
  static F LoadF(const float* p) { return _mm_loadu_ps(p); }
  static void StoreF(float* p, F v) { _mm_storeu_ps(p, v); }

  // Each byte three times (a weight per pixel to a weight per channel); n a
  // multiple of 4. SSE2 has no byte shuffle, so four pixels go out as three
  // 32-bit words.
  static void Expand3(std::uint8_t* out, const std::uint8_t* in, int n) {
    for (int i = 0; i < n; i += 4, out += 12) {
      const std::uint32_t a = in[i], b = in[i + 1], c = in[i + 2], d = in[i + 3];
      const std::uint32_t words[3] = {a * 0x010101u | b << 24, b * 0x0101u | c * 0x01010000u,
                                      c | d * 0x01010100u};
      std::memcpy(out, words, sizeof words);
    }
  }
};

#include "engine/blend/CompositeSimd.inl"

}  // namespace

namespace lumora::detail {

const SpanKernels* Sse2Kernels() {
  static constexpr SpanKernels kKernels{RunSpan<VSse2, 3>, RunSpan<VSse2, 1>};
  return &kKernels;
}

}  // namespace lumora::detail

#else

namespace lumora::detail {
const SpanKernels* Sse2Kernels() { return nullptr; }
}  // namespace lumora::detail

#endif
