// Custom brush shapes from images: the bounds of a shape's non-zero pixels
// scaled into the inner box of a brush mask, nearest sample.
#pragma once

#include <cstdint>

#include "engine/pixels/WAccess.h"

namespace paint {

// The bounding rectangle of the non-zero pixels of an 8-bit grey image;
// empty for any other type or an image without such pixels.
RECT FindShapeBounds(const VrWA2000::WA* shape);

// Fills the inner box [edge, w - edge) x [edge, h - edge) of a cleared
// w x h mask with the shape's bounds scaled to it: inner (i, j) takes the
// shape byte at left + i * sw / iw, top + j * sh / ih. An empty shape
// leaves the mask clear.
void ScaleShapeIntoMask(const VrWA2000::WA* shape, std::uint8_t* mask, int w, int h, int edge);

}  // namespace paint
