// The geometric engine behind every rotation, resize and four-point
// distortion of a layer, a floating selection or a mask: one source buffer
// and rectangle in, one new destination buffer of the same format out.
#pragma once

#include <cstdint>

#include "engine/pixels/Progress.h"
#include "engine/pixels/WAccess.h"
#include "platform/win32types.h"

struct TransformKernels;

// Usage: construct; optionally set fillIndex or smoothEdges; SetSource; one
// operation; on 1 take `destination` with a reference of your own. An image
// and its mask are transformed by two engines with the same rectangle and
// angle, the mask one with maskSource and clearOutside 1 and the image one
// with both 0, so that both results have the same size.
//
// The pixel operations end with four progress arguments: a procedure (null:
// none, and the other three are not used), its context (its second argument),
// a step counter incremented before each call (the new value is passed) and a
// cancel flag set to 1 when the procedure answers 0, which stops the
// operation with result 0.
class Transform {
 public:
  Transform();
  virtual ~Transform();
  Transform(const Transform&) = delete;
  Transform& operator=(const Transform&) = delete;

  // Resamples the source rectangle to |width| x |height|: bilinear with 4-bit
  // fractions for formats 8 and 16, nearest pixel for 1, 2 and 4. A negative
  // width or height mirrors that axis. 1 done, 0 not (no source, a zero size,
  // an empty clipped rectangle, no memory, cancel).
  virtual int Resize(int width, int height, PROGRESSPROC procedure, int context, int* step,
                     int* cancel);
  // Rotates the source rectangle by `angle` (degrees, or radians with
  // inRadians non-zero); a positive angle turns the picture counterclockwise
  // as shown. Whole multiples of 90 degrees move pixels exactly; other angles
  // resample. The destination covers the rotated rectangle's bounds.
  virtual int Rotate(double angle, int inRadians, PROGRESSPROC procedure, int context, int* step,
                     int* cancel);
  // Rotate by degrees % 360 (the remainder keeps the sign).
  virtual int RotateInt(int degrees, PROGRESSPROC procedure, int context, int* step, int* cancel);
  // Maps the whole source buffer (formats 8 and 16) onto the quadrilateral
  // points[0..3] (top-left, top-right, bottom-right, bottom-left corners of
  // the source). On 1 the destination's top-left pixel lies at the least x and
  // least y of the points as given. The points are rewritten relative to
  // point 0 (point 0 becomes 0, 0). 0: no source, another format, an empty
  // clipped rectangle, no memory. No progress: pixels outside the
  // quadrilateral stay 0.
  virtual int Distort(POINT* points);

  // A non-null buffer replaces the source; a null one keeps it. The offset,
  // the rectangle and the two flags are always stored.
  void SetSource(VrWA2000::WA* buffer, int offsetX, int offsetY, int left, int top, int right,
                 int bottom, int maskSourceFlag, int clearOutsideFlag);

  WAPtr source;
  WAPtr destination;
  // Position of the source buffer's pixel (0, 0) in the frame of sourceRect.
  // Both count rows upward as the buffers do (engine/pixels/README.md):
  // "top" is the smaller y, the picture's lower edge.
  POINT sourceOffset = {0, 0};
  RECT sourceRect = {0, 0, 0, 0};
  // Formats 8 and 16: soften the border of the rotated area (1) or not (0).
  std::int32_t smoothEdges = 1;
  // The source is a selection mask: its soft border fades to 0.
  std::int32_t maskSource = 1;
  // Soft-bordered images: 0 just outside the source instead of edge copies.
  std::int32_t clearOutside = 1;
  // Palette index (formats 2 and 4) or bit (format 1, non-zero meaning 1)
  // written where a rotated pixel falls outside the source.
  std::uint8_t fillIndex = 0;
  // The pixel kernels used; tests switch to the reference kernels.
  const TransformKernels* kernels;

 private:
  bool ClippedSourceRect(RECT* out) const;
  bool MakeDestination(int width, int height, bool withPalette);
};
