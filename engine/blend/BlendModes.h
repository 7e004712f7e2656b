// The per-pixel blend functions of the merge modes: the exact integer
// formula of each mode on packed pixels. They are the reference that every
// row loop agrees with, bit for bit.
//
// Packing: a 24-bit pixel (memory order blue, green, red) is passed as
// blue << 16 | green << 8 | red; an 8-bit value in bits 0-7 with the rest 0.
// A result with any of bits 24-31 set would mark the pixel as dropped; no
// function here produces one, because the Dissolve drop depends on where
// the pixel lies and is decided by the row loops (see DissolveKeeps).
#pragma once

#include <cstdint>

#include "engine/blend/MergeModes.h"

// (layer pixel, underlying pixel, mode parameter) -> blended pixel.
using BLENDFUNC = std::uint32_t (*)(std::uint32_t layer, std::uint32_t under,
                                    std::uint32_t parameter);

namespace lumora {

inline constexpr std::uint32_t kBlendDropped = 0xFF000000u;

// One row of the mode table.
struct BlendMode {
  int code;
  BLENDFUNC function;
  bool separable;  // the result of each channel depends on that channel alone
};

// Indexed by code.
extern const BlendMode kBlendModes[kMergeModeCount];

// The row of a merge-mode code; any code outside 0..18 gives Normal's row.
const BlendMode& GetBlendMode(int mode);

// The mode parameter of Add and Subtract: scale (10000 = 1.0) in bits 16-31,
// the offset's 16 bits in bits 0-15. Every other mode takes the opacity.
constexpr std::uint32_t PackScaleOffset(std::uint16_t scale, std::int16_t offset) {
  return static_cast<std::uint32_t>(scale) << 16 | static_cast<std::uint16_t>(offset);
}

// Per-channel formulas, a the layer's channel and b the underlying one,
// both 0..255; the results are channel bytes.
int BlendChannel(int mode, int a, int b, std::uint32_t parameter);

// Whether a pixel of a Dissolve layer shows: a hash of the layer's unique id
// and the pixel's column and row in the layer's own buffer stands in for a
// random number r in 0..32767, and the pixel shows when r <= opacity * 32767
// / 255. Nothing shows at opacity 0. The same pixel of the same layer gives
// the same answer on every repaint, in every render cell and thread, and in
// a merge, so the pattern is stable and a flattened image matches the
// screen.
std::uint32_t DissolveRowSeed(std::uint64_t uniqueId, int row);
inline std::uint32_t DissolveSample(std::uint32_t rowSeed, int column) {
  std::uint32_t h = rowSeed + static_cast<std::uint32_t>(column) * 0x9E3779B9u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h & 0x7FFFu;
}
inline std::uint32_t DissolveThreshold(std::uint8_t opacity) {
  return static_cast<std::uint32_t>(opacity) * 32767u / 255u;
}
inline bool DissolveKeeps(std::uint64_t uniqueId, std::uint8_t opacity, int column, int row) {
  return opacity != 0 &&
         DissolveSample(DissolveRowSeed(uniqueId, row), column) <= DissolveThreshold(opacity);
}

}  // namespace lumora

// The blend function of a merge-mode code; any code outside 0..18 gives the
// Normal function.
BLENDFUNC GetBlendFunction(int mode);
