// The generic row span: the per-pixel rule written as plainly as it is
// stated, one blend-function call per pixel. It is the reference the vector
// levels are checked against, and the level of last resort.
#include <algorithm>

#include "engine/blend/CompositeKernels.h"

namespace lumora::detail {
namespace {

// Limits the weight by the layer's own ranges (tables 0-3) and, where the
// destination is covered, by the underlying ranges (tables 4-7).
template <int Bpp>
int ApplyBlendIf(const BlendContext& layer, int a, const std::uint8_t* s, const std::uint8_t* d,
                 bool underlying) {
  const auto& t = layer.blendIfTables;
  if constexpr (Bpp == 3) {
    const int gs = (s[0] + s[1] + s[2]) / 3;
    a = std::min({a, int{t[0][gs]}, int{t[1][s[2]]}, int{t[2][s[1]]}, int{t[3][s[0]]}});
    if (underlying) {
      const int gd = (d[0] + d[1] + d[2]) / 3;
      a = std::min({a, int{t[4][gd]}, int{t[5][d[2]]}, int{t[6][d[1]]}, int{t[7][d[0]]}});
    }
  } else {
    a = std::min(a, int{t[0][s[0]]});
    if (underlying) a = std::min(a, int{t[4][d[0]]});
  }
  return a;
}

template <int Bpp>
void GenericSpan(const SpanSetup& setup, const SpanArgs& args) {
  const BlendContext& layer = *setup.layer;
  const std::uint8_t* opacityTable = layer.OpacityTable();
  const BLENDFUNC blend = setup.mode->function;
  const std::uint32_t rowSeed = setup.dissolve ? DissolveRowSeed(layer.uniqueId, args.y) : 0;
  for (int i = 0; i < args.n; ++i) {
    std::uint8_t* d = args.dst + Bpp * i;
    const std::uint8_t* s = args.src + Bpp * i;
    int a = args.weight1 != nullptr ? args.weight1[i] : 255;
    if (args.weight2 != nullptr) a = args.weight2[i] * a / 255;
    if (args.forceOpaque) a = 255;
    if (!setup.dissolve) a = opacityTable[a];
    const int c = args.coverage != nullptr ? args.coverage[i] : -1;
    if (setup.blendIf) a = ApplyBlendIf<Bpp>(layer, a, s, d, c > 0);
    if (a == 0) continue;
    if (setup.dissolve &&
        !(setup.opacity != 0 && DissolveSample(rowSeed, args.x + i) <= setup.dissolveThreshold)) {
      continue;
    }
    const std::uint32_t r = blend(PackPixel<Bpp>(s), PackPixel<Bpp>(d), setup.parameter);
    if ((r & kBlendDropped) != 0) continue;
    if (setup.merge || c < 0 || c == 255) {
      for (int k = 0; k < Bpp; ++k)
        d[k] = static_cast<std::uint8_t>((PackedChannel<Bpp>(r, k) * a + d[k] * (255 - a)) / 255);
    } else if (c == 0) {
      for (int k = 0; k < Bpp; ++k) d[k] = s[k];
      args.coverage[i] = static_cast<std::uint8_t>(a);
    } else if (a == 255) {
      for (int k = 0; k < Bpp; ++k)
        d[k] = static_cast<std::uint8_t>((PackedChannel<Bpp>(r, k) * c + s[k] * (255 - c)) / 255);
      args.coverage[i] = 255;
    } else {
      const int t = 255 * c + a * (255 - c);
      for (int k = 0; k < Bpp; ++k) {
        d[k] = static_cast<std::uint8_t>(
            (PackedChannel<Bpp>(r, k) * c * a + d[k] * c * (255 - a) + s[k] * a * (255 - c)) / t);
      }
      args.coverage[i] = static_cast<std::uint8_t>(t / 255);
    }
    if (args.forceOpaque && args.coverage != nullptr && !setup.merge) args.coverage[i] = 255;
  }
}

}  // namespace

const SpanKernels& GenericKernels() {
  static constexpr SpanKernels kKernels{GenericSpan<3>, GenericSpan<1>};
  return kKernels;
}

}  // namespace lumora::detail
