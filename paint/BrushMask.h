// The 8-bit brush masks: built-in shapes, the soft edge (a recursive
// Gaussian), rotation in 12-bit fixed point and two-level dithering. Masks
// are row-major, `width` bytes a row, 0 transparent and 255 full.
#pragma once

#include <cstdint>

class BrushRandom;

namespace paint {

enum BrushShape : int {
  kShapeSquare = 0,
  kShapeRound = 1,
  kShapeRectangle = 2,
  kShapeEllipse = 3,
  kShapeSlash = 4,
  kShapeBackSlash = 5,
  kFirstCustomShape = 6,
};

// Draws built-in shape `shape` (0..5) with 255 into the inner box
// [edge, width - edge) x [edge, height - edge) of a cleared mask. Masks
// narrower or lower than 4 are always square.
void DrawBuiltInShape(std::uint8_t* mask, int width, int height, int edge, int shape);

// The causal and anti-causal recursions of Deriche's fourth-order
// approximation of a Gaussian of standard deviation `sigma`, scaled so
// that a constant signal keeps its value.
struct DericheCoefficients {
  double causal[4];      // n0..n3: x[i], x[i-1], x[i-2], x[i-3]
  double anticausal[4];  // m1..m4: x[i+1] .. x[i+4]
  double feedback[4];    // d1..d4 of both recursions
};
void ComputeDericheCoefficients(double sigma, DericheCoefficients* out);
// Sigma of the soft edge of radius argument / 10 (the blur falls to 1/255
// at radius + 1 pixels).
double BlurSigma(int radiusTimes10);

// Blurs block [x0, x1) x [y0, y1) of a mask of `stride` bytes a row in
// place; outside the block counts as 0.
void BlurMask(int x0, int y0, int x1, int y1, std::uint8_t* mask, int stride, int radiusTimes10);

// dst := src rotated about the centre by the angle of sine `sine` and
// cosine `cosine` (scale 4096); pixels whose source lies outside are 0.
void RotateMask(std::uint8_t* dst, const std::uint8_t* src, int width, int height, std::int32_t sine,
                std::int32_t cosine);

// Two-level dither of `count` bytes: 0 and 255 stay, any other v becomes 255
// when a random byte is at most v, else 0. dst may equal src.
void DitherMask(std::uint8_t* dst, const std::uint8_t* src, int count, BrushRandom& random);

}  // namespace paint
