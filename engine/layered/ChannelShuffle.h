// Splitting blue-green-red pixel rows into the layered file's red, green
// and blue channel rows and joining them back, sixteen pixels at a time
// with byte shuffles where the processor has them (a plain loop else; both
// give the same bytes).
#pragma once

#include <cstdint>

namespace lumora {

void SplitPixels(const std::uint8_t* pixels, std::uint8_t* red, std::uint8_t* green,
                 std::uint8_t* blue, int width);
void JoinPixels(std::uint8_t* pixels, const std::uint8_t* red, const std::uint8_t* green,
                const std::uint8_t* blue, int width);

// The plain loops, the reference of the shuffles.
void SplitPixelsPlain(const std::uint8_t* pixels, std::uint8_t* red, std::uint8_t* green,
                      std::uint8_t* blue, int width);
void JoinPixelsPlain(std::uint8_t* pixels, const std::uint8_t* red, const std::uint8_t* green,
                     const std::uint8_t* blue, int width);

}  // namespace lumora
