// Scaled drawing of a whole image or mask into a rectangle of another buffer
// (layer and mask thumbnails): the box-average and 4-bit interpolation
// samplers, the nearest-pixel stretch of the palette types, and the plain
// per-pixel walk the fast paths are checked against.
#pragma once

#include <cstdint>

#include "engine/pixels/WAccess.h"
#include "platform/win32types.h"

namespace lumora::scaled {

// One scaled draw. `source` (1 or 3 bytes a pixel) is mapped whole onto
// `rect`, which may reach beyond `dst`: only the part inside is written, and
// the source position of a destination pixel always derives from its offset
// to the unclipped rect. `dst` has 3 bytes a pixel when `wide`, else 1; a
// 1-byte source drawn wide writes its sample into all three bytes. With
// `mask` (8-bit, sampled at the same source positions, clamped to its own
// size) each byte becomes (d (255 - m) + v m) / 255; without, the sample.
//
// Sampling is chosen once: kx = srcW / dw and ky = srcH / dh, an even
// non-zero factor raised by one; when either is 0 every pixel is
// interpolated with 4-bit fractions (weights sum 225), otherwise every pixel
// is the mean of the kx x ky box around source pixel (x' srcW / dw,
// y' srcH / dh), edge pixels repeated.
struct ScaledDraw {
  VrWA2000::WA* dst = nullptr;
  RECT rect = {};
  const VrWA2000::WA* source = nullptr;
  const VrWA2000::WA* mask = nullptr;
  bool wide = false;
};

// Both return false, writing nothing, when the buffers do not fit the
// request (a missing buffer, a source or destination of another pixel size,
// a mask that is not 8-bit); true otherwise, also when nothing lies inside.
// The fast walk fetches each source row once per box row of a destination
// row (once per destination row when interpolating); the reference walk
// samples pixel by pixel through BoxAverage24/BoxAverage8.
bool DrawScaledFast(const ScaledDraw& draw);
bool DrawScaledReference(const ScaledDraw& draw);

// Nearest-pixel stretch of the whole source onto `rect` of `dst`, both of
// one palette type (4, 2 or 1): destination pixel (x, y) takes source pixel
// ((x - rect.left) srcW / dw, (y - rect.top) srcH / dh). Only the pixels
// inside the rect and the destination are written; the other nibbles and
// bits of shared bytes keep their value. False for missing buffers or
// differing types.
bool StretchNearest(VrWA2000::WA* dst, const RECT& rect, const VrWA2000::WA* source);

}  // namespace lumora::scaled

// The mean of one byte channel (0..2) of a 3-byte image over the kx x ky box
// centred on (sx, sy): columns sx - kx/2 .. sx + kx/2 and rows likewise, each
// clamped into width x height (edge pixels repeat). A row the access cannot
// give adds nothing; the divisor stays kx * ky (at least 1).
int BoxAverage24(const VrWA2000::ReadWA::Access* access, int sx, int sy, int width, int height,
                 int kx, int ky, int channel);
// The same for a 1-byte buffer.
int BoxAverage8(const VrWA2000::ReadWA::Access* access, int sx, int sy, int width, int height,
                int kx, int ky);
