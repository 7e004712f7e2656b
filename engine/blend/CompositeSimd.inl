// The vector row spans, written once over a vector type V and compiled per
// instruction-set level (CompositeSse2.cpp, CompositeAvx2.cpp). Included
// inside an anonymous namespace after V is defined, so nothing here has
// external linkage and no copy compiled for one level can stand in for
// another's.
//
// A span is processed in chunks of kSpanChunk pixels:
//   1. weights: a = weight1 (x weight2 / 255), 255 when forced opaque, times
//      opacity / 255 (the opacity table's own formula, i * opacity / 255);
//      then the Dissolve drop and the blend-if limits, pixel by pixel;
//   2. a chunk whose weights are all 0 is left alone;
//   3. the blend result R comes from the mode's vector formula on 16-bit
//      lanes, or for the HLS modes from single-precision lanes;
//   4. the destination is mixed by the chunk's coverage: all covered (or no
//      coverage, or a merge) mixes R and D by a; all empty takes S and sets
//      the coverage to a; anything else uses the general formula, one exact
//      division by T per channel done in single precision (exact because
//      numerator and T are below 2^24 and a wrong truncation would need an
//      error of 1/T, above half a unit in the last place of any quotient
//      below 256).
// Pixel loops hold no division by 255: Div255 multiplies and shifts.

using lumora::detail::kSpanChunk;
using lumora::detail::SpanArgs;
using lumora::detail::SpanSetup;

// ---- Per-row constants of the modes ----

template <class V>
struct RowConsts {
  explicit RowConsts(const SpanSetup& setup) {
    const std::uint32_t scale = setup.parameter >> 16;
    unitScale = scale == 10000;
    offset = V::Set16(static_cast<std::int16_t>(setup.parameter & 0xFFFFu));
    scaleF = V::SetF(static_cast<float>(scale));
  }
  bool unitScale;
  typename V::W offset;
  typename V::F scaleF;
};

// ---- Shared vector helpers ----

template <class V>
struct K {
  using B = typename V::B;
  using W = typename V::W;

  static W Div255(W x) { return V::template Srli<7>(V::MulHiU(x, V::Set16(0x8081))); }
  // Signed division by 128 truncating toward zero.
  static W DivTrunc128(W p) {
    return V::template Srai<7>(V::Add(p, V::And(V::template Srai<15>(p), V::Set16(127))));
  }
  static W Clamp255(W x) { return V::Min16(V::Max16(x, V::Zero()), V::Set16(255)); }
  // Bytes x * y / 255.
  static B MulDiv255(B x, B y) {
    const W lo = Div255(V::MulLo(V::WidenLo(x), V::WidenLo(y)));
    const W hi = Div255(V::MulLo(V::WidenHi(x), V::WidenHi(y)));
    return V::Narrow(lo, hi);
  }
  // trunc(n * 10000 / scale) for signed n with |n| <= 510: the product is
  // exact in single precision and the quotient's truncation is exact as for
  // the general mix (error below 1/scale <= half a unit in the last place).
  static W ScaleDivide(W n, typename V::F scale) {
    const typename V::F k10000 = V::SetF(10000.0f);
    const auto lo = V::TruncF(V::DivF(V::MulF(V::ToF(V::SignedLo32(n)), k10000), scale));
    const auto hi = V::TruncF(V::DivF(V::MulF(V::ToF(V::SignedHi32(n)), k10000), scale));
    return V::Pack32(lo, hi);
  }
};

// ---- Blend modes on 16-bit lanes (s the layer's channel, d the underlying) ----

struct ModeNormal {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W, const RowConsts<V>&) {
    return s;
  }
};

struct ModeDarken {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    return V::Min16(s, d);
  }
};

struct ModeLighten {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    return V::Max16(s, d);
  }
};

struct ModeMultiply {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    return K<V>::Div255(V::MulLo(s, d));
  }
};

struct ModeScreen {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    const auto k255 = V::Set16(255);
    return V::Sub(k255, K<V>::Div255(V::MulLo(V::Sub(k255, s), V::Sub(k255, d))));
  }
};

