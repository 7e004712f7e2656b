// Stroke machinery of the painting tools.
#include "paint/StrokeBrush.h"

#include <algorithm>

#include "engine/layers/DocumentLock.h"
#include "paint/ArcWalk.h"
#include "paint/LineWalk.h"
#include "platform/rect.h"

namespace paint {

const char kMsgTransparencyLocked[] = "Layer transparency is locked. Unlock it to perform this action!";

namespace {

constexpr int kUpdateInterval = 30;

// Pushes each side of `grown` that `rect` crosses outwards to a multiple of
// the growth step (signed division truncating toward zero).
void PushOutwards(RECT* grown, const RECT& rect) {
  if (rect.left < grown->left) grown->left = kPaintLayerStep * ((rect.left - (kPaintLayerStep - 1)) / kPaintLayerStep);
  if (rect.top < grown->top) grown->top = kPaintLayerStep * ((rect.top - (kPaintLayerStep - 1)) / kPaintLayerStep);
  if (rect.right > grown->right) grown->right = kPaintLayerStep * ((rect.right + kPaintLayerStep - 1) / kPaintLayerStep);
  if (rect.bottom > grown->bottom) {
    grown->bottom = kPaintLayerStep * ((rect.bottom + kPaintLayerStep - 1) / kPaintLayerStep);
  }
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

PlaneView ViewOf(VrWA2000::WA* buffer) {
  if (buffer == nullptr) return PlaneView{};
  return PlaneView{buffer->Bits(), buffer->GetBPLine(), buffer->GetW(), buffer->GetH()};
}

}  // namespace

StrokeBrush::StrokeBrush(int width) : width_(width), baseWidth_(width), dabWidth_(width), dabHeight_(width) {}

void StrokeBrush::SetSelection(const std::uint8_t* mask, const RECT& rect, bool inverted) {
  const int w = lumora::RectWidth(rect);
  const int h = lumora::RectHeight(rect);
  if (mask == nullptr || w <= 0 || h <= 0) return ClearSelection();
  selectionBytes_.assign(mask, mask + static_cast<std::size_t>(w) * h);
  selection_.mask = PlaneView{selectionBytes_.data(), w, w, h};
  selection_.rect = rect;
  selection_.inverted = inverted;
}

void StrokeBrush::ClearSelection() {
  selectionBytes_.clear();
  selection_ = SelectionLimit{};
}

void StrokeBrush::SetPaperTexture(const std::uint8_t* bytes, int width, int height) {
  if (bytes == nullptr || width <= 0 || height <= 0) {
    paperBytes_.clear();
    paper_ = PlaneView{};
    return;
  }
  paperBytes_.assign(bytes, bytes + static_cast<std::size_t>(width) * height);
  paper_ = PlaneView{paperBytes_.data(), width, width, height};
}

void StrokeBrush::SetDabSize(int width, int height) {
  dabWidth_ = width;
  dabHeight_ = height;
}

RECT StrokeBrush::DocumentRect() const {
  const CLayersManager* stack = document_ != nullptr ? document_->Layers() : nullptr;
  return stack != nullptr ? RECT{0, 0, stack->GetWidth(), stack->GetHeight()} : RECT{};
}

bool StrokeBrush::BeginStroke() {
  SetDabSize(width_, width_);
  firstDab_ = true;
  stepOpen_ = false;
  return true;
}

bool StrokeBrush::PrepareTarget() {
  CLayersManager* stack = document_->Layers();
  target_ = stack != nullptr ? stack->GetActiveLayer() : nullptr;
  if (target_ == nullptr || target_->CanPaint() == 0) return false;
  const LAYER_INFO info = target_->GetLayerInfo();
  targetRect_ = target_->GetRect();
  editMask_ = info.editMask != 0;
  if (editMask_ != 0 && info.lockTransparency != 0) {
    refusal_ = kMsgTransparencyLocked;
    return false;
  }
  strokeLock_ = (CanGrowLayer() && info.visible != 0 && info.lockTransparency == 0 && editMask_ == 0) ? 0 : 1;
  if (editMask_ != 0 ? !target_->GetMask() : !target_->GetImage()) return false;
  return CanPaintFormat(editMask_ != 0 ? kWAType8Grey : target_->GetImageType());
}

void StrokeBrush::FreeStrokeBuffers() {
  document_ = nullptr;
  target_ = nullptr;
  dabCount_ = 0;
}

bool StrokeBrush::ButtonDown(StrokeDocument* document, int x, int y) {
  if (Stroking() || document == nullptr) return false;
  baseWidth_ = width_;
  MarkPressureStale();
  if (!ApplyPressure()) {
    RestoreWidth();
    return false;
  }
  document_ = document;
  refusal_ = "";
  if (!PrepareTarget() || !BeginStroke()) {
    FreeStrokeBuffers();
    RestoreWidth();
    return false;
  }
  previous_ = POINT{x, y};
  const int s = spacingDivisor_;
  stepThreshold_ = std::max(0, (dabWidth_ * dabWidth_ + dabHeight_ * dabHeight_) / s / s);
  if (paintAtButtonDown_) DabAt(x, y, true);
  return true;
}

RECT StrokeBrush::LineDabs(POINT from, POINT to) {
  if (!Stroking()) return RECT{};
  WalkLine(from.x, from.y, to.x, to.y, [this](int x, int y) { DabAt(x, y, false); });
  RECT r{std::min(from.x, to.x) - dabWidth_, std::min(from.y, to.y) - dabHeight_,
         std::max(from.x, to.x) + dabWidth_, std::max(from.y, to.y) + dabHeight_};
  lumora::RectIntersect(&r, r, DocumentRect());
  return r;
}

RECT StrokeBrush::ArcDabs(POINT p1, POINT p2, POINT p3) {
  if (!Stroking()) return RECT{};
  // The box of this arc alone: a box shared by every walk would keep
  // growing toward the image origin and all earlier arcs.
  RECT r = WalkArc(p1, p2, p3, [this](int x, int y) { DabAt(x, y, false); });
  r = RECT{r.left - width_, r.top - width_, r.right + width_, r.bottom + width_};
  lumora::RectIntersect(&r, r, DocumentRect());
  return r;
}

void StrokeBrush::MoveTo(int x, int y) {
  MarkPressureStale();
  if (!Stroking() || !ApplyPressure()) return;
  WalkLine(previous_.x, previous_.y, x, y, [this](int px, int py) { DabAt(px, py, true); });
  previous_ = POINT{x, y};
}

void StrokeBrush::ButtonUp() {
  if (!Stroking()) return;
  EndStroke();
  FreeStrokeBuffers();
  RestoreWidth();
}

void StrokeBrush::RestoreWidth() {
  if (width_ == baseWidth_) return;
  width_ = baseWidth_;
  UpdateBrushGeometry(true);
}

bool StrokeBrush::UpdateBrushGeometry(bool /*deferMask*/) {
  SetDabSize(width_ + EdgeSize(), width_ + EdgeSize());
  const int s = spacingDivisor_;
  stepThreshold_ = std::max(0, 2 * dabWidth_ * dabWidth_ / s / s);
  return true;
}

TabletReading StrokeBrush::GetPressure() {
  if (!pressureEnabled_) return TabletReading{};
  if (pressureStale_) pressure_ = ReadTablet();
  return pressure_;
}

bool StrokeBrush::ApplyPressure() {
  if (!pressureEnabled_) return true;
  const TabletReading reading = GetPressure();
  pressureStale_ = false;
  // A tablet reporting no fraction leaves the width alone.
  if (reading.denominator == 0) return true;
  const int width = static_cast<int>(static_cast<std::uint64_t>(static_cast<std::uint32_t>(baseWidth_)) *
                                     reading.numerator / reading.denominator);
  if (width == width_) return true;
  width_ = width;
  return UpdateBrushGeometry(false);
}

void StrokeBrush::EndStroke() {
  CLayer* work = GetWorkLayer();
  const RECT painted = work != nullptr ? work->GetRect() : RECT{};
  CommitStroke(document_->Layers(), target_, 0);
  if (!lumora::RectIsEmpty(painted)) document_->InvalidateImageRect(painted);
}

void StrokeBrush::DabAt(int x, int y, bool invalidate) {
  current_ = POINT{x, y};
  if (!firstDab_) {
    const int dx = x - lastDab_.x;
    const int dy = y - lastDab_.y;
    if (dx * dx + dy * dy < stepThreshold_) return;
  }
  const LONG left = x - dabWidth_ / 2;
  const LONG top = y - dabHeight_ / 2;
  const RECT dab{left, top, left + dabWidth_, top + dabHeight_};
  if (firstDab_ && !stepOpen_) {
    document_->OpenUndoStep(undoNameId_);
    stepOpen_ = true;
  }
  PaintAt(dab);
  if (invalidate) {
    document_->InvalidateImageRect(dab);
    if (++dabCount_ == kUpdateInterval) dabCount_ = 0;
  }
  lastDab_ = current_;
  firstDab_ = false;
}

bool StrokeBrush::EnsurePaintLayer(const RECT& rect, bool withAux) {
  if (document_ == nullptr || target_ == nullptr || lumora::RectIsEmpty(rect)) return false;
  CLayer* work = GetWorkLayer();
  if (work != nullptr && Contains(work->GetRect(), rect)) return true;
  RECT grown = rect;
  if (work != nullptr) {
    grown = work->GetRect();
    PushOutwards(&grown, rect);
  }
  RECT clipped{};
  if (!lumora::RectIntersect(&clipped, grown, DocumentRect())) return false;
  if (work != nullptr && lumora::RectsEqual(clipped, work->GetRect())) return true;
  const WAPtr targetImage = target_->GetImage();
  const int type = editMask_ != 0 ? kWAType8Grey : (targetImage ? targetImage->GetType() : 0);
  if (!lumora::RectIntersect(&clipped, clipped, target_->GetRect())) return false;
  CLayersManager* stack = document_->Layers();
  if (work == nullptr) {
    CLayer* made = CreatePaintLayer(stack, type, clipped, opacity_, target_, strokeLock_, editMask_, insertMode_);
    if (made == nullptr) return false;
    SetStroke(made, insertMode_, editMask_);
    SetNoCoverage(strokeLock_ != 0 || editMask_ != 0);
    if (selection_.mask.Present() || paper_.Present() || withAux) made->CreateAuxBuffer(0);
    return true;
  }
  // The layer is in the stack: the render worker must not read its
  // buffers while they are replaced.
  lumora::DocumentLockScope lock(stack->GetDocument());
  return work->SetLayerRect(clipped);
}

bool StrokeBrush::GrowLayer(const RECT& rect) {
  RECT clipped{};
  if (!lumora::RectIntersect(&clipped, rect, DocumentRect())) return true;
  if (Contains(target_->GetRect(), clipped)) return true;
  RECT grown = target_->GetRect();
  PushOutwards(&grown, clipped);
  lumora::RectIntersect(&grown, grown, DocumentRect());
  const RECT old = target_->GetRect();
  if (!document_->ResizeLayer(target_, grown)) return false;
  targetRect_ = target_->GetRect();
  RECT bands[4];
  lumora::GetBorderRects(targetRect_, old, &bands[0], &bands[1], &bands[2], &bands[3]);
  for (const RECT& band : bands) {
    if (!lumora::RectIsEmpty(band)) document_->InvalidateImageRect(band);
  }
  return true;
}

int StrokeBrush::GrowTarget(LONG left, LONG top, LONG right, LONG bottom) {
  return (document_ != nullptr && target_ != nullptr && GrowLayer(RECT{left, top, right, bottom})) ? 1 : 0;
}

void StrokeBrush::FillJob(DabJob* job, const RECT& dab, bool sourceIsMask) {
  CLayer* work = GetWorkLayer();
  const WAPtr image = work->GetImage();
  const WAPtr mask = work->GetMask();
  const WAPtr aux = work->GetAuxBuffer();
  const WAPtr source = sourceIsMask ? target_->GetMask() : (editMask_ != 0 ? target_->GetMask() : target_->GetImage());
  job->imageType = image ? image->GetType() : 0;
  job->paintImage = ViewOf(image.get());
  job->paintMask = ViewOf(mask.get());
  job->aux = ViewOf(aux.get());
  job->source = ViewOf(source.get());
  job->paper = paper_;
  job->paintRect = work->GetRect();
  targetRect_ = target_->GetRect();
  job->layerOrigin = POINT{targetRect_.left, targetRect_.top};
  layerSelection_ = selection_;
  lumora::RectOffset(&layerSelection_.rect, -targetRect_.left, -targetRect_.top);
  job->selection = selection_.mask.Present() ? &layerSelection_ : nullptr;
  job->dab = dab;
  job->red = foreground_ & 0xFF;
  job->green = (foreground_ >> 8) & 0xFF;
  job->blue = (foreground_ >> 16) & 0xFF;
}

}  // namespace paint
