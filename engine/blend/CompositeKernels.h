// Inside the row loops: what one row's span needs, prepared once per row,
// and the span functions each implementation level provides.
#pragma once

#include <cstdint>

#include "engine/blend/BlendContext.h"

namespace lumora::detail {

inline constexpr int kSpanChunk = 64;  // pixels processed together by the vector levels

struct SpanSetup {
  const BlendContext* layer = nullptr;
  const BlendMode* mode = nullptr;  // the effective mode
  std::uint32_t parameter = 0;
  std::uint8_t opacity = 255;
  bool dissolve = false;      // pixels drop by the Dissolve pattern, no opacity table
  bool applyOpacity = false;  // the opacity table is not the identity and applies
  bool blendIf = false;
  bool merge = false;  // MergeRow: coverage is read for blend-if only
  std::uint32_t dissolveThreshold = 0;
};

struct SpanArgs {
  std::uint8_t* dst = nullptr;
  const std::uint8_t* src = nullptr;
  const std::uint8_t* weight1 = nullptr;
  const std::uint8_t* weight2 = nullptr;
  int n = 0;
  std::uint8_t* coverage = nullptr;
  int x = 0;
  int y = 0;
  // The layer weight is 255 before the opacity table, and every pixel that
  // is written gets coverage 255.
  bool forceOpaque = false;
};

using SpanFunction = void (*)(const SpanSetup&, const SpanArgs&);

struct SpanKernels {
  SpanFunction span24;
  SpanFunction span8;
};

const SpanKernels& GenericKernels();
// Null when the level is not built into this program.
const SpanKernels* Sse2Kernels();
const SpanKernels* Avx2Kernels();

// Exact x / 255 for 0 <= x <= 66298 (checked over that range by the tests).
constexpr std::uint32_t Div255(std::uint32_t x) { return (x * 32897u) >> 23; }

// A pixel of Bpp bytes (blue, green, red in memory) as a blend function
// takes it: red in the low byte, blue in the third; a grey byte as it is.
template <int Bpp>
std::uint32_t PackPixel(const std::uint8_t* p) {
  if constexpr (Bpp == 3) {
    return static_cast<std::uint32_t>(p[2]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[0]) << 16;
  } else {
    return p[0];
  }
}

// Channel k of a packed blend result in memory order (0 blue, 1 green,
// 2 red).
template <int Bpp>
int PackedChannel(std::uint32_t packed, int k) {
  if constexpr (Bpp == 3) {
    return static_cast<int>((packed >> (8 * (2 - k))) & 255u);
  } else {
    return static_cast<int>(packed & 255u);
  }
}

}  // namespace lumora::detail
