// The size an embedded image reports to its container, in HIMETRIC units
// (0.01 mm): the pixel size at the image's resolution, or at the display's
// where the image has none.
#pragma once

#include <cstdint>

namespace lumora {

struct HimetricSize {
  long cx = 0;
  long cy = 0;
};

// cx = width * 2540 / x dpi, cy = height * 2540 / y dpi (integer division);
// a half of the resolution word that is 0 takes the display's dpi.
HimetricSize HimetricExtent(int width, int height, std::uint32_t resolution, int displayDpiX, int displayDpiY);

}  // namespace lumora
