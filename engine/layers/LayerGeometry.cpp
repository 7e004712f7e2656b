// Whole-layer geometry: scaling, rotation, mirroring and cropping of a
// layer's image and mask, built first and swapped in only when complete.
#include "engine/layers/LayerGeometry.h"

#include <algorithm>
#include <cmath>

#include "engine/pixels/Fillwa.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/geometry/Resample.h"
#include "platform/rect.h"
#include "engine/transform/Transform.h"
#include "engine/transform/TransformGeometry.h"

namespace lumora {
namespace {

// The layer's state as a change: what SwapIn gives back.
LayerChange Snapshot(const CLayer& layer) {
  LayerChange c;
  c.image = layer.GetImage();
  c.mask = layer.GetMask();
  c.rect = layer.GetRect();
  c.maskRect = layer.GetMaskRect();
  c.maskFlags = layer.GetMaskFlags();
  c.transparencyLocked = layer.IsTransparencyLocked() != 0;
  return c;
}

// A change that keeps the layer's mask state, with new buffers on `rect`.
LayerChange Built(const CLayer& layer, WAPtr image, WAPtr mask, const RECT& rect) {
  LayerChange c;
  const bool hadMask = layer.GetMask() != nullptr;
  c.image = std::move(image);
  c.mask = std::move(mask);
  c.rect = rect;
  c.maskRect = c.mask ? rect : RECT{};
  c.maskFlags = c.mask ? static_cast<std::uint8_t>(layer.GetMaskFlags() | kMaskAttached) : 0;
  // A mask made for the change frees the layer's transparency, as
  // attaching one does.
  c.transparencyLocked = c.mask && !hadMask ? false : layer.IsTransparencyLocked() != 0;
  return c;
}

WAPtr NewPlane(int width, int height, int value) {
  WAPtr plane = WAPtr::Adopt(NewWA(kWAType8Grey, width, height, nullptr));
  if (plane && value != 0) FillWA(plane.get(), value, value, value);
  return plane;
}

// One transform of `source`, whose first pixel lies at the rect's top-left;
// null on failure or cancel.
template <class Operation>
WAPtr Transformed(const VrWA2000::WA* source, const RECT& rect, bool isMask, Operation op) {
  Transform t;
  const int flag = isMask ? 1 : 0;
  t.SetSource(const_cast<VrWA2000::WA*>(source), rect.left, rect.top, rect.left, rect.top,
              rect.right, rect.bottom, flag, flag);
  int cancel = 0;
  if (op(t, &cancel) != 1 || cancel != 0 || !t.destination) return nullptr;
  return t.destination;
}

}  // namespace

bool MaskOnLayerRect(const CLayer& layer, WAPtr* out) {
  out->Reset();
  const VrWA2000::WA* mask = layer.HasMask() ? layer.PeekMask() : nullptr;
  if (mask == nullptr) return true;
  const RECT& rect = layer.GetRect();
  RECT place = layer.GetMaskRect();
  if (RectIsEmpty(place)) place = rect;
  if (mask->GetW() == RectWidth(rect) && mask->GetH() == RectHeight(rect) &&
      place.left == rect.left && place.top == rect.top) {
    *out = layer.GetMask();
    return true;
  }
  WAPtr plane = NewPlane(RectWidth(rect), RectHeight(rect), layer.GetMaskDefaultColor());
  if (!plane) return false;
  const RECT extent{place.left, place.top, place.left + mask->GetW(), place.top + mask->GetH()};
  RECT overlap;
  if (RectIntersect(&overlap, rect, extent)) {
    VrWA2000::ReadWriteWA::Copy(plane.get(),
                                POINT{overlap.left - rect.left, overlap.top - rect.top}, mask,
                                POINT{overlap.left - place.left, overlap.top - place.top},
                                RectWidth(overlap), RectHeight(overlap), 12);
  }
  *out = plane;
  return true;
}

bool BuildScale(const CLayer& layer, const RECT& newRect, const LayerProgress& progress,
                LayerChange* out) {
  const VrWA2000::WA* image = layer.PeekImage();
  WAPtr mask;
  if (image == nullptr || !IsFilledLayerRect(newRect) || !MaskOnLayerRect(layer, &mask)) {
    return false;
  }
  const int w = RectWidth(newRect), h = RectHeight(newRect);
  const bool reporting = progress.callback != nullptr;
  WAPtr newImage = WAPtr::Adopt(ResampleImage(image, w, h, true, reporting, progress.callback,
                                              progress.total, progress.position));
  if (!newImage) return false;
  WAPtr newMask;
  if (mask) {
    newMask = WAPtr::Adopt(ResampleImage(mask.get(), w, h, true, reporting, progress.callback,
                                         progress.total, progress.position));
    if (!newMask) return false;
  }
  *out = Built(layer, newImage, newMask, newRect);
  return true;
}

bool BuildRotate(const CLayer& layer, double angle, int inRadians, POINT centre, bool opaqueMask,
                 const LayerProgress& progress, LayerChange* out) {
  const VrWA2000::WA* image = layer.PeekImage();
  const RECT& rect = layer.GetRect();
  if (image == nullptr || !std::isfinite(angle) || !IsLayerPoint(centre) || !IsLayerRect(rect)) {
    return false;
  }
  // The new rect must lie within the limits before any buffer is made.
  RECT bounds;
  GetRotatedCorners(&bounds, rect, centre.x, centre.y, angle, inRadians);
  if (!IsLayerRect(bounds)) return false;
  WAPtr mask;
  if (!MaskOnLayerRect(layer, &mask)) return false;
  if (!mask && opaqueMask && IsLayerType(image->GetType())) {
    mask = NewPlane(RectWidth(rect), RectHeight(rect), 255);
    if (!mask) return false;
  }
  const auto rotate = [&](Transform& t, int* cancel) {
    return t.Rotate(angle, inRadians, progress.callback, progress.total, progress.position, cancel);
  };
  WAPtr newImage = Transformed(image, rect, false, rotate);
  if (!newImage) return false;
  WAPtr newMask;
  if (mask) {
    newMask = Transformed(mask.get(), rect, true, rotate);
    if (!newMask || newMask->GetW() != newImage->GetW() || newMask->GetH() != newImage->GetH()) {
      return false;
    }
  }
  // The rotated bounds place the layer; its size is the turned image's,
  // which rounding about another centre could make differ by a pixel.
  const RECT newRect{bounds.left, bounds.top, bounds.left + newImage->GetW(),
                     bounds.top + newImage->GetH()};
  if (!IsLayerRect(newRect)) return false;
  *out = Built(layer, newImage, newMask, newRect);
  return true;
}

bool BuildFlip(const CLayer& layer, bool horizontal, bool vertical, const LayerProgress& progress,
               LayerChange* out) {
  const VrWA2000::WA* image = layer.PeekImage();
  WAPtr mask;
  if (image == nullptr || !MaskOnLayerRect(layer, &mask)) return false;
  const RECT& rect = layer.GetRect();
  const int w = image->GetW(), h = image->GetH();
  const auto mirror = [&](Transform& t, int* cancel) {
    return t.Resize(horizontal ? -w : w, vertical ? -h : h, progress.callback, progress.total,
                    progress.position, cancel);
  };
  // The transform reads the image over the layer rect: give it the image's
  // own extent, which is the rect when the layer is consistent.
  const RECT extent{rect.left, rect.top, rect.left + w, rect.top + h};
  WAPtr newImage = Transformed(image, extent, false, mirror);
  if (!newImage) return false;
  WAPtr newMask;
  if (mask) {
    newMask = Transformed(mask.get(), extent, true, mirror);
    if (!newMask) return false;
  }
  *out = Built(layer, newImage, newMask, rect);
  return true;
}

CropOutcome BuildCrop(const CLayer& layer, const RECT& crop, int fill1, int fill2, int fill3,
                      LayerChange* out) {
  const RECT& rect = layer.GetRect();
  if (!IsFilledLayerRect(crop) || !IsLayerRect(rect)) return CropOutcome::kFailed;
  RECT overlap;
  if (!RectIntersect(&overlap, crop, rect)) return CropOutcome::kOutside;
  if (RectsEqual(overlap, rect)) return CropOutcome::kWhole;
  const VrWA2000::WA* image = layer.PeekImage();
  WAPtr mask;
  if (image == nullptr || !MaskOnLayerRect(layer, &mask)) return CropOutcome::kFailed;
  const int type = image->GetType();
  const int w = RectWidth(crop), h = RectHeight(crop);
  WAPtr newImage = WAPtr::Adopt(NewWAWithPalette(type, w, h, image->Palette()));
  if (!newImage) return CropOutcome::kFailed;
  if (!IsLayerType(type)) FillWA(newImage.get(), fill1, fill2, fill3);
  const POINT to{overlap.left - crop.left, overlap.top - crop.top};
  const POINT from{overlap.left - rect.left, overlap.top - rect.top};
  const int ow = RectWidth(overlap), oh = RectHeight(overlap);
  VrWA2000::ReadWriteWA::Copy(newImage.get(), to, image, from, ow, oh, 12);
  WAPtr newMask;
  if (mask || (IsLayerType(type) && !RectsEqual(overlap, crop))) {
    // New area of a layer that had no mask shows nothing: only the overlap
    // is opaque.
    newMask = NewPlane(w, h, 0);
    if (!newMask) return CropOutcome::kFailed;
    if (mask) {
      VrWA2000::ReadWriteWA::Copy(newMask.get(), to, mask.get(), from, ow, oh, 12);
    } else {
      for (int y = to.y; y < to.y + oh; ++y)
        std::fill_n(newMask->Row(y) + to.x, ow, std::uint8_t{255});
    }
  }
  *out = Built(layer, newImage, newMask, crop);
  return CropOutcome::kBuilt;
}

void SwapIn(CLayer* layer, LayerChange* change) {
  LayerChange former = Snapshot(*layer);
  const std::uint32_t resolution = PackedResolution(*former.image);
  layer->SetRect(change->rect);
  layer->SetImage(change->image.get());
  if (change->mask) {
    layer->SetMaskAt(change->mask.get(), change->maskRect);
  } else {
    layer->SetMask(nullptr);
  }
  layer->SetMaskFlags(change->maskFlags);
  layer->SetTransparencyLock(change->transparencyLocked ? 1 : 0);
  layer->SetResolution(resolution);
  *change = std::move(former);
}

}  // namespace lumora

