// The orientation tag of an EXIF block (a JPEG's APP1 segment).
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumora::imgxfer {

// 1..8 from tag 0x0112 of the first image directory; 1 when the block is
// no EXIF block, holds no orientation or an invalid one.
int ExifOrientation(const std::uint8_t* data, std::size_t size);

}  // namespace lumora::imgxfer
