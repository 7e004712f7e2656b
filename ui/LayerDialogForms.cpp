#include "ui/LayerDialogForms.h"

#include <algorithm>

#include "document/DocumentFiles.h"
#include "engine/blend/MergeModes.h"
#include "res/resource.h"

namespace lumora {

std::vector<std::string> MergeModeList(bool greyImage, ModeListFor dialog) {
  static constexpr int kOrder[] = {0, 9, -1, 7, 8, 10, 12, 11, -1, 15, 16, -1, 1, 2, 13, 14, -1, 3, 4, 5, 6};
  // Grey images stop at Difference (options) or Exclusion (new layer).
  const int last = !greyImage ? 6 : dialog == ModeListFor::kLayerOptions ? 13 : 14;
  std::vector<std::string> list;
  for (const int mode : kOrder) {
    list.push_back(mode < 0 ? std::string(kSeparatorItem) : GetMergeModeName(mode));
    if (mode == last) break;
  }
  return list;
}

std::string FormatRangePair(int first, int second) {
  return first == second ? std::to_string(first) : std::to_string(first) + "/" + std::to_string(second);
}

std::string ReplacementForUsedName(const CLayersManager& stack, const std::string& name, const CLayer* excluded,
                                   std::string* message) {
  if (!stack.IsLayerNameUsed(name, excluded)) return std::string();
  if (message != nullptr) *message = FormatWithNames(IDS_LAYER_NAME_USED, {name});
  return stack.MakeUniqueLayerName(name, 0, excluded);
}

DuplicateTargetControls DuplicateTargetRules(const ImageDocument* source, const ImageDocument* target,
                                             bool activeTopLevelIsMainFrame) {
  DuplicateTargetControls c;
  if (target == nullptr) {
    c.okEnabled = true;
    c.newNameEnabled = true;
    return c;
  }
  const int type = target->HasImage() ? target->GetLayers()->GetImageType() : 0;
  c.okEnabled = type == kWAType24 || type == kWAType8Grey;
  c.asEnabled = true;
  c.activateEnabled = target != source && activeTopLevelIsMainFrame;
  return c;
}

LayerOptionsSession::LayerOptionsSession(ImageDocument& document, CLayer& layer)
    : document_(document), layer_(layer), working_(layer.GetLayerInfo()), starting_(working_) {}

void LayerOptionsSession::Apply(const LAYER_INFO& info) {
  {
    DocumentLockScope lock(&document_);
    layer_.SetLayerInfo(info);
  }
  const RECT rect = layer_.GetRect();
  document_.InvalidateImageRect(&rect, false, false);
}

void LayerOptionsSession::Changed() {
  if (preview_) Apply(working_);
}

void LayerOptionsSession::SetPreview(bool on) {
  preview_ = on;
  Apply(on ? working_ : starting_);
}

void LayerOptionsSession::Cancel() {
  DocumentLockScope lock(&document_);
  layer_.SetLayerInfo(starting_);
  if (preview_) {
    const RECT rect = layer_.GetRect();
    document_.InvalidateImageRect(&rect, false, false);
  }
}

bool LayerOptionsSession::Commit() {
  {
    DocumentLockScope lock(&document_);
    layer_.SetLayerInfo(starting_);
  }
  // The step saves the layer as it started; the working record then
  // becomes the layer's.
  if (document_.GetActiveLayer() != &layer_) document_.SetActiveLayer(&layer_, false, true);
  return document_.TuneLayer(working_.name, GetMergeModeName(working_.mergeMode), working_.opacity,
                             working_.blendIf);
}

MaskDisplayChoice MaskDisplayOf(const GlobalLayerMaskInfo& record) {
  MaskDisplayChoice choice;
  choice.colour = PSDColorToRGB(record.color);
  choice.opacity = std::clamp<int>(record.opacity, 0, 100);
  return choice;
}

GlobalLayerMaskInfo WithMaskDisplay(GlobalLayerMaskInfo record, COLORREF colour, int opacity) {
  const auto twice = [](unsigned byte) { return static_cast<std::uint16_t>(byte << 8 | byte); };
  record.color.space = 0;
  record.color.components[0] = twice(GetRValue(colour));
  record.color.components[1] = twice(GetGValue(colour));
  record.color.components[2] = twice(GetBValue(colour));
  record.color.components[3] = 0;
  record.opacity = static_cast<std::uint16_t>(std::clamp(opacity, 0, 100));
  return record;
}

}  // namespace lumora
