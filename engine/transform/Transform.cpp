// The transform engine: source and destination handling, angle resolution,
// destination bounds and the dispatch of every operation to its kernel.
#include "engine/transform/Transform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "engine/pixels/ImageLimits.h"
#include "engine/transform/TransformGeometry.h"
#include "engine/transform/TransformKernels.h"

using VrWA2000::WA;

const TransformKernels kFastTransformKernels = {RotateQuarterFast, RotateGeneralFast, ResizeFast,
                                                DistortFast};

Transform::Transform() : kernels(&kFastTransformKernels) {}

Transform::~Transform() {
  source.Reset();
  destination.Reset();
}

void Transform::SetSource(WA* buffer, int offsetX, int offsetY, int left, int top, int right,
                          int bottom, int maskSourceFlag, int clearOutsideFlag) {
  if (buffer != nullptr) source = WAPtr::Share(buffer);
  sourceOffset = POINT{offsetX, offsetY};
  sourceRect = RECT{left, top, right, bottom};
  maskSource = maskSourceFlag;
  clearOutside = clearOutsideFlag;
}

// sourceRect moved into the source buffer's pixels and clipped to it; false
// when nothing is left.
bool Transform::ClippedSourceRect(RECT* out) const {
  if (!lumora::HasLayerCoordinates(sourceRect) || !lumora::IsLayerPoint(sourceOffset)) return false;
  const std::int64_t l = std::max<std::int64_t>(std::int64_t{sourceRect.left} - sourceOffset.x, 0);
  const std::int64_t t = std::max<std::int64_t>(std::int64_t{sourceRect.top} - sourceOffset.y, 0);
  const std::int64_t r =
      std::min<std::int64_t>(std::int64_t{sourceRect.right} - sourceOffset.x, source->GetW());
  const std::int64_t b =
      std::min<std::int64_t>(std::int64_t{sourceRect.bottom} - sourceOffset.y, source->GetH());
  if (l >= r || t >= b) return false;
  *out =
      RECT{static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r), static_cast<LONG>(b)};
  return true;
}

// Releases the previous destination and creates a new one of the source's
// format (zero-filled, as every new buffer is), with the source's palette for
// the palette and bit-map formats.
bool Transform::MakeDestination(int width, int height, bool withPalette) {
  destination.Reset();
  if (!lumora::IsImageSize(width, height)) return false;
  const int type = source->GetType();
  const bool paletted = withPalette && type != kWAType24 && type != kWAType8Grey;
  PALETTEENTRY palette[256] = {};
  if (paletted) {
    source->GetPaletteEntries(0, static_cast<std::uint16_t>(1 << source->GetBPP()), palette);
  }
  destination = WAPtr::Adopt(paletted ? NewWAWithPalette(type, width, height, palette)
                                      : NewWA(type, width, height, nullptr));
  return static_cast<bool>(destination);
}