// ((255 - w) d + w s) / 255 = (255 d + w (s - d)) / 255 with w = 2 (128 -
// |d - 128|). The sum lies in -128..65152 and is kept modulo 2^16; it is
// negative only for d = 128, s = 0 (sum -128, result 0), which shows as a
// value above 65407.
struct ModeOverlay {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    const auto k128 = V::Set16(128);
    const auto dist = V::Max16(V::Sub(d, k128), V::Sub(k128, d));
    const auto w = V::Sub(V::Set16(256), V::Add(dist, dist));
    const auto n = V::Add(V::MulLo(d, V::Set16(255)), V::MulLo(w, V::Sub(s, d)));
    const auto valid = V::CmpEq16(V::SubsU16(n, V::Set16(65407 - 65536)), V::Zero());
    return V::And(K<V>::Div255(n), valid);
  }
};

// d + (s - 128) k / 128 with k = 255 - d above 128, else d; the product
// lies in -32640..32385.
struct ModeHardLight {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    const auto k128 = V::Set16(128);
    const auto k = V::Select(V::CmpGt16(s, k128), V::Sub(V::Set16(255), d), d);
    return V::Add(d, K<V>::DivTrunc128(V::MulLo(V::Sub(s, k128), k)));
  }
};

// t = 64 - floor((63 - d)^3 / 4096) below 64, else 64 - floor(d^2 / 576)
// (= floor(floor(d^2 / 64) / 9), the last by 7282 / 65536, exact up to
// 1016); f = t above 128, else 64 - floor((127 - d)^2 / 256); the result
// d + trunc((s - 128) f / 128) clamped, with |(s - 128) f| <= 8192.
struct ModeSoftLight {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    const auto k64 = V::Set16(64);
    const auto x = V::Max16(V::Sub(V::Set16(63), d), V::Zero());
    const auto x2 = V::MulLo(x, x);
    const auto cubeLo = V::MulLo(x2, x);
    const auto cubeHi = V::MulHiU(x2, x);
    const auto cube4096 = V::Or(V::template Slli<4>(cubeHi), V::template Srli<12>(cubeLo));
    const auto tLow = V::Sub(k64, cube4096);
    const auto d2 = V::MulLo(d, d);
    const auto tHigh = V::Sub(k64, V::MulHiU(V::template Srli<6>(d2), V::Set16(7282)));
    const auto t = V::Select(V::CmpGt16(k64, d), tLow, tHigh);
    const auto z = V::Sub(V::Set16(127), d);
    const auto fLow = V::Sub(k64, V::template Srli<8>(V::MulLo(z, z)));
    const auto f = V::Select(V::CmpGt16(s, V::Set16(128)), t, fLow);
    const auto p = V::MulLo(V::Sub(s, V::Set16(128)), f);
    return K<V>::Clamp255(V::Add(d, K<V>::DivTrunc128(p)));
  }
};

struct ModeDifference {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    return V::Max16(V::Sub(s, d), V::Sub(d, s));
  }
};

// d + s (128 - d) / 128; the product lies in -32385..32640.
struct ModeExclusion {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    return V::Add(d, K<V>::DivTrunc128(V::MulLo(s, V::Sub(V::Set16(128), d))));
  }
};

struct ModeColorDodge {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    return V::Min16(V::Add(d, V::template Srli<7>(V::MulLo(s, d))), V::Set16(255));
  }
};

// (255 - s) d / 255 never exceeds d, so the maximum with 0 is not needed.
struct ModeColorBurn {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>&) {
    return V::Sub(d, K<V>::Div255(V::MulLo(V::Sub(V::Set16(255), s), d)));
  }
};

struct ModeAdd {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>& c) {
    const auto sum = V::Add(s, d);
    const auto q = c.unitScale ? sum : K<V>::ScaleDivide(sum, c.scaleF);
    return K<V>::Clamp255(V::Sub(q, c.offset));
  }
};

struct ModeSubtract {
  static constexpr bool kPerPixel = false;
  template <class V>
  static typename V::W Blend(typename V::W s, typename V::W d, const RowConsts<V>& c) {
    const auto diff = V::Sub(d, s);
    const auto q = c.unitScale ? diff : K<V>::ScaleDivide(diff, c.scaleF);
    return K<V>::Clamp255(V::Sub(q, c.offset));
  }
};

// The HLS modes in single-precision lanes, one pixel a lane. Every value
// on the way is an integer below 2^24, so sums, products and the products
// with 1/256 are exact; quotients are truncated exactly (they are at most
// 256, where half a unit in the last place is far below the 1/510 that
// separates a true quotient from the next integer).
template <class V>
struct HlsLanes {
  using F = typename V::F;

  static F Trunc(F x) { return V::ToF(V::TruncF(x)); }  // x >= 0
  static F K(float v) { return V::SetF(v); }

