// The edges dialog's thumbnails: the layer's picture seen through an edge
// template, with the template's shadow for a lighting direction.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dialogs/PicFactory.h"

namespace lumora {

// Lighting codes of the dialog's combo: none, top left, top right, bottom
// left, bottom right.
constexpr int kEdgeLightingCount = 5;

// An edge template from an 8-bit packed DIB (40-byte header, palette, rows
// padded to 4 bytes, bottom-up or top-down); every size is checked against
// the block. Empty when it is not one.
EdgeTemplate ReadEdgeTemplateDib(const std::uint8_t* dib, std::size_t size);

// The thumbnail of `preview` (already scaled to the thumbnail's size)
// through `tpl`: the template scaled by nearest neighbour, each channel c
// becoming (c x (255 - m) + m x edge) / 255; with lighting, where m > 191
// the mask is read again d = max(w, h) x 3 / 100 towards the light and,
// when that point lies strictly inside, with its m2 each channel becomes
// (c x (255 - m2) / 2 + m2 x edge) / 255.
Picture24 EdgeThumbnail(const Picture24& preview, const EdgeTemplate& tpl, std::uint32_t edgeColor, int lighting);

// A nearest-neighbour copy of `source` of w x h.
Picture24 ScalePicture(const Picture24& source, int w, int h);

}  // namespace lumora
