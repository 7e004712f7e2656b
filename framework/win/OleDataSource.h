// A data object for the OLE clipboard with delayed rendering: it lists the
// formats it offers, in order of preference, and renders one only when a
// receiver asks for it (GetData), through the renderer it was given. The
// renderer owns whatever the data are made from, so the data stay on offer
// after the window that copied them has gone; the clipboard flush at exit
// renders every format once.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <atomic>
#include <functional>
#include <vector>

namespace fw {

class OleDataSource : public IDataObject {
 public:
  // Fills the empty medium for the format (the medium's tymed and handle);
  // false when it cannot, with the medium left empty. Never throws.
  using Renderer = std::function<bool(const FORMATETC& format, STGMEDIUM* medium)>;

  // A new source (one reference, the caller's).
  static OleDataSource* Create(Renderer renderer);

  // Offers the format on the media in `tymed` (aspect content, index -1,
  // no target device), after those offered before.
  void DelayRenderData(CLIPFORMAT format, DWORD tymed);
  const std::vector<FORMATETC>& Offered() const { return offered_; }

  // Puts the source on the OLE clipboard (the clipboard takes a reference).
  HRESULT SetClipboard();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDataObject
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

 private:
  explicit OleDataSource(Renderer renderer) : renderer_(std::move(renderer)) {}
  virtual ~OleDataSource() = default;
  // The offered entry the request matches, or null (the answer in *why).
  const FORMATETC* Match(const FORMATETC* format, HRESULT* why) const;

  std::atomic<ULONG> refs_{1};
  Renderer renderer_;
  std::vector<FORMATETC> offered_;
};

}  // namespace fw