  // Hue (0..1535), saturation and lightness of the colours in r, g, b.
  static void ToHls(F r, F g, F b, F& hue, F& saturation, F& lightness) {
    const F max = V::MaxF(r, V::MaxF(g, b));
    const F min = V::MinF(r, V::MinF(g, b));
    lightness = Trunc(V::MulF(V::AddF(V::AddF(max, min), K(1.0f)), K(0.5f)));
    const F delta = V::SubF(max, min);
    // A grey has delta 0: every numerator is 0, and a divisor of at least 1
    // makes every quotient 0.
    const F divisor = V::SelectF(V::CmpLeF(lightness, K(128.0f)), V::AddF(max, min),
                                 V::SubF(V::SubF(K(512.0f), max), min));
    const F k256 = K(256.0f);
    saturation = Trunc(V::DivF(V::MulF(k256, delta), V::MaxF(divisor, K(1.0f))));
    const F d = V::MaxF(delta, K(1.0f));
    const F rq = Trunc(V::DivF(V::MulF(k256, V::SubF(max, r)), d));
    const F gq = Trunc(V::DivF(V::MulF(k256, V::SubF(max, g)), d));
    const F bq = Trunc(V::DivF(V::MulF(k256, V::SubF(max, b)), d));
    const F fromRed = V::SubF(bq, gq);
    const F fromGreen = V::AddF(V::SubF(rq, bq), K(512.0f));
    const F fromBlue = V::AddF(V::SubF(gq, rq), K(1024.0f));
    const F h =
        V::SelectF(V::CmpEqF(r, max), fromRed, V::SelectF(V::CmpEqF(g, max), fromGreen, fromBlue));
    hue = V::AddF(h, V::SelectF(V::CmpLtF(h, K(0.0f)), K(1536.0f), K(0.0f)));
  }

  static F Channel(F m1, F m2, F hue) {
    const F k = V::SelectF(V::CmpLtF(hue, K(768.0f)), V::MinF(hue, K(256.0f)),
                           V::MaxF(V::SubF(K(1024.0f), hue), K(0.0f)));
    const F ramp = Trunc(V::MulF(V::MulF(V::SubF(m2, m1), k), K(1.0f / 256.0f)));
    return V::MinF(V::AddF(m1, ramp), K(255.0f));
  }

  static void ToRgb(F hue, F saturation, F lightness, F& r, F& g, F& b) {
    const F inv256 = K(1.0f / 256.0f);
    const F low = Trunc(V::MulF(V::MulF(V::AddF(saturation, K(256.0f)), lightness), inv256));
    const F high = V::SubF(V::AddF(saturation, lightness),
                           Trunc(V::MulF(V::MulF(saturation, lightness), inv256)));
    const F m2 = V::SelectF(V::CmpLeF(lightness, K(128.0f)), low, high);
    const F m1 = V::SubF(V::AddF(lightness, lightness), m2);
    const F hr = V::AddF(hue, K(512.0f));
    const F hb = V::SubF(hue, K(512.0f));
    r = Channel(m1, m2, V::SubF(hr, V::SelectF(V::CmpLtF(hr, K(1536.0f)), K(0.0f), K(1536.0f))));
    g = Channel(m1, m2, hue);
    b = Channel(m1, m2, V::AddF(hb, V::SelectF(V::CmpLtF(hb, K(0.0f)), K(1536.0f), K(0.0f))));
  }
};

// Which components come from the layer pixel (hue, saturation, lightness)
// and which from the underlying one.
template <bool HueFromLayer, bool SatFromLayer, bool LightFromLayer>
struct ModeHls {
  static constexpr bool kPerPixel = true;

