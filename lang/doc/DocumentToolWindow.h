// The tool runner's image window over a portable document: tools run on
// the document's active image (the active layer, or its mask in mask-edit
// mode) and their results go back into it.
#pragma once

#include "document/ImageDocument.h"
#include "lang/ToolRunner.h"

namespace lang {

class DocumentToolRunWindow final : public ToolRunWindow {
 public:
  explicit DocumentToolRunWindow(lumora::ImageDocument& document) : doc_(document) {}
  // The document stands for the window's image object.
  void* GetImageObject() override { return &doc_; }
  void ReleaseImageObject(void*) override {}
  VrWA2000::WA* GetImage(int kind) override;
  void SetImage(VrWA2000::WA* image, int flag) override;
  POINT GetImageOrigin() override;
  RECT GetLayerRect() override;
  std::uint32_t GetLayerFlags() override { return 0; }
  bool IsBackupCreatingAllowed() override { return true; }
  int UpdateBackup(const std::string& undoName) override;
  void Undo() override { doc_.RevertLastBackup(); }
  int ResizeLayerTo(const RECT& rect) override;
  // Called for what a run changed: the document is modified.
  void InvalidateImageRect(const RECT&) override {
    doc_.InvalidateImageRect(nullptr, false, true);
    doc_.SetModifiedFlag(true);
  }
  void SetDirtyFlag(bool dirty) override { doc_.SetModifiedFlag(dirty); }

 private:
  lumora::ImageDocument& doc_;
  WAPtr held_;  // what GetImage handed out, kept alive for the run
};

}  // namespace lang
