// Which colour-dither options the options dialog offers for each image type.
#include "hostapi/draw.h"

BOOL VrIsDitherOptionAvailable(int imageType, int option) noexcept {
  const bool palette = imageType == 2 || imageType == 4;
  switch (option) {
    case kVrDitherOptionDither:
    case kVrDitherOptionPalette:
      return imageType == 16 || palette ? 1 : 0;
    case kVrDitherOptionOwnPalette:
      return imageType == 1 || palette ? 1 : 0;
    default:
      return 0;
  }
}

int VrDitherPaletteKinds(int imageType, std::int32_t kinds[4]) noexcept {
  switch (imageType) {
    case 1:
      kinds[0] = 2;  // its two colours
      return 1;
    case 8:
      kinds[0] = 0;  // greys
      return 1;
    case 2:
    case 4:
      kinds[0] = 0;
      kinds[1] = 1;
      kinds[2] = 3;  // the image's own colours
      return 3;
    default:
      kinds[0] = 0;
      kinds[1] = 1;  // the halftone cube
      return 2;
  }
}