  // Results for a chunk of pixels, into r (Bpp bytes a pixel). An 8-bit
  // value is red with green and blue 0.
  template <class V, int Bpp>
  static void Compute(std::uint8_t* r, const std::uint8_t* s, const std::uint8_t* d, int n) {
    constexpr int kLanes = V::kBytes / 4;
    alignas(32) float in[6][kSpanChunk];
    alignas(32) float out[3][kSpanChunk];
    for (int i = 0; i < n; ++i) {
      in[0][i] = s[Bpp * i + Bpp - 1], in[3][i] = d[Bpp * i + Bpp - 1];
      in[1][i] = Bpp == 3 ? s[Bpp * i + 1] : 0, in[4][i] = Bpp == 3 ? d[Bpp * i + 1] : 0;
      in[2][i] = Bpp == 3 ? s[Bpp * i] : 0, in[5][i] = Bpp == 3 ? d[Bpp * i] : 0;
    }
    using L = HlsLanes<V>;
    for (int i = 0; i < n; i += kLanes) {
      typename V::F lh, ls, ll, uh, us, ul, cr, cg, cb;
      L::ToHls(V::LoadF(in[0] + i), V::LoadF(in[1] + i), V::LoadF(in[2] + i), lh, ls, ll);
      L::ToHls(V::LoadF(in[3] + i), V::LoadF(in[4] + i), V::LoadF(in[5] + i), uh, us, ul);
      L::ToRgb(HueFromLayer ? lh : uh, SatFromLayer ? ls : us, LightFromLayer ? ll : ul, cr, cg,
               cb);
      V::StoreF(out[0] + i, cr);
      V::StoreF(out[1] + i, cg);
      V::StoreF(out[2] + i, cb);
    }
    for (int i = 0; i < n; ++i) {
      if constexpr (Bpp == 3) {
        r[3 * i] = static_cast<std::uint8_t>(out[2][i]);
        r[3 * i + 1] = static_cast<std::uint8_t>(out[1][i]);
        r[3 * i + 2] = static_cast<std::uint8_t>(out[0][i]);
      } else {
        r[i] = static_cast<std::uint8_t>(out[0][i]);
      }
    }
  }
};
using ModeHue = ModeHls<true, false, false>;
using ModeSaturation = ModeHls<false, true, false>;
using ModeColor = ModeHls<true, true, false>;
using ModeLuminosity = ModeHls<false, false, true>;

// ---- The span ----

template <class V, class Mode, int Bpp>
struct Span {
  using B = typename V::B;
  using W = typename V::W;
  static constexpr int kPixels = kSpanChunk;
  static constexpr int kBytes = kSpanChunk * Bpp;
  static_assert(kPixels % V::kBytes == 0 && kBytes % V::kBytes == 0);

  enum Coverage { kMix, kEmpty, kGeneral };

  struct Chunk {
    std::uint8_t* dst;
    const std::uint8_t* src;
    const std::uint8_t* weight1;
    const std::uint8_t* weight2;
    std::uint8_t* coverage;
    int x;
  };

  static void Run(const SpanSetup& setup, const SpanArgs& args) {
    const RowConsts<V> consts(setup);
    const std::uint32_t rowSeed =
        setup.dissolve ? lumora::DissolveRowSeed(setup.layer->uniqueId, args.y) : 0;
    int base = 0;
    for (; base + kPixels <= args.n; base += kPixels) {
      const Chunk chunk{args.dst + Bpp * base,
                        args.src + Bpp * base,
                        args.weight1 != nullptr ? args.weight1 + base : nullptr,
                        args.weight2 != nullptr ? args.weight2 + base : nullptr,
                        args.coverage != nullptr ? args.coverage + base : nullptr,
                        args.x + base};
      Process(setup, consts, rowSeed, args.forceOpaque, chunk);
    }
    if (base < args.n) Tail(setup, consts, rowSeed, args, base);
  }

  // The last, partial chunk runs on copies so that no access reaches past
  // the span; the padding pixels weigh 0.
  static void Tail(const SpanSetup& setup, const RowConsts<V>& consts, std::uint32_t rowSeed,
                   const SpanArgs& args, int base) {
    const int m = args.n - base;
    alignas(32) std::uint8_t dst[kBytes] = {};
    alignas(32) std::uint8_t src[kBytes] = {};
    alignas(32) std::uint8_t w1[kPixels] = {};
    alignas(32) std::uint8_t w2[kPixels] = {};
    alignas(32) std::uint8_t cov[kPixels] = {};
    std::memcpy(dst, args.dst + Bpp * base, static_cast<std::size_t>(Bpp * m));
    std::memcpy(src, args.src + Bpp * base, static_cast<std::size_t>(Bpp * m));
    if (args.weight1 != nullptr) {
      std::memcpy(w1, args.weight1 + base, static_cast<std::size_t>(m));
    } else {
      std::memset(w1, 255, static_cast<std::size_t>(m));
    }
    if (args.weight2 != nullptr) std::memcpy(w2, args.weight2 + base, static_cast<std::size_t>(m));
    if (args.coverage != nullptr) {
      // Padding counts as covered, so it never forces the general mix.
      std::memset(cov, 255, sizeof cov);
      std::memcpy(cov, args.coverage + base, static_cast<std::size_t>(m));
    }
    const Chunk chunk{dst,
                      src,
                      w1,
                      args.weight2 != nullptr ? w2 : nullptr,
                      args.coverage != nullptr ? cov : nullptr,
                      args.x + base};
    Process(setup, consts, rowSeed, args.forceOpaque, chunk, m);
    std::memcpy(args.dst + Bpp * base, dst, static_cast<std::size_t>(Bpp * m));
    if (args.coverage != nullptr)
      std::memcpy(args.coverage + base, cov, static_cast<std::size_t>(m));
  }

