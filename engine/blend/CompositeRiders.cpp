// The rider loops: before a layer pixel reaches the destination, the pixel
// of the work layer riding on the layer (a brush stroke not yet committed)
// is merged into it. The pre-mix runs pixel by pixel into a chunk of layer
// pixels and weights; the rest of the rule runs on that chunk as a span of
// the current level.
#include <algorithm>

#include "engine/blend/CompositeKernels.h"
#include "engine/blend/CompositeRows.h"
#include "engine/blend/CompositeSetup.h"

namespace {

using lumora::BlendContext;
using lumora::RiderRowRecord;
using lumora::detail::kSpanChunk;
using lumora::detail::PackedChannel;
using lumora::detail::PackPixel;

enum class PreMix { kPlain, kBlend, kWork };

// x / 255 for 0 <= x <= 65025, by multiplying and shifting.
int Div255(int x) {
  return static_cast<int>(lumora::detail::Div255(static_cast<std::uint32_t>(x)));
}

// The rider pixel as Bpp bytes: an 8-bit rider in a 24-bit loop is its grey
// in all three channels.
template <int Bpp>
void RiderPixel(const RiderRowRecord& rec, int i, std::uint8_t* out) {
  if (Bpp == 3 && rec.riderBytesPerPixel == 3) {
    for (int k = 0; k < 3; ++k) out[k] = rec.riderPixels[3 * i + k];
  } else {
    const std::uint8_t v = rec.riderPixels[rec.riderBytesPerPixel * i];
    for (int k = 0; k < Bpp; ++k) out[k] = v;
  }
}

// The rider's blend fields, read once per row.
struct RiderSetup {
  explicit RiderSetup(const RiderRowRecord& rec)
      : layer(*rec.rider),
        mode(layer.EffectiveMode()),
        parameter(layer.ModeParameter()),
        dissolve(mode.code == lumora::kMergeDissolve),
        rowSeed(dissolve ? lumora::DissolveRowSeed(layer.uniqueId, rec.riderY) : 0) {}
  const BlendContext& layer;
  const lumora::BlendMode& mode;
  std::uint32_t parameter;
  bool dissolve;
  std::uint32_t rowSeed;
};

// Plain mix, before the layer's weights are combined: the rider pixel over
// the layer pixel by the rider's weights.
template <int Bpp>
void PlainMix(const RiderRowRecord& rec, int i, bool flag, std::uint8_t* pixel, int& weight) {
  const int r1 = rec.riderWeight1 != nullptr ? rec.riderWeight1[i] : 255;
  int w = rec.riderWeight2 != nullptr ? rec.riderWeight2[i] : 255;
  if (flag) w = Div255(w * r1);
  int first = rec.weight1 != nullptr ? rec.weight1[i] : 255;
  std::uint8_t rider[3];
  RiderPixel<Bpp>(rec, i, rider);
  if (w == 255) {
    for (int k = 0; k < Bpp; ++k) pixel[k] = rider[k];
    if (!flag) first = r1;
  } else if (w != 0) {
    for (int k = 0; k < Bpp; ++k)
      pixel[k] = static_cast<std::uint8_t>(Div255(rider[k] * w + pixel[k] * (255 - w)));
    if (!flag) first = Div255(w * r1 + (255 - w) * first);
  }
  weight = rec.weight2 != nullptr ? Div255(rec.weight2[i] * first) : first;
}

// Blend mix: the rider composited onto the layer pixel with its own blend
// function and weight, the layer's weight acting as the pixel's coverage.
template <int Bpp>
void BlendMix(const RiderRowRecord& rec, const RiderSetup& rider, int i, std::uint8_t* pixel,
              int& weight) {
  const int w1 = rec.riderWeight1 != nullptr ? rec.riderWeight1[i] : 255;
  const int w2 = rec.riderWeight2 != nullptr ? rec.riderWeight2[i] : 255;
  int a = Div255(w1 * w2);
  if (!rider.dissolve) a = rider.layer.OpacityTable()[a];
  if (a == 0) return;
  if (rider.dissolve &&
      !(rider.layer.Opacity() != 0 && lumora::DissolveSample(rider.rowSeed, rec.riderX + i) <=
                                          lumora::DissolveThreshold(rider.layer.Opacity()))) {
    return;
  }
  std::uint8_t s[3];
  RiderPixel<Bpp>(rec, i, s);
  const std::uint32_t r =
      rider.mode.function(PackPixel<Bpp>(s), PackPixel<Bpp>(pixel), rider.parameter);
  if ((r & lumora::kBlendDropped) != 0) return;
  const int c = weight;
  if (c == 255) {
    for (int k = 0; k < Bpp; ++k)
      pixel[k] =
          static_cast<std::uint8_t>(Div255(PackedChannel<Bpp>(r, k) * a + pixel[k] * (255 - a)));
  } else if (c == 0) {
    for (int k = 0; k < Bpp; ++k) pixel[k] = s[k];
    weight = a;
  } else if (a == 255) {
    for (int k = 0; k < Bpp; ++k)
      pixel[k] = static_cast<std::uint8_t>(Div255(PackedChannel<Bpp>(r, k) * c + s[k] * (255 - c)));
    weight = 255;
  } else {
    const int t = 255 * c + a * (255 - c);
    for (int k = 0; k < Bpp; ++k) {
      pixel[k] = static_cast<std::uint8_t>(
          (PackedChannel<Bpp>(r, k) * c * a + pixel[k] * c * (255 - a) + s[k] * a * (255 - c)) / t);
    }
    weight = Div255(t);
  }
}

// Work mix: a mask rider changes the layer's weight, a locked paint rider
// the pixel.
template <int Bpp>
void WorkMix(const RiderRowRecord& rec, const RiderSetup& rider, int i, std::uint8_t* pixel,
             int& weight) {
  if (rec.riderIsMask) {
    const std::uint8_t value = rec.riderPixels[rec.riderBytesPerPixel * i];
    weight = BlendValue8(
        weight, rider.layer, value, rec.riderWeight1 != nullptr ? rec.riderWeight1 + i : nullptr,
        rec.riderWeight2 != nullptr ? rec.riderWeight2 + i : nullptr, rec.riderX + i, rec.riderY);
  } else if (rec.riderLocked) {
    if (rider.layer.replace != 0) {
      const int m = rec.riderWeight2 != nullptr ? rec.riderWeight2[i] : 255;
      std::uint8_t s[3];
      RiderPixel<Bpp>(rec, i, s);
      for (int k = 0; k < Bpp; ++k)
        pixel[k] = static_cast<std::uint8_t>(Div255(s[k] * m + pixel[k] * (255 - m)));
    } else {
      BlendMix<Bpp>(rec, rider, i, pixel, weight);
    }
  }
}

template <int Bpp>
void RiderLoop(const BlendContext& layer, RiderRowRecord& rec, PreMix kind, bool flag) {
  using namespace lumora::detail;
  const SpanSetup setup = MakeSpanSetup(layer, false);
  const RiderSetup rider(rec);
  std::uint8_t pixels[kSpanChunk * Bpp];
  std::uint8_t weights[kSpanChunk];
  for (int base = 0; base < rec.n; base += kSpanChunk) {
    const int m = std::min(kSpanChunk, rec.n - base);
    for (int j = 0; j < m; ++j) {
      const int i = base + j;
      std::uint8_t* pixel = pixels + Bpp * j;
      for (int k = 0; k < Bpp; ++k) pixel[k] = rec.src[Bpp * i + k];
      int weight = 255;
      if (kind == PreMix::kPlain) {
        PlainMix<Bpp>(rec, i, flag, pixel, weight);
      } else {
        weight = rec.weight1 != nullptr ? rec.weight1[i] : 255;
        if (rec.weight2 != nullptr) weight = Div255(rec.weight2[i] * weight);
        if (kind == PreMix::kBlend) {
          BlendMix<Bpp>(rec, rider, i, pixel, weight);
        } else {
          WorkMix<Bpp>(rec, rider, i, pixel, weight);
        }
      }
      weights[j] = static_cast<std::uint8_t>(weight);
    }
    SpanArgs args;
    args.dst = rec.dst + Bpp * base;
    args.src = pixels;
    args.weight1 = weights;
    args.n = m;
    args.coverage = rec.coverage != nullptr ? rec.coverage + base : nullptr;
    args.x = rec.x + base;
    args.y = rec.y;
    args.forceOpaque = rec.forceOpaque != 0;
    RunSpan(setup, args, Bpp);
  }
  rec.riderPixels += static_cast<std::ptrdiff_t>(rec.n) * rec.riderBytesPerPixel;
  if (rec.riderWeight1 != nullptr) rec.riderWeight1 += rec.n;
  if (rec.riderWeight2 != nullptr) rec.riderWeight2 += rec.n;
}

}  // namespace

void CompositeRiderRow24(const BlendContext& layer, RiderRowRecord& record, int flag) {
  RiderLoop<3>(layer, record, PreMix::kPlain, flag != 0);
}
void CompositeRiderRow8(const BlendContext& layer, RiderRowRecord& record, int flag) {
  record.riderBytesPerPixel = 1;
  RiderLoop<1>(layer, record, PreMix::kPlain, flag != 0);
}
void CompositeBlendRiderRow24(const BlendContext& layer, RiderRowRecord& record) {
  RiderLoop<3>(layer, record, PreMix::kBlend, false);
}
void CompositeBlendRiderRow8(const BlendContext& layer, RiderRowRecord& record) {
  record.riderBytesPerPixel = 1;
  RiderLoop<1>(layer, record, PreMix::kBlend, false);
}
void CompositeWorkRow24(const BlendContext& layer, RiderRowRecord& record) {
  RiderLoop<3>(layer, record, PreMix::kWork, false);
}
void CompositeWorkRow8(const BlendContext& layer, RiderRowRecord& record) {
  record.riderBytesPerPixel = 1;
  RiderLoop<1>(layer, record, PreMix::kWork, false);
}
