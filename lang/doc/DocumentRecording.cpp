// The document's statements written by the macro recorder.
#include "lang/doc/DocumentRecording.h"

#include "document/DocumentRecorder.h"
#include "lang/Recorder.h"

namespace lang {
namespace {

class MacroDocumentRecorder final : public lumora::DocumentRecorder {
 public:
  void Resize(std::int32_t w, std::int32_t h, std::int32_t x, std::int32_t y) override { RecordResize(w, h, x, y); }
  void CanvasSize(const RECT& rect) override { RecordCanvasSize(rect); }
  void Crop(const RECT& rect) override { RecordCrop(rect); }
  void Rotate(double degrees) override { RecordRotate(degrees); }
  void FlipImage(std::int32_t h, std::int32_t v) override { RecordFlipImage(h, v); }
  void DuplicateImage(std::string_view name, std::int32_t merged) override { RecordDuplicateImage(name, merged); }
  void CreateNewImage(std::string_view name, std::int32_t w, std::int32_t h, std::int32_t x, std::int32_t y,
                      COLORREF background) override {
    RecordCreateNewImage(name, w, h, x, y, background);
  }
  void CreateNewLayer(std::string_view name, std::string_view mode, std::int32_t opacity, std::int32_t grouped,
                      std::int32_t creation) override {
    RecordCreateNewLayer(name, mode, opacity, grouped, creation);
  }
  void SetLayerOptions(std::string_view name, std::string_view mode, std::int32_t opacity,
                       const std::uint32_t blendIf[8]) override {
    RecordSetLayerOptions(name, mode, opacity, blendIf);
  }
  void CopyToNewLayer(const Fragment* fragment, std::int32_t cut) override { RecordCopyToNewLayer(fragment, cut); }
  void DuplicateLayer(std::string_view title, std::string_view name, std::int32_t value) override {
    RecordDuplicateLayer(title, name, value);
  }
  void DeleteLayer() override { RecordDeleteLayer(); }
  void GroupLayer() override { RecordGroupLayer(); }
  void UngroupLayer() override { RecordUngroupLayer(); }
  void BringLayerToFront() override { RecordBringLayerToFront(); }
  void BringLayerForward() override { RecordBringLayerForward(); }
  void SendLayerToBack() override { RecordSendLayerToBack(); }
  void SendLayerBackward() override { RecordSendLayerBackward(); }
  void AlignLayer(std::int32_t code) override { RecordAlignLayer(code); }
  void DistributeLayer(std::int32_t code) override { RecordDistributeLayer(code); }
  void MergeLayer() override { RecordMergeLayer(); }
  void MergeVisibleLayers() override { RecordMergeVisibleLayers(); }
  void FlattenImage() override { RecordFlattenImage(); }
  void Flip(const Fragment* fragment, std::int32_t h, std::int32_t v) override { RecordFlip(fragment, h, v); }
  void RotateLayer(const Fragment* fragment, double degrees) override { RecordRotateLayer(fragment, degrees); }
  void TransformLayer(std::int32_t layerIndex, const Fragment* fragment, std::int32_t moveKind, const POINT& move,
                      std::int32_t scale, const POINT& size, std::int32_t skew, const POINT corners[4],
                      std::int32_t rotate, double degrees) override {
    RecordTransformLayer(layerIndex, fragment, moveKind, move.x, move.y, scale, size.x, size.y, skew, corners, rotate,
                         degrees);
  }
  void EnableLayerMask(std::int32_t enable) override { RecordEnableLayerMask(enable); }
  void AddLayerMask(std::int32_t code) override { RecordAddLayerMask(code); }
  void AddLayerMaskWithSelection(std::int32_t code, const Fragment* fragment) override {
    RecordAddLayerMaskWithSelection(code, fragment);
  }
  void RemoveLayerMask(std::int32_t apply) override { RecordRemoveLayerMask(apply); }
  void LayerWEB(std::string_view link) override { RecordLayerWEB(link); }
  void Edges(std::int32_t templateId, std::int32_t lighting) override { RecordEdges(templateId, lighting); }
  void ClearSelection(const Fragment* fragment, std::int32_t degree, std::int32_t type) override {
    RecordClearSelection(fragment, degree, type);
  }
};

MacroDocumentRecorder gRecorder;

}  // namespace

void InstallDocumentRecording() { lumora::SetDocumentRecorder(&gRecorder); }
void RemoveDocumentRecording() { lumora::SetDocumentRecorder(nullptr); }

}  // namespace lang
