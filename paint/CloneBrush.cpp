// The clone tool.
#include "paint/CloneBrush.h"

#include <algorithm>

#include "platform/rect.h"

namespace paint {

const char kMsgNoCloneSource[] = "You must specify a clone source by clicking on the image with the shift key down!";
const char kMsgDifferentTypes[] =
    "Sorry, but images has different types.\nUse Image-Convert commands to convert images to one type.\n(Truecolor "
    "prefered)";

CClone::CClone(BrushRandom& random, int width) : CPaintBrush(kCmdClone, width, random) {}

bool CClone::MarkSource(CLayer* layer, POINT at) {
  sourceSet_ = false;
  sourceImage_.Reset();
  sourceMask_.Reset();
  if (layer == nullptr) return false;
  sourceImage_ = layer->GetImage();
  if (!sourceImage_) return false;
  sourceMask_ = layer->GetMask();
  sourceRect_ = layer->GetRect();
  sourcePoint_ = at;
  offsetValid_ = false;
  sourceSet_ = true;
  return true;
}

bool CClone::StartStroke(StrokeDocument* document, int x, int y) {
  if (document == nullptr) return false;
  if (!sourceSet_) {
    refusal_ = kMsgNoCloneSource;
    return false;
  }
  CLayer* active = document->Layers() != nullptr ? document->Layers()->GetActiveLayer() : nullptr;
  if (active == nullptr) return false;
  const bool editing = active->GetEditMask() != 0;
  const WAPtr target = editing ? active->GetMask() : active->GetImage();
  const WAPtr& source = editing ? sourceMask_ : sourceImage_;
  const bool greyWithoutSource = target && target->GetType() == kWAType8Grey && !source;
  const bool sameType = target && source && target->GetType() == source->GetType() &&
                        (target->GetType() == kWAType24 || target->GetType() == kWAType8Grey);
  if (!greyWithoutSource && !sameType) {
    refusal_ = kMsgDifferentTypes;
    return false;
  }
  if (!offsetValid_) {
    offset_ = POINT{sourcePoint_.x - x, sourcePoint_.y - y};
    offsetValid_ = true;
  }
  return ButtonDown(document, x, y);
}

bool CClone::BeginStroke() {
  if (!CPaintBrush::BeginStroke()) return false;
  SetSpacingDivisor(cloneMode_ == kCloneArtistic ? 2 : 4);
  return true;
}

bool CClone::PaintAt(const RECT& dab) {
  RECT r{};
  if (!lumora::RectIntersect(&r, dab, DocumentRect())) return false;
  if (strokeLock_ == 0 && !GrowLayer(r)) return false;
  if (!EnsurePaintLayer(r, true)) return false;
  if (!lumora::RectIntersect(&r, r, target_->GetRect())) return false;
  DabJob job;
  FillJob(&job, dab, strokeLock_ != 0 && editMask_ != 0);
  if (!lumora::RectIntersect(&r, r, job.paintRect)) return false;
  if (cloneMode_ == kCloneArtistic) {
    // One colour for the dab: the source pixel under its centre.
    const LONG sx = (dab.left + dab.right) / 2 + offset_.x;
    const LONG sy = (dab.top + dab.bottom) / 2 + offset_.y;
    if (!sourceImage_ || !lumora::RectContainsPoint(sourceRect_, sx, sy)) return true;
    const int channels = sourceImage_->GetType() == kWAType24 ? 3 : 1;
    const std::uint8_t* p = sourceImage_->Row(sy - sourceRect_.top) + (sx - sourceRect_.left) * channels;
    job.red = channels == 3 ? p[2] : p[0];
    job.green = channels == 3 ? p[1] : p[0];
    job.blue = p[0];
    PaintDabPixels(job, lastDab_, current_, firstDab_);
    return true;
  }
  // The mask turns and dithers per dab as the paint brush's does.
  if (PrepareOwnDab(lastDab_, current_, firstDab_)) CommonDab(job, r);
  return true;
}

void CClone::CommonDab(const DabJob& job, const RECT& r) {
  const WAPtr& source = editMask_ != 0 ? sourceMask_ : sourceImage_;
  if (!source || job.imageType != source->GetType()) return;
  const int channels = job.imageType == kWAType24 ? 3 : 1;
  const bool plain = PlainDabs();
  const int pressure = RawPressure();
  const std::uint8_t* shape = WorkingMask().data();
  const int dabWidth = DabWidth();
  for (int y = r.top; y < r.bottom; ++y) {
    const int sy = y + offset_.y;
    if (sy < sourceRect_.top || sy >= sourceRect_.bottom) continue;
    const std::uint8_t* srcRow = source->Row(sy - sourceRect_.top);
    const std::uint8_t* srcMask = sourceMask_ && editMask_ == 0 ? sourceMask_->Row(sy - sourceRect_.top) : nullptr;
    const int ly = y - job.layerOrigin.y;
    const std::uint8_t* paperRow = job.paper.Present() ? job.paper.Row(ly % job.paper.height) : nullptr;
    std::uint8_t* img = job.paintImage.Row(y - job.paintRect.top) - job.paintRect.left * channels;
    std::uint8_t* cov = job.paintMask.Row(y - job.paintRect.top) - job.paintRect.left;
    std::uint8_t* aux = job.aux.Present() ? job.aux.Row(y - job.paintRect.top) - job.paintRect.left : nullptr;
    for (int x = r.left; x < r.right; ++x) {
      const int sx = x + offset_.x;
      if (sx < sourceRect_.left || sx >= sourceRect_.right) continue;
      const int lx = x - job.layerOrigin.x;
      std::uint32_t a = job.selection ? job.selection->CoverageAt(lx, ly) : 255;
      if (srcMask) a = Div255(a * srcMask[sx - sourceRect_.left]);
      if (paperRow) a = Div255((255 - paperRow[lx % job.paper.width]) * a);
      if (aux) aux[x] = static_cast<std::uint8_t>(a);
      const std::uint32_t c = Div255(shape[(y - job.dab.top) * dabWidth + (x - job.dab.left)] * static_cast<std::uint32_t>(pressure));
      if (c == 0) continue;
      const std::uint8_t* colour = srcRow + (sx - sourceRect_.left) * channels;
      std::uint8_t* px = img + x * channels;
      if (plain) {
        cov[x] = static_cast<std::uint8_t>(255 - Div255((255u - cov[x]) * (255u - c)));
        std::copy(colour, colour + channels, px);
      } else {
        BlendPixel(px, colour, channels, static_cast<int>(c), &cov[x]);
      }
    }
  }
}

}  // namespace paint
