// The 32 x 32 pictures of custom brush shapes shown in the shape lists:
// the shape's grey image scaled into the 20 x 20 box inside a 6-pixel
// margin, inverted, on the button face colour.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/pixels/WAccess.h"

namespace paint {

constexpr int kShapeThumbSize = 32;
constexpr int kShapeThumbMargin = 6;
constexpr int kShapeThumbBox = 20;

// One level per picture pixel, rows top first: 0 draws black, 255 the
// button face, anything between the face scaled by level / 255.
using ShapeThumbLevels = std::array<std::uint8_t, kShapeThumbSize * kShapeThumbSize>;

// The picture of an 8-bit grey shape image; none for any other image.
// The longer side fills the box, the other keeps the aspect ratio (at
// least one pixel), centred in the box. Each picture sample is the 4-bit
// bilinear blend (product table, / 225) of the area means of the source
// around its four neighbours, the mean window as large as one picture
// pixel covers; the sample v is drawn as 255 - v.
std::optional<ShapeThumbLevels> RenderShapeThumbnail(const VrWA2000::WA* shape);

// The picture in 24-bit pixels (blue, green, red; rows top first) on a
// button face of (red, green, blue).
std::vector<std::uint8_t> ShapeThumbnailPixels(const ShapeThumbLevels& levels, std::uint8_t red, std::uint8_t green,
                                               std::uint8_t blue);

}  // namespace paint