  static void Process(const SpanSetup& setup, const RowConsts<V>& consts, std::uint32_t rowSeed,
                      bool forceOpaque, const Chunk& c, int valid = kPixels) {
    alignas(32) std::uint8_t a[kPixels];
    ComputeWeights(setup, c, forceOpaque, a);
    // Padding pixels of the tail weigh 0, so they are never written.
    if (valid < kPixels) std::memset(a + valid, 0, static_cast<std::size_t>(kPixels - valid));
    if (setup.dissolve) DissolvePass(setup, rowSeed, c.x, a);
    if (setup.blendIf) BlendIfPass(setup, c, a);
    if (AllZero(a, kPixels)) return;

    alignas(32) std::uint8_t blended[Mode::kPerPixel ? kBytes : 1];
    if constexpr (Mode::kPerPixel) Mode::template Compute<V, Bpp>(blended, c.src, c.dst, kPixels);

    alignas(32) std::uint8_t a3[kBytes];
    const std::uint8_t* weights = a;
    if constexpr (Bpp == 3) {
      V::Expand3(a3, a, kPixels);
      weights = a3;
    }

    const Coverage kind = (c.coverage == nullptr || setup.merge) ? kMix : Classify(c.coverage);
    if (kind == kMix) {
      for (int j = 0; j < kBytes; j += V::kBytes) MixBlock(consts, c, weights, blended, j);
    } else if (kind == kEmpty) {
      for (int j = 0; j < kBytes; j += V::kBytes) TakeLayerBlock(c, weights, j);
      std::memcpy(c.coverage, a, kPixels);
    } else {
      alignas(32) std::uint8_t c3[kBytes];
      const std::uint8_t* cov = c.coverage;
      if constexpr (Bpp == 3) {
        V::Expand3(c3, c.coverage, kPixels);
        cov = c3;
      }
      for (int j = 0; j < kBytes; j += V::kBytes) GeneralBlock(consts, c, weights, cov, blended, j);
      for (int i = 0; i < kPixels; i += V::kBytes) CoverageBlock(c.coverage, a, i);
    }
    if (forceOpaque && c.coverage != nullptr && !setup.merge) {
      for (int i = 0; i < kPixels; i += V::kBytes) {
        const B zeroWeight = V::CmpEq8(V::Load(a + i), V::ZeroB());
        V::Store(c.coverage + i, V::OrB(V::Load(c.coverage + i), V::NotB(zeroWeight)));
      }
    }
  }

  static void ComputeWeights(const SpanSetup& setup, const Chunk& c, bool forceOpaque,
                             std::uint8_t* a) {
    const B opacity = V::Set8(setup.opacity);
    for (int i = 0; i < kPixels; i += V::kBytes) {
      B w = V::Set8(255);
      if (!forceOpaque) {
        if (c.weight1 != nullptr) w = V::Load(c.weight1 + i);
        if (c.weight2 != nullptr) w = K<V>::MulDiv255(V::Load(c.weight2 + i), w);
      }
      if (setup.applyOpacity) w = K<V>::MulDiv255(w, opacity);
      V::Store(a + i, w);
    }
  }

  static void DissolvePass(const SpanSetup& setup, std::uint32_t rowSeed, int x, std::uint8_t* a) {
    for (int i = 0; i < kPixels; ++i) {
      if (lumora::DissolveSample(rowSeed, x + i) > setup.dissolveThreshold) a[i] = 0;
    }
  }

