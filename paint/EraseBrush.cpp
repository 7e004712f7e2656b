// The eraser's six actions.
#include "paint/EraseBrush.h"

#include "platform/rect.h"

namespace paint {

const char kMsgLayerHasNoMask[] = "Layer has no mask. Add mask to perform this action!";

namespace {

constexpr int kEraserWidth = 12;

std::uint8_t* PixelIn(VrWA2000::WA* buffer, const RECT& place, int x, int y, int bytes) {
  return buffer->Row(y - place.top) + static_cast<std::ptrdiff_t>(x - place.left) * bytes;
}

}  // namespace

CEraseBrush::CEraseBrush(BrushRandom& random) : CPaintBrush(kCmdEraser, kEraserWidth, random) {}

bool CEraseBrush::BeginStroke() {
  undoNameId_ = kUndoPaint;
  switch (action_) {
    case kEraseClear:
      if (target_->HasMask() == 0) {
        refusal_ = kMsgLayerHasNoMask;
        return false;
      }
      if (target_->IsTransparencyLocked() != 0) {
        refusal_ = kMsgTransparencyLocked;
        return false;
      }
      editMask_ = 1;  // the stroke is merged into the target's mask
      savedForeground_ = foreground_, savedBackground_ = background_;
      coloursSaved_ = true;
      foreground_ = background_ = 0;
      return CPaintBrush::BeginStroke();
    case kEraseLastAction:
      undoNameId_ = kUndoErase;
      return CPaintBrush::BeginStroke() && BeginRestore();
    case kEraseToBackground:
    case kEraseToForeground:
    case kEraseForegroundToBackground:
    case kEraseBackgroundToForeground:
      return CPaintBrush::BeginStroke();
    default:
      return false;
  }
}

bool CEraseBrush::BeginRestore() {
  strokeStart_ = target_->GetRect();
  ReleaseSaved();
  CLayer* layer = document_->FindUndoSnapshotLayer(target_->GetUniqueId());
  if (layer == nullptr) return false;
  const WAPtr image = layer->GetImage();
  if (!image) return false;
  const WAPtr painted = editMask_ != 0 ? target_->GetMask() : target_->GetImage();
  if (!painted || (editMask_ != 0 ? painted->GetType() != kWAType8Grey : image->GetType() != painted->GetType())) {
    return false;
  }
  saved_ = CLayerPtr::Share(layer);
  return true;
}

void CEraseBrush::ReleaseSaved() { saved_.Reset(); }

void CEraseBrush::EndStroke() {
  CPaintBrush::EndStroke();
  ReleaseSaved();
  if (coloursSaved_) {
    foreground_ = savedForeground_, background_ = savedBackground_;
    coloursSaved_ = false;
  }
}

bool CEraseBrush::PaintAt(const RECT& dab) {
  switch (action_) {
    case kEraseClear: return CPaintBrush::PaintAt(dab);
    // No working mask (its allocation failed): no dab.
    case kEraseLastAction: return WorkingMask().size() != static_cast<std::size_t>(DabWidth()) * DabHeight() || RestoreDab(dab);
    default: return WorkingMask().size() != static_cast<std::size_t>(DabWidth()) * DabHeight() || ColourDab(dab);
  }
}

CEraseBrush::Sample CEraseBrush::SavedSample(const Sources& in, int x, int y, int channels) const {
  Sample s{{0, 0, 0}, editMask_ != 0 ? 255 : 0};
  const RECT& place = saved_->GetRect();
  if (!lumora::RectContainsPoint(place, x, y)) return s;
  VrWA2000::WA* image = in.savedImage;
  VrWA2000::WA* mask = in.savedMask;
  if (editMask_ != 0) {
    s.colour[0] = mask ? *PixelIn(mask, place, x, y, 1) : 255;
    return s;
  }
  const std::uint8_t* p = PixelIn(image, place, x, y, channels);
  for (int k = 0; k < channels; ++k) s.colour[k] = p[k];
  s.alpha = mask ? *PixelIn(mask, place, x, y, 1) : 255;
  return s;
}

CEraseBrush::Sample CEraseBrush::TargetSample(const Sources& in, int x, int y, int channels) const {
  Sample s{{0, 0, 0}, 0};
  const RECT& place = target_->GetRect();
  if (!lumora::RectContainsPoint(place, x, y) || in.targetValue == nullptr) return s;
  const std::uint8_t* p = PixelIn(in.targetValue, place, x, y, channels);
  for (int k = 0; k < channels; ++k) s.colour[k] = p[k];
  s.alpha = (editMask_ == 0 && in.targetMask != nullptr) ? *PixelIn(in.targetMask, place, x, y, 1) : 255;
  return s;
}

CEraseBrush::DabFrame CEraseBrush::FrameFor(const RECT& dab) const {
  CLayer* work = GetWorkLayer();
  DabFrame f;
  f.image = work->GetImage();
  f.mask = work->GetMask();
  f.aux = work->GetAuxBuffer();
  const int type = f.image ? f.image->GetType() : 0;
  f.channels = type == kWAType24 ? 3 : type == kWAType8Grey ? 1 : 0;
  const RECT& origin = target_->GetRect();
  f.selection = selection_;
  lumora::RectOffset(&f.selection.rect, -origin.left, -origin.top);
  f.pressure = RawPressure();
  f.shape = WorkingMask().data();
  f.dabWidth = dab.right - dab.left;
  return f;
}

bool CEraseBrush::RestoreDab(RECT r) {
  RECT reach{};
  lumora::RectUnion(&reach, strokeStart_, saved_->GetRect());
  const RECT dab = r;
  if (!lumora::RectIntersect(&r, r, reach)) return true;
  if (strokeLock_ == 0 && !GrowLayer(r)) return false;
  if (!lumora::RectIntersect(&r, r, DocumentRect())) return true;
  if (!EnsurePaintLayer(r, true)) return false;
  CLayer* work = GetWorkLayer();
  if (!lumora::RectIntersect(&r, r, work->GetRect())) return true;
  work->SetReplace(1);  // the commit puts these pixels in as they stand
  const DabFrame f = FrameFor(dab);
  const WAPtr &image = f.image, &mask = f.mask, &aux = f.aux;
  const int channels = f.channels, pressure = f.pressure, dabWidth = f.dabWidth;
  const std::uint8_t* shape = f.shape;
  const SelectionLimit& selection = f.selection;
  const RECT& place = work->GetRect();
  const RECT& origin = target_->GetRect();
  if (channels == 0 || !mask) return false;
  // The layers hold these buffers for the whole dab.
  const WAPtr savedImage = saved_->GetImage(), savedMask = saved_->GetMask();
  const WAPtr targetMask = target_->GetMask();
  const WAPtr targetValue = editMask_ != 0 ? targetMask : target_->GetImage();
  const Sources in{savedImage.get(), savedMask.get(), targetValue.get(), targetMask.get()};
  if (in.savedImage == nullptr) return false;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const int m = selection.CoverageAt(x - origin.left, y - origin.top);
      const int d = static_cast<int>(Div255(shape[(y - dab.top) * dabWidth + (x - dab.left)] * pressure));
      std::uint8_t* a = aux ? PixelIn(aux.get(), place, x, y, 1) : nullptr;
      const int c = a ? *a : 255;
      const int k = static_cast<int>(Div255((255 - c) * (255 - d)));
      if (a) *a = static_cast<std::uint8_t>(255 - k);
      const int t = static_cast<int>(Div255(Div255(opacity_ * (255 - k)) * m));
      const Sample cs = SavedSample(in, x, y, channels);
      const Sample cc = TargetSample(in, x, y, channels);
      std::uint8_t* out = PixelIn(image.get(), place, x, y, channels);
      std::uint8_t* alpha = PixelIn(mask.get(), place, x, y, 1);
      // The saved pixel over the present one by t, each weighted by its alpha.
      if (t == 255 || cc.alpha == 0) {
        for (int ch = 0; ch < channels; ++ch) out[ch] = static_cast<std::uint8_t>(cs.colour[ch]);
        *alpha = static_cast<std::uint8_t>(Div255(cs.alpha * t));
      } else if (cs.alpha == 0 || t == 0) {
        for (int ch = 0; ch < channels; ++ch) out[ch] = static_cast<std::uint8_t>(cc.colour[ch]);
        *alpha = static_cast<std::uint8_t>(Div255((255 - t) * cc.alpha));
      } else {
        const int total = (255 - t) * cc.alpha + t * cs.alpha;
        if (total == 0) {
          *alpha = 0;
          continue;
        }
        for (int ch = 0; ch < channels; ++ch) {
          out[ch] = static_cast<std::uint8_t>(((255 - t) * cc.colour[ch] * cc.alpha + t * cs.colour[ch] * cs.alpha) /
                                              total);
        }
        *alpha = static_cast<std::uint8_t>(total / 255);
      }
    }
  }
  return true;
}