namespace {

// Bounds of the rectangle's corners turned about the origin: x' = x c - y s,
// y' = x s + y c, rounded half away from zero. False when they do not fit.
bool RotatedBounds(const RECT& r, double c, double s, RECT* out) {
  const double xs[4] = {double(r.left), double(r.right), double(r.right), double(r.left)};
  const double ys[4] = {double(r.top), double(r.top), double(r.bottom), double(r.bottom)};
  std::int64_t lo[2] = {std::numeric_limits<std::int64_t>::max(),
                        std::numeric_limits<std::int64_t>::max()};
  std::int64_t hi[2] = {std::numeric_limits<std::int64_t>::min(),
                        std::numeric_limits<std::int64_t>::min()};
  for (int i = 0; i < 4; ++i) {
    const double v[2] = {xs[i] * c - ys[i] * s, xs[i] * s + ys[i] * c};
    for (int k = 0; k < 2; ++k) {
      // |v| stays below 2^33, so the rounding fits in 64 bits.
      const double rounded = v[k] >= 0.0 ? std::trunc(v[k] + 0.5) : std::trunc(v[k] - 0.5);
      const auto q = static_cast<std::int64_t>(rounded);
      lo[k] = std::min(lo[k], q);
      hi[k] = std::max(hi[k], q);
    }
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  for (int k = 0; k < 2; ++k) {
    if (lo[k] < -kMax || hi[k] > kMax || hi[k] - lo[k] > kMax) return false;
  }
  *out = RECT{static_cast<LONG>(lo[0]), static_cast<LONG>(lo[1]), static_cast<LONG>(hi[0]),
              static_cast<LONG>(hi[1])};
  return true;
}

// The general kernel of a format and the engine's options, or false for a
// format that is not rotated.
bool ChooseRotateKernel(int format, int smoothEdges, int maskSource, RotateKernel* kind) {
  switch (format) {
    case kWAType1Bit: *kind = RotateKernel::kNearest1; return true;
    case kWAType4Bit: *kind = RotateKernel::kNearest4; return true;
    case kWAType8Palette: *kind = RotateKernel::kNearest8; return true;
    case kWAType8Grey:
      *kind = smoothEdges == 0  ? RotateKernel::kHardGrey
              : maskSource != 0 ? RotateKernel::kSoftMask
                                : RotateKernel::kSoftGreyImage;
      return true;
    case kWAType24:
      *kind = smoothEdges == 0 ? RotateKernel::kHardRgb : RotateKernel::kSoftRgb;
      return true;
    default: return false;
  }
}

}  // namespace

int Transform::Rotate(double angle, int inRadians, PROGRESSPROC procedure, int context, int* step,
                      int* cancel) {
  if (!source || !std::isfinite(angle)) return 0;
  // Degrees whose count of whole turns does not fit in 32 bits are refused.
  if (inRadians == 0 && std::fabs(angle * (1.0 / 360.0)) >= 2147483648.0) return 0;
  const RotationAngle a = ResolveRotationAngle(angle, inRadians);
  RECT rect;
  if (!ClippedSourceRect(&rect)) return 0;
  RECT bounds;
  if (!RotatedBounds(rect, a.cosine, a.sine, &bounds)) return 0;
  if (!MakeDestination(bounds.right - bounds.left, bounds.bottom - bounds.top, true)) return 0;
  TransformProgress progress(procedure, context, step, cancel);
  const int format = source->GetType();
  if (a.exact) {
    const int code = QuarterTurnCode(static_cast<int>(a.cosine), static_cast<int>(a.sine));
    return kernels->rotateQuarter(destination.get(), source.get(), code, rect, progress);
  }
  RotateKernel kind;
  if (!ChooseRotateKernel(format, smoothEdges, maskSource, &kind)) return 0;
  const int extra = (kind == RotateKernel::kSoftGreyImage || kind == RotateKernel::kSoftRgb)
                        ? clearOutside
                        : fillIndex;
  return kernels->rotateGeneral(kind, destination.get(), source.get(), bounds, a.radians, progress,
                                extra);
}

int Transform::RotateInt(int degrees, PROGRESSPROC procedure, int context, int* step, int* cancel) {
  return Rotate(static_cast<double>(degrees % 360), 0, procedure, context, step, cancel);
}

int Transform::Resize(int width, int height, PROGRESSPROC procedure, int context, int* step,
                      int* cancel) {
  // Sizes are checked before they are negated: |INT_MIN| has no 32-bit value.
  if (!source || !lumora::IsImageSide(std::abs(std::int64_t{width})) ||
      !lumora::IsImageSide(std::abs(std::int64_t{height}))) {
    return 0;
  }
  RECT rect;
  if (!ClippedSourceRect(&rect)) return 0;
  if (!MakeDestination(std::abs(width), std::abs(height), true)) return 0;
  TransformProgress progress(procedure, context, step, cancel);
  return kernels->resize(destination.get(), source.get(), rect, width, height, progress);
}

int Transform::Distort(POINT* points) {
  if (!source) return 0;
  const int format = source->GetType();
  if (format != kWAType8Grey && format != kWAType24) return 0;
  RECT rect;
  if (!ClippedSourceRect(&rect)) return 0;
  for (int i = 0; i < 4; ++i) {
    if (!lumora::IsLayerPoint(points[i])) return 0;
  }
  std::int64_t lo[2] = {points[0].x, points[0].y};
  std::int64_t hi[2] = {points[0].x, points[0].y};
  for (int i = 1; i < 4; ++i) {
    lo[0] = std::min<std::int64_t>(lo[0], points[i].x);
    lo[1] = std::min<std::int64_t>(lo[1], points[i].y);
    hi[0] = std::max<std::int64_t>(hi[0], points[i].x);
    hi[1] = std::max<std::int64_t>(hi[1], points[i].y);
  }
  if (!MakeDestination(static_cast<int>(hi[0] - lo[0]), static_cast<int>(hi[1] - lo[1]), false)) {
    return 0;
  }
  const POINT origin = points[0];
  for (int i = 0; i < 4; ++i) {
    points[i].x -= origin.x;
    points[i].y -= origin.y;
  }
  return kernels->distort(destination.get(), source.get(), points);
}
