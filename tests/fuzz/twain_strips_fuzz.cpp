// Fuzz target of an image a TWAIN source sends by buffered memory
// transfer. Input: one byte of flags (bit 0: colour forced, bit 1: a
// palette follows), the image's description (42 bytes, as the source fills
// it), the palette (1028 bytes) when flagged, then strips: each 30 bytes
// (compression, bytes per row, columns, rows, x and y offsets, bytes
// written, then its memory's length) and its memory, cut to what follows
// (bytes written may claim more than the memory holds).
// Whatever the source says, a description either gives a buffer format or
// a fault, and every strip is written into the buffer or refused.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/pixels/WAccess.h"
#include "files/TwainStrips.h"
#include "fuzz/fuzz_target.h"

namespace {

using namespace lumora;

std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

LUMORA_FUZZ_TARGET(twain_strips)(const std::uint8_t* data, std::size_t size) {
  if (size < 1 + sizeof(twain::TW_IMAGEINFO)) return 0;
  const bool forceRGB = (data[0] & 1) != 0;
  const bool hasPalette = (data[0] & 2) != 0;
  std::size_t at = 1;
  twain::TW_IMAGEINFO info;
  std::memcpy(&info, data + at, sizeof info);
  at += sizeof info;
  twain::TW_PALETTE8 palette{};
  if (hasPalette) {
    if (size - at < sizeof palette) return 0;
    std::memcpy(&palette, data + at, sizeof palette);
    at += sizeof palette;
  }
  TwainImageLayout layout;
  const TwainFault fault = PlanTwainImage(info, hasPalette ? &palette : nullptr, forceRGB, &layout);
  if (fault != TwainFault::kNone) {
    if (layout.format != 0) __builtin_trap();
    return 0;
  }
  if (layout.format != kWAType1Bit && layout.format != kWAType4Bit && layout.format != kWAType8Grey &&
      layout.format != kWAType8Palette && layout.format != kWAType24) {
    __builtin_trap();
  }
  // Buffers of a few megapixels: larger ones only take the fuzzer's time.
  if (static_cast<std::int64_t>(info.ImageWidth) * info.ImageLength > (1 << 22)) return 0;
  const WAPtr image = WAPtr::Adopt(NewTwainImage(info, layout));
  if (!image || image->GetW() != info.ImageWidth || image->GetH() != info.ImageLength ||
      image->GetType() != layout.format) {
    __builtin_trap();
  }
  while (size - at >= 30) {
    const std::uint8_t* h = data + at;
    twain::TW_IMAGEMEMXFER strip{};
    strip.Compression = static_cast<twain::TW_UINT16>(h[0] | h[1] << 8);
    strip.BytesPerRow = U32(h + 2);
    strip.Columns = U32(h + 6);
    strip.Rows = U32(h + 10);
    strip.XOffset = U32(h + 14);
    strip.YOffset = U32(h + 18);
    strip.BytesWritten = U32(h + 22);
    at += 30;
    const std::size_t length = std::min<std::size_t>(U32(h + 26), size - at);
    strip.Memory.Length = static_cast<twain::TW_UINT32>(length);
    // Copied, so that a read one past the strip is caught.
    const std::vector<std::uint8_t> memory(data + at, data + at + length);
    at += length;
    ConvertTwainStrip(info, layout, strip, memory.data(), image.get());
  }
  return 0;
}
