// Display gamma tables and the logical palettes of palette devices with
// their quantiser (ordered dither anchored to the image).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "hostapi/draw.h"

namespace lumora::draw {

struct GammaTables {
  std::array<std::uint8_t, 256> r, g, b;
  bool identity = true;
};

// out = round(255 * (in / 255)^(100 / gamma)); gamma 100 (or below 1) is
// the exact identity.
GammaTables MakeGammaTables(const VR_GAMMAOPT& gamma);

// A logical palette and how 32-bit colours are mapped onto it.
class PaletteMap {
 public:
  // The palette that `options` asks for over an image (its own palette for
  // kinds 2 and 3).
  PaletteMap(const VR_CDOPTFV& options, const VrWA2000::ReadWA& image);

  const std::vector<PALETTEENTRY>& Entries() const { return entries_; }
  // The palette colour shown for `rgb` (0x00RRGGBB) at window pixel
  // (du, dv) from the image's window origin.
  std::uint32_t Map(std::uint32_t rgb, std::int64_t du, std::int64_t dv) const;

 private:
  enum class Kind { kGrey, kCube, kTable };
  std::uint32_t Nearest(int r, int g, int b) const;
  std::uint32_t EntryRgb(int index) const;

  Kind kind_;
  bool dither_;
  std::vector<PALETTEENTRY> entries_;
  std::vector<std::uint32_t> exact_;    // the entries' colours, sorted (kTable)
  std::vector<std::uint8_t> inverse_;  // 32 x 32 x 32 nearest entries (kTable)
};

// The 8 x 8 ordered-dither thresholds 0..63.
int BayerThreshold(std::int64_t du, std::int64_t dv);

}  // namespace lumora::draw
