// Packed device-independent bitmaps (a 40-, 108-, 124- or 12-byte header, colour table
// or bit-field masks, then the rows) to and from image buffers, over byte
// blocks. The global-memory forms and the HBITMAP conversions are in
// win/DibGlobal.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/pixels/WAccess.h"

// A new buffer (count 1, the caller's) holding the packed DIB of `size`
// bytes at `dib`, or null when the DIB is malformed, overruns the block or
// has a depth or compression not read here (1, 4, 8, 24 bits uncompressed;
// 16 and 32 bits uncompressed or with bit fields; bottom-up or top-down).
// With `toRGB` every depth becomes a 24-bit buffer; otherwise 1 bit gives
// type 1, 4 bits type 2, 8 bits type 8 (the grey ramp) or 4, and deeper
// DIBs type 16. Palette buffers keep the DIB's colours; a zero or negative
// resolution becomes the screen's. Run-length data (BI_RLE8, BI_RLE4) is
// checked whole before the buffer is made and then decoded straight into
// it; it must stay inside the image and the block, end with its
// end-of-bitmap code and, for an image above 4 M pixels, set at least
// half of the pixels it claims (the rest, background, stays 0).
VrWA2000::WA* DIBToImage(const std::uint8_t* dib, std::size_t size, int toRGB);

// Why DIBToImage refuses the block, in words that follow "the DIB is
// refused: " (for example "it is larger than 30000 pixels a side"); null
// when it reads. Allocates nothing.
const char* DIBFault(const std::uint8_t* dib, std::size_t size);

// The alpha of a 32-bit DIB with a V4 or V5 header and bit fields naming
// an alpha mask, as a grey buffer laid out as DIBToImage's rows (count 1,
// the caller's); null when the DIB has no alpha mask or its alpha is zero
// everywhere (an opaque image that did not fill it in).
VrWA2000::WA* DIBAlphaToMask(const std::uint8_t* dib, std::size_t size);

// Size in bytes of the packed DIB that WriteImageToDIB makes for the part
// `rect` of `image` (buffer coordinates, row 0 at the bottom, clipped to
// the buffer), or 0 when it makes none (no image, a type without a DIB
// form, nothing left after clipping).
std::size_t ImageToDIBSize(const VrWA2000::WA* image, const RECT& rect);
// Writes that DIB into `out` (ImageToDIBSize bytes); false when none. Every
// byte is written: rows start at the byte holding the rect's left edge, so
// sub-byte images widen the DIB to the left; bits and bytes past the right
// edge are zero.
bool WriteImageToDIB(const VrWA2000::WA* image, const RECT& rect, std::uint8_t* out);
// The same DIB in a vector; empty when none.
std::vector<std::uint8_t> ImageToDIBBytes(const VrWA2000::WA* image, const RECT& rect);

// Pixels per metre from dots per inch, rounded, as a DIB states them.
std::int32_t DpiToPelsPerMeter(int dpi);
