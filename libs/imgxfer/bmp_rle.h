// Run-length coding of BMP pixel data (RLE8 and RLE4).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumora::imgxfer {

// Decodes into `indexes` (width x height, one byte a pixel, row 0 the
// bottom row as in the file). Pixels the data skips or never reaches stay
// as they were; data that runs off the image is clipped.
void DecodeBmpRle(const std::uint8_t* data, std::size_t size, int bits, int width, int height,
                  std::uint8_t* indexes);
// Appends one row (one index a byte) without its end-of-line code.
void EncodeBmpRleRow(const std::uint8_t* indexes, int width, int bits, std::vector<std::uint8_t>& out);

}  // namespace lumora::imgxfer
