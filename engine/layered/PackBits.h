// The PackBits row coding of the layered file: a header byte n followed by
// n + 1 literal bytes (n 0..127) or by one byte repeated 257 - n times
// (n 129..255); 128 is a no-op.
#pragma once

#include <cstdint>

// Worst case of PackBits for `count` bytes: a literal run costs one byte
// more than it holds, which a run of three or more that ends it gives back,
// except for full-length literal runs (one per 127 bytes) and at the end of
// the row (a short literal and a single byte, two more).
constexpr std::uint32_t PackBitsBound(std::uint32_t count) { return count + count / 127 + 3; }

// Encodes `count` bytes into `destination` (room for PackBitsBound(count))
// and returns the number of bytes written: repeat runs of 2 or more bytes,
// literal runs that end where three equal bytes begin, and a literal run
// that reaches 128 bytes with its last two equal ends one byte early.
std::uint32_t PackBits(const std::uint8_t* source, std::uint8_t* destination, std::uint32_t count);

// Decodes until `outCount` bytes are written (a run longer than what is
// left is cut there), reading no more than `packedLength` bytes of
// `source`. Throws layer_err_fread when the packed bytes run out first.
void UnpackBits(std::uint8_t* destination, const std::uint8_t* source, std::uint32_t packedLength,
                std::uint32_t outCount);

// Bytes of padding UnpackBitsPadded may touch beyond its input and output.
inline constexpr std::uint32_t kUnpackPadding = 128;

// UnpackBits for buffers with kUnpackPadding bytes to spare after the
// packed bytes (read, not used) and after the output (written over): runs
// are copied in whole 16-byte blocks. The same bytes, the same errors.
void UnpackBitsPadded(std::uint8_t* destination, const std::uint8_t* source,
                      std::uint32_t packedLength, std::uint32_t outCount);
