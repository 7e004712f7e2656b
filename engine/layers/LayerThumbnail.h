// The portable part of the layer palette's thumbnails: their size, and the
// work buffer holding a layer (or its mask) drawn scaled over the
// transparency pattern. win/LayerThumbnailWin.h puts it into a bitmap.
#pragma once

#include "engine/layers/LayerMng.h"

namespace lumora {

// A thumbnail is never narrower or lower than this, however elongated the
// image: a one-pixel frame on each side around at least one pixel.
inline constexpr int kMinThumbnailSide = 3;

// The thumbnail of a width x height image in a box: the box's width with
// the height in proportion when the image is wider than high, else the
// box's height with the width in proportion; each side at least
// kMinThumbnailSide. An empty size for an empty box or image.
SIZE ThumbnailSize(SIZE box, int imageWidth, int imageHeight);

// The thumbnail's inside (two pixels narrower and lower than `size`, room
// for the frame): the layer's image, or with `mask` its mask, drawn scaled
// where its rect lies in the stack's picture, image thumbnails of 8- and
// 24-bit layers over the stack's transparency pattern. Null when the layer
// is not in the stack or has no such buffer, when the buffer cannot be
// made or the draw fails (the caller shows black).
WAPtr DrawThumbnailBuffer(CLayersManager& stack, CLayer& layer, SIZE size, bool mask);

}  // namespace lumora
