// Apply Image's one undo step and the swaps of its results into the image.
#include "document/ApplyImageSession.h"

#include <exception>

#include "platform/rect.h"
#include "res/resource.h"

namespace lumora {

ApplyImageSession::ApplyImageSession(ImageDocument* document) : document_(document) {
  if (document_ == nullptr || !document_->HasImage() || document_->GetActiveLayer() == nullptr) return;
  wasModified_ = document_->IsModified();
  if (!document_->BackupImage(IDS_STEP_APPLY_IMAGE)) return;
  try {
    saved_ = CLayersManagerPtr::Adopt(new CLayersManager(*document_->GetLayers(), LayerBuffers::kShare));
  } catch (const std::exception&) {
    saved_ = nullptr;
  }
  if (!saved_ || saved_->GetActiveLayer() == nullptr) {
    saved_ = nullptr;
    document_->RevertLastBackup();
    document_->SetModifiedFlag(wasModified_);
  }
}

ApplyImageSession::~ApplyImageSession() {
  if (!ended_) End(false);
}

bool ApplyImageSession::Put(CLayer* replacement) {
  if (!Valid() || replacement == nullptr) return false;
  CLayer* old = document_->GetActiveLayer();
  if (old == nullptr || !document_->InsertLayer(old, replacement, true, false, false)) return false;
  RECT changed = old->GetRect();
  RectUnion(&changed, changed, replacement->GetRect());
  document_->DeleteLayer(old, false, false);
  document_->InvalidateImageRect(&changed, false, false);
  changed_ = true;
  return true;
}

bool ApplyImageSession::PutOriginal() {
  if (!Valid()) return false;
  CLayerPtr copy;
  try {
    copy = CLayerPtr::Adopt(SavedActive()->CreateCopy());
  } catch (const std::exception&) {
    return false;
  }
  return copy->IsWholeCopyOf(*SavedActive()) && Put(copy.get());
}

void ApplyImageSession::End(bool ok) {
  if (ended_) return;
  ended_ = true;
  if (!Valid()) return;
  if (ok && changed_) {
    document_->SetModifiedFlag(true);
  } else {
    document_->RevertLastBackup();
    document_->SetModifiedFlag(wasModified_);
  }
  saved_ = nullptr;
}

}  // namespace lumora
