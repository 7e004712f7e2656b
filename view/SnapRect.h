// Snapping a moved rectangle to the grid and the guides of a view. Image
// positions count x to the right and y upward from the bottom row, as the
// mapping and the guides do; grid lines and guides are compared in 1/32
// image pixel.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win32types.h"

namespace lumora {

struct SnapGuide {
  std::int32_t position;     // 1/32 image pixel
  std::int32_t orientation;  // kVrGuideVertical (x) or kVrGuideHorizontal (y)
};

// The grid lines at or below and above a position (1/32 pixel) along one
// axis (vertical = the y axis); false when there is no grid.
using GridSnapQuery = std::function<bool(bool vertical, std::int32_t position, std::int32_t* below,
                                         std::int32_t* above)>;

struct SnapSettings {
  bool toGrid = false;    // grid shown, snapping on, not blocked
  bool toGuides = false;  // guides shown, snapping on
  GridSnapQuery grid;
  std::vector<SnapGuide> guides;
  double imagePerWindow = 1.0;  // image extent / displayed extent
};

// The snapping reach in 1/32 image pixel: 8 window pixels at the view's
// zoom, so the pull feels the same however far the view is zoomed.
std::int64_t SnapReach(double imagePerWindow);

// Moves `offset` so that an edge of `rect` displaced by it lands on the
// nearest grid line or guide within reach, per axis; returns whether it
// moved.
bool SnapRectOffset(const RECT& rect, POINT* offset, const SnapSettings& settings);

}  // namespace lumora
