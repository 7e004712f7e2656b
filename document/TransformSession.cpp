#include "document/TransformSession.h"

#include <algorithm>

#include "platform/rect.h"

#include "document/DocumentRecorder.h"
#include "document/ImageDocument.h"
#include "engine/layers/LayerGeometry.h"
#include "engine/layers/LayerMng.h"
#include "hostapi/fragment.h"
#include "res/resource.h"
#include "select/ModifySelection.h"
#include "select/NumericTransformForm.h"
#include "engine/transform/Transform.h"
#include "engine/transform/TransformGeometry.h"

namespace lumora {
namespace {

WAPtr OpaqueMask(int width, int height) {
  WAPtr plane = WAPtr::Adopt(NewWA(kWAType8Grey, width, height, nullptr));
  if (!plane) return plane;
  for (int y = 0; y < height; ++y) std::fill(plane->Row(y), plane->Row(y) + width, std::uint8_t{255});
  return plane;
}

RECT Grown(RECT r, int by) { return RECT{r.left - by, r.top - by, r.right + by, r.bottom + by}; }

}  // namespace

TransformSession::~TransformSession() {
  if (fragment_ != nullptr) DeleteFragment(fragment_);
}

std::unique_ptr<TransformSession> TransformSession::StartLayer(ImageDocument& doc, TInterface& frame,
                                                               const RECT* shown) {
  CLayer* active = doc.GetActiveLayer();
  CLayersManager* stack = doc.GetLayers();
  if (active == nullptr || stack == nullptr) return nullptr;
  std::unique_ptr<TransformSession> s(new TransformSession(doc, frame));
  s->previewOff_ = std::make_unique<DocumentPreviewOff>(doc.Host());
  Fragment* selection = doc.GetSelection();
  s->wholeLayer_ = selection == nullptr || GetFragmentType(selection) == kFrgEmpty;
  s->layerIndex_ = stack->GetLayerIndex(active);
  if (selection != nullptr) s->fragment_ = ShareFragment(selection);
  Fragment* lifted = nullptr;
  CLayerPtr floating = CLayerPtr::Adopt(doc.BeginLayerTransform(active, s->wholeLayer_ ? nullptr : selection, &lifted));
  if (!floating) {
    if (lifted != nullptr) DeleteFragment(lifted);
    return nullptr;
  }
  s->sourceRect_ = floating->GetRect();
  s->layerImage_ = floating->GetImage();
  WAPtr mask;
  MaskOnLayerRect(*floating, &mask);
  // A layer without a mask gets an opaque one: what the transform uncovers
  // stays transparent.
  s->layerMask_ = mask ? WAPtr::Adopt(CloneWA(mask.get()))
                       : OpaqueMask(RectWidth(s->sourceRect_), RectHeight(s->sourceRect_));
  if (lifted != nullptr) {
    s->selectionMask_ = WAPtr::Adopt(GetMaskWA(lifted));
    DeleteFragment(lifted);
  }
  s->target_ = active;
  if (!s->layerImage_ || !s->layerMask_ || (!s->wholeLayer_ && !s->selectionMask_)) return nullptr;

  RECT frameRect = s->sourceRect_;
  if (s->wholeLayer_ && shown != nullptr) {
    RECT r = *shown;
    const RECT image{0, 0, stack->GetWidth(), stack->GetHeight()};
    r = RECT{std::max(r.left, image.left), std::max(r.top, image.top), std::min(r.right, image.right),
             std::min(r.bottom, image.bottom)};
    r = RECT{std::max(r.left, frameRect.left), std::max(r.top, frameRect.top), std::min(r.right, frameRect.right),
             std::min(r.bottom, frameRect.bottom)};
    if (r.right > r.left && r.bottom > r.top) frameRect = r;
  }
  if (!frame.Init(true, frameRect)) return nullptr;
  return s;
}

std::unique_ptr<TransformSession> TransformSession::StartSelection(ImageDocument& doc, TInterface& frame) {
  CLayersManager* stack = doc.GetLayers();
  Fragment* selection = doc.GetSelection();
  if (stack == nullptr || selection == nullptr) return nullptr;
  std::unique_ptr<TransformSession> s(new TransformSession(doc, frame));
  s->previewOff_ = std::make_unique<DocumentPreviewOff>(doc.Host());
  s->selectionOnly_ = true;
  Fragment* whole = nullptr;
  if (GetFragmentType(selection) == kFrgEmpty) {
    const LURECT all{0, 0, stack->GetWidth(), stack->GetHeight()};
    whole = CreateRectFrg(&all, 0);
    if (whole == nullptr) return nullptr;
    selection = whole;
  }
  Fragment* mask = MakePaddedSelectionMask(selection, 0, 0, false);
  if (whole != nullptr) DeleteFragment(whole);
  if (mask == nullptr) return nullptr;
  LURECT bound{}, place{};
  GetFragmentBoundRect(mask, &bound);
  GetMaskRect(mask, &place);
  LURectToRect(&s->sourceRect_, &bound);
  s->sourceOrigin_ = POINT{place.x, place.y};
  s->selectionMask_ = WAPtr::Adopt(GetMaskWA(mask));
  DeleteFragment(mask);
  if (!s->selectionMask_ || !frame.Init(true, s->sourceRect_)) return nullptr;
  return s;
}

void TransformSession::ApplySelectionTransform() {
  if (!frame_.shapeChanged && !frame_.moved) return;
  const POINT origin = frame_.GetResultOrigin(sourceRect_, 1);
  if (!frame_.shapeChanged && backupTaken_) {
    // Only moved: the current selection goes to the new place.
    if (Fragment* current = doc_.GetSelection()) {
      const WAPtr mask = WAPtr::Adopt(GetMaskWA(current));
      PlaceSelection(mask.get(), origin);
    }
    return;
  }
  const WAPtr result =
      frame_.TransformImage(selectionMask_.get(), sourceOrigin_.x, sourceOrigin_.y, sourceRect_, 1, 1);
  if (!result) return;
  Fragment* f = CreateMaskUsingWA(result.get(), origin.x, origin.y);
  if (f == nullptr) return;
  // The first change is the step; later ones belong to it.
  doc_.SetSelection(f, !backupTaken_);
  DeleteFragment(f);
  doc_.Host()->UpdateGlobalSelection();
  backupTaken_ = true;
}

void TransformSession::Refresh(RECT r) { doc_.InvalidateImageRect(&r, false, false); }

void TransformSession::PlaceSelection(VrWA2000::WA* mask, POINT origin) {
  if (mask == nullptr) return;
  if (Fragment* f = CreateMaskUsingWA(mask, origin.x, origin.y)) {
    doc_.SetSelection(f, false);
    DeleteFragment(f);
    doc_.Host()->UpdateGlobalSelection();
  }
}

void TransformSession::RemoveTemporary() {
  if (!transformed_) return;
  const RECT r = transformed_->GetRect();
  doc_.DeleteLayer(transformed_.get(), false, false);
  transformed_.Reset();
  Refresh(Grown(r, 3));
}

void TransformSession::TransformLayerImage() {
  const RECT& src = sourceRect_;
  const WAPtr newMask = frame_.TransformImage(layerMask_.get(), src.left, src.top, src, 1, 1);
  const WAPtr newImage = frame_.TransformImage(layerImage_.get(), src.left, src.top, src, 0, 0);
  WAPtr newSelection;
  if (selectionMask_ && !wholeLayer_) {
    newSelection = frame_.TransformImage(selectionMask_.get(), src.left, src.top, src, 0, 0);
  }
  if (!newImage || !newMask || newImage->GetW() != newMask->GetW() || newImage->GetH() != newMask->GetH()) return;
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayer(newImage.get(), POINT{0, 0}, 1, newMask.get(), target_->GetMergeMode()));
  } catch (const std::exception&) {
    return;
  }
  if (!transformed_) {
    backupTaken_ = doc_.BackupImage(IDS_STEP_LAYER_TRANSFORM);
    if (!backupTaken_) return;
  }
  RECT former = target_->GetRect();
  if (transformed_) {
    former = transformed_->GetRect();
    doc_.DeleteLayer(transformed_.get(), false, false);
    transformed_.Reset();
  }
  LAYER_INFO info = target_->GetLayerInfo();
  info.name = doc_.GetLayers()->MakeUniqueLayerName(info.name, 1, nullptr);
  info.grouped = 0;
  layer->SetLayerInfo(info);
  layer->MoveTo(frame_.GetResultOrigin(sourceRect_, 1));
  if (!doc_.InsertLayer(nullptr, layer.get(), true, false, false)) return;
  transformed_ = layer;
  if (wholeLayer_) target_->SetVisible(0);
  Refresh(Grown(former, 3));
  Refresh(Grown(transformed_->GetRect(), 3));
  if (!wholeLayer_) {
    const RECT& r = transformed_->GetRect();
    PlaceSelection(newSelection.get(), POINT{r.left, r.top});
  }
}

