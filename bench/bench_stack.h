// The layer stack the rendering benchmarks share: 4000 x 3000 RGB, ten
// full-size layers, each with a mask (opaque inside an ellipse per layer,
// transparent outside, a soft ramp between), alternately Normal and
// Multiply, under a document lock. Built and composited once per process.
#pragma once

#include <cstdint>

#include "bench/bench_image.h"
#include "engine/layers/LayerMng.h"

namespace lumora::bench {

inline constexpr int kStackWidth = 4000;
inline constexpr int kStackHeight = 3000;
inline constexpr int kStackLayers = 10;

// Seeded pixel content without a random generator per byte.
inline std::uint8_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  return static_cast<std::uint8_t>(x >> 8);
}

inline void FillImage(VrWA2000::WA* image, int seed) {
  for (int y = 0; y < image->GetH(); ++y) {
    std::uint8_t* row = image->Row(y);
    const int bytes = image->GetType() == kWAType24 ? 3 * image->GetW() : image->GetW();
    for (int i = 0; i < bytes; ++i) {
      row[i] = static_cast<std::uint8_t>((i / 3 + y + seed * 37) & 255) ^
               (Hash(static_cast<std::uint32_t>(y * 131 + i / 64 + seed)) & 15);
    }
  }
}

// The stack, its document lock held by the same process-wide record.
inline CLayersManager* TenLayerStack() {
  static ReentrantDocumentLock lock;
  static CLayersManager* stack = [] {
    auto* s = new CLayersManager(kWAType24, &lock, kStackWidth, kStackHeight, 0x00600060u,
                                 0xFFFFFFu, 1);
    for (int i = 0; i < kStackLayers; ++i) {
      LAYER_INFO info;
      info.name = "Layer";
      InitLayerInfo(info);
      info.mergeMode = i % 2 == 0 ? kMergeNormal : kMergeMultiply;
      const RECT rect{0, 0, kStackWidth, kStackHeight};
      CLayer* layer = new CLayer(&rect, info, kWAType24, 1);
      FillImage(layer->PeekImage(), i);
      FillMask(layer->PeekMask(), kStackWidth * (0.35 + 0.03 * i),
               kStackHeight * (0.4 + 0.02 * i), kStackWidth * (0.45 - 0.01 * i),
               kStackHeight * (0.5 - 0.015 * i));
      s->AddLayer(layer);
      layer->Release();
    }
    s->SetActiveLayerByIndex(0);
    s->Render(RECT{0, 0, kStackWidth, kStackHeight});
    return s;
  }();
  return stack;
}

}  // namespace lumora::bench
