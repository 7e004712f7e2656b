// Transforms of the active layer or of its selected pixels: flips and
// rotations from the menus and statements, and the numeric transform, all
// through one pipeline of transform stages over the lifted pixels.
#include <cmath>
#include <cstdlib>

#include "document/DocumentFiles.h"
#include "document/ImageDocument.h"
#include "document/LayerSelection.h"
#include "engine/layers/LayerGeometry.h"
#include "engine/layers/LayerText.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/transform/Transform.h"
#include "engine/transform/TransformGeometry.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

// Nothing of a selection: the whole layer is meant.
bool MeansWholeLayer(const Fragment* selection) {
  return selection == nullptr || GetFragmentType(selection) == kFrgEmpty;
}

WAPtr OpaquePlane(int width, int height) {
  WAPtr plane = WAPtr::Adopt(NewWA(kWAType8Grey, width, height, nullptr));
  if (!plane) return nullptr;
  for (int y = 0; y < height; ++y) std::fill(plane->Row(y), plane->Row(y) + width, std::uint8_t{255});
  return plane;
}

// The buffers a transform carries through its stages on one rect: the
// layer's image and mask, and the selection's mask (none for a whole layer).
struct Carried {
  WAPtr image, mask, selection;
  RECT rect{};
};

// One stage applied to each buffer: the masks soften to transparent at
// their borders, the image keeps its edge pixels.
template <class Op>
bool Stage(Carried& c, Op op) {
  const auto run = [&](WAPtr& buffer, bool isMask) {
    if (!buffer) return true;
    Transform t;
    const int flag = isMask ? 1 : 0;
    t.SetSource(buffer.get(), c.rect.left, c.rect.top, c.rect.left, c.rect.top, c.rect.right, c.rect.bottom, flag,
                flag);
    int step = 0, cancel = 0;
    if (op(t, &step, &cancel) != 1 || cancel != 0 || !t.destination) return false;
    buffer = t.destination;
    return true;
  };
  return run(c.image, false) && run(c.mask, true) && run(c.selection, true);
}

bool RunStages(Carried& c, const LayerTransformPlan& plan) {
  const int width = RectWidth(c.rect), height = RectHeight(c.rect);
  if (plan.flipHorizontal || plan.flipVertical) {
    if (!Stage(c, [&](Transform& t, int* step, int* cancel) {
          return t.Resize(plan.flipHorizontal ? -width : width, plan.flipVertical ? -height : height, nullptr, 0,
                          step, cancel);
        }))
      return false;
  }
  if (plan.scale) {
    const int w = std::abs(plan.width), h = std::abs(plan.height);
    if (!IsImageSize(w, h) ||
        !Stage(c, [&](Transform& t, int* step, int* cancel) { return t.Resize(plan.width, plan.height, nullptr, 0, step, cancel); }))
      return false;
    // The rect keeps its centre.
    const LONG left = c.rect.left + (RectWidth(c.rect) - w) / 2;
    const LONG top = c.rect.top + (RectHeight(c.rect) - h) / 2;
    c.rect = RECT{left, top, left + w, top + h};
  }
  if (plan.skew) {
    POINT points[4];
    std::copy(plan.corners, plan.corners + 4, points);
    RECT bounds{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const POINT& p : points) {
      bounds.left = std::min(bounds.left, p.x);
      bounds.top = std::min(bounds.top, p.y);
      bounds.right = std::max(bounds.right, p.x);
      bounds.bottom = std::max(bounds.bottom, p.y);
    }
    if (!Stage(c, [&](Transform& t, int*, int*) {
          POINT each[4];
          std::copy(plan.corners, plan.corners + 4, each);
          return t.Distort(each);
        }))
      return false;
    // The bounds of the corners, taken from the rect's top-left; the
    // engine's buffer decides the size.
    const LONG left = c.rect.left + bounds.left, top = c.rect.top + bounds.top;
    c.rect = RECT{left, top, left + c.image->GetW(), top + c.image->GetH()};
  }
  if (plan.rotate) {
    if (!std::isfinite(plan.angle)) return false;
    RECT turned;
    GetRotatedCorners(&turned, c.rect, c.rect.left + RectWidth(c.rect) / 2, c.rect.top + RectHeight(c.rect) / 2,
                      plan.angle, 0);
    if (!IsLayerRect(turned) ||
        !Stage(c, [&](Transform& t, int* step, int* cancel) { return t.Rotate(plan.angle, 0, nullptr, 0, step, cancel); }))
      return false;
    c.rect = RECT{turned.left, turned.top, turned.left + c.image->GetW(), turned.top + c.image->GetH()};
  }
  if (plan.moveMode == 1) {
    RectOffset(&c.rect, plan.move.x - c.rect.left, plan.move.y - c.rect.top);
  } else if (plan.moveMode == 2) {
    RectOffset(&c.rect, plan.move.x, plan.move.y);
  }
  // Every buffer must have come out of the stages in the rect's size.
  for (const WAPtr* b : {&c.image, &c.mask, &c.selection}) {
    if (*b && ((*b)->GetW() != RectWidth(c.rect) || (*b)->GetH() != RectHeight(c.rect))) return false;
  }
  return IsLayerRect(c.rect);
}

}  // namespace

