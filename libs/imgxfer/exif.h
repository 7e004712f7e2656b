// The tags of an EXIF block (a JPEG's APP1 segment) that reading an image
// uses: its orientation and its resolution.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumora::imgxfer {

// 1..8 from tag 0x0112 of the first image directory; 1 when the block is
// no EXIF block, holds no orientation or an invalid one.
int ExifOrientation(const std::uint8_t* data, std::size_t size);

// Dots per inch from tags 0x011A and 0x011B (rationals) in the unit of tag
// 0x0128 (2 inch, the default; 3 centimetre), rounded; false, with nothing
// set, when the block holds no usable resolution.
bool ExifResolution(const std::uint8_t* data, std::size_t size, int* xDpi, int* yDpi);

}  // namespace lumora::imgxfer
