// A brush stroke's document over the image document: the stroke's undo step
// and refreshes go through the document's own services, as the program's
// painting will.
#pragma once

#include <string>

#include "document/ImageDocument.h"
#include "paint/StrokeBrush.h"

namespace lumora::testing {

class DocumentStroke final : public paint::StrokeDocument {
 public:
  explicit DocumentStroke(ImageDocument& doc) : doc_(doc) {}
  CLayersManager* Layers() override { return doc_.GetLayers(); }
  void OpenUndoStep(int) override { stepOpened = doc_.BackupImageByName("Paint"); }
  void InvalidateImageRect(const RECT& rect) override { doc_.InvalidateImageRect(&rect, false, false); }
  bool ResizeLayer(CLayer* layer, const RECT& rect) override {
    DocumentLockScope scope(&doc_);
    return layer->SetLayerRect(rect);
  }
  CLayer* FindUndoSnapshotLayer(std::uint64_t) override { return nullptr; }

  bool stepOpened = false;

 private:
  ImageDocument& doc_;
};

}  // namespace lumora::testing