bool LayerTransformPlan::Any() const {
  return flipHorizontal || flipVertical || scale || skew || rotate || moveMode == 1 || moveMode == 2;
}

CLayer* ImageDocument::BeginLayerTransform(CLayer* layer, Fragment* selection, Fragment** lifted) {
  if (lifted != nullptr) *lifted = nullptr;
  if (!hasImage_ || layer == nullptr || layer->PeekImage() == nullptr) return nullptr;
  if (MeansWholeLayer(selection)) {
    CLayerPtr copy;
    try {
      copy = CLayerPtr::Adopt(layer->CreateCopy());
    } catch (const std::exception&) {
      return nullptr;
    }
    return copy && copy->IsWholeCopyOf(*layer) ? copy.Detach() : nullptr;
  }
  const auto empty = [&]() -> CLayer* {
    host_->ShowMessageText(std::string(res::String(IDS_EMPTY_TRANSFORM)), IDS_ERROR_CAPTION);
    return nullptr;
  };
  const RECT reach = SelectionReach(selection, layer->GetRect());
  if (RectIsEmpty(reach)) return empty();
  Fragment* mask = SelectionToMask(selection, reach);
  if (mask == nullptr) return nullptr;
  CLayerPtr floating;
  {
    DocumentLockScope lock(this);
    floating = CLayerPtr::Adopt(layer->CreateLayerFromSelection(mask, 0));
  }
  // The lifted pixels lie on the selection's reach, as its mask does, so
  // every stage treats both alike.
  if (!floating || !floating->ResizeCanvas(reach, nullptr)) {
    DeleteFragment(mask);
    return floating ? nullptr : empty();
  }
  if (lifted != nullptr) {
    *lifted = mask;
  } else {
    DeleteFragment(mask);
  }
  return floating.Detach();
}

bool ImageDocument::TransformLayer(Fragment* selection, const LayerTransformPlan& plan) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr) return false;
  if (!plan.Any()) return true;
  DocumentPreviewOff preview(host_);
  const bool whole = MeansWholeLayer(selection);
  Fragment* liftedSelection = nullptr;
  CLayerPtr floating = CLayerPtr::Adopt(BeginLayerTransform(active, selection, &liftedSelection));
  if (!floating) return false;
  Carried c;
  c.rect = floating->GetRect();
  c.image = floating->GetImage();
  WAPtr mask;
  if (!MaskOnLayerRect(*floating, &mask)) return DeleteFragment(liftedSelection), false;
  // A layer without a mask gets an opaque one, so the corners a turn
  // uncovers stay transparent.
  c.mask = mask ? WAPtr::Adopt(CloneWA(mask.get())) : OpaquePlane(RectWidth(c.rect), RectHeight(c.rect));
  if (liftedSelection != nullptr) c.selection = WAPtr::Adopt(GetMaskWA(liftedSelection));
  DeleteFragment(liftedSelection);
  if (!c.image || !c.mask || (!whole && !c.selection) || !RunStages(c, plan)) return false;

  if (!BackupImage(IDS_STEP_LAYER_TRANSFORM)) return false;
  const RECT former = active->GetRect();
  CLayer* result = active;
  if (whole) {
    // The whole layer changes in its place: order, group and links stay.
    LayerChange change;
    change.image = c.image;
    change.mask = c.mask;
    change.rect = c.rect;
    change.maskRect = c.rect;
    change.maskFlags = static_cast<std::uint8_t>(active->GetMaskFlags() | kMaskAttached);
    change.transparencyLocked = active->HasMask() != 0 && active->IsTransparencyLocked() != 0;
    DocumentLockScope lock(this);
    SwapIn(active, &change);
  } else {
    CLayerPtr moved;
    try {
      moved = CLayerPtr::Adopt(new CLayer(c.image.get(), POINT{c.rect.left, c.rect.top}, 1, c.mask.get(),
                                          floating->GetMergeMode()));
    } catch (const std::exception&) {
    }
    bool inserted = false;
    if (moved) {
      LAYER_INFO info = floating->GetLayerInfo();
      info.name = stack_->MakeUniqueLayerName(info.name, 1, nullptr);
      info.grouped = 0;
      moved->SetLayerInfo(info);
      DocumentLockScope lock(this);
      moved->AddRef();
      inserted = stack_->InsertLayer(active, moved.get());
      if (!inserted) moved->Release();
    }
    if (!inserted) {
      RevertLastBackup();
      return false;
    }
    result = moved.get();
    SetActiveLayer(result, true, false);
    // The selection follows the pixels.
    if (Fragment* placed = CreateMaskUsingWA(c.selection.get(), c.rect.left, c.rect.top)) {
      SetSelection(placed, false);
      DeleteFragment(placed);
      host_->UpdateGlobalSelection();
    }
  }
  RECT both = former;
  RectUnion(&both, former, result->GetRect());
  if (result == active) NotifyImageResizedInAllViews();
  LayerChanged(&both, nullptr);
  return true;
}

