// The row loops of compositing: each applies the per-pixel rule (weights,
// opacity, blend-if, blend function, coverage) along one row of a layer.
//
// Every row pointer starts at the first pixel of the span and absent rows
// are null (an absent weight weighs 255). `x` and `y` are the column and row
// of the first layer pixel in the layer's own buffer; they place the pixels
// of a Dissolve layer in its pattern.
//
// Per pixel, with S the layer pixel, D the destination pixel and c its
// coverage (0 = nothing covers it yet, 255 = fully covered):
//   a = weight1 (x weight2 / 255), through the opacity table except in
//   Dissolve, limited by the blend-if tables; a = 0 changes nothing;
//   R = blend function (S, D, parameter);
//   without coverage D = (R a + D (255 - a)) / 255; with coverage: c = 255
//   mixes likewise, c = 0 takes the layer pixel S itself and c = a, and in
//   between D = (R c a + D c (255 - a) + S a (255 - c)) / T with
//   T = 255 c + a (255 - c) and c = T / 255.
#pragma once

#include <cstdint>

#include "engine/blend/BlendContext.h"

namespace lumora {

// The row record of the rider loops: the layer's row, the rider's row (the
// work layer of a brush stroke that is merged into the layer pixel before
// the layer reaches the destination) and what the loops need to know of the
// rider. The loops advance the rider pointers past the n pixels they used.
struct RiderRowRecord {
  std::uint8_t* dst = nullptr;
  const std::uint8_t* src = nullptr;
  const std::uint8_t* weight1 = nullptr;  // the layer's mask
  const std::uint8_t* weight2 = nullptr;  // the layer's auxiliary buffer
  int forceOpaque = 0;                    // the layer's mask is disabled
  int n = 0;
  std::uint8_t* coverage = nullptr;
  const BlendContext* rider = nullptr;
  const std::uint8_t* riderPixels = nullptr;
  const std::uint8_t* riderWeight1 = nullptr;
  const std::uint8_t* riderWeight2 = nullptr;
  int riderBytesPerPixel = 3;  // 1 for an 8-bit rider image (always in the 8-bit loops)
  bool riderIsMask = false;    // the rider paints a mask (CLayerMask)
  bool riderLocked = false;    // the rider's transparency lock (flags bit 0)
  int x = 0, y = 0;            // first layer pixel in the layer's buffer
  int riderX = 0, riderY = 0;  // first rider pixel in the rider's buffer
};

// Which implementation the row loops use. kGeneric is the plain per-pixel
// rule with one blend-function call per pixel, the reference for the
// others; kSse2 and kAvx2 process chunks of pixels with vector arithmetic.
enum class CompositeLevel : int { kGeneric = 0, kSse2 = 1, kAvx2 = 2 };

// The best level this build and processor have. The environment variable
// LUMORA_COMPOSITE_LEVEL (generic, sse2 or avx2) lowers the start-up level.
CompositeLevel BestCompositeLevel();
CompositeLevel GetCompositeLevel();
// Sets the level, lowered to the best available; returns what was set.
CompositeLevel SetCompositeLevel(CompositeLevel level);

}  // namespace lumora

// 24-bit (blue, green, red) and 8-bit rows; `coverage` is read and written.
void CompositeRow24(const lumora::BlendContext& layer, std::uint8_t* dst, const std::uint8_t* src,
                    const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
                    std::uint8_t* coverage, int x, int y);
void CompositeRow8(const lumora::BlendContext& layer, std::uint8_t* dst, const std::uint8_t* src,
                   const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
                   std::uint8_t* coverage, int x, int y);

// The merge of one layer into another's pixels: the opacity table applies in
// every mode but Dissolve (whose pattern is the one the screen shows), the
// coverage row (the target's mask) only decides whether the underlying
// blend-if ranges apply and is never written, and every pixel mixes as
// without coverage.
void MergeRow24(const lumora::BlendContext& layer, std::uint8_t* dst, const std::uint8_t* src,
                const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
                const std::uint8_t* coverage, int x, int y);
void MergeRow8(const lumora::BlendContext& layer, std::uint8_t* dst, const std::uint8_t* src,
               const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
               const std::uint8_t* coverage, int x, int y);

// Rider loops. Plain mix: the rider pixel is mixed into the layer pixel by
// the rider's weights (with `flag` the rider's first weight scales its
// second and the layer's weight is kept; without it the layer's first weight
// is mixed toward the rider's). Blend mix: the rider is blended onto the
// layer pixel with its own blend fields, the layer's weight acting as that
// pixel's coverage. Work mix: a mask rider changes the layer's weight
// (BlendValue8), a locked paint rider changes the pixel (replace: toward
// the rider by its second weight; else as the blend mix).
void CompositeRiderRow24(const lumora::BlendContext& layer, lumora::RiderRowRecord& record,
                         int flag);
void CompositeRiderRow8(const lumora::BlendContext& layer, lumora::RiderRowRecord& record,
                        int flag);
void CompositeBlendRiderRow24(const lumora::BlendContext& layer, lumora::RiderRowRecord& record);
void CompositeBlendRiderRow8(const lumora::BlendContext& layer, lumora::RiderRowRecord& record);
void CompositeWorkRow24(const lumora::BlendContext& layer, lumora::RiderRowRecord& record);
void CompositeWorkRow8(const lumora::BlendContext& layer, lumora::RiderRowRecord& record);

// One value blended by a layer onto a current value v (mask displays and the
// work mix); `column`, `row` place the value in the layer's buffer.
int BlendValue8(int v, const lumora::BlendContext& layer, std::uint8_t value,
                const std::uint8_t* weight1, const std::uint8_t* weight2, int column, int row);
// A coverage value v with a layer's weights merged in.
int MergeCoverage8(int v, const lumora::BlendContext& layer, const std::uint8_t* weight1,
                   const std::uint8_t* weight2);
