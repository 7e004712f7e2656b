// Blend-if tables and the mode parameter of a layer's blend fields.
#include "engine/blend/BlendContext.h"

#include <algorithm>

namespace lumora {

namespace {

// One table from {b0 black low, b1 black high, b2 white low, b3 white high}:
// 0 up to b0 and from b3, 255 between b1 and b2, linear ramps between. The
// steps run in this order, so a later step wins where a disordered range
// makes them overlap.
void BuildBlendIfTable(const std::uint8_t range[4], std::uint8_t table[256]) {
  const int b0 = range[0], b1 = range[1], b2 = range[2], b3 = range[3];
  std::fill(table, table + 256, std::uint8_t{0});
  std::fill(table + b3, table + 256, std::uint8_t{0});
  if (b1 <= b2) std::fill(table + b1, table + b2 + 1, std::uint8_t{255});
  for (int i = b0 + 1; i <= b1; ++i)
    table[i] = static_cast<std::uint8_t>((i - b0) * 255 / (b1 - b0));
  for (int i = b2 + 1; i <= b3; ++i) {
    table[i] = static_cast<std::uint8_t>(255 - ((i - b2) * 255) / (b3 - b2));
  }
}

}  // namespace

void BlendContext::RebuildBlendIfTables() {
  blendIfActive = 0;
  for (int k = 0; k < 8; ++k) {
    const std::uint8_t* r = blendIfRanges[k];
    if (r[0] != 0 || r[1] != 0 || r[2] != 255 || r[3] != 255) blendIfActive = 1;
    BuildBlendIfTable(r, blendIfTables[k]);
  }
}

std::uint32_t BlendContext::ModeParameter() const {
  const int code = EffectiveMode().code;
  if (code == kMergeAdd || code == kMergeSubtract) {
    const bool add = code == kMergeAdd;
    const int scale = std::clamp<int>(add ? addScale : subtractScale, 10000, 20000);
    // Beyond +-1024 an offset already pins every result to 0 or 255, so the
    // clamp changes no result and keeps the row loops' sums in 16 bits.
    const int offset = std::clamp<int>(add ? addOffset : subtractOffset, -1024, 1024);
    return PackScaleOffset(static_cast<std::uint16_t>(scale), static_cast<std::int16_t>(offset));
  }
  return opacity_;
}

}  // namespace lumora