  static void BlendIfPass(const SpanSetup& setup, const Chunk& c, std::uint8_t* a) {
    const auto& t = setup.layer->blendIfTables;
    for (int i = 0; i < kPixels; ++i) {
      if (a[i] == 0) continue;
      const std::uint8_t* s = c.src + Bpp * i;
      const std::uint8_t* d = c.dst + Bpp * i;
      const bool underlying = c.coverage != nullptr && c.coverage[i] != 0;
      int v = a[i];
      if constexpr (Bpp == 3) {
        const int gs = (s[0] + s[1] + s[2]) / 3;
        v = std::min({v, int{t[0][gs]}, int{t[1][s[2]]}, int{t[2][s[1]]}, int{t[3][s[0]]}});
        if (underlying) {
          const int gd = (d[0] + d[1] + d[2]) / 3;
          v = std::min({v, int{t[4][gd]}, int{t[5][d[2]]}, int{t[6][d[1]]}, int{t[7][d[0]]}});
        }
      } else {
        v = std::min(v, int{t[0][s[0]]});
        if (underlying) v = std::min(v, int{t[4][d[0]]});
      }
      a[i] = static_cast<std::uint8_t>(v);
    }
  }

  static bool AllZero(const std::uint8_t* a, int n) {
    B any = V::ZeroB();
    for (int i = 0; i < n; i += V::kBytes) any = V::OrB(any, V::Load(a + i));
    return V::AllSet(V::CmpEq8(any, V::ZeroB()));
  }

  static Coverage Classify(const std::uint8_t* cov) {
    B all = V::Set8(255);
    B any = V::ZeroB();
    for (int i = 0; i < kPixels; i += V::kBytes) {
      const B c = V::Load(cov + i);
      all = V::AndB(all, c);
      any = V::OrB(any, c);
    }
    if (V::AllSet(V::CmpEq8(all, V::Set8(255)))) return kMix;
    if (V::AllSet(V::CmpEq8(any, V::ZeroB()))) return kEmpty;
    return kGeneral;
  }

  static void Blended(const RowConsts<V>& consts, const std::uint8_t* blended, int j, W s0, W s1,
                      W d0, W d1, W& r0, W& r1) {
    if constexpr (Mode::kPerPixel) {
      const B r = V::Load(blended + j);
      r0 = V::WidenLo(r);
      r1 = V::WidenHi(r);
    } else {
      r0 = Mode::template Blend<V>(s0, d0, consts);
      r1 = Mode::template Blend<V>(s1, d1, consts);
    }
  }

  // D = (R a + D (255 - a)) / 255.
  static void MixBlock(const RowConsts<V>& consts, const Chunk& c, const std::uint8_t* weights,
                       const std::uint8_t* blended, int j) {
    const B s = V::Load(c.src + j), d = V::Load(c.dst + j), a = V::Load(weights + j);
    const W s0 = V::WidenLo(s), s1 = V::WidenHi(s), d0 = V::WidenLo(d), d1 = V::WidenHi(d);
    const W a0 = V::WidenLo(a), a1 = V::WidenHi(a);
    W r0, r1;
    Blended(consts, blended, j, s0, s1, d0, d1, r0, r1);
    const W k255 = V::Set16(255);
    const W o0 = K<V>::Div255(V::Add(V::MulLo(r0, a0), V::MulLo(d0, V::Sub(k255, a0))));
    const W o1 = K<V>::Div255(V::Add(V::MulLo(r1, a1), V::MulLo(d1, V::Sub(k255, a1))));
    V::Store(c.dst + j, V::Narrow(o0, o1));
  }

  // Coverage 0 everywhere: the layer pixel itself wherever a > 0.
  static void TakeLayerBlock(const Chunk& c, const std::uint8_t* weights, int j) {
    const B keep = V::CmpEq8(V::Load(weights + j), V::ZeroB());
    V::Store(c.dst + j, V::SelectB(keep, V::Load(c.dst + j), V::Load(c.src + j)));
  }

  // D = (c (R a + D (255 - a)) + S a (255 - c)) / T, T = 255 c + a (255 - c)
  // (at least 1); unchanged where a = 0.
  static W GeneralHalf(W s, W d, W r, W a, W cov) {
    const W k255 = V::Set16(255);
    const W mixed = V::Add(V::MulLo(r, a), V::MulLo(d, V::Sub(k255, a)));
    const W layer = V::MulLo(s, a);
    const W open = V::Sub(k255, cov);
    W t = V::Add(V::MulLo(cov, k255), V::MulLo(a, open));
    t = V::Add(t, V::And(V::CmpEq16(t, V::Zero()), V::Set16(1)));
    const auto n0 = V::Add32(V::MulWideLo(cov, mixed), V::MulWideLo(layer, open));
    const auto n1 = V::Add32(V::MulWideHi(cov, mixed), V::MulWideHi(layer, open));
    const auto q0 = V::TruncF(V::DivF(V::ToF(n0), V::ToF(V::UnsignedLo32(t))));
    const auto q1 = V::TruncF(V::DivF(V::ToF(n1), V::ToF(V::UnsignedHi32(t))));
    return V::Select(V::CmpEq16(a, V::Zero()), d, V::Pack32(q0, q1));
  }

