// Resampling of whole image buffers to a new width and height: bilinear with
// 4-bit fractions for 24-bit and grey images, nearest pixel for the palette
// and bit-map types.
#pragma once

#include <cstdint>

#include "engine/pixels/Progress.h"
#include "engine/pixels/WAccess.h"

// A new buffer of the source's type and palette holding the source resampled
// to width x height (one reference, the caller's), or null when the source is
// missing, a size is not positive, memory runs out, the type is not one of the
// five, or the callback cancelled. The callback is used only with
// `withProgress`; it is asked once per destination row with (++*position,
// total). The resolution is left to the caller.
VrWA2000::WA* ResampleImage(const VrWA2000::WA* source, int width, int height, bool interpolate,
                            bool withProgress, PROGRESSPROC callback, int total, int* position);

// Resamples `source` into the whole of `destination` (same type, any size).
// Returns 1 when done, 0 when refused (missing buffer, types differ, unknown
// type) or cancelled; a cancel also sets *cancelled to 1. With a callback the
// position advances once per destination row and the callback is asked with
// (position, total). Equal sizes without a callback are one block copy.
int ResampleInto(VrWA2000::WA* destination, const VrWA2000::WA* source, bool interpolate,
                 PROGRESSPROC callback, int* position, int* total, int* cancelled);

// The plain walk that ResampleInto is checked against: the row kernels below,
// one division per pixel, rows through the buffers' accesses. Same contract.
int ResampleIntoReference(VrWA2000::WA* destination, const VrWA2000::WA* source, bool interpolate,
                          PROGRESSPROC callback, int* position, int* total, int* cancelled);

// Row kernels: (destination row, source row, second source row, destination
// width, source width, vertical fraction 0..15). Source pixel of destination
// pixel x: p = x * sourceWidth * 16 / destinationWidth, column p >> 4 and
// fraction p & 15; the last column interpolates with fraction 0. Bilinear
// samples weigh (15 - fx)(15 - fy), fx(15 - fy), (15 - fx)fy and fx fy (sum
// 225) and are divided by 225. The nearest kernels ignore the second row and
// the fraction and take column x * sourceWidth / destinationWidth.
using ResampleRowProc = void (*)(std::uint8_t* dst, const std::uint8_t* src,
                                 const std::uint8_t* src2, int dstWidth, int srcWidth, int fy);

void ResampleRowBilinear24(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2,
                           int dstWidth, int srcWidth, int fy);
void ResampleRowBilinear8(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2,
                          int dstWidth, int srcWidth, int fy);
void ResampleRowNearest24(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2,
                          int dstWidth, int srcWidth, int fy);
void ResampleRowNearest8(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2,
                         int dstWidth, int srcWidth, int fy);
// Writes each pixel's nibble and keeps the other nibble of its byte.
void ResampleRowNearest4(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2,
                         int dstWidth, int srcWidth, int fy);
// Writes whole bytes; the bits after the last pixel of the row are 0.
void ResampleRowNearest1(std::uint8_t* dst, const std::uint8_t* src, const std::uint8_t* src2,
                         int dstWidth, int srcWidth, int fy);

// The row kernel for a pixel type and the interpolate flag, or null for a
// type that is not resampled.
ResampleRowProc GetResampleRowProc(int type, bool interpolate);
