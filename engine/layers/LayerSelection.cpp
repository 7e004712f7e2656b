// Lifting the selected pixels of a layer into a new layer ("layer via copy"
// and "layer via cut").
#include <algorithm>
#include <new>

#include "engine/layers/Layer.h"
#include "hostapi/fragment.h"
#include "platform/rect.h"

namespace {

// The selection of a mask fragment at image pixels: the fragment's mask
// values (outside its buffer 0), or for an inverted fragment 255 minus them
// (outside its buffer 255).
class SelectionMask {
 public:
  explicit SelectionMask(const Fragment* fragment)
      : buffer_(WAPtr::Adopt(GetMaskWA(fragment))), inverted_(IsFrgInverted(fragment) != 0) {
    LURECT r{};
    GetMaskRect(fragment, &r);
    LURectToRect(&place_, &r);
  }

  bool Valid() const { return static_cast<bool>(buffer_); }
  bool Inverted() const { return inverted_; }

  int At(LONG x, LONG y) const {
    int value = 0;
    if (lumora::RectContainsPoint(place_, x, y) && x - place_.left < buffer_->GetW() &&
        y - place_.top < buffer_->GetH()) {
      value = buffer_->Row(y - place_.top)[x - place_.left];
    }
    return inverted_ ? 255 - value : value;
  }

 private:
  WAPtr buffer_;
  bool inverted_;
  RECT place_ = {};
};

// m combined with the selection f: 0 where either is 0, the other where one
// is 255, else m f / 255.
std::uint8_t Combine(int m, int f) {
  if (f == 0 || m == 0) return 0;
  if (f == 255) return static_cast<std::uint8_t>(m);
  if (m == 255) return static_cast<std::uint8_t>(f);
  return static_cast<std::uint8_t>(m * f / 255);
}

}  // namespace

CLayer* CLayer::CreateLayerFromSelection(Fragment* fragment, int cut) {
  if (fragment == nullptr || !image_ || GetFragmentType(fragment) != kFrgMask) return nullptr;
  RECT opaque;
  GetOpaqueRect(&opaque, 1);
  if (lumora::RectIsEmpty(opaque)) return nullptr;
  const SelectionMask selection(fragment);
  if (!selection.Valid()) return nullptr;
  // An inverted selection reaches everywhere outside its mask.
  RECT r = opaque;
  if (!selection.Inverted()) {
    LURECT lu{};
    GetFragmentBoundRect(fragment, &lu);
    RECT bounds;
    LURectToRect(&bounds, &lu);
    if (!lumora::RectIntersect(&r, bounds, opaque)) return nullptr;
  }
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayer(&r, GetLayerInfo(), static_cast<int>(imageType_), 0));
  } catch (const layer_error&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (layer->CreateMask(1) != lumora::kLayerOk) return nullptr;
  const int w = lumora::RectWidth(r), h = lumora::RectHeight(r);
  VrWA2000::WA* newMask = layer->PeekMask();
  VrWA2000::ReadWriteWA::Copy(layer->PeekImage(), POINT{0, 0}, image_.get(),
                              POINT{r.left - rect_.left, r.top - rect_.top}, w, h, 12);
  const RECT maskPlace = lumora::RectIsEmpty(maskRect_) ? rect_ : maskRect_;
  if (hasMask_ && mask_) {
    VrWA2000::ReadWriteWA::Copy(newMask, POINT{0, 0}, mask_.get(),
                                POINT{r.left - maskPlace.left, r.top - maskPlace.top}, w, h, 12);
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = newMask->Row(y);
    for (int x = 0; x < w; ++x) row[x] = Combine(row[x], selection.At(r.left + x, r.top + y));
  }
  if (cut != 0) {
    if (!hasMask_ && CreateMask(1) != lumora::kLayerOk) return layer.Detach();
    const RECT place = lumora::RectIsEmpty(maskRect_) ? rect_ : maskRect_;
    const RECT extent{place.left, place.top, place.left + mask_->GetW(), place.top + mask_->GetH()};
    RECT part;
    if (lumora::RectIntersect(&part, r, extent)) {
      for (LONG y = part.top; y < part.bottom; ++y) {
        std::uint8_t* source = mask_->Row(y - place.top) + (part.left - place.left);
        const std::uint8_t* lifted = newMask->Row(y - r.top) + (part.left - r.left);
        for (LONG x = 0; x < part.right - part.left; ++x) {
          source[x] = static_cast<std::uint8_t>(std::max(0, source[x] - lifted[x]));
        }
      }
    }
  }
  layer->SetResolution(PackedResolution(*image_));
  return layer.Detach();
}
