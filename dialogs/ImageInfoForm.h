// What the image-information dialog shows of a layered file without a
// window: its name and format, and from the file's header its kind, size
// and resolution.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

namespace lumora {

// The header of a layered file (Photoshop layout, either variant) as far
// as the information dialog reads it. Resolutions are the stored 16.16
// fixed-point values in dots per inch; the units are the display units
// (1 inches, 2 centimetres).
struct LayeredHeaderInfo {
  int width = 0;
  int height = 0;
  int kind = 0;  // 1 black and white, 4 palette, 8 grey, 16 RGB
  bool hasResolution = false;
  std::uint32_t xResolution = 0;
  std::uint16_t xUnit = 0;
  std::uint32_t yResolution = 0;
  std::uint16_t yUnit = 0;
};

// Nothing for a stream that ends early, a colour mode outside 0..3 or a
// malformed resource section.
std::optional<LayeredHeaderInfo> ReadLayeredHeaderInfo(std::istream& in);

// A resolution as shown: the whole part alone when the first two decimals
// are 00, one decimal when the second is 0, else two (decimals truncated).
std::string FormatInfoResolution(double value);
// "%s X %s dot/inch", or dot/cm when the horizontal unit is not inches:
// both axes in the horizontal unit, each converted from its stored value.
std::string DescribeResolution(const LayeredHeaderInfo& info);

struct ImageInfoTexts {
  std::string fileName;
  std::string format;
  std::string type;
  std::string colors;
  std::string dimensions;
  std::string compression;
  std::string resolution;
};

// The dialog's fields for the file at the path: name and format always,
// the rest only when the header reads.
ImageInfoTexts DescribeLayeredFile(const std::string& path);

}  // namespace lumora