  static void GeneralBlock(const RowConsts<V>& consts, const Chunk& c, const std::uint8_t* weights,
                           const std::uint8_t* cov, const std::uint8_t* blended, int j) {
    const B s = V::Load(c.src + j), d = V::Load(c.dst + j), a = V::Load(weights + j);
    const B cv = V::Load(cov + j);
    const W s0 = V::WidenLo(s), s1 = V::WidenHi(s), d0 = V::WidenLo(d), d1 = V::WidenHi(d);
    W r0, r1;
    Blended(consts, blended, j, s0, s1, d0, d1, r0, r1);
    const W o0 = GeneralHalf(s0, d0, r0, V::WidenLo(a), V::WidenLo(cv));
    const W o1 = GeneralHalf(s1, d1, r1, V::WidenHi(a), V::WidenHi(cv));
    V::Store(c.dst + j, V::Narrow(o0, o1));
  }

  // c = T / 255 = c + a (255 - c) / 255 (unchanged where a = 0).
  static void CoverageBlock(std::uint8_t* coverage, const std::uint8_t* a, int i) {
    const B cv = V::Load(coverage + i), w = V::Load(a + i);
    const W k255 = V::Set16(255);
    const W c0 = V::WidenLo(cv), c1 = V::WidenHi(cv);
    const W n0 = V::Add(c0, K<V>::Div255(V::MulLo(V::WidenLo(w), V::Sub(k255, c0))));
    const W n1 = V::Add(c1, K<V>::Div255(V::MulLo(V::WidenHi(w), V::Sub(k255, c1))));
    V::Store(coverage + i, V::Narrow(n0, n1));
  }
};

// ---- The mode table of this level ----

template <class V, int Bpp>
void RunSpan(const SpanSetup& setup, const SpanArgs& args) {
  switch (setup.mode->code) {
    case lumora::kMergeDarken:
      return Span<V, ModeDarken, Bpp>::Run(setup, args);
    case lumora::kMergeLighten:
      return Span<V, ModeLighten, Bpp>::Run(setup, args);
    case lumora::kMergeHue:
      return Span<V, ModeHue, Bpp>::Run(setup, args);
    case lumora::kMergeSaturation:
      return Span<V, ModeSaturation, Bpp>::Run(setup, args);
    case lumora::kMergeColor:
      return Span<V, ModeColor, Bpp>::Run(setup, args);
    case lumora::kMergeLuminosity:
      return Span<V, ModeLuminosity, Bpp>::Run(setup, args);
    case lumora::kMergeMultiply:
      return Span<V, ModeMultiply, Bpp>::Run(setup, args);
    case lumora::kMergeScreen:
      return Span<V, ModeScreen, Bpp>::Run(setup, args);
    case lumora::kMergeOverlay:
      return Span<V, ModeOverlay, Bpp>::Run(setup, args);
    case lumora::kMergeHardLight:
      return Span<V, ModeHardLight, Bpp>::Run(setup, args);
    case lumora::kMergeSoftLight:
      return Span<V, ModeSoftLight, Bpp>::Run(setup, args);
    case lumora::kMergeDifference:
      return Span<V, ModeDifference, Bpp>::Run(setup, args);
    case lumora::kMergeExclusion:
      return Span<V, ModeExclusion, Bpp>::Run(setup, args);
    case lumora::kMergeColorDodge:
      return Span<V, ModeColorDodge, Bpp>::Run(setup, args);
    case lumora::kMergeColorBurn:
      return Span<V, ModeColorBurn, Bpp>::Run(setup, args);
    case lumora::kMergeAdd:
      return Span<V, ModeAdd, Bpp>::Run(setup, args);
    case lumora::kMergeSubtract:
      return Span<V, ModeSubtract, Bpp>::Run(setup, args);
    default:
      return Span<V, ModeNormal, Bpp>::Run(setup, args);  // Normal, Dissolve
  }
}
