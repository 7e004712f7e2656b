// The drop targets' base: the layer format only, focus-rectangle feedback.
#include "view/win/LuDropTarget.h"

#include "engine/pixels/AppValues.h"

namespace lumora {

bool CLuDropTarget::OffersLayer(IDataObject* data) {
  const unsigned format = GetLayerClipboardFormat();
  if (data == nullptr || format == 0) return false;
  FORMATETC wanted{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  return data->QueryGetData(&wanted) == S_OK;
}

DWORD CLuDropTarget::OnDragEnter(IDataObject* data, DWORD keyState, POINT client) {
  accepted_ = OffersLayer(data);
  if (!accepted_) return DROPEFFECT_NONE;
  shown_ = false;
  return OnDragOver(data, keyState, client);
}

void CLuDropTarget::DrawFeedback() {
  if (Window() == nullptr) return;
  HDC dc = GetDC(Window());
  DrawFocusRect(dc, &feedback_);
  ReleaseDC(Window(), dc);
}

void CLuDropTarget::EraseFeedback() {
  if (!shown_) return;
  DrawFeedback();  // a focus rectangle drawn twice is gone
  shown_ = false;
}

DWORD CLuDropTarget::OnDragOver(IDataObject*, DWORD, POINT client) {
  if (!accepted_) return DROPEFFECT_NONE;
  if (shown_ && client.x == last_.x && client.y == last_.y) return DROPEFFECT_COPY;
  EraseFeedback();
  OffsetRect(&feedback_, client.x - last_.x, client.y - last_.y);
  last_ = client;
  DrawFeedback();
  shown_ = true;
  return DROPEFFECT_COPY;
}

void CLuDropTarget::OnDragLeave() { EraseFeedback(); }

}  // namespace lumora
