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

// Storages and streams only: the format is rendered as for GetData and its
// content copied into the caller's storage or stream (OLE's creation from
// data asks for "Embed Source" this way).
HRESULT OleDataSource::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
  if (format == nullptr || medium == nullptr) return E_POINTER;
  const DWORD into = medium->tymed;
  if ((into != TYMED_ISTORAGE || medium->pstg == nullptr) && (into != TYMED_ISTREAM || medium->pstm == nullptr)) {
    return DV_E_TYMED;
  }
  FORMATETC asked = *format;
  asked.tymed = into;
  STGMEDIUM rendered{};
  const HRESULT got = GetData(&asked, &rendered);
  if (FAILED(got)) return got;
  HRESULT hr = DV_E_TYMED;
  if (rendered.tymed == TYMED_ISTORAGE && into == TYMED_ISTORAGE) {
    hr = rendered.pstg->CopyTo(0, nullptr, nullptr, medium->pstg);
    if (SUCCEEDED(hr)) hr = medium->pstg->Commit(STGC_DEFAULT);
  } else if (rendered.tymed == TYMED_ISTREAM && into == TYMED_ISTREAM) {
    const LARGE_INTEGER start{};
    ULARGE_INTEGER all;
    all.QuadPart = ~0ull;
    hr = rendered.pstm->Seek(start, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr)) hr = rendered.pstm->CopyTo(medium->pstm, all, nullptr, nullptr);
  }
  ReleaseStgMedium(&rendered);
  return SUCCEEDED(hr) ? S_OK : hr;
}

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
