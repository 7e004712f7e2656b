// Colour models and small pixel utilities: red-green-blue to and from the
// hue-based HSV and HLS models in exact integer arithmetic (hue 0..1535, six
// sectors of 256 with red at 0, green at 512, blue at 1024; saturation,
// value and lightness on a 0..256 scale), the mean of a window of 8-bit
// samples, the hue-spectrum image and length conversion between units.
#pragma once

#include <cstdint>

#include "engine/pixels/WAccess.h"

namespace lumora {

enum LengthUnit : int {
  kUnitCentimeters = 0,
  kUnitInches = 1,
  kUnitPixels = 2,
  kUnitPoints = 3,
};

}  // namespace lumora

void RGBToHSV(int red, int green, int blue, int& hue, int& saturation, int& value);
// Hue 1536 counts as 0; a hue outside 0..1536 writes nothing.
void HSVToRGB(int hue, int saturation, int value, int& red, int& green, int& blue);
void RGBToHLS(int red, int green, int blue, int& hue, int& saturation, int& lightness);
void HLSToRGB(int hue, int saturation, int lightness, int& red, int& green, int& blue);

// Mean of the 8-bit samples in a window of winWidth x winHeight centred on
// (x, y) of a buffer of width x height; samples outside the buffer repeat
// the nearest edge. For even window sizes the window holds one more row and
// column than the divisor counts.
int AverageArea(const WAPIX* pix, int x, int y, int width, int height, int winWidth, int winHeight);

// A 24-bit picture of all hues (bottom row red, rising through the sectors)
// with value rising from black in the left half and saturation falling to
// white in the right half; count 1, or null when it cannot be made.
VrWA2000::WA* CreateColorSpectrumWA(int width, int height);

// A length from one unit into another (lumora::LengthUnit codes; unknown
// codes count as pixels) at a resolution in dots per inch.
double ConvertUnits(float value, int fromUnit, int toUnit, std::uint16_t dpi);
