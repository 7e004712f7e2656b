// The working layer of the Mixing dialog in its target's stack.
#include "document/MixingSession.h"

#include <exception>

namespace lumora {

MixingSession::MixingSession(ImageDocument* document) : document_(document) {
  if (document_ == nullptr || !document_->HasImage()) return;
  CLayersManager* stack = document_->GetLayers();
  wasModified_ = document_->IsModified();
  type_ = stack->GetImageType() == kWAType8Grey ? kWAType8Grey : kWAType24;
  formerActive_ = stack->GetActiveLayer();
  CLayerPtr work;
  try {
    saved_ = CLayersManagerPtr::Adopt(new CLayersManager(*stack, LayerBuffers::kShare));
    const RECT whole{0, 0, stack->GetWidth(), stack->GetHeight()};
    LAYER_INFO info;
    InitLayerInfo(info);
    info.name = stack->MakeUniqueLayerName(std::string(), 0, nullptr);
    info.visible = 0;
    work = CLayerPtr::Adopt(new CLayer(&whole, info, type_, 0));
  } catch (const std::exception&) {
    saved_ = nullptr;
    return;
  }
  work->SetVisible(0);
  CLayer* top = stack->GetLayer(stack->GetLayerCount() - 1);
  if (top == nullptr || !document_->InsertLayer(top, work.get(), true, false, false)) {
    saved_ = nullptr;
    return;
  }
  inStack_ = true;
  result_ = std::move(work);
}

MixingSession::~MixingSession() { Finish(); }

void MixingSession::Show(bool visible) {
  if (!Valid()) return;
  result_->SetVisible(visible ? 1 : 0);
  const RECT whole = result_->GetRect();
  document_->InvalidateImageRect(&whole, false, false);
}

CLayerPtr MixingSession::Finish() {
  if (!inStack_) return result_;
  inStack_ = false;
  CLayersManager* stack = document_->GetLayers();
  if (formerActive_ != nullptr && stack->GetLayerIndex(formerActive_) >= 0) {
    document_->SetActiveLayer(formerActive_, true, false);
  }
  document_->DeleteLayer(result_.get(), false, false);
  document_->SetModifiedFlag(wasModified_);
  return result_;
}

}  // namespace lumora
