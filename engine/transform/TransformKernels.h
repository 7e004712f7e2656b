// The pixel kernels of the transform engine, as a table: the fast kernels and
// the plain reference kernels they are checked against share one contract.
#pragma once

#include <cstdint>

#include "engine/pixels/Progress.h"
#include "engine/pixels/WAccess.h"
#include "platform/win32types.h"

// The four progress arguments of one operation. Missing counter or cancel
// pointers are replaced by the object's own, so kernels never test them.
class TransformProgress {
 public:
  TransformProgress(PROGRESSPROC procedure, int context, int* step, int* cancel)
      : procedure_(procedure),
        context_(context),
        step_(step != nullptr ? step : &ownStep_),
        cancel_(cancel != nullptr ? cancel : &ownCancel_) {}
  TransformProgress(const TransformProgress&) = delete;
  TransformProgress& operator=(const TransformProgress&) = delete;

  // One destination row finished: counts it and asks the procedure. False
  // when the procedure answered 0; the cancel flag is then 1.
  bool Step() const {
    if (procedure_ == nullptr) return true;
    ++*step_;
    if (procedure_(*step_, context_) != 0) return true;
    *cancel_ = 1;
    return false;
  }

 private:
  PROGRESSPROC procedure_;
  int context_;
  int ownStep_ = 0;
  int ownCancel_ = 0;
  int* step_;
  int* cancel_;
};

// The general rotation kernels (any angle that is not an exact quarter turn).
enum class RotateKernel {
  kHardGrey,       // format 8, bilinear, edge clamped, 0 outside
  kSoftMask,       // format 8, bilinear over a one-pixel band fading to 0
  kSoftGreyImage,  // format 8, bilinear, edge repeated; extra = clearOutside
  kHardRgb,        // format 16, as kHardGrey per byte
  kSoftRgb,        // format 16, as kSoftGreyImage per byte; extra = clearOutside
  kNearest8,       // format 4, nearest pixel; extra = fillIndex
  kNearest4,       // format 2, nearest pixel; extra = fillIndex
  kNearest1,       // format 1, nearest pixel; extra = fillIndex (non-zero: 1)
};

// The format a general rotation kernel accepts.
int RotateKernelFormat(RotateKernel kind);

// Exact code of a quarter turn: 0x10000 + 256 * (cos as a signed byte) +
// (sin as a signed byte): 0x10100 for 0, 0x10001 for 90, 0x1FF00 for 180,
// 0x100FF for 270 degrees.
int QuarterTurnCode(int cosine, int sine);

struct TransformKernels {
  // Quarter turn of `rect` (source pixels) into a destination of the turned
  // rectangle's size. Formats 16, 8, 4, 2, 1. 0 for a format or size
  // mismatch or a cancel.
  int (*rotateQuarter)(VrWA2000::WA* dst, const VrWA2000::WA* src, int exactCode, const RECT& rect,
                       const TransformProgress& progress);
  // Rotation of the whole source into the destination, whose pixel (i, j)
  // lies at (bounds.left + i, bounds.top + j) of the rotated frame.
  int (*rotateGeneral)(RotateKernel kind, VrWA2000::WA* dst, const VrWA2000::WA* src,
                       const RECT& bounds, double radians, const TransformProgress& progress,
                       int extra);
  // Resize of `rect` to |width| x |height|, mirrored on a negative axis.
  int (*resize)(VrWA2000::WA* dst, const VrWA2000::WA* src, const RECT& rect, int width, int height,
                const TransformProgress& progress);
  // Distort of the whole source (formats 8, 16) onto the quadrilateral whose
  // points are given relative to point 0. 0 only when memory runs out.
  int (*distort)(VrWA2000::WA* dst, const VrWA2000::WA* src, const POINT* relative);
};

extern const TransformKernels kFastTransformKernels;
extern const TransformKernels kReferenceTransformKernels;

// The fast kernels.
int RotateQuarterFast(VrWA2000::WA* dst, const VrWA2000::WA* src, int exactCode, const RECT& rect,
                      const TransformProgress& progress);
int RotateGeneralFast(RotateKernel kind, VrWA2000::WA* dst, const VrWA2000::WA* src,
                      const RECT& bounds, double radians, const TransformProgress& progress,
                      int extra);
int ResizeFast(VrWA2000::WA* dst, const VrWA2000::WA* src, const RECT& rect, int width, int height,
               const TransformProgress& progress);
int DistortFast(VrWA2000::WA* dst, const VrWA2000::WA* src, const POINT* relative);

// The reference kernels: the formulas pixel by pixel, rows through the
// buffers' accesses, weights from the product table, true divisions.
int RotateQuarterReference(VrWA2000::WA* dst, const VrWA2000::WA* src, int exactCode,
                           const RECT& rect, const TransformProgress& progress);
int RotateGeneralReference(RotateKernel kind, VrWA2000::WA* dst, const VrWA2000::WA* src,
                           const RECT& bounds, double radians, const TransformProgress& progress,
                           int extra);
int ResizeReference(VrWA2000::WA* dst, const VrWA2000::WA* src, const RECT& rect, int width,
                    int height, const TransformProgress& progress);
int DistortReference(VrWA2000::WA* dst, const VrWA2000::WA* src, const POINT* relative);

// Fixed-point cosine and sine of the general rotation kernels: times 65536,
// rounded up, or truncated toward zero for the soft mask kernel.
std::int32_t RotationFixed(double value, bool truncate);

// Distort mapping coefficients for a W x H source and points relative to
// point 0: x = Ax u + Cx v + Ex u v, y = Ay u + Cy v + Ey u v.
struct DistortCoefficients {
  double ax, ay, cx, cy, ex, ey, d, k;
};
DistortCoefficients ComputeDistortCoefficients(const POINT* relative, int width, int height);
