// The whole-image geometry of a layer stack: canvas size, crop, image size,
// rotation and flip of every layer at once. Every layer's new buffers are
// built before any layer changes; the changes, the moves and the new size
// are then committed together, and all undone when the composites of the
// new size cannot be made.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "engine/layers/LayerGeometry.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/layers/LayerMng.h"
#include "platform/rect.h"
#include "engine/transform/TransformGeometry.h"
#include "res/resource.h"

namespace {

using lumora::LayerChange;

// The progress indicator of one operation, open for the scope.
class ProgressScope {
 public:
  ProgressScope() {
    ProgressSetCaptionId(IDS_PROCESSING);
    ProgressBeginDefault();
  }
  ~ProgressScope() { ProgressEnd(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
};

// What one operation does to the stack: the built changes of some layers
// and a move of every layer.
struct Plan {
  std::vector<std::pair<CLayer*, LayerChange>> changes;
  std::vector<std::pair<CLayer*, POINT>> moves;
};

void Move(const Plan& plan, int sign) {
  for (const auto& [layer, delta] : plan.moves)
    layer->Offset(POINT{sign * delta.x, sign * delta.y});
}

bool MovedRectFits(const RECT& r, POINT delta) {
  return lumora::IsLayerRect(std::int64_t{r.left} + delta.x, std::int64_t{r.top} + delta.y,
                             std::int64_t{r.right} + delta.x, std::int64_t{r.bottom} + delta.y);
}

// Whether every move keeps its layer's rect, and the mask rect that moves
// with it, within the layer limits.
bool MovesFit(const Plan& plan) {
  for (const auto& [layer, delta] : plan.moves) {
    if (!MovedRectFits(layer->GetRect(), delta)) return false;
    const RECT& maskRect = layer->GetMaskRect();
    if (layer->HasMask() && !lumora::RectIsEmpty(maskRect) && !MovedRectFits(maskRect, delta)) {
      return false;
    }
  }
  return true;
}

void SwapAll(Plan& plan) {
  for (auto& [layer, change] : plan.changes) lumora::SwapIn(layer, &change);
}

// Swaps the changes in and moves the layers, then asks `resize` to take the
// new size (0, or a failure code after which it has restored the old size);
// on failure every layer is put back. A move that would take a layer beyond
// the layer limits puts the changes back and gives kLayerNoComposite, as the
// composites of such a stack cannot be made. Returns resize's code.
template <class Resize>
int Commit(Plan& plan, Resize resize) {
  SwapAll(plan);
  if (!MovesFit(plan)) {
    SwapAll(plan);
    return lumora::kLayerNoComposite;
  }
  Move(plan, 1);
  const int code = resize();
  if (code != lumora::kLayerOk) {
    Move(plan, -1);
    SwapAll(plan);
  }
  return code;
}

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::min<std::int64_t>(value, std::numeric_limits<int>::max()));
}

// A layer rect scaled from W x H to W' x H', divisions truncating toward
// zero; a side of at least one pixel keeps at least one. False when the
// result leaves the layer limits.
bool ScaledRect(const RECT& r, std::int64_t w, std::int64_t h, std::int64_t nw, std::int64_t nh,
                RECT* out) {
  const std::int64_t left = nw * r.left / w;
  const std::int64_t top = nh * r.top / h;
  const std::int64_t width = (std::int64_t{r.right} - r.left) * nw / w;
  const std::int64_t height = (std::int64_t{r.bottom} - r.top) * nh / h;
  const std::int64_t right = left + (r.right > r.left ? std::max<std::int64_t>(width, 1) : width);
  const std::int64_t bottom = top + (r.bottom > r.top ? std::max<std::int64_t>(height, 1) : height);
  if (!lumora::IsLayerRect(left, top, right, bottom)) return false;
  *out = RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
              static_cast<LONG>(bottom)};
  return true;
}

}  // namespace

int CLayersManager::TakeImageSize(int width, int height) {
  const int oldWidth = width_, oldHeight = height_;
  WAPtr oldImage = compositeImage_, oldCoverage = compositeCoverage_;
  const int code = SetImageSize(width, height, 0, 0);
  if (code != lumora::kLayerOk) {
    width_ = oldWidth;
    height_ = oldHeight;
    compositeImage_ = oldImage;
    compositeCoverage_ = oldCoverage;
  }
  return code;
}

int CLayersManager::GetTotalRows(int withMasks) const {
  std::int64_t rows = 0;
  for (const CLayer* layer : layers_) {
    if (const VrWA2000::WA* image = layer->PeekImage()) rows += image->GetH();
    if (withMasks != 0 && layer->HasMask() && layer->PeekMask() != nullptr) {
      rows += layer->PeekMask()->GetH();
    }
  }
  return ClampToInt(rows);
}

int CLayersManager::ResizeCanvas(const RECT& canvas) {
  // Checked before any arithmetic: the canvas is a rect of the limits.
  if (!lumora::IsFilledLayerRect(canvas)) return lumora::kLayerNoComposite;
  lumora::DocumentLockScope lock(document_);
  Plan plan;
  for (CLayer* layer : layers_) plan.moves.emplace_back(layer, POINT{-canvas.left, -canvas.top});
  return Commit(plan, [&] {
    return TakeImageSize(lumora::RectWidth(canvas), lumora::RectHeight(canvas));
  });
}

