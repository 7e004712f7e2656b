// Pixel-format row converters: one row of a 1-, 4- or 8-bit palette image,
// a grey image or a 24-bit image into 24-bit or grey pixels; the whole-image
// conversion into a new 24-bit or grey buffer; and a converting rectangle
// copy between buffers.
//
// Grey from colour is the luminance (30 red + 59 green + 11 blue) / 100,
// truncated; with the blue flag it is the blue component instead (a quick
// path for colours that are already grey).
#pragma once

#include <cstdint>

#include "engine/pixels/Progress.h"
#include "engine/pixels/WAccess.h"

// (destination row, source row, palette of 256 entries, pixel count, first
// source pixel (a bit or nibble position for 1- and 4-bit rows), blue flag).
// The destination is written from its first byte.
using ROWCONVERTER = void (*)(std::uint8_t* dst, const std::uint8_t* src,
                              const PALETTEENTRY* palette, int count, int first, int blue);

void ConvertRow1ToGrey(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                       int count, int first, int blue);
void ConvertRow4ToGrey(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                       int count, int first, int blue);
void ConvertRow8ToGrey(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                       int count, int first, int blue);
void ConvertRow24ToGrey(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                        int count, int first, int blue);
void ConvertRow1To24(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                     int count, int first, int blue);
void ConvertRow4To24(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                     int count, int first, int blue);
void ConvertRow8To24(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                     int count, int first, int blue);
void ConvertRowGreyTo24(std::uint8_t* dst, const std::uint8_t* src, const PALETTEENTRY* palette,
                        int count, int first, int blue);

// A new buffer of type 16 or 8 (count 1) holding `source` converted, or
// null for a pair without a converter (a source already of the target type
// included), no memory, or a cancel. The palette is the source's (read
// from the source when null). With a callback and both counters every
// converted row adds 1 to *position and asks callback(*position, *total);
// an answer of 0 sets *cancelled (when given) and releases the new buffer.
VrWA2000::WA* ConvertImageFormat(int targetType, VrWA2000::WA* source, const PALETTEENTRY* palette,
                                 PROGRESSPROC callback, int* position, int* total, int* cancelled,
                                 int blue);

// Copies width x height pixels of `source` at *sourcePoint into
// `destination` at *destinationPoint. Buffers of one type use the library's
// copy (its result is returned). Otherwise a type-8 or type-16 destination
// takes a 1-, 4- or 8-bit source through the converters: both points are
// clamped into their buffers (and written back), the size cut to what fits;
// result 1. Any other pair, or a missing argument, gives 0.
int CopyImageToRGB(VrWA2000::WA* destination, POINT* destinationPoint, VrWA2000::WA* source,
                   POINT* sourcePoint, int width, int height, int blue);

namespace lumora {

// (30 red + 59 green + 11 blue) / 100 without a division: the sum is at
// most 25500, where multiplying by 5243 and shifting by 19 is exact
// (checked over the whole range by the tests).
constexpr int Luminance(int red, int green, int blue) {
  return ((30 * red + 59 * green + 11 * blue) * 5243) >> 19;
}

}  // namespace lumora
