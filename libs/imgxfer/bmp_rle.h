// Run-length coding of BMP pixel data (RLE8 and RLE4).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace lumora::imgxfer {

// What a decoder does with data that leaves the image.
enum class RleFaults {
  // Files: runs and moves off the image are clipped; the data must reach
  // the image's last row.
  kClip,
  // Clipboard blocks: a run past its row, a move past the image, a run
  // below the last row or data ending without the end-of-bitmap code
  // refuses the whole block; rows the data never reached stay 0.
  kRefuse,
};

// Decodes row by row, rows counted from the bottom as in the file: `row`
// (width bytes; pixels the data skips are 0) goes to `take` with its row
// number once the data has left it, every row of the image in turn. With
// kClip, false when the data ends (end of bitmap or of the bytes) before
// it has reached the image's last row; with kRefuse, false for the faults
// above; with either, false when `take` answers false. With `take` empty
// nothing is written: the check, made before anything is allocated.
// `coded`, when given, receives the number of pixels the runs set (with
// kRefuse all inside the image; the rest is what moves and line ends skip).
bool DecodeBmpRle(const std::uint8_t* data, std::size_t size, int bits, int width, int height, std::uint8_t* row,
                  const std::function<bool(int y, const std::uint8_t* row)>& take,
                  RleFaults faults = RleFaults::kClip, std::uint64_t* coded = nullptr);
// Appends one row (one index a byte) without its end-of-line code.
void EncodeBmpRleRow(const std::uint8_t* indexes, int width, int bits, std::vector<std::uint8_t>& out);

}  // namespace lumora::imgxfer
