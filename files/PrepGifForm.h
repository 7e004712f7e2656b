// What the GIF/PNG export dialog offers for a source image: the colour
// depths of its list and which controls each depth leaves enabled.
#pragma once

#include <vector>

namespace lumora {

struct DepthEntry {
  const char* text;
  int bits;  // 24, 8, 4 or 1
};

// The list for a source of format code `sourceFormat`, in the order shown;
// 24 bits only for PNG (and a 24-bit source). Empty for other formats.
std::vector<DepthEntry> DepthEntriesFor(int sourceFormat, bool png);

// The palette radio buttons and the dither box after choosing `bits` for
// a source of format `sourceFormat`; `applies` false leaves them as they
// are.
struct DepthControls {
  bool applies = false;
  bool palette = false;
  bool dither = false;
};
DepthControls ControlsForDepth(int bits, int sourceFormat);

// The dialog's settings section.
inline const char* GifSettingsSection(bool png) { return png ? "INTERNET_PNG" : "INTERNET_GIF"; }

}  // namespace lumora
