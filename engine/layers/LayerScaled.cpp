// A layer drawing its whole image or mask scaled into a rectangle of another
// buffer: the members the thumbnails call, by the image's pixel type.
#include "engine/layers/Layer.h"
#include "engine/geometry/ScaledDraw.h"

namespace {

// The rect is looked at first: an empty one draws nothing whatever else.
bool Empty(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

int Draw(VrWA2000::WA* dst, const RECT& rect, const VrWA2000::WA* source, const VrWA2000::WA* mask,
         bool wide) {
  // A layer without an image has nothing to draw.
  if (source == nullptr) return lumora::kLayerOk;
  const lumora::scaled::ScaledDraw draw{dst, rect, source, mask, wide};
  return lumora::scaled::DrawScaledFast(draw) ? lumora::kLayerOk : lumora::kLayerNullBuffer;
}

int Stretch(VrWA2000::WA* dst, const RECT& rect, const VrWA2000::WA* image) {
  if (Empty(rect)) return lumora::kLayerOk;
  if (dst == nullptr || image == nullptr || dst->GetType() != image->GetType()) {
    return lumora::kLayerNullBuffer;
  }
  return lumora::scaled::StretchNearest(dst, rect, image) ? lumora::kLayerOk
                                                          : lumora::kLayerNullBuffer;
}

}  // namespace

int CLayer::DrawScaled24(VrWA2000::WA* dst, const RECT& rect) {
  return Draw(dst, rect, image_.get(), hasMask_ ? mask_.get() : nullptr, true);
}

int CLayer::DrawScaled8(VrWA2000::WA* dst, const RECT& rect) {
  return Draw(dst, rect, image_.get(), hasMask_ ? mask_.get() : nullptr, false);
}

int CLayer::DrawMaskScaled24(VrWA2000::WA* dst, const RECT& rect) {
  if (Empty(rect)) return lumora::kLayerOk;
  if (!hasMask_ || !mask_) return lumora::kLayerNotLayerable;
  return Draw(dst, rect, mask_.get(), nullptr, true);
}

int CLayer::DrawMaskScaled8(VrWA2000::WA* dst, const RECT& rect) {
  if (Empty(rect)) return lumora::kLayerOk;
  if (!hasMask_ || !mask_) return lumora::kLayerNotLayerable;
  return Draw(dst, rect, mask_.get(), nullptr, false);
}

int CLayer::StretchImage(VrWA2000::WA* dst, const RECT& rect) {
  return Stretch(dst, rect, image_.get());
}

int CLayer::StretchImage4(VrWA2000::WA* dst, const RECT& rect) {
  return Stretch(dst, rect, image_.get());
}

int CLayer::StretchImage1(VrWA2000::WA* dst, const RECT& rect) {
  return Stretch(dst, rect, image_.get());
}
