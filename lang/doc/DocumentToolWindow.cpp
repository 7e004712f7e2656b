// Tool runs on a portable document.
#include "lang/doc/DocumentToolWindow.h"

namespace lang {

namespace {

// Undo steps of results the runner sets itself (runs without the tool host's
// own backup).
constexpr char kToolStepName[] = "Tool";
constexpr int kNoMemory = 16;

}  // namespace

VrWA2000::WA* DocumentToolRunWindow::GetImage(int) {
  held_ = doc_.GetActiveImage();
  return held_.get();
}

void DocumentToolRunWindow::SetImage(VrWA2000::WA* image, int flag) {
  if (flag == 1) {
    doc_.BackupImageByName(kToolStepName);
    return;
  }
  if (image != nullptr && doc_.SetActiveImage(image) != 0) doc_.InvalidateImageRect(nullptr, false, true);
}

POINT DocumentToolRunWindow::GetImageOrigin() {
  const RECT rect = GetLayerRect();
  return POINT{rect.left, rect.top};
}

RECT DocumentToolRunWindow::GetLayerRect() {
  CLayer* layer = doc_.GetActiveLayer();
  return layer != nullptr ? layer->GetRect() : RECT{};
}

int DocumentToolRunWindow::UpdateBackup(const std::string& undoName) {
  return doc_.BackupImageByName(undoName) ? 0 : kNoMemory;
}

int DocumentToolRunWindow::ResizeLayerTo(const RECT& rect) {
  CLayer* layer = doc_.GetActiveLayer();
  if (layer == nullptr) return kNoMemory;
  lumora::DocumentLockScope lock(&doc_);
  return layer->SetLayerRect(rect) ? 0 : kNoMemory;
}

}  // namespace lang
