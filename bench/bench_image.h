// Seeded picture content the benchmarks share: an RGB picture of noise and
// a soft-edged elliptical mask.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/pixels/WAccess.h"

namespace lumora::bench {

// A width x height RGB picture with every byte touched (untouched zero pages
// would all map one physical page) and no flat areas: each byte, row padding
// included, the next value of a linear congruential generator.
inline WAPtr NoiseImage(int width, int height, std::uint32_t seed) {
  WAPtr wa = WAPtr::Adopt(NewWA(kWAType24, width, height, nullptr));
  for (int y = 0; y < wa->GetH(); ++y) {
    std::uint8_t* row = wa->Row(y);
    for (int i = 0; i < wa->GetBPLine(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      row[i] = static_cast<std::uint8_t>(seed >> 24);
    }
  }
  return wa;
}

// Opaque inside an ellipse, transparent outside, a 32-pixel ramp between.
inline void FillMask(VrWA2000::WA* mask, double cx, double cy, double rx, double ry) {
  for (int y = 0; y < mask->GetH(); ++y) {
    std::uint8_t* row = mask->Row(y);
    for (int x = 0; x < mask->GetW(); ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      const double d = (std::sqrt(dx * dx + dy * dy) - 1.0) * std::min(rx, ry);
      row[x] = static_cast<std::uint8_t>(std::clamp(128.0 - d * 4.0, 0.0, 255.0));
    }
  }
}

}  // namespace lumora::bench
