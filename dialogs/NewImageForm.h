// What the new-image dialog computes without a window: the size shown in
// the chosen units, the size typed back into pixels, and the choices kept
// in the settings file (section "NewImage").
#pragma once

#include <string>

#include "framework/Profile.h"

namespace lumora {

enum NewImageUnits : int { kUnitsInches = 0, kUnitsCentimeters = 1, kUnitsPixels = 2 };
enum NewImageResolution : int { kResolutionScreen = 0, kResolutionPrinter = 1, kResolutionCustom = 2 };

// Resolutions the dialog accepts: they travel packed in 16 bits each, and
// a size in inches or centimetres divides by them.
constexpr int kMinResolution = 1;
constexpr int kMaxResolution = 65535;
// The printer resolution when no default printer is known.
constexpr int kDefaultPrinterResolution = 300;

struct NewImageSettings {
  int width = 320;
  int height = 240;
  int units = kUnitsPixels;
  int resolution = kResolutionPrinter;
  int xres = kDefaultPrinterResolution;
  int yres = kDefaultPrinterResolution;
};

// The keys of "NewImage"; missing ones take the defaults, the resolution
// keys the printer's. Out-of-range choices fall back to the defaults, sizes
// below 1 too; sizes above 30000 are cut to 30000.
NewImageSettings LoadNewImageSettings(fw::Profile& profile, int printerX, int printerY);
// Written on OK only.
void SaveNewImageSettings(fw::Profile& profile, const NewImageSettings& settings);

// A size as the dialog shows it: "%d" in pixels, else inches (or
// centimetres) with four decimals, truncated.
std::string FormatImageSize(int pixels, int resolution, int units);
// What the user typed, in pixels; false leaves the size as it was (text
// that is no number, or a side outside 1..30000 pixels).
bool ParseImageSize(const std::string& text, int resolution, int units, int* pixels);
// A typed resolution; false for text that is no number or out of range.
bool ParseResolution(const std::string& text, int* resolution);

// The "device" entry of the system profile ("name,driver,port"): false
// when a part is missing.
bool SplitPrinterDevice(const std::string& device, std::string* name, std::string* driver, std::string* port);

}  // namespace lumora
