// The clipboard's data object: offered formats, matching and delayed
// rendering.
#include "framework/win/OleDataSource.h"

#include <shlobj.h>

namespace fw {

OleDataSource* OleDataSource::Create(Renderer renderer) { return new OleDataSource(std::move(renderer)); }

void OleDataSource::DelayRenderData(CLIPFORMAT format, DWORD tymed) {
  offered_.push_back(FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, tymed});
}

HRESULT OleDataSource::SetClipboard() { return OleSetClipboard(this); }

HRESULT OleDataSource::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
    *out = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG OleDataSource::AddRef() { return ++refs_; }

ULONG OleDataSource::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

const FORMATETC* OleDataSource::Match(const FORMATETC* format, HRESULT* why) const {
  *why = DV_E_FORMATETC;
  if (format == nullptr) return nullptr;
  for (const FORMATETC& offered : offered_) {
    if (offered.cfFormat != format->cfFormat) continue;
    if (format->dwAspect != DVASPECT_CONTENT) {
      *why = DV_E_DVASPECT;
      continue;
    }
    if (format->lindex != -1) {
      *why = DV_E_LINDEX;
      continue;
    }
    if ((offered.tymed & format->tymed) == 0) {
      *why = DV_E_TYMED;
      continue;
    }
    *why = S_OK;
    return &offered;
  }
  return nullptr;
}

HRESULT OleDataSource::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (medium == nullptr) return E_POINTER;
  *medium = STGMEDIUM{};
  HRESULT why = S_OK;
  const FORMATETC* offered = Match(format, &why);
  if (offered == nullptr) return why;
  FORMATETC asked = *format;
  asked.tymed = offered->tymed & format->tymed;
  if (!renderer_ || !renderer_(asked, medium)) {
    *medium = STGMEDIUM{};
    return DV_E_FORMATETC;
  }
  return S_OK;
}

HRESULT OleDataSource::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT OleDataSource::QueryGetData(FORMATETC* format) {
  HRESULT why = S_OK;
  return Match(format, &why) != nullptr ? S_OK : why;
}

HRESULT OleDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out != nullptr) out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

HRESULT OleDataSource::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

HRESULT OleDataSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  return SHCreateStdEnumFmtEtc(static_cast<UINT>(offered_.size()), offered_.data(), out);
}

HRESULT OleDataSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT OleDataSource::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT OleDataSource::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

}  // namespace fw
