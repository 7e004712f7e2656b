// What the document's commands write for the macro recorder, one entry per
// statement with the statement's arguments. The program installs the macro
// language's recorder behind it at start-up; until then, and in programs
// without the language, nothing is recorded.
#pragma once

#include <cstdint>
#include <string_view>

#include "hostapi/fragment.h"
#include "platform/win32types.h"

namespace lumora {

class DocumentRecorder {
 public:
  virtual ~DocumentRecorder() = default;
  // Image statements.
  virtual void Resize(std::int32_t width, std::int32_t height, std::int32_t xResolution, std::int32_t yResolution) = 0;
  virtual void CanvasSize(const RECT& rect) = 0;
  virtual void Crop(const RECT& rect) = 0;
  virtual void Rotate(double degrees) = 0;
  virtual void FlipImage(std::int32_t horizontal, std::int32_t vertical) = 0;
  virtual void DuplicateImage(std::string_view name, std::int32_t merged) = 0;
  virtual void CreateNewImage(std::string_view name, std::int32_t width, std::int32_t height,
                              std::int32_t xResolution, std::int32_t yResolution, COLORREF background) = 0;
  // Layer statements (names UTF-8, as layers keep them).
  virtual void CreateNewLayer(std::string_view name, std::string_view mergeMode, std::int32_t opacity,
                              std::int32_t grouped, std::int32_t creation) = 0;
  virtual void SetLayerOptions(std::string_view name, std::string_view mergeMode, std::int32_t opacity,
                               const std::uint32_t blendIf[8]) = 0;
  virtual void CopyToNewLayer(const Fragment* fragment, std::int32_t cut) = 0;
  virtual void DuplicateLayer(std::string_view destinationTitle, std::string_view newName, std::int32_t value) = 0;
  virtual void DeleteLayer() = 0;
  virtual void GroupLayer() = 0;
  virtual void UngroupLayer() = 0;
  virtual void BringLayerToFront() = 0;
  virtual void BringLayerForward() = 0;
  virtual void SendLayerToBack() = 0;
  virtual void SendLayerBackward() = 0;
  virtual void AlignLayer(std::int32_t code) = 0;
  virtual void DistributeLayer(std::int32_t code) = 0;
  virtual void MergeLayer() = 0;
  virtual void MergeVisibleLayers() = 0;
  virtual void FlattenImage() = 0;
  virtual void Flip(const Fragment* fragment, std::int32_t horizontal, std::int32_t vertical) = 0;
  virtual void RotateLayer(const Fragment* fragment, double degrees) = 0;
  // The layer at `layerIndex` (and the fragment's pixels of it) placed by
  // `moveKind` (0 as the stages leave it, 1 at `move`, 2 moved by it),
  // scaled to `size` when `scale`, skewed onto `corners` when `skew`,
  // turned by `degrees` when `rotate`.
  virtual void TransformLayer(std::int32_t layerIndex, const Fragment* fragment, std::int32_t moveKind,
                              const POINT& move, std::int32_t scale, const POINT& size, std::int32_t skew,
                              const POINT corners[4], std::int32_t rotate, double degrees) = 0;
  virtual void EnableLayerMask(std::int32_t enable) = 0;
  virtual void AddLayerMask(std::int32_t code) = 0;
  virtual void AddLayerMaskWithSelection(std::int32_t code, const Fragment* fragment) = 0;
  virtual void RemoveLayerMask(std::int32_t apply) = 0;
  virtual void LayerWEB(std::string_view link) = 0;
  virtual void Edges(std::int32_t templateId, std::int32_t lighting) = 0;
  // Selection statements.
  virtual void ClearSelection(const Fragment* fragment, std::int32_t edgeDegree, std::int32_t edgeType) = 0;
};

// The installed recorder (null: none). Not owned.
void SetDocumentRecorder(DocumentRecorder* recorder);
// The installed recorder, or one that records nothing.
DocumentRecorder& Recorder();

}  // namespace lumora
