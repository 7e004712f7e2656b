// Length and coordinate texts.
#include "app/Units.h"

#include <cmath>
#include <cstdio>
#include <algorithm>

#include "app/Settings.h"

namespace lumora {
namespace {

// |v| rounded half up to `decimals` places, as "int.frac".
std::string FixedText(double v, int decimals) {
  const long scale = decimals == 2 ? 100 : 1000;
  // A hair above half so that a length that is exactly .5 in decimal but a
  // little less in binary still rounds up.
  long long scaled = static_cast<long long>(std::floor(std::fabs(v) * scale + 0.5 + 1e-9));
  char text[48];
  std::snprintf(text, sizeof text, decimals == 2 ? "%s%lld.%02lld" : "%s%lld.%03lld", v < 0 ? "-" : "",
                scaled / scale, scaled % scale);
  return text;
}

}  // namespace

std::string FormatLength(double value, double dpi, int unit) {
  switch (unit) {
    case kUnitCm:
      return FixedText(value / dpi * 2.54, 2);
    case kUnitInch:
      return FixedText(value / dpi, 3);
    case kUnitPoints:
      return FixedText(value / dpi * 72.0, 3);
    default: {
      char text[24];
      std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
      return text;
    }
  }
}

std::string FormatCoordinates(int x, int y, const CoordinateFrame& frame) {
  if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) return {};
  std::string before = "(" + FormatLength(x - frame.originX, frame.dpiX, frame.unit);
  const int fromTop = frame.height - y - 1;
  std::string text = before + "," + FormatLength(fromTop - frame.originY, frame.dpiY, frame.unit) + ")";
  if (!frame.textWidth) return text;
  int space = frame.textWidth(" ");
  if (space <= 0) return text;
  // The comma goes where it stands in the coordinates pane's own sizing text
  // " (99999,99999) ", so the longest position still fits the pane.
  int spaces = (frame.textWidth(" (99999") - frame.textWidth(before)) / space;
  return std::string(static_cast<std::size_t>(std::max(spaces, 0)), ' ') + text;
}

std::string FormatRectInUnits(const RECT& rect, const CoordinateFrame& frame) {
  const long long l = std::max<long long>(rect.left, 0), t = std::max<long long>(rect.top, 0);
  const long long r = std::min<long long>(rect.right, frame.width), b = std::min<long long>(rect.bottom, frame.height);
  const long long w = r - l, h = b - t;
  const long long x = l - frame.originX;
  const long long y = frame.height - b - frame.originY - (h == 0 ? 1 : 0);
  return "x=" + FormatLength(static_cast<double>(x), frame.dpiX, frame.unit) +
         " y=" + FormatLength(static_cast<double>(y), frame.dpiY, frame.unit) +
         " w=" + FormatLength(static_cast<double>(w), frame.dpiX, frame.unit) +
         " h=" + FormatLength(static_cast<double>(h), frame.dpiY, frame.unit);
}

}  // namespace lumora
