// Grid and guide lines: where they fall in the window and which of their
// pixels are drawn.
#pragma once

#include <cstdint>
#include <vector>

#include "hostapi/draw.h"

namespace lumora::draw {

// A family of parallel lines at image positions (origin + k * step) / unit,
// unit = 32 * parts (so a grid subdivided in `parts` stays exact).
struct LineFamily {
  std::int64_t origin = 0;  // in 1/unit image pixel
  std::int64_t step = 0;    // > 0
  std::int64_t unit = 32;
  std::int32_t style = kVrLineSolid;
  COLORREF color = 0;
};

struct Guide {
  std::int32_t position;     // 1/32 image pixel
  std::int32_t orientation;  // kVrGuideHorizontal / kVrGuideVertical
};

// One axis of the mapping: d window units show i image units, shift s;
// extent = image width (x) or height (y).
struct OverlayAxis {
  std::int64_t d, i, s, extent;
  bool vertical;  // y: positions count upward from the bottom edge
};

// The window pixel column (x) or row (y) a line at `position`/`unit` is
// drawn on: the pixel holding the edge, the one toward +image on a tie.
std::int64_t LineWindowPixel(const OverlayAxis& axis, std::int64_t position, std::int64_t unit);

// Whether a line of `style` is drawn at `along` window pixels from the
// image's window origin (dashes and dots are anchored to the image).
inline bool LineStyleOn(std::int32_t style, std::int64_t along) {
  if (style == kVrLineDashed) return (along & 7) < 4;
  if (style == kVrLineDots) return (along & 1) == 0;
  return true;
}

// The window pixels [from, to) carrying a line of the family, in order.
void FamilyPixels(const OverlayAxis& axis, const LineFamily& family, std::int64_t from,
                  std::int64_t to, std::vector<std::int64_t>* out);

// Whether window pixel `w` carries a line of the family (tested directly,
// without listing the lines).
bool FamilyHasPixel(const OverlayAxis& axis, const LineFamily& family, std::int64_t w);

// A family closer than 4 window pixels is left out.
bool FamilyVisible(const OverlayAxis& axis, const LineFamily& family);

// Grid families of one axis, subdivisions first (drawn under the major
// lines); left-out families are not listed.
std::vector<LineFamily> GridFamilies(const OverlayAxis& axis, const VR_GRIDSETTINGS& grid,
                                     std::int32_t originPixels);

// The nearest grid positions at or below and above `position` (1/32 pixel)
// among the major lines and subdivisions.
void GridSnapRange(const VR_GRIDSETTINGS& grid, std::int32_t originPixels, bool vertical,
                   std::int32_t position, std::int32_t* below, std::int32_t* above);

}  // namespace lumora::draw
