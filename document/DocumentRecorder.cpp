// The document's recorder: the one installed, or one that records nothing.
#include "document/DocumentRecorder.h"

namespace lumora {
namespace {

class SilentRecorder final : public DocumentRecorder {
 public:
  void Resize(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  void CanvasSize(const RECT&) override {}
  void Crop(const RECT&) override {}
  void Rotate(double) override {}
  void FlipImage(std::int32_t, std::int32_t) override {}
  void DuplicateImage(std::string_view, std::int32_t) override {}
  void CreateNewImage(std::string_view, std::int32_t, std::int32_t, std::int32_t, std::int32_t, COLORREF) override {}
  void CreateNewLayer(std::string_view, std::string_view, std::int32_t, std::int32_t, std::int32_t) override {}
  void SetLayerOptions(std::string_view, std::string_view, std::int32_t, const std::uint32_t*) override {}
  void CopyToNewLayer(const Fragment*, std::int32_t) override {}
  void DuplicateLayer(std::string_view, std::string_view, std::int32_t) override {}
  void DeleteLayer() override {}
  void GroupLayer() override {}
  void UngroupLayer() override {}
  void BringLayerToFront() override {}
  void BringLayerForward() override {}
  void SendLayerToBack() override {}
  void SendLayerBackward() override {}
  void AlignLayer(std::int32_t) override {}
  void DistributeLayer(std::int32_t) override {}
  void MergeLayer() override {}
  void MergeVisibleLayers() override {}
  void FlattenImage() override {}
  void Flip(const Fragment*, std::int32_t, std::int32_t) override {}
  void RotateLayer(const Fragment*, double) override {}
  void TransformLayer(std::int32_t, const Fragment*, std::int32_t, const POINT&, std::int32_t, const POINT&,
                      std::int32_t, const POINT*, std::int32_t, double) override {}
  void EnableLayerMask(std::int32_t) override {}
  void AddLayerMask(std::int32_t) override {}
  void AddLayerMaskWithSelection(std::int32_t, const Fragment*) override {}
  void RemoveLayerMask(std::int32_t) override {}
  void LayerWEB(std::string_view) override {}
  void Edges(std::int32_t, std::int32_t) override {}
  void ClearSelection(const Fragment*, std::int32_t, std::int32_t) override {}
};

SilentRecorder gSilent;
DocumentRecorder* gInstalled = nullptr;

}  // namespace

void SetDocumentRecorder(DocumentRecorder* recorder) { gInstalled = recorder; }

DocumentRecorder& Recorder() { return gInstalled != nullptr ? *gInstalled : gSilent; }

}  // namespace lumora
