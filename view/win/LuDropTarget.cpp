// The drop targets' base: the layer format only, focus-rectangle feedback.
#include "view/win/LuDropTarget.h"

#include "engine/pixels/AppValues.h"
#include "platform/win/ole_stream_file.h"
#include "view/DropPlacement.h"

namespace lumora {

bool CLuDropTarget::OffersLayer(IDataObject* data) {
  const unsigned format = GetLayerClipboardFormat();
  if (data == nullptr || format == 0) return false;
  FORMATETC wanted{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  return data->QueryGetData(&wanted) == S_OK;
}

CLayer* CLuDropTarget::ReadDroppedLayer(IDataObject* data, std::uint32_t* resolution) {
  if (resolution != nullptr) *resolution = kDefaultDropResolution;
  const unsigned format = GetLayerClipboardFormat();
  if (data == nullptr || format == 0) return nullptr;
  FORMATETC wanted{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&wanted, &medium))) return nullptr;
  CLayer* layer = nullptr;
  if (medium.tymed == TYMED_ISTREAM && medium.pstm != nullptr) {
    // The writer leaves its stream at the end: read from the start.
    LARGE_INTEGER start{};
    medium.pstm->Seek(start, STREAM_SEEK_SET, nullptr);
    try {
      CMyOleStreamFile file(medium.pstm, 0, 0);
      layer = ReadDroppedLayerStream(file, resolution);
    } catch (...) {
      // A stream that cannot be opened names no layer; nothing reaches OLE.
      layer = nullptr;
    }
  }
  ReleaseStgMedium(&medium);
  return layer;
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
