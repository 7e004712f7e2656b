// The 16 x 16 product table of 4-bit fractional weights: entry [i][j] = i * j.
// Bilinear kernels weigh the four neighbours (15 - f)(15 - g), f(15 - g),
// (15 - f)g and fg (sixteenths f, g in 0..15) and divide the sum by 225.
// The table is a compile-time constant, so every thread may read it at any
// time without anyone having to fill it first.
#pragma once

#include <array>
#include <cstdint>

namespace lumora {

using ProductTable = std::array<std::array<std::int32_t, 16>, 16>;

constexpr ProductTable MakeProductTable() {
  ProductTable t{};
  for (int i = 0; i < 16; ++i)
    for (int j = 0; j < 16; ++j) t[i][j] = i * j;
  return t;
}

inline constexpr ProductTable kProductTable = MakeProductTable();

}  // namespace lumora
