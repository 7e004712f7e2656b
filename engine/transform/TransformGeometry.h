// Points and rectangles of the transforms: rotating a point, the bounds of a
// rotated rectangle, a sub-rectangle carried through a four-point mapping,
// drag-handle squares, and clearing a rectangle of an 8-bit buffer.
#pragma once

#include <cstdint>

#include "engine/pixels/WAccess.h"
#include "platform/win32types.h"

// Rounds half away from zero (add 0.5 to a non-negative value, subtract it
// from a negative one, truncate). NaN gives 0; values beyond 32 bits saturate.
std::int32_t RoundHalfAway(double value);

// Cosine and sine of a rotation angle. Degrees (inRadians 0) are first reduced
// by whole turns: a = angle - 360 n, n = angle * (1/360) truncated toward zero,
// so a keeps the angle's sign; a whole a that is a multiple of 90 gives the
// exact values 0 and +-1 (exact = true). Otherwise, and for every angle in
// radians, the library cosine and sine of the angle in radians.
struct RotationAngle {
  double cosine = 1.0;
  double sine = 0.0;
  double radians = 0.0;
  bool exact = false;
};
RotationAngle ResolveRotationAngle(double angle, int inRadians);

// (x, y) turned about (cx, cy) by `radians`: cx + R(dx cos - dy sin),
// cy + R(dy cos + dx sin), R rounding half away from zero. In image
// coordinates (rows upward) a positive angle turns counterclockwise as
// shown, as Transform::Rotate does; in window coordinates (y downward) the
// same numbers turn clockwise.
POINT* RotatePoint(POINT* out, int x, int y, int cx, int cy, double radians);

// The bounding box of the rectangle's four corners turned about (cx, cy), the
// cosine and sine resolved as ResolveRotationAngle does, so that the bounds
// agree with the size of a buffer rotated by Transform::Rotate.
RECT* GetRotatedCorners(RECT* out, int left, int top, int right, int bottom, int cx, int cy,
                        double angle, int inRadians);
RECT* GetRotatedCorners(RECT* out, const RECT& rect, int cx, int cy, double angle, int inRadians);

// `points` are the images of `reference`'s corners (top-left, top-right,
// bottom-right, bottom-left) under a bilinear mapping; `out` receives the
// images of `rect`'s corners in the same order. With `relative` the points are
// taken, and the result given, relative to reference's top-left corner.
// Returns 0, writing nothing, when reference has no width or height or a
// rect or point lies outside the layer limits (ImageLimits.h), else 1.
int MapRectThroughQuad(const POINT* points, RECT reference, RECT rect, POINT* out, int relative);

// The (2 half + 1)-pixel square centred on the point.
RECT* GetHandleRect(RECT* out, POINT point, int half);

// Sets to 0 the bytes of columns left .. right - 1 in rows top .. bottom - 1
// of the buffer (an 8-bit one: a byte is a pixel), clipped to the buffer.
void ClearBufferRect(VrWA2000::WA* buffer, const RECT& rect);
