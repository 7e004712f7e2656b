// The scalar blend functions: one exact integer formula per merge mode.
// Division truncates toward zero, as the formulas are defined.
#include "engine/blend/BlendModes.h"

#include <algorithm>
#include <cstdlib>

#include "engine/pixels/ColorModels.h"

namespace {

using lumora::BlendChannel;

int Clamp255(int v) { return std::clamp(v, 0, 255); }

// Soft Light: the underlying channel b is pushed by the layer's a around
// 128 with a strength f that depends on b: a cubic toe below 64, a falling
// parabola above; for a <= 128 a parabola centred on 127.
int SoftLight(int a, int b) {
  const int t = b < 64 ? (b - 63) * (b - 63) * (b - 63) / 4096 + 64 : 64 - (b * b * 64) / 36864;
  const int f = a > 128 ? t : ((127 - b) * (b - 127) * 64) / 16384 + 64;
  return Clamp255(b + (a - 128) * f / 128);
}

int ScaleOffset(int sum, std::uint32_t parameter) {
  int scale = static_cast<int>(parameter >> 16);
  if (scale == 0) scale = 10000;  // never stored: the setters clamp to 10000..20000
  const int offset = static_cast<std::int16_t>(parameter & 0xFFFFu);
  return Clamp255(sum * 10000 / scale - offset);
}

template <int Mode>
std::uint32_t Separable(std::uint32_t s, std::uint32_t d, std::uint32_t p) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = static_cast<int>((s >> shift) & 255u);
    const int b = static_cast<int>((d >> shift) & 255u);
    out |= static_cast<std::uint32_t>(BlendChannel(Mode, a, b, p)) << shift;
  }
  return out;
}

struct Hls {
  int h, s, l;
};
Hls ToHls(std::uint32_t pixel) {
  Hls out{};
  RGBToHLS(static_cast<int>(pixel & 255u), static_cast<int>((pixel >> 8) & 255u),
           static_cast<int>((pixel >> 16) & 255u), out.h, out.s, out.l);
  return out;
}
std::uint32_t FromHls(int h, int s, int l) {
  int r = 0, g = 0, b = 0;
  HLSToRGB(h, s, l, r, g, b);
  return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
         static_cast<std::uint32_t>(b) << 16;
}

// The four HLS modes take some components from the layer pixel and the rest
// from the underlying one.
std::uint32_t BlendHue(std::uint32_t s, std::uint32_t d, std::uint32_t) {
  const Hls a = ToHls(s), b = ToHls(d);
  return FromHls(a.h, b.s, b.l);
}
std::uint32_t BlendSaturation(std::uint32_t s, std::uint32_t d, std::uint32_t) {
  const Hls a = ToHls(s), b = ToHls(d);
  return FromHls(b.h, a.s, b.l);
}
std::uint32_t BlendColor(std::uint32_t s, std::uint32_t d, std::uint32_t) {
  const Hls a = ToHls(s), b = ToHls(d);
  return FromHls(a.h, a.s, b.l);
}
std::uint32_t BlendLuminosity(std::uint32_t s, std::uint32_t d, std::uint32_t) {
  const Hls a = ToHls(s), b = ToHls(d);
  return FromHls(b.h, b.s, a.l);
}

// Dissolve shows the layer pixel itself; which pixels show is decided where
// their position is known (DissolveKeeps).
std::uint32_t BlendDissolve(std::uint32_t s, std::uint32_t, std::uint32_t) {
  return s & 0x00FFFFFFu;
}

}  // namespace

namespace lumora {

int BlendChannel(int mode, int a, int b, std::uint32_t parameter) {
  switch (mode) {
    case kMergeDarken:
      return std::min(a, b);
    case kMergeLighten:
      return std::max(a, b);
    case kMergeMultiply:
      return a * b / 255;
    case kMergeScreen:
      return 255 - (255 - a) * (255 - b) / 255;
    case kMergeOverlay: {
      const int w = 2 * (128 - std::abs(b - 128));
      return ((255 - w) * b + w * a) / 255;
    }
    case kMergeHardLight: {
      const int k = a > 128 ? 255 - b : b;
      return b + (a - 128) * k / 128;
    }
    case kMergeSoftLight:
      return SoftLight(a, b);
    case kMergeDifference:
      return std::abs(a - b);
    case kMergeExclusion:
      return b + a * (128 - b) / 128;
    case kMergeColorDodge:
      return std::min(b + ((a * b) >> 7), 255);
    case kMergeColorBurn:
      return std::max(b - (255 - a) * b / 255, 0);
    case kMergeAdd:
      return ScaleOffset(a + b, parameter);
    case kMergeSubtract:
      return ScaleOffset(b - a, parameter);
    default:
      return a;  // Normal, Dissolve
  }
}

const BlendMode kBlendModes[kMergeModeCount] = {
    {kMergeNormal, Separable<kMergeNormal>, true},
    {kMergeDarken, Separable<kMergeDarken>, true},
    {kMergeLighten, Separable<kMergeLighten>, true},
    {kMergeHue, BlendHue, false},
    {kMergeSaturation, BlendSaturation, false},
    {kMergeColor, BlendColor, false},
    {kMergeLuminosity, BlendLuminosity, false},
    {kMergeMultiply, Separable<kMergeMultiply>, true},
    {kMergeScreen, Separable<kMergeScreen>, true},
    {kMergeDissolve, BlendDissolve, true},
    {kMergeOverlay, Separable<kMergeOverlay>, true},
    {kMergeHardLight, Separable<kMergeHardLight>, true},
    {kMergeSoftLight, Separable<kMergeSoftLight>, true},
    {kMergeDifference, Separable<kMergeDifference>, true},
    {kMergeExclusion, Separable<kMergeExclusion>, true},
    {kMergeColorDodge, Separable<kMergeColorDodge>, true},
    {kMergeColorBurn, Separable<kMergeColorBurn>, true},
    {kMergeAdd, Separable<kMergeAdd>, true},
    {kMergeSubtract, Separable<kMergeSubtract>, true},
};

const BlendMode& GetBlendMode(int mode) {
  return kBlendModes[(mode >= 0 && mode < kMergeModeCount) ? mode : kMergeNormal];
}

std::uint32_t DissolveRowSeed(std::uint64_t uniqueId, int row) {
  std::uint64_t z =
      uniqueId * 0x9E3779B97F4A7C15ull +
      static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) * 0xD1B54A32D192ED03ull;
  z ^= z >> 31;
  z *= 0xBF58476D1CE4E5B9ull;
  z ^= z >> 29;
  return static_cast<std::uint32_t>(z ^ (z >> 32));
}

}  // namespace lumora

BLENDFUNC GetBlendFunction(int mode) { return lumora::GetBlendMode(mode).function; }
