// Finds the orientation in an EXIF block: "Exif\0\0", a TIFF header and
// the first image directory, every offset checked against the block.
#include "libs/imgxfer/exif.h"

#include <cstring>

namespace lumora::imgxfer {

int ExifOrientation(const std::uint8_t* data, std::size_t size) {
  if (size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0) return 1;
  const std::uint8_t* tiff = data + 6;
  const std::size_t length = size - 6;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
  auto u16 = [&](std::size_t at) -> unsigned {
    return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
  };
  auto u32 = [&](std::size_t at) -> std::uint32_t {
    return little ? u16(at) | (static_cast<std::uint32_t>(u16(at + 2)) << 16)
                  : (static_cast<std::uint32_t>(u16(at)) << 16) | u16(at + 2);
  };
  const std::uint32_t directory = u32(4);
  if (directory > length || length - directory < 2) return 1;
  const unsigned count = u16(directory);
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t entry = directory + 2 + 12 * static_cast<std::size_t>(i);
    if (entry + 12 > length) return 1;
    if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {
      const unsigned value = u16(entry + 8);
      return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
  }
  return 1;
}

}  // namespace lumora::imgxfer
