// Smoothed edges: a fast feather of a fragment's shape.
#pragma once

#include <cstdint>

#include "libs/fragment/fragment_object.h"

namespace lumora::frg {

// The largest soft-edge width in pixels; larger degrees are clamped.
inline constexpr int kMaxSmoothRadius = kFrgMaxSmoothPixels;

// The soft-edge width in whole pixels of a degree in tenths of a pixel.
int SmoothRadius(int degree);

// Box sums divided by k, rounded half up, as a multiply and a shift: exact
// for every sum a box of k bytes can hold (k from 3 to 2 * kMaxSmoothRadius
// + 1; the multiplier then fits 32 bits).
struct BoxDivider {
  explicit BoxDivider(int k);
  std::uint8_t operator()(std::uint32_t sum) const {
    return static_cast<std::uint8_t>(((sum + half) * multiplier) >> 32);
  }
  std::uint64_t multiplier;
  std::uint32_t half;
};

// Writes f's shape into the window with edges softened by f's smoothing
// settings. The soft edge lies where the type puts it relative to f's
// selection (so for an inverted fragment "inside" softens outwards of the
// shape). False when memory ran out.
bool RenderSmoothedShape(const Fragment& f, const Window& w);

}  // namespace lumora::frg
