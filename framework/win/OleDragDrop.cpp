// OLE drag and drop: the drop source and the drop target base.
#include "framework/win/OleDragDrop.h"

namespace fw {

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

DWORD RunDragDrop(IDataObject* data, DWORD allowed) {
  OleDropSource source;
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT result = DoDragDrop(data, &source, allowed, &effect);
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
