// What an image and its layers may measure: the layered file stores no
// more, and every operation that sizes or moves layers keeps within it.
#pragma once

#include <cstdint>

namespace lumora {

// Width and height of an image, and of any layer, lie in 1..kMaxImageSide.
constexpr std::int32_t kMaxImageSide = 30000;
// Every edge of a layer's rect lies within ±kMaxLayerCoordinate of the
// image's origin.
constexpr std::int64_t kMaxLayerCoordinate = std::int64_t{1} << 24;

}  // namespace lumora
