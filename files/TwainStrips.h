// Images from TWAIN sources by buffered memory transfer, without the
// session: the buffer made for an image's description, and each strip the
// source sends converted into it. Everything the source says is checked
// before it is used; nothing outside a strip is read.
#pragma once

#include <cstdint>

#include "engine/pixels/WAccess.h"
#include "hostapi/twain.h"

namespace lumora {

enum class TwainFault { kNone, kOutOfMemory, kIncompatible, kCompressed, kUnsupported };

// The session's box texts ("Out of memory.   " ...); empty for kNone and
// kUnsupported (no buffer, no box).
const char* TwainFaultText(TwainFault fault);

// How one image is read and written.
struct TwainImageLayout {
  int format = 0;          // 1, 2, 4, 8 or 16; 0: no buffer
  bool greyRamp = false;   // a 256-entry grey ramp: written as grey
  PALETTEENTRY palette[256] = {};
  int colours = 0;
};

// The buffer's format and palette for an image description (and its
// palette, for palette images; null otherwise). kNone with a format, or
// why no buffer can be made.
TwainFault PlanTwainImage(const twain::TW_IMAGEINFO& info, const twain::TW_PALETTE8* palette, bool forceRGB,
                          TwainImageLayout* layout);

// A new, zeroed buffer for the plan (count 1), or null when memory runs out.
VrWA2000::WA* NewTwainImage(const twain::TW_IMAGEINFO& info, const TwainImageLayout& layout);

// Writes the strip's rows into `image` (made for `info` and `layout`),
// from `memory` (`strip.Memory.Length` bytes). Rows are filled bottom-up:
// strip row r lands in buffer row height - 1 - (YOffset + r).
TwainFault ConvertTwainStrip(const twain::TW_IMAGEINFO& info, const TwainImageLayout& layout,
                             const twain::TW_IMAGEMEMXFER& strip, const std::uint8_t* memory, VrWA2000::WA* image);

}  // namespace lumora