void TransformSession::MoveTransformedLayer() {
  if (!transformed_) {
    TransformLayerImage();
    return;
  }
  const RECT former = transformed_->GetRect();
  transformed_->MoveTo(frame_.GetResultOrigin(sourceRect_, 1));
  Refresh(Grown(former, 3));
  Refresh(Grown(transformed_->GetRect(), 3));
  if (!wholeLayer_) {
    // The selection goes along with the pixels.
    Fragment* current = doc_.GetSelection();
    if (current != nullptr) {
      const WAPtr mask = WAPtr::Adopt(GetMaskWA(current));
      const RECT& r = transformed_->GetRect();
      PlaceSelection(mask.get(), POINT{r.left, r.top});
    }
  }
}

void TransformSession::AfterRelease() {
  if (done_) return;
  if (selectionOnly_) {
    ApplySelectionTransform();
    return;
  }
  if (frame_.shapeChanged) {
    TransformLayerImage();
  } else if (frame_.moved) {
    MoveTransformedLayer();
  }
}

void TransformSession::Commit() {
  if (done_) return;
  done_ = true;
  if (!transformed_) return;
  // The statement that repeats the transform (a commit without a change
  // records none).
  FrameParams p;
  frame_.GetTransformParams(sourceRect_.left, sourceRect_.top, sourceRect_, &p);
  Recorder().TransformLayer(layerIndex_, fragment_, 1, p.a, p.aFlag, p.b, p.bFlag, p.corners, p.cFlag, p.degrees);
  CLayerPtr layer = transformed_;
  doc_.DeleteLayer(layer.get(), false, false);
  doc_.InsertLayer(target_, layer.get(), true, true, false);
  if (wholeLayer_) doc_.DeleteLayer(target_, false, false);
  transformed_.Reset();
  Refresh(Grown(layer->GetRect(), 3));
  if (CLayersManager* stack = doc_.GetLayers()) layer->SetResolution(stack->GetResolution());
  doc_.SetModifiedFlag(true);
}