// ---- The layer's own members ----

int CLayer::ScaleTo(const RECT& newRect, int total, int* position, PROGRESSPROC callback) {
  lumora::LayerChange change;
  if (!lumora::BuildScale(*this, newRect, {callback, total, position}, &change)) return 0;
  lumora::SwapIn(this, &change);
  return 1;
}

int CLayer::Rotate(double angle, int inRadians, POINT centre, int total, int* position,
                   PROGRESSPROC callback) {
  lumora::LayerChange change;
  if (!lumora::BuildRotate(*this, angle, inRadians, centre, false, {callback, total, position},
                           &change)) {
    return 0;
  }
  lumora::SwapIn(this, &change);
  return 1;
}

int CLayer::Flip(int horizontal, int vertical, int total, int* position, PROGRESSPROC callback) {
  lumora::LayerChange change;
  if (!lumora::BuildFlip(*this, horizontal != 0, vertical != 0, {callback, total, position},
                         &change)) {
    return 0;
  }
  lumora::SwapIn(this, &change);
  return 1;
}

int CLayer::CropTo(const RECT& crop, int* outside, int fill1, int fill2, int fill3) {
  lumora::LayerChange change;
  switch (lumora::BuildCrop(*this, crop, fill1, fill2, fill3, &change)) {
    case lumora::CropOutcome::kFailed: return 0;
    case lumora::CropOutcome::kOutside:
      if (outside != nullptr) *outside = 1;
      return 1;
    case lumora::CropOutcome::kWhole: return 1;
    case lumora::CropOutcome::kBuilt: break;
  }
  lumora::SwapIn(this, &change);
  return 1;
}