bool CEraseBrush::ColourDab(RECT r) {
  const RECT dab = r;
  if (!lumora::RectIntersect(&r, r, target_->GetRect())) return false;
  if (!EnsurePaintLayer(r, false)) return false;
  CLayer* work = GetWorkLayer();
  const bool toBackground = action_ == kEraseToBackground || action_ == kEraseForegroundToBackground;
  const COLORREF paintColour = toBackground ? background_ : foreground_;
  const bool matching = action_ == kEraseForegroundToBackground || action_ == kEraseBackgroundToForeground;
  const COLORREF matchColour = action_ == kEraseForegroundToBackground ? foreground_ : background_;
  if (!lumora::RectIntersect(&r, r, work->GetRect())) return true;
  const DabFrame f = FrameFor(dab);
  const WAPtr &image = f.image, &mask = f.mask, &aux = f.aux;
  const int channels = f.channels, pressure = f.pressure, dabWidth = f.dabWidth;
  const std::uint8_t* shape = f.shape;
  const SelectionLimit& selection = f.selection;
  const WAPtr source = editMask_ != 0 ? target_->GetMask() : target_->GetImage();
  if (channels == 0 || !mask || !source) return false;
  std::uint8_t paint[3], match[3];
  StoreColour(paintColour & 0xFF, (paintColour >> 8) & 0xFF, (paintColour >> 16) & 0xFF, channels, paint);
  StoreColour(matchColour & 0xFF, (matchColour >> 8) & 0xFF, (matchColour >> 16) & 0xFF, channels, match);
  const RECT& place = work->GetRect();
  const RECT& origin = target_->GetRect();
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      int w = static_cast<int>(Div255(shape[(y - dab.top) * dabWidth + (x - dab.left)] * pressure));
      if (matching && !std::equal(match, match + channels, PixelIn(source.get(), origin, x, y, channels))) w = 0;
      std::copy(paint, paint + channels, PixelIn(image.get(), place, x, y, channels));
      std::uint8_t* m = PixelIn(mask.get(), place, x, y, 1);
      *m = static_cast<std::uint8_t>(255 - Div255((255u - *m) * (255u - w)));
      if (aux) *PixelIn(aux.get(), place, x, y, 1) = static_cast<std::uint8_t>(selection.CoverageAt(x - origin.left, y - origin.top));
    }
  }
  return true;
}

}  // namespace paint
