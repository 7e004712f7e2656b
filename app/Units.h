// Lengths and positions in the user's units for status texts and rulers.
#pragma once

#include <functional>
#include <string>

#include "platform/win32types.h"

namespace lumora {

// A length of `value` pixels at `dpi` in cm ("%li.%02d"), inches and
// points ("%li.%03d") or pixels ("%d"), rounded half up; one minus sign
// for a negative length.
std::string FormatLength(double value, double dpi, int unit);

// What the coordinates text needs of its view and image.
struct CoordinateFrame {
  int width = 0, height = 0;        // image size
  int originX = 0, originY = 0;     // ruler origin (y in rows from the top)
  double dpiX = 72, dpiY = 72;
  int unit = 2;
  // The width of a text in the status bar's font.
  std::function<int(const std::string&)> textWidth;
};

// "(x,y)" of an image point (its row counted upward from the bottom, as the
// view's mapping gives it) in the frame's units, from the ruler origin,
// rows counted downward from the top as the rulers count them; padded on
// the left so that the commas of successive texts line up; empty outside
// the image.
std::string FormatCoordinates(int x, int y, const CoordinateFrame& frame);

// "x=%s y=%s w=%s h=%s" of an image rectangle (rows counted upward from the
// bottom: `top` is its lower edge) clipped to the image, from the ruler
// origin: y is the row of its upper edge counted from the top (for a
// rectangle without height, the row it lies on).
std::string FormatRectInUnits(const RECT& rect, const CoordinateFrame& frame);

}  // namespace lumora
