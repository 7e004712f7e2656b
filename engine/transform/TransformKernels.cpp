// Helpers shared by the fast and the reference transform kernels, and the
// reference kernel table.
#include "engine/transform/TransformKernels.h"

#include <cmath>

const TransformKernels kReferenceTransformKernels = {RotateQuarterReference, RotateGeneralReference,
                                                     ResizeReference, DistortReference};

int RotateKernelFormat(RotateKernel kind) {
  switch (kind) {
    case RotateKernel::kHardGrey:
    case RotateKernel::kSoftMask:
    case RotateKernel::kSoftGreyImage: return kWAType8Grey;
    case RotateKernel::kHardRgb:
    case RotateKernel::kSoftRgb: return kWAType24;
    case RotateKernel::kNearest8: return kWAType8Palette;
    case RotateKernel::kNearest4: return kWAType4Bit;
    case RotateKernel::kNearest1: return kWAType1Bit;
  }
  return 0;
}

int QuarterTurnCode(int cosine, int sine) {
  return 0x10000 + 256 * (cosine & 0xFF) + (sine & 0xFF);
}

std::int32_t RotationFixed(double value, bool truncate) {
  const double scaled = value * 65536.0;
  return static_cast<std::int32_t>(truncate ? std::trunc(scaled) : std::ceil(scaled));
}

DistortCoefficients ComputeDistortCoefficients(const POINT* p, int width, int height) {
  const double W = width;
  const double H = height;
  DistortCoefficients k;
  k.ax = p[1].x / W;
  k.ay = p[1].y / W;
  k.cx = p[3].x / H;
  k.cy = p[3].y / H;
  k.ex = (p[2].x - W * k.ax - H * k.cx) / (W * H);
  k.ey = (p[2].y - W * k.ay - H * k.cy) / (W * H);
  k.d = k.ax * k.cy - k.cx * k.ay;
  k.k = k.ax * k.ey - k.ex * k.ay;
  return k;
}
