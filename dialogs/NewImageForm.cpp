// The new-image dialog's arithmetic and settings.
#include "dialogs/NewImageForm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>

#include "engine/pixels/ImageLimits.h"
#include "framework/DataExchange.h"

namespace lumora {

namespace {

constexpr char kSection[] = "NewImage";
constexpr double kInchesPerCentimetre = 0.39370078740157477;

bool ValidResolution(int value) { return value >= kMinResolution && value <= kMaxResolution; }

// The widest and tallest image the program makes.
constexpr int kLargestSide = 30000;

int ChoiceOr(int value, int last, int fallback) { return value >= 0 && value <= last ? value : fallback; }

}  // namespace

NewImageSettings LoadNewImageSettings(fw::Profile& profile, int printerX, int printerY) {
  NewImageSettings s;
  const int defaultX = ValidResolution(printerX) ? printerX : kDefaultPrinterResolution;
  const int defaultY = ValidResolution(printerY) ? printerY : kDefaultPrinterResolution;
  s.width = profile.GetInt(kSection, "width", s.width);
  s.height = profile.GetInt(kSection, "height", s.height);
  s.units = ChoiceOr(profile.GetInt(kSection, "units", s.units), kUnitsPixels, kUnitsPixels);
  s.resolution = ChoiceOr(profile.GetInt(kSection, "resolution", s.resolution), kResolutionCustom,
                          kResolutionPrinter);
  s.xres = profile.GetInt(kSection, "xres", defaultX);
  s.yres = profile.GetInt(kSection, "yres", defaultY);
  // A damaged file must not give a division by zero or a size of nothing.
  if (!ValidResolution(s.xres)) s.xres = defaultX;
  if (!ValidResolution(s.yres)) s.yres = defaultY;
  if (s.width < 1) s.width = NewImageSettings{}.width;
  if (s.height < 1) s.height = NewImageSettings{}.height;
  s.width = std::min(s.width, kLargestSide);
  s.height = std::min(s.height, kLargestSide);
  return s;
}

void SaveNewImageSettings(fw::Profile& profile, const NewImageSettings& s) {
  profile.WriteInt(kSection, "width", s.width);
  profile.WriteInt(kSection, "height", s.height);
  profile.WriteInt(kSection, "units", s.units);
  profile.WriteInt(kSection, "resolution", s.resolution);
  profile.WriteInt(kSection, "xres", s.xres);
  profile.WriteInt(kSection, "yres", s.yres);
}

std::string FormatImageSize(int pixels, int resolution, int units) {
  char text[48];
  if (units == kUnitsPixels || resolution <= 0) {
    std::snprintf(text, sizeof text, "%d", pixels);
    return text;
  }
  double value = static_cast<double>(pixels) / resolution;
  if (units == kUnitsCentimeters) value *= 2.54;
  const long whole = static_cast<long>(value);
  const int fraction = std::abs(static_cast<int>((value - static_cast<double>(whole)) * 10000.0));
  if (value < 0 && whole == 0) {
    std::snprintf(text, sizeof text, "-0.%04d", fraction);
  } else {
    std::snprintf(text, sizeof text, "%li.%04d", whole, fraction);
  }
  return text;
}

bool ParseImageSize(const std::string& text, int resolution, int units, int* pixels) {
  long long side = 0;
  if (units == kUnitsPixels) {
    if (!fw::ParseInt(text, side)) return false;
  } else {
    double value = 0;
    if (!fw::ParseReal(text, value) || !(value > 0) || resolution <= 0) return false;
    if (units == kUnitsCentimeters) value *= kInchesPerCentimetre;
    const double converted = std::floor(value * resolution + 0.5);
    if (!(converted <= kMaxImageSide)) return false;
    side = static_cast<long long>(converted);
  }
  if (!IsImageSide(side)) return false;
  *pixels = static_cast<int>(side);
  return true;
}

bool ParseResolution(const std::string& text, int* resolution) {
  long long value = 0;
  if (!fw::ParseInt(text, value) || value < kMinResolution || value > kMaxResolution) return false;
  *resolution = static_cast<int>(value);
  return true;
}

bool SplitPrinterDevice(const std::string& device, std::string* name, std::string* driver, std::string* port) {
  const std::size_t first = device.find(',');
  if (first == std::string::npos) return false;
  const std::size_t second = device.find(',', first + 1);
  if (second == std::string::npos) return false;
  *name = device.substr(0, first);
  *driver = device.substr(first + 1, second - first - 1);
  *port = device.substr(second + 1);
  return !name->empty() && !driver->empty() && !port->empty();
}

}  // namespace lumora