bool ImageDocument::DoFlipLayer(Fragment* selection, bool horizontal, bool vertical) {
  LayerTransformPlan plan;
  plan.flipHorizontal = horizontal;
  plan.flipVertical = vertical;
  return TransformLayer(selection, plan);
}

bool ImageDocument::DoRotateLayer(Fragment* selection, double angle) {
  LayerTransformPlan plan;
  plan.rotate = true;
  plan.angle = angle;
  return TransformLayer(selection, plan);
}

bool ImageDocument::NumericLayerTransform(Fragment* selection, const LayerTransformPlan& plan) {
  return TransformLayer(selection, plan);
}

// ---- Text layers ----

bool ImageDocument::RenderTextLayer() {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || active->IsText() == 0) return false;
  CLayerPtr plain;
  try {
    // The layer as a plain one: its pixels, mask and attributes, no text.
    plain = CLayerPtr::Adopt(new CLayer(static_cast<const CLayer&>(*active)));
  } catch (const std::exception&) {
    return false;
  }
  if (!plain->IsWholeCopyOf(*active) || !BackupImage(IDS_STEP_RENDER_TEXT)) return false;
  bool replaced;
  {
    DocumentLockScope lock(this);
    plain->AddRef();
    replaced = stack_->InsertLayer(active, plain.get());
    if (replaced) {
      plain->SetGrouped(active->GetGrouped());
      stack_->SetActiveLayer(plain.get());
      replaced = stack_->DeleteLayer(active) == 0;
    } else {
      plain->Release();
    }
  }
  if (!replaced) {
    RevertLastBackup();
    return false;
  }
  SetActiveLayer(plain.get(), true, false);
  const RECT rect = plain->GetRect();
  LayerChanged(&rect, nullptr);
  return true;
}

bool ImageDocument::SetTextOrientation(bool vertical) {
  auto* text = dynamic_cast<CLayerText*>(GetActiveLayer());
  if (text == nullptr) return false;
  if ((text->Attributes().vertical != 0) == vertical) return true;
  // The layout writes the layer's buffers: the history keeps its own.
  if (!DetachLayerForWriting(text)) return false;
  const TextAttributes before = text->Attributes();
  const RECT former = text->GetRect();
  text->SetTextAttributes(vertical ? 1 : 0, before.color, before.alignment, before.leading, before.orientation,
                          before.tracking, before.antiAlias);
  if (host_->LayoutTextLayer(*text) != 0) {
    text->SetTextAttributes(before.vertical, before.color, before.alignment, before.leading, before.orientation,
                            before.tracking, before.antiAlias);
    return false;
  }
  RECT both = former;
  RectUnion(&both, former, text->GetRect());
  NotifyImageResizedInAllViews();
  LayerChanged(&both, text);
  return true;
}

}  // namespace lumora