void TransformSession::Cancel() {
  if (done_) return;
  done_ = true;
  RemoveTemporary();
  if (backupTaken_) {
    doc_.RevertLastBackup();
    backupTaken_ = false;
  }
}

Fragment* SelectionMaskForTransform(const Fragment* selection, int imageWidth, int imageHeight, RECT* bounds) {
  if (selection == nullptr) return nullptr;
  Fragment* whole = nullptr;
  if (GetFragmentType(selection) == kFrgEmpty) {
    const LURECT all{0, 0, imageWidth, imageHeight};
    whole = CreateRectFrg(&all, 0);
    if (whole == nullptr) return nullptr;
    selection = whole;
  }
  Fragment* mask = MakePaddedSelectionMask(selection, 0, 0, false);
  if (whole != nullptr) DeleteFragment(whole);
  if (mask == nullptr) return nullptr;
  LURECT bound{};
  GetFragmentBoundRect(mask, &bound);
  LURectToRect(bounds, &bound);
  return mask;
}

Fragment* NumericSelectionTransform(const Fragment* mask, RECT rect, const NumericTransformForm& form,
                                    int imageHeight) {
  const NumericTransformValues& v = form.values;
  // Stages that would change nothing are left out, as the layer's numeric
  // transform leaves them: a plain OK asks for nothing.
  const SIZE size = form.GetSize();
  const bool scale = v.scale != 0 && (size.cx != RectWidth(rect) || size.cy != RectHeight(rect));
  const bool skew = v.skew != 0 && (v.skewHor != 0 || v.skewVer != 0);
  const bool rotate = v.rotate != 0 && form.GetAngle(false) != 0;
  if (!scale && !skew && !rotate) {
    const POINT by = v.position != 0 ? form.GetPosition(POINT{rect.left, imageHeight - rect.bottom}) : POINT{0, 0};
    if (by.x == 0 && by.y == 0) return nullptr;
  }
  LURECT place{};
  GetMaskRect(mask, &place);
  const WAPtr buffer = WAPtr::Adopt(GetMaskWA(mask));
  if (!buffer) return nullptr;
  Transform t;
  t.SetSource(buffer.get(), place.x, place.y, rect.left, rect.top, rect.right, rect.bottom, 1, 1);
  int w = buffer->GetW(), h = buffer->GetH();
  bool ran = false;
  // Each stage's result is the next one's source.
  const auto next = [&] {
    const WAPtr made = t.destination;
    t.SetSource(made.get(), 0, 0, 0, 0, made->GetW(), made->GetH(), 0, 1);
    ran = true;
  };
  if (scale) {
    w = size.cx;
    h = size.cy;
    if (t.Resize(w, h, nullptr, 0, nullptr, nullptr) != 1 || !t.destination) return nullptr;
    next();
    rect.left += (RectWidth(rect) - std::abs(w)) / 2;
    rect.top += (RectHeight(rect) - std::abs(h)) / 2;
    rect.right = rect.left + std::abs(w);
    rect.bottom = rect.top + std::abs(h);
  }
  if (skew) {
    POINT corners[4];
    form.GetSkewCorners(w, h, corners);
    LONG minX = corners[0].x, minY = corners[0].y, maxX = corners[0].x, maxY = corners[0].y;
    for (const POINT& c : corners) {
      minX = std::min(minX, c.x);
      minY = std::min(minY, c.y);
      maxX = std::max(maxX, c.x);
      maxY = std::max(maxY, c.y);
    }
    rect.left += minX;
    rect.top += minY;
    rect.right = rect.left + maxX;
    rect.bottom = rect.top + maxY;
    if (t.Distort(corners) != 1 || !t.destination) return nullptr;
    next();
  }
  if (rotate) {
    const double angle = -form.GetAngle(false);
    if (t.Rotate(angle, 0, nullptr, 0, nullptr, nullptr) != 1 || !t.destination) return nullptr;
    next();
    RECT turned{};
    GetRotatedCorners(&turned, rect, rect.left + RectWidth(rect) / 2, rect.top + RectHeight(rect) / 2, angle, 0);
    rect = turned;
  }
  const WAPtr result = ran ? t.source : WAPtr::Adopt(CloneWA(buffer.get()));
  if (!result) return nullptr;
  Fragment* f = CreateMaskUsingWA(result.get(), rect.left, rect.top);
  if (f == nullptr) return nullptr;
  if (v.position != 0) {
    LURECT b{};
    GetFragmentBoundRect(f, &b);
    const POINT by = form.GetPosition(POINT{rect.left, imageHeight - b.height - rect.top});
    // Moved by the offset from where its pixels lie (a zero offset leaves
    // it where the stages put it).
    if (by.x != 0 || by.y != 0) {
      const POINT origin{b.x + by.x, b.y - by.y};
      SetFragmentOriginPoint(f, &origin);
    }
  }
  return f;
}

}  // namespace lumora
