// What the layer dialogs compute without a window: the merge-mode lists,
// the blend-if range texts, the duplicate-name check, the choices of the
// Duplicate Layer dialog, and the Layer Options session that previews its
// record on the layer and commits it as one step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/ImageDocument.h"

namespace lumora {

// The separator item of the mode lists.
inline constexpr const char* kSeparatorItem = "_";

// The merge modes by display name in the dialogs' order, separators
// between the families. A grey image lists no colour modes: Layer Options
// ends after Difference, New Layer after Exclusion.
enum class ModeListFor { kNewLayer, kLayerOptions };
std::vector<std::string> MergeModeList(bool greyImage, ModeListFor dialog);

// A blend-if pair as the range texts show it: "%i" when both ends are
// equal, else "%i/%i".
std::string FormatRangePair(int first, int second);

// The duplicate-name check on OK: empty when the name is free in the
// stack (`excluded`, the layer being renamed, does not count), else the
// unique name that replaces it. `message` gets the warning's text.
std::string ReplacementForUsedName(const CLayersManager& stack, const std::string& name, const CLayer* excluded,
                                   std::string* message);

// The Duplicate Layer dialog's controls for a chosen target.
struct DuplicateTargetControls {
  bool okEnabled = false;        // a target of another pixel type is refused
  bool asEnabled = false;        // the new layer's name
  bool newNameEnabled = false;   // the new document's name and its label
  bool activateEnabled = false;  // "Activate document"
};
// `target` null means "New"; `targetType` its stack's pixel type.
DuplicateTargetControls DuplicateTargetRules(const ImageDocument* source, const ImageDocument* target,
                                             bool activeTopLevelIsMainFrame);

// Layer Options over one layer: changes preview on the layer while asked,
// Cancel puts the starting record back, OK makes the working record one
// step "Layer tunning".
class LayerOptionsSession {
 public:
  LayerOptionsSession(ImageDocument& document, CLayer& layer);

  LAYER_INFO& Working() { return working_; }
  const LAYER_INFO& Working() const { return working_; }
  const LAYER_INFO& Starting() const { return starting_; }
  bool Previewing() const { return preview_; }
  // Applies the working record while previewing (and refreshes the layer).
  void Changed();
  // On: the working record shows; off: the starting one.
  void SetPreview(bool on);
  // The starting record back; the layer refreshed when it was previewed.
  void Cancel();
  // The starting record back, then the working one as one step; false
  // when the step could not be made (the layer then as it started).
  bool Commit();

 private:
  void Apply(const LAYER_INFO& info);

  ImageDocument& document_;
  CLayer& layer_;
  LAYER_INFO working_;
  LAYER_INFO starting_;
  bool preview_ = true;
};

// The layer-mask display (the tint of masks shown as a highlight) as its
// options dialog edits it: an RGB colour, whatever colour space the record
// holds it in, and the opacity in percent.
struct MaskDisplayChoice {
  COLORREF colour = 0;
  int opacity = 0;
};
MaskDisplayChoice MaskDisplayOf(const GlobalLayerMaskInfo& record);
// The record after OK: the colour as RGB, each 8-bit component repeated
// into both bytes of its 16-bit field, and the opacity (held to 0..100);
// the record's other fields are kept.
GlobalLayerMaskInfo WithMaskDisplay(GlobalLayerMaskInfo record, COLORREF colour, int opacity);

}  // namespace lumora
