// The document's undo steps: opening a step, the backup copies of the
// active image and mask, reverting the newest step, undo and redo.
#include <cstring>

#include "document/ImageDocument.h"
#include "platform/rect.h"

namespace lumora {

namespace {

bool SameShape(const VrWA2000::WA& a, const VrWA2000::WA& b) {
  return a.GetW() == b.GetW() && a.GetH() == b.GetH() && a.GetType() == b.GetType();
}

bool SamePalette(const VrWA2000::WA& a, const VrWA2000::WA& b) {
  const int type = a.GetType();
  if (type != kWAType8Palette && type != kWAType4Bit) return true;
  const std::size_t entries = type == kWAType8Palette ? 256 : 16;
  return std::memcmp(a.Palette(), b.Palette(), entries * sizeof(PALETTEENTRY)) == 0;
}

}  // namespace

void ImageDocument::SetFloatingImage(VrWA2000::WA* image) {
  if (image == floating_.get()) return;
  if (image == nullptr) floatingMask_.Reset();
  floating_ = WAPtr::Share(image);
  compositeCurrent_ = false;
  ForEachView([&](DocumentViewLink* v) { v->SendNotify(image != nullptr ? 1 : 3, nullptr); });
}

void ImageDocument::SetFloatingMask(VrWA2000::WA* mask) {
  if (mask == floatingMask_.get()) return;
  floatingMask_ = WAPtr::Share(mask);
  compositeCurrent_ = false;
}

CUndoManager::LayerList ImageDocument::LayersAPixelStepWrites() const {
  CUndoManager::LayerList layers;
  if (!stack_) return layers;
  for (int i = 0; i < stack_->GetLayerCount(); ++i) {
    const CLayer* layer = stack_->GetLayer(i);
    if (layer == stack_->GetActiveLayer() || layer->IsPaint() != 0) layers.push_back(layer);
  }
  return layers;
}

bool ImageDocument::BackupImageCore(const std::string& name, bool pixelStep) {
  return BackupImageFor(name, pixelStep, nullptr);
}

bool ImageDocument::BackupImageFor(const std::string& name, bool pixelStep,
                                   const CUndoManager::LayerList* changing) {
  lastStepResult_ = false;
  if (pixelStep && !UpdateBackupImages()) return false;
  std::uint8_t owns = fields_.currentOwns ? 1 : 0;
  const CUndoManager::LayerList written = LayersAPixelStepWrites();
  const bool pushed =
      stack_ && undo_.Push(fields_.name, &owns, pixelStep, fields_.copySelection, selection_.fragment,
                           stack_.get(), changing != nullptr ? changing : &written);
  if (pushed) {
    fields_.name = name;
    fields_.previousOwns = owns != 0;
    fields_.currentOwns = pixelStep;
  }
  lastStepResult_ = pushed;
  return pushed;
}

// Brings one backup copy up to date: only the damaged part while it still
// matches its source, else a whole copy through the tool host.
bool ImageDocument::RefreshBackup(WAPtr* backup, VrWA2000::WA* source, const RECT& sourceRect,
                                  int copyLine) {
  if (*backup && source != nullptr) {
    RECT part{};
    if (RectIntersect(&part, sourceRect, damaged_)) {
      // Image and buffer rows both count upward from the bottom: the part
      // of the layer is the same rows of its buffer (engine/pixels/README.md).
      RectOffset(&part, -sourceRect.left, -sourceRect.top);
      VrWA2000::ReadWriteWA::Copy(backup->get(), POINT{part.left, part.top}, source,
                                  POINT{part.left, part.top}, RectWidth(part), RectHeight(part), 12);
      lastBackupBytes_ += static_cast<std::uint64_t>(RectWidth(part)) * RectHeight(part) *
                          static_cast<std::uint64_t>(source->GetBPP() / 8);
    }
    (*backup)->SetXRes(source->GetXRes());
    (*backup)->SetYRes(source->GetYRes());
    return true;
  }
  WAPtr copy;
  const int error = host_->CopyImageParameter(source, &copy);
  if (error != 0) {
    host_->SetErrorCode(error, copyLine);
    return false;
  }
  if (source != nullptr) {
    lastBackupBytes_ += static_cast<std::uint64_t>(source->GetBPLine()) * source->GetH();
  }
  *backup = std::move(copy);
  return true;
}

bool ImageDocument::UpdateBackupImages() {
  if (!stack_) {
    host_->SetErrorCode(256, 2172);
    return false;
  }
  lastBackupBytes_ = 0;
  CLayer* active = stack_->GetActiveLayer();
  const WAPtr image = GetActiveImage();
  const WAPtr mask = GetActiveLayerMask();
  if (!compositeCurrent_) SetFloatingImage(nullptr);
  if (!mask || (!compositeCurrent_ && floatingMask_)) SetFloatingMask(nullptr);
  if (floating_) {
    if (!image) {
      host_->SetErrorCode(256, 2199);
      return false;
    }
    if (!SameShape(*floating_, *image) || !SamePalette(*floating_, *image)) {
      SetFloatingImage(nullptr);
    }
  }
  if (floatingMask_ && !mask) {
    host_->SetErrorCode(256, 2257);
    return false;
  }
  if (floatingMask_ && (!SameShape(*floatingMask_, *mask) || mask->GetType() != kWAType8Grey)) {
    SetFloatingMask(nullptr);
  }
  const bool maskEditing = maskEdit_ == 2 && active != nullptr && active->HasMask() != 0;
  const RECT imageRect = active == nullptr ? RECT{}
                         : maskEditing     ? active->GetMaskRect()
                                           : active->GetRect();
  WAPtr newFloating = floating_;
  if (!RefreshBackup(&newFloating, image.get(), imageRect, 2308)) return false;
  WAPtr newMask = floatingMask_;
  const RECT maskRect = active != nullptr ? active->GetMaskRect() : RECT{};
  if (!RefreshBackup(&newMask, mask.get(), maskRect, 2345)) return false;
  if (newFloating != floating_) SetFloatingImage(newFloating.get());
  SetFloatingMask(newMask.get());
  damaged_ = RECT{};
  compositeCurrent_ = true;
  return true;
}

void ImageDocument::AfterRestore(bool fullRefresh, bool modified) {
  queue_.SetImageSize(stack_->GetWidth(), stack_->GetHeight());
  SetActiveLayer(stack_->GetActiveLayer(), true, false);
  compositeCurrent_ = false;
  SetFloatingImage(nullptr);
  ResetDrawContextInAllViews();
  host_->UpdateLayerPalette();
  host_->UpdateNavigator();
  serverUpdatePending_ = true;
  if (modified) modified_ = true;
  if (fullRefresh) InvalidateImageRect(nullptr, false, false);
  // A queue that had pieces listed before the stop gets its worker back.
  queue_.StartThread();
}

bool ImageDocument::DetachLayerForWriting(const CLayer* layer) {
  if (!stack_ || layer == nullptr) return false;
  const CUndoManager::LayerList layers{layer};
  return undo_.DetachLayers(&layers, stack_.get());
}

bool ImageDocument::RevertLastBackup() {
  if (undo_.UndoCount() == 0 || !stack_) return false;
  CLayer* remembered = stack_->GetActiveLayer();
  SetActiveLayer(nullptr, false, false);
  // Restoring writes the layers the worker reads.
  queue_.StopThread();
  CUndoManager::HistoryFields fields = fields_;
  Fragment* selection = nullptr;
  bool fullRefresh = true;
  const bool reverted = undo_.RevertTop(&fields, &selection, stack_.get(), &fullRefresh);
  stack_->SetMemoryLock(0);
  if (reverted) {
    fields_ = fields;
    AfterRestore(fullRefresh);
  } else {
    stack_->SetActiveLayer(remembered);
    queue_.StartThread();
  }
  if (reverted) RestoreSelection(selection);
  DeleteFragment(selection);
  lastStepResult_ = false;
  return true;
}

bool ImageDocument::UndoRedo(bool redo) {
  if (!stack_ || (redo ? undo_.RedoCount() : undo_.UndoCount()) == 0) return false;
  CLayer* remembered = stack_->GetActiveLayer();
  SetActiveLayer(nullptr, false, false);
  queue_.StopThread();
  CUndoManager::HistoryFields fields = fields_;
  Fragment* selection = ShareFragment(selection_.fragment);
  bool fullRefresh = true;
  const bool done = redo ? undo_.Redo(&fields, &selection, stack_.get(), &fullRefresh)
                         : undo_.Undo(&fields, &selection, stack_.get(), &fullRefresh);
  stack_->SetMemoryLock(0);
  if (done) {
    fields_ = fields;
    AfterRestore(fullRefresh);
    RestoreSelection(selection);
  } else {
    queue_.StartThread();
    stack_->SetActiveLayer(remembered);
  }
  DeleteFragment(selection);
  return done;
}

}  // namespace lumora
