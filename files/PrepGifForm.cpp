// The GIF/PNG export dialog's depth list and enable table.
#include "files/PrepGifForm.h"

#include "hostapi/imagebuf.h"

namespace lumora {

namespace {

constexpr DepthEntry k24{"24 bit/pixel (Truecolor)", 24};
constexpr DepthEntry k8{"8 bit/pixel (256 colors)", 8};
constexpr DepthEntry k4{"4 bit/pixel (16 colors)", 4};
constexpr DepthEntry k1{"1 bit/pixel (2 colors)", 1};

}  // namespace

std::vector<DepthEntry> DepthEntriesFor(int sourceFormat, bool png) {
  switch (sourceFormat) {
    case kWAType24:
      if (png) return {k24, k8, k4, k1};
      return {k8, k4, k1};
    case kWAType8Grey:
    case kWAType8Palette:
      return {k8, k4, k1};
    case kWAType4Bit:
      return {k4, k1};
    case kWAType1Bit:
      return {k1};
    default:
      return {};
  }
}

DepthControls ControlsForDepth(int d, int s) {
  const bool full = s == kWAType24, eight = s == kWAType8Grey || s == kWAType8Palette;
  switch (d) {
    case 1:
      if (full || eight || s == kWAType4Bit) return {true, false, true};
      if (s == kWAType1Bit) return {true, false, false};
      break;
    case 4:
      if (full || eight) return {true, true, true};
      if (s == kWAType4Bit) return {true, false, false};
      break;
    case 8:
      if (full) return {true, true, true};
      if (eight) return {true, false, false};
      break;
    case 24:
      return {true, false, false};
    default:
      break;
  }
  return {};
}

}  // namespace lumora
