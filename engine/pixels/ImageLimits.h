// What an image and its layers may measure: the layered file stores no
// more, and every operation that sizes or moves buffers and layers keeps
// within it. The checks take 64-bit values so that callers test their
// arguments before any arithmetic can overflow.
#pragma once

#include <cstdint>

#include "platform/win32types.h"

namespace lumora {

// Width and height of an image, and of any layer, lie in 1..kMaxImageSide.
constexpr std::int32_t kMaxImageSide = 30000;
// Every edge of a layer's rect lies within ±kMaxLayerCoordinate of the
// image's origin.
constexpr std::int64_t kMaxLayerCoordinate = std::int64_t{1} << 24;

constexpr bool IsImageSide(std::int64_t side) { return side >= 1 && side <= kMaxImageSide; }

constexpr bool IsImageSize(std::int64_t width, std::int64_t height) {
  return IsImageSide(width) && IsImageSide(height);
}

constexpr bool IsLayerCoordinate(std::int64_t value) {
  return value >= -kMaxLayerCoordinate && value <= kMaxLayerCoordinate;
}

constexpr bool IsLayerPoint(const POINT& p) { return IsLayerCoordinate(p.x) && IsLayerCoordinate(p.y); }

// Every edge of the rect within the coordinates, in whatever order.
constexpr bool HasLayerCoordinates(const RECT& r) {
  return IsLayerCoordinate(r.left) && IsLayerCoordinate(r.top) && IsLayerCoordinate(r.right) &&
         IsLayerCoordinate(r.bottom);
}

// Every edge within the coordinates, and a width and height of 0 to
// kMaxImageSide (an empty layer has an empty rect).
constexpr bool IsLayerRect(std::int64_t left, std::int64_t top, std::int64_t right,
                           std::int64_t bottom) {
  return IsLayerCoordinate(left) && IsLayerCoordinate(top) && IsLayerCoordinate(right) &&
         IsLayerCoordinate(bottom) && right - left >= 0 && right - left <= kMaxImageSide &&
         bottom - top >= 0 && bottom - top <= kMaxImageSide;
}

constexpr bool IsLayerRect(const RECT& r) { return IsLayerRect(r.left, r.top, r.right, r.bottom); }

// A layer rect that is not empty.
constexpr bool IsFilledLayerRect(const RECT& r) {
  return IsLayerRect(r) && r.right > r.left && r.bottom > r.top;
}

}  // namespace lumora
