// What Image/Apply Image... computes without a window: the source layer
// taken from one channel of a layer of an open image, its masking by a
// channel of another layer, and its blend onto the target layer; the
// remembered choices (section "APPLY IMAGE") and the entries of the
// dialog's lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/layers/LayerMng.h"
#include "framework/Profile.h"
#include "hostapi/fragment.h"

namespace lumora {

// Channels, by the string-table ids of their names (the ids are the
// values the lists carry).
enum ApplyChannel : int {
  kChannelRGB = 10158,
  kChannelRed = 10159,
  kChannelGreen = 10160,
  kChannelBlue = 10161,
  kChannelTransparency = 10162,
  kChannelSelection = 10163,
  kChannelGrey = 10164,
};
// The text of the list entry standing for all layers merged.
inline constexpr std::uint32_t kMergedEntryText = 10165;
// "Mask..." and "Mask:" of the box that opens the mask section.
inline constexpr std::uint32_t kMaskClosedText = 10156;
inline constexpr std::uint32_t kMaskOpenText = 10157;
// A list entry drawn as a separator line.
inline constexpr const char* kSeparatorEntry = "_";
inline constexpr int kSeparatorCode = -1;

// The grey of an RGB pixel in the image dialogs: (30 R + 59 G + 11 B) / 100,
// truncated.
inline int DialogGrey(int red, int green, int blue) { return (30 * red + 59 * green + 11 * blue) / 100; }

// The channel id whose name is the text; 0 for none.
int ChannelFromName(const std::string& name);

// The Blending list: merge-mode codes in order, kSeparatorCode where a
// separator line goes. A grey target (type 8) leaves out Exclusion, Hue,
// Saturation, Color and Luminosity.
std::vector<int> ApplyBlendingEntries(int targetType);
// The source Channel list by the source image's type (1, 2, 4 give "RGB",
// 8 "Grey", 16 the three colours too), then Transparency and, with a
// selection, a separator and Selection.
std::vector<int> ApplySourceChannels(int sourceType, bool hasSelection);
// The mask Channel list: Grey, the three colours for type 16, Transparency
// and, with a selection, a separator and Selection.
std::vector<int> ApplyMaskChannels(int sourceType, bool hasSelection);
// The Layer list: "Merged" and a separator for a layered stack, then the
// layer names top first.
std::vector<std::string> ApplyLayerEntries(const CLayersManager& stack);

struct ApplyImageSettings {
  std::string sourceDoc;
  std::string sourceLayer;
  std::string sourceChannel;
  int sourceInverted = 0;
  std::string maskDoc;
  std::string maskSource;
  std::string maskChannel;
  int maskInverted = 0;
  std::string merge;
  int preview = 0;
  int opacity = 100;
  int mask = 0;
  double addScale = 1.0;
  int addOffset = 0;
  double subScale = 1.0;
  int subOffset = 0;
};

// Reads the section; scales (stored × 10000) are clamped to 1.0..2.0 and
// offsets to -255..255 on reading.
ApplyImageSettings LoadApplyImageSettings(fw::Profile& profile);
// Written on OK only; scales as scale × 10000 truncated.
void SaveApplyImageSettings(fw::Profile& profile, const ApplyImageSettings& settings);
// The scale as stored: × 10000, truncated.
int ScaleToStored(double scale);

// One open image the dialog reads from: its layer stack (for the target,
// the stack as it was before the dialog) and its selection, with the
// merged image and the selection mask built once.
class ApplyImageSource {
 public:
  // Holds a reference to the stack and a share of the selection (null:
  // none).
  ApplyImageSource(CLayersManager* stack, Fragment* selection);
  ~ApplyImageSource();
  ApplyImageSource(const ApplyImageSource&) = delete;
  ApplyImageSource& operator=(const ApplyImageSource&) = delete;

  CLayersManager* Stack() const { return stack_.get(); }
  Fragment* Selection() const { return selection_; }
  // The selection's coverage over the whole image as a mask fragment
  // (inversion applied); null without a selection.
  Fragment* SelectionMask();
  // The rect the selection reaches in the image (the whole image for an
  // inverted one); empty without a selection.
  RECT SelectionRect();
  // All layers merged bottom to top into one layer named "Layer", of the
  // target type; null when nothing merges.
  CLayer* Merged(int targetType);

 private:
  lumora::RefPtr<CLayersManager> stack_;
  Fragment* selection_ = nullptr;
  Fragment* selectionMask_ = nullptr;
  bool maskBuilt_ = false;
  CLayerPtr merged_;
  int mergedType_ = 0;
};

// What every build reads: the working rect (the image, cut to the saved
// active layer's rect with Preserve Transparency), the target type, and
// the saved active layer.
struct ApplyWork {
  RECT working{};
  int targetType = kWAType24;
  bool preserve = false;
  const CLayer* savedActive = nullptr;
};
ApplyWork MakeApplyWork(const CLayersManager& saved, const CLayer* savedActive, bool preserve);

// A layer of the target type over the selection's reach inside the working
// rect: `fill` around, the selection's coverage (inversion applied) inside;
// null without a selection.
CLayerPtr BuildSelectionLayer(ApplyImageSource& source, int fill, const ApplyWork& work);
// The named layer (or with `merged` the merged image) over the area the
// dialog reads, the selected part when the image has a selection, of the
// target type; null when nothing is there.
CLayerPtr TakeApplyLayer(ApplyImageSource& source, bool merged, const std::string& name,
                         const ApplyWork& work);
// The source layer of the channel, inverted with `inverted`.
CLayerPtr BuildApplySource(ApplyImageSource& source, bool merged, const std::string& name,
                           int channel, bool inverted, const ApplyWork& work);
// The mask-source layer: the selection for the Selection channel, else the
// layer as taken (the channel is read when masking).
CLayerPtr BuildApplyMaskSource(ApplyImageSource& source, bool merged, const std::string& name,
                               int channel, const ApplyWork& work);
// A copy of the source whose mask is multiplied by the mask layer's
// channel (inverted with `inverted`); outside the mask layer the copy is
// transparent (opaque for an inverted Transparency or Selection channel).
CLayerPtr MaskApplyLayer(const CLayer& source, const CLayer& mask, int channel, bool inverted);

struct ApplyBlend {
  int opacity = 100;  // percent
  int mergeMode = 0;
  int addScale = 10000, addOffset = 0;
  int subScale = 10000, subOffset = 0;
  bool preserve = false;
};
// The source over a copy of the target layer: merged into a new layer over
// the union of their rects, or with `preserve` composited onto the target's
// copy over its own rect. The result carries the target's attributes; null
// when the merge fails.
CLayerPtr BlendApplyLayer(CLayersManager& stack, CLayer* source, const CLayer& target,
                          const ApplyBlend& blend);

}  // namespace lumora
