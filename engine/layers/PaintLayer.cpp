// The work layer of a brush stroke: creation above the target, commit into
// the target under the document lock, and release.
#include "engine/layers/PaintLayer.h"

#include "platform/rect.h"

using lumora::DocumentLockScope;

CLayer* CreatePaintLayer(CLayersManager* stack, int type, const RECT& rect, std::uint8_t opacity,
                         CLayer* target, int lockTransparency, int maskPainting, int insertMode) {
  if (stack == nullptr) return nullptr;
  LAYER_INFO info;
  InitLayerInfo(info);
  info.opacity = (opacity * 100 + 50) / 255;
  info.mergeMode = insertMode;
  CLayer* work = nullptr;
  try {
    work = maskPainting != 0 ? new CLayerMask(&rect, info, kWAType8Grey, 1)
                             : new CLayerPaint(&rect, info, type, 1);
  } catch (const std::exception&) {
    return nullptr;
  }
  work->SetPaintOnLayer(lockTransparency);
  if (!stack->InsertLayer(target, work)) {
    work->Release();
    return nullptr;
  }
  work->AddRef();
  return work;
}

void ReleasePaintLayer(CLayersManager* stack, CLayerPtr* workLayer) {
  if (workLayer == nullptr || !*workLayer) return;
  if (stack != nullptr) stack->DeleteLayer(workLayer->get());
  workLayer->Reset();
}

int brush::GrowTarget(LONG, LONG, LONG, LONG) { return 0; }

void brush::SetStroke(CLayer* workLayer, int insertMode, int maskPainting) {
  workLayer_ = CLayerPtr::Adopt(workLayer);
  insertMode_ = insertMode;
  maskPainting_ = maskPainting != 0;
  noCoverage_ = 0;
}

void brush::CommitStroke(CLayersManager* stack, CLayer* target, int cancel) {
  if (!workLayer_ || stack == nullptr || target == nullptr) return;
  CLayer* work = workLayer_.get();
  if (cancel != 0) {
    ReleasePaintLayer(stack, &workLayer_);
    return;
  }
  RECT all;
  if (!lumora::RectUnion(&all, target->GetRect(), work->GetRect())) {
    ReleasePaintLayer(stack, &workLayer_);
    return;
  }
  {
    // The target's buffers change from the growth on: the render worker
    // must not read them meanwhile.
    DocumentLockScope lock(stack->GetDocument());
    const RECT& own = target->GetRect();
    if ((lumora::RectWidth(all) != lumora::RectWidth(own) ||
         lumora::RectHeight(all) != lumora::RectHeight(own)) &&
        CanGrowTarget() != 0) {
      // A target that cannot grow still takes the part of the stroke that
      // falls on it.
      GrowTarget(all.left, all.top, all.right, all.bottom);
    }
    const bool withoutCoverage = maskPainting_ != 0 || noCoverage_ != 0;
    if (withoutCoverage) {
      target->ReleaseSavedCopies();
      work->SetGrouped(0);
    }
    LAYER_INFO info = work->GetLayerInfo();
    info.mergeMode = insertMode_;
    work->SetLayerInfo(info);
    target->MergeInto(work, maskPainting_, withoutCoverage ? 1 : 0, 1, 1);
    const bool refresh = work->GetGrouped() != 0 && target->GetGrouped() == 0;
    ReleasePaintLayer(stack, &workLayer_);
    if (refresh) target->RefreshSavedCopies();
  }
}
