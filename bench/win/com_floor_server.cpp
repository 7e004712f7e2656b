// A local COM server with nothing of the program in it, for the benches'
// floor: one object answering IPersist, a late-bound IDispatch (every name
// is member 1; every call answers TRUE) and IDataObject (a white 640 x 480
// CF_DIB), its factory registered for
// many uses, a bare message loop. Times against it are what Wine's
// cross-process COM costs by itself. Started by a client (which signals it
// to stop with WM_QUIT) or by COM from its LocalServer32 entry; it ends on
// WM_QUIT or when the last object goes after COM started it.
//
// Usage: com_floor_server [-Embedding]
#include <windows.h>
#include <ole2.h>

#include <atomic>

#include "bench/win/com_floor.h"

namespace {

std::atomic<long> gObjects{0};
bool gStartedByCom = false;
DWORD gMainThread = 0;

class FloorObject final : public IDispatch, public IPersist, public IDataObject {
 public:
  FloorObject() { ++gObjects; }
  ~FloorObject() {
    if (--gObjects == 0 && gStartedByCom) PostThreadMessageW(gMainThread, WM_QUIT, 0, 0);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IPersist)) {
      *out = static_cast<IPersist*>(this);
    } else if (IsEqualIID(iid, IID_IDataObject)) {
      *out = static_cast<IDataObject*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  // IPersist
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override {
    *out = lumora::bench::kFloorClsid;
    return S_OK;
  }
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    *out = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) ids[i] = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (result != nullptr) {
      VariantInit(result);
      result->vt = VT_BOOL;
      result->boolVal = VARIANT_TRUE;
    }
    return S_OK;
  }
  // IDataObject: CF_DIB only, a white 640 x 480 24-bit image (the size the
  // round trip's object hands its container), made anew for each request.
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format == nullptr || medium == nullptr) return E_POINTER;
    if (format->cfFormat != CF_DIB || (format->tymed & TYMED_HGLOBAL) == 0) return DV_E_FORMATETC;
    const LONG width = lumora::bench::kFloorDibWidth, height = lumora::bench::kFloorDibHeight;
    const DWORD row = static_cast<DWORD>((width * 3 + 3) & ~3);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + row * height);
    if (block == nullptr) return E_OUTOFMEMORY;
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof *header;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biSizeImage = row * height;
    FillMemory(header + 1, row * height, 0xFF);
    GlobalUnlock(block);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format != nullptr && format->cfFormat == CF_DIB ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  std::atomic<ULONG> refs_{1};
};

class FloorFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* object = new FloorObject();
    const HRESULT r = object->QueryInterface(iid, out);
    object->Release();
    return r;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

int main(int argc, char** argv) {
  gStartedByCom = argc > 1 && (lstrcmpiA(argv[1], "-Embedding") == 0 || lstrcmpiA(argv[1], "/Embedding") == 0);
  gMainThread = GetCurrentThreadId();
  if (FAILED(OleInitialize(nullptr))) return 3;
  static FloorFactory factory;
  DWORD cookie = 0;
  if (FAILED(CoRegisterClassObject(lumora::bench::kFloorClsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                   &cookie))) {
    return 4;
  }
  if (HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, lumora::bench::kFloorReady)) {
    SetEvent(ready);
    CloseHandle(ready);
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  CoRevokeClassObject(cookie);
  OleUninitialize();
  return 0;
}
