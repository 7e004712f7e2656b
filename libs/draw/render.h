// The portable core of a draw: window pixels of an image at a mapping, with
// coverage over a checkerboard, gamma, grid, guides and palette mapping,
// computed into a 32-bit buffer (0x00RRGGBB, rows top-down).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "hostapi/draw.h"
#include "libs/draw/cm_transform.h"
#include "libs/draw/color_tables.h"
#include "libs/draw/overlay.h"

namespace lumora::draw {

// Everything a draw depends on.
struct RenderSettings {
  const VrWA2000::ReadWA* image = nullptr;
  const VrWA2000::ReadWA* coverage = nullptr;  // 8-bit, the image's size; null: 255
  VRXFORM map;
  // Colour management: the image's profile to the monitor's (null: none).
  const CmTransform* colorTransform = nullptr;
  GammaTables gamma = MakeGammaTables(VR_GAMMAOPT{});
  bool gridShown = false;
  VR_GRIDSETTINGS grid;
  std::int32_t originX = 0;  // ruler origin, image pixels, y from the bottom
  std::int32_t originY = 0;
  bool guidesShown = false;
  VR_GUIDESETTINGS guideStyle;
  std::vector<Guide> guides;
  const PaletteMap* palette = nullptr;  // null: true colour
};

// The checkerboard behind partial coverage: 8 x 8 window pixels, white and
// 0xCC grey, anchored to the image's window origin (du, dv from it).
inline std::uint32_t CheckerGrey(std::int64_t du, std::int64_t dv) {
  return (((du >> 3) ^ (dv >> 3)) & 1) ? 0xCC : 0xFF;
}

// Computes the window rect `area`, which must lie inside the image's window
// rect, into `out` (stride in pixels). Per window pixel: its image box
// (one pixel when enlarging, [floor(u I / D), floor((u + 1) I / D)) per axis
// when reducing), each channel
//   round((sum(c * a) + K * (255 n - sum(a))) / (255 n))
// over the box's n pixels with coverage a and checker grey K; then the
// colour transform, gamma, grid and guide lines, the palette.
void RenderRect(const RenderSettings& settings, const RECT& area, std::uint32_t* out,
                std::ptrdiff_t stride);

// The same for one window pixel, walked pixel by pixel: the reference the
// fast paths are checked against. 0 outside the image.
std::uint32_t ReferencePixel(const RenderSettings& settings, std::int64_t u, std::int64_t v);

// Applies the grid and the guides of `settings` to a computed rect (window
// coordinates `area`); `margin` limits them to the guides (for the margin).
void ApplyOverlay(const RenderSettings& settings, const RECT& area, std::uint32_t* out,
                  std::ptrdiff_t stride, bool guidesOnly);

// The pixels of the guides that cross the margin: `client` minus `image`
// (window coordinates), as one-pixel-wide runs of drawn pixels.
std::vector<RECT> GuideMarginRuns(const RenderSettings& settings, const RECT& client, const RECT& image);

// The overlay axes of a mapping.
OverlayAxis OverlayAxisX(const VRXFORM& map);
OverlayAxis OverlayAxisY(const VRXFORM& map);

}  // namespace lumora::draw
