// Fuzz target of the geometry entries: canvas size, crop, image size,
// rotation and flip of a small stack, a layer's own scale, rotation, crop
// and canvas, resampling, the transform engine, MapRectThroughQuad and scaled
// drawing, each fed integers that lean towards the extremes (INT_MIN,
// INT_MAX, the largest side, the coordinate limit and their neighbours).
// Whatever the arguments, nothing may overflow, and every layer rect and
// the image size must stay within the limits afterwards.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/geometry/Resample.h"
#include "engine/geometry/ScaledDraw.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/layers/LayerMng.h"
#include "engine/transform/Transform.h"
#include "engine/transform/TransformGeometry.h"
#include "fuzz/fuzz_target.h"

namespace {

using namespace lumora;

// Bytes as integers: a selector byte picks an extreme value or takes the
// next four bytes as they are.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  std::int32_t Int() {
    static constexpr std::int64_t kSpecial[] = {
        std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
        0, 1, -1, 2, kMaxImageSide, kMaxImageSide + 1, -kMaxImageSide, kMaxLayerCoordinate,
        kMaxLayerCoordinate + 1, -kMaxLayerCoordinate, -kMaxLayerCoordinate - 1, 65536, 32767,
        std::numeric_limits<std::int32_t>::min() + 1, std::numeric_limits<std::int32_t>::max() - 1};
    constexpr int kCount = sizeof(kSpecial) / sizeof(kSpecial[0]);
    const std::uint8_t selector = Byte();
    if (selector < kCount) return static_cast<std::int32_t>(kSpecial[selector]);
    if (selector < 128) return static_cast<std::int32_t>(selector) - 64;  // small values
    std::uint32_t raw = 0;
    for (int i = 0; i < 4; ++i) raw = raw << 8 | Byte();
    std::int32_t value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
  }

  RECT Rect() { return RECT{Int(), Int(), Int(), Int()}; }
  POINT Point() { return POINT{Int(), Int()}; }

  double Angle() {
    switch (Byte() % 4) {
      case 0: return std::numeric_limits<double>::quiet_NaN();
      case 1: return std::numeric_limits<double>::infinity();
      case 2: return static_cast<double>(Int()) * 1e6;
      default: return static_cast<double>(Int()) / 16.0;
    }
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

WAPtr NewBuffer(int type, int width, int height) {
  return WAPtr::Adopt(NewWA(type, width, height, nullptr));
}

// A layer of 1..16 pixels a side near the origin or anywhere within the
// coordinates.
CLayerPtr SmallLayer(Input& in) {
  const bool distant = in.Byte() % 4 == 0;
  const std::uint32_t span = static_cast<std::uint32_t>(2 * kMaxLayerCoordinate - 15);
  const LONG left = distant ? static_cast<LONG>(static_cast<std::uint32_t>(in.Int()) % span -
                                            static_cast<std::uint32_t>(kMaxLayerCoordinate))
                        : in.Byte() % 24 - 4;
  const LONG top = in.Byte() % 24 - 4;
  RECT rect{left, top, left + 1 + in.Byte() % 16, top + 1 + in.Byte() % 16};
  LAYER_INFO info;
  InitLayerInfo(info);
  return CLayerPtr::Adopt(new CLayer(&rect, info, kWAType24, in.Byte() % 2));
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckLayer(const CLayer& layer) {
  Check(IsLayerRect(layer.GetRect()));
  if (const VrWA2000::WA* image = layer.PeekImage()) Check(IsImageSize(image->GetW(), image->GetH()));
}

void StackOperation(Input& in) {
  const int width = 1 + in.Byte() % 20, height = 1 + in.Byte() % 20;
  CLayersManagerPtr stack = CLayersManagerPtr::Adopt(
      new CLayersManager(kWAType24, nullptr, width, height, 0x00480048u, 0, 1));
  for (int i = 0, n = 1 + in.Byte() % 3; i < n; ++i) {
    CLayerPtr layer = SmallLayer(in);
    stack->AddLayer(layer.get());
  }
  switch (in.Byte() % 5) {
    case 0: stack->ResizeCanvas(in.Rect()); break;
    case 1: stack->CropImage(in.Rect(), 255, 255, 255); break;
    case 2: stack->ResizeImage(SIZE{in.Int(), in.Int()}); break;
    case 3: stack->RotateImage(in.Angle(), in.Byte() % 2); break;
    default: stack->FlipImage(in.Byte() % 2, in.Byte() % 2); break;
  }
  Check(IsImageSize(stack->GetWidth(), stack->GetHeight()));
  for (int i = 0; i < stack->GetLayerCount(); ++i) CheckLayer(*stack->GetLayer(i));
}

void LayerOperation(Input& in) {
  CLayerPtr layer = SmallLayer(in);
  int outside = 0;
  switch (in.Byte() % 4) {
    case 0: layer->ScaleTo(in.Rect(), 0, nullptr, nullptr); break;
    case 1: layer->Rotate(in.Angle(), in.Byte() % 2, in.Point(), 0, nullptr, nullptr); break;
    case 2: layer->SetLayerRect(in.Rect()); break;
    default: layer->CropTo(in.Rect(), &outside, 1, 2, 3); break;
  }
  CheckLayer(*layer);
}

void ResampleOperation(Input& in) {
  static constexpr int kTypes[] = {kWAType1Bit, kWAType4Bit, kWAType8Palette, kWAType8Grey,
                                   kWAType24};
  WAPtr source = NewBuffer(kTypes[in.Byte() % 5], 1 + in.Byte() % 16, 1 + in.Byte() % 16);
  WAPtr out = WAPtr::Adopt(
      ResampleImage(source.get(), in.Int(), in.Int(), in.Byte() % 2, false, nullptr, 0, nullptr));
  if (out) Check(IsImageSize(out->GetW(), out->GetH()));
}

void TransformOperation(Input& in) {
  WAPtr source = NewBuffer(in.Byte() % 2 ? kWAType24 : kWAType8Grey, 1 + in.Byte() % 16,
                           1 + in.Byte() % 16);
  Transform t;
  const POINT offset = in.Point();
  const RECT rect = in.Rect();
  t.SetSource(source.get(), offset.x, offset.y, rect.left, rect.top, rect.right, rect.bottom,
              in.Byte() % 2, in.Byte() % 2);
  switch (in.Byte() % 3) {
    case 0: t.Resize(in.Int(), in.Int(), nullptr, 0, nullptr, nullptr); break;
    case 1: t.Rotate(in.Angle(), in.Byte() % 2, nullptr, 0, nullptr, nullptr); break;
    default: {
      POINT points[4] = {in.Point(), in.Point(), in.Point(), in.Point()};
      t.Distort(points);
      break;
    }
  }
  if (t.destination) Check(IsImageSize(t.destination->GetW(), t.destination->GetH()));
}

void QuadOperation(Input& in) {
  const POINT points[4] = {in.Point(), in.Point(), in.Point(), in.Point()};
  POINT out[4];
  MapRectThroughQuad(points, in.Rect(), in.Rect(), out, in.Byte() % 2);
}

void ScaledDrawOperation(Input& in) {
  WAPtr source = NewBuffer(kWAType24, 1 + in.Byte() % 16, 1 + in.Byte() % 16);
  WAPtr dst = NewBuffer(kWAType24, 1 + in.Byte() % 16, 1 + in.Byte() % 16);
  const scaled::ScaledDraw draw{dst.get(), in.Rect(), source.get(), nullptr, true};
  scaled::DrawScaledFast(draw);
}

// Buffers are kept small: an allowed but huge request fails for memory
// rather than slowing the fuzzer down.
struct MemoryCap {
  MemoryCap() { VrWA2000::WA::MM_SetMemoryLimits(VrWA2000::WA::MM_BytesInUse() + (64u << 20)); }
  ~MemoryCap() { VrWA2000::WA::MM_SetMemoryLimits(0); }
};

}  // namespace

LUMORA_FUZZ_TARGET(geometry)(const std::uint8_t* data, std::size_t size) {
  const MemoryCap cap;
  Input in(data, size);
  switch (in.Byte() % 6) {
    case 0: StackOperation(in); break;
    case 1: LayerOperation(in); break;
    case 2: ResampleOperation(in); break;
    case 3: TransformOperation(in); break;
    case 4: QuadOperation(in); break;
    default: ScaledDrawOperation(in); break;
  }
  return 0;
}
