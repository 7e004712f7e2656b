// Layer drops on image views and on the main frame's background.
#include "view/win/ViewDropTargets.h"

#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/App.h"
#include "framework/win/Frame.h"
#include "view/DropPlacement.h"
#include "view/win/Lumo40View.h"

namespace lumora {

namespace {

HWND WindowUnder(HWND window, POINT client) {
  POINT screen = client;
  ClientToScreen(window, &screen);
  return WindowFromPoint(screen);
}

}  // namespace

// ---- Views

DWORD CDropTargetView::OnDragEnter(IDataObject* data, DWORD keyState, POINT client) {
  feedback_ = DropFeedbackRect(client);
  last_ = client;
  const DWORD effect = CLuDropTarget::OnDragEnter(data, keyState, client);
  // Entered over a part that takes nothing: the drag is still followed.
  if (accepted_ && !TakesLayers(client)) {
    EraseFeedback();
    return DROPEFFECT_NONE;
  }
  return effect;
}

bool CDropTargetView::TakesLayers(POINT client) const {
  if (view_ == nullptr || Window() == nullptr || WindowUnder(Window(), client) != Window()) return false;
  CLumo40Doc* doc = view_->GetDoc();
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  return stack != nullptr && stack->IsLayerable() != 0;
}

DWORD CDropTargetView::OnDragOver(IDataObject* data, DWORD keyState, POINT client) {
  if (!TakesLayers(client)) {
    CLuDropTarget::OnDragLeave();
    return DROPEFFECT_NONE;
  }
  return CLuDropTarget::OnDragOver(data, keyState, client);
}

bool CDropTargetView::OnDrop(IDataObject* data, DWORD, POINT client) {
  EraseFeedback();
  fw::WaitCursor wait;
  CLumo40Doc* doc = view_ != nullptr ? view_->GetDoc() : nullptr;
  CLayer* layer = ReadDroppedLayer(data, nullptr);
  if (layer == nullptr || doc == nullptr) {
    if (layer != nullptr) layer->Release();
    return true;
  }
  POINT centre{};
  layer->GetContentCenter(&centre);
  layer->Offset(DropOffset(centre, view_->WindowPointToImagePixel(client)));
  if (CLayersManager* stack = doc->Image().GetLayers()) {
    LAYER_INFO info = layer->GetLayerInfo();
    info.name = stack->MakeUniqueLayerName(info.name, 0, nullptr);
    layer->SetLayerInfo(info);
  }
  doc->Image().AddLayer(layer, true);
  layer->Release();
  if (fw::FrameWnd* frame = view_->GetParentFrame()) frame->ActivateFrame();
  SetFocus(view_->Handle());
  return true;
}

// ---- The main frame's background

DWORD CDropTargetFrame::OnDragEnter(IDataObject* data, DWORD keyState, POINT client) {
  feedback_ = DropFeedbackRect(client);
  last_ = client;
  return CLuDropTarget::OnDragEnter(data, keyState, client);
}

DWORD CDropTargetFrame::OnDragOver(IDataObject* data, DWORD keyState, POINT client) {
  const HWND under = Window() != nullptr ? WindowUnder(Window(), client) : nullptr;
  if (under == nullptr || (under != Window() && under != mdiClient_)) {
    CLuDropTarget::OnDragLeave();
    return DROPEFFECT_NONE;
  }
  return CLuDropTarget::OnDragOver(data, keyState, client);
}

bool CDropTargetFrame::OnDrop(IDataObject* data, DWORD, POINT) {
  CLuDropTarget::OnDragLeave();
  fw::WaitCursor wait;
  std::uint32_t resolution = kDefaultDropResolution;
  CLayer* layer = ReadDroppedLayer(data, &resolution);
  if (layer == nullptr) return true;
  layer->SetResolution(resolution);
  const std::string title = layer->GetLayerInfo().name;
  NewDocumentFromLayer(layer, title);
  layer->Release();
  return true;
}

}  // namespace lumora
