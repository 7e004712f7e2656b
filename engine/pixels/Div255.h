// Exact division by 255 without a divide: (x * 32897) >> 23 equals x / 255
// (truncated) for 0 <= x <= 66298, which covers every product of two bytes
// plus a rounding term; the tests check the whole range.
#pragma once

#include <cstdint>

namespace lumora {

constexpr std::uint32_t Div255(std::uint32_t x) { return (x * 32897u) >> 23; }

}  // namespace lumora
