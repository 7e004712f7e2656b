// OLE drag and drop: the data object, the drop source and the drop target
// base.
#include "framework/win/OleDragDrop.h"

namespace fw {

// ---- Data source

void OleDataSource::Offer(CLIPFORMAT format, DWORD tymed, Render render) {
  offers_.push_back(OfferEntry{format, tymed, std::move(render)});
}

const OleDataSource::OfferEntry* OleDataSource::Find(const FORMATETC* format) const {
  if (format == nullptr || format->dwAspect != DVASPECT_CONTENT) return nullptr;
  for (const OfferEntry& o : offers_)
    if (o.format == format->cfFormat && (o.tymed & format->tymed) != 0) return &o;
  return nullptr;
}

HRESULT OleDataSource::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
    *out = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT OleDataSource::GetData(FORMATETC* format, STGMEDIUM* medium) {
  const OfferEntry* offer = Find(format);
  if (offer == nullptr || medium == nullptr) return DV_E_FORMATETC;
  STGMEDIUM made{};
  FORMATETC wanted = *format;
  wanted.tymed = offer->tymed & format->tymed;
  if (!offer->render(&wanted, &made)) return STG_E_MEDIUMFULL;
  *medium = made;
  return S_OK;
}

HRESULT OleDataSource::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
  const OfferEntry* offer = Find(format);
  if (offer == nullptr || medium == nullptr) return DV_E_FORMATETC;
  return offer->render(format, medium) ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT OleDataSource::QueryGetData(FORMATETC* format) { return Find(format) != nullptr ? S_OK : DV_E_FORMATETC; }

HRESULT OleDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out != nullptr) out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

HRESULT OleDataSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  std::vector<FORMATETC> formats;
  for (const OfferEntry& o : offers_) formats.push_back(FORMATETC{o.format, nullptr, DVASPECT_CONTENT, -1, o.tymed});
  using Make = HRESULT(WINAPI*)(UINT, const FORMATETC*, IEnumFORMATETC**);
  static const auto make =
      reinterpret_cast<Make>(GetProcAddress(LoadLibraryA("shell32.dll"), "SHCreateStdEnumFmtEtc"));
  if (make == nullptr) return E_NOTIMPL;
  return make(static_cast<UINT>(formats.size()), formats.data(), out);
}

// ---- Drop source

HRESULT OleDropSource::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
    *out = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT OleDropSource::QueryContinueDrag(BOOL escape, DWORD keyState) {
  if (escape) return DRAGDROP_S_CANCEL;
  if ((keyState & (MK_LBUTTON | MK_RBUTTON)) == 0) return DRAGDROP_S_DROP;
  return S_OK;
}

DWORD RunDragDrop(OleDataSource& data, DWORD allowed) {
  OleDropSource source;
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT result = DoDragDrop(&data, &source, allowed, &effect);
  return result == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

// ---- Drop target

OleDropTarget::~OleDropTarget() { Revoke(); }

bool OleDropTarget::Register(HWND window) {
  Revoke();
  if (window == nullptr || FAILED(RegisterDragDrop(window, this))) return false;
  window_ = window;
  return true;
}

void OleDropTarget::Revoke() {
  if (window_ != nullptr) RevokeDragDrop(window_);
  window_ = nullptr;
  if (data_ != nullptr) data_->Release();
  data_ = nullptr;
}

HRESULT OleDropTarget::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *out = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

POINT OleDropTarget::ToClient(POINTL at) const {
  POINT p{at.x, at.y};
  if (window_ != nullptr) ScreenToClient(window_, &p);
  return p;
}

HRESULT OleDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL at, DWORD* effect) {
  if (data_ != nullptr) data_->Release();
  data_ = data;
  if (data_ != nullptr) data_->AddRef();
  const DWORD wanted = OnDragEnter(data, keyState, ToClient(at));
  if (effect != nullptr) *effect &= wanted;
  return S_OK;
}

HRESULT OleDropTarget::DragOver(DWORD keyState, POINTL at, DWORD* effect) {
  const DWORD wanted = OnDragOver(data_, keyState, ToClient(at));
  if (effect != nullptr) *effect &= wanted;
  return S_OK;
}

HRESULT OleDropTarget::DragLeave() {
  OnDragLeave();
  if (data_ != nullptr) data_->Release();
  data_ = nullptr;
  return S_OK;
}

HRESULT OleDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL at, DWORD* effect) {
  const POINT client = ToClient(at);
  const DWORD wanted = OnDragOver(data, keyState, client);
  const DWORD chosen = effect != nullptr ? (*effect & wanted) : wanted;
  const bool done = chosen != DROPEFFECT_NONE && OnDrop(data, chosen, client);
  if (!done) OnDragLeave();
  if (effect != nullptr) *effect = done ? chosen : DROPEFFECT_NONE;
  if (data_ != nullptr) data_->Release();
  data_ = nullptr;
  return S_OK;
}

}  // namespace fw