int CLayersManager::CropImage(const RECT& crop, int fill1, int fill2, int fill3) {
  if (!lumora::IsFilledLayerRect(crop) || lumora::RectsEqual(crop, RECT{0, 0, width_, height_})) return 0;
  lumora::DocumentLockScope lock(document_);
  Plan plan;
  try {
    for (CLayer* layer : layers_) {
      LayerChange change;
      const lumora::CropOutcome outcome =
          lumora::BuildCrop(*layer, crop, fill1, fill2, fill3, &change);
      if (outcome == lumora::CropOutcome::kFailed) return 0;
      if (outcome == lumora::CropOutcome::kBuilt)
        plan.changes.emplace_back(layer, std::move(change));
      plan.moves.emplace_back(layer, POINT{-crop.left, -crop.top});
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const int code = Commit(
      plan, [&] { return TakeImageSize(lumora::RectWidth(crop), lumora::RectHeight(crop)); });
  return code == lumora::kLayerOk ? 1 : 0;
}

int CLayersManager::ResizeImage(SIZE size) {
  if (!lumora::IsImageSize(size.cx, size.cy)) return 0;
  if (size.cx == width_ && size.cy == height_) return 1;
  if (width_ <= 0 || height_ <= 0) return 0;
  lumora::DocumentLockScope lock(document_);
  const std::int64_t total = std::int64_t{GetTotalRows(1)} * size.cy / height_;
  int position = 0;
  const lumora::LayerProgress progress{ProgressCallback, ClampToInt(total), &position};
  ProgressScope indicator;
  Plan plan;
  try {
    for (CLayer* layer : layers_) {
      RECT rect;
      LayerChange change;
      if (!ScaledRect(layer->GetRect(), width_, height_, size.cx, size.cy, &rect) ||
          !lumora::BuildScale(*layer, rect, progress, &change)) {
        return 0;
      }
      plan.changes.emplace_back(layer, std::move(change));
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const int code = Commit(plan, [&] { return TakeImageSize(size.cx, size.cy); });
  return code == lumora::kLayerOk ? 1 : 0;
}

int CLayersManager::RotateImage(double angle, int inRadians) {
  if (!std::isfinite(angle)) return 0;
  lumora::DocumentLockScope lock(document_);
  const POINT centre{width_ / 2, height_ / 2};
  RECT bounds;
  GetRotatedCorners(&bounds, RECT{0, 0, width_, height_}, centre.x, centre.y, angle, inRadians);
  if (!lumora::IsFilledLayerRect(bounds)) return 0;
  for (const CLayer* layer : layers_) {
    if (!lumora::IsLayerRect(layer->GetRect())) return 0;
  }
  const bool opaqueMasks = IsLayerable() != 0;
  std::int64_t total = 0;
  for (const CLayer* layer : layers_) {
    RECT turned;
    GetRotatedCorners(&turned, layer->GetRect(), centre.x, centre.y, angle, inRadians);
    const bool masked = layer->HasMask() || (opaqueMasks && layer->PeekImage() != nullptr);
    total += std::int64_t{lumora::RectHeight(turned)} * (masked ? 2 : 1);
  }
  int position = 0;
  const lumora::LayerProgress progress{ProgressCallback, ClampToInt(total), &position};
  ProgressScope indicator;
  Plan plan;
  try {
    for (CLayer* layer : layers_) {
      LayerChange change;
      if (!lumora::BuildRotate(*layer, angle, inRadians, centre, opaqueMasks, progress, &change)) {
        return 0;
      }
      plan.changes.emplace_back(layer, std::move(change));
      plan.moves.emplace_back(layer, POINT{-bounds.left, -bounds.top});
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const int code = Commit(
      plan, [&] { return TakeImageSize(lumora::RectWidth(bounds), lumora::RectHeight(bounds)); });
  return code == lumora::kLayerOk ? 1 : 0;
}

int CLayersManager::FlipImage(int horizontal, int vertical) {
  lumora::DocumentLockScope lock(document_);
  int position = 0;
  const lumora::LayerProgress progress{ProgressCallback, GetTotalRows(1), &position};
  ProgressScope indicator;
  Plan plan;
  try {
    for (CLayer* layer : layers_) {
      if (!lumora::IsLayerRect(layer->GetRect())) return 0;
      LayerChange change;
      if (!lumora::BuildFlip(*layer, horizontal != 0, vertical != 0, progress, &change)) return 0;
      // Mirrored about the image's middle: l' = width - r, t' = height - b.
      const RECT& r = layer->GetRect();
      plan.moves.emplace_back(layer, POINT{horizontal != 0 ? width_ - r.right - r.left : 0,
                                           vertical != 0 ? height_ - r.bottom - r.top : 0});
      plan.changes.emplace_back(layer, std::move(change));
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  // The size stays; a palette image's composite is its layer's new image.
  const int code = Commit(plan, [this] {
    UpdateComposite(imageType_);
    return lumora::kLayerOk;
  });
  return code == lumora::kLayerOk ? 1 : 0;
}
