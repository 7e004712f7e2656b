// The embedded image object and its class factory.
#include "app/win/EmbeddedImage.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "document/ClassIds.h"
#include "document/ServerExtent.h"
#include "app/win/AutomationApp.h"
#include "document/DocumentFiles.h"
#include "document/win/AppServices.h"
#include "document/win/ServerRendering.h"
#include "engine/pixels/win/DibGlobal.h"
#include "framework/win/App.h"
#include "framework/win/OleClassFactory.h"
#include "platform/win/ole_stream_file.h"

namespace lumora {

namespace {

constexpr int kNewWidth = 320, kNewHeight = 240;
constexpr std::uint32_t kNewResolution = 72u | (72u << 16);
constexpr COLORREF kNewColour = RGB(255, 255, 255);
constexpr wchar_t kContents[] = L"Contents";
enum ServedFormat { kDib = 0, kMetafile = 1 };

CLSID DocumentClsid() {
  CLSID c{};
  c.Data1 = kDocumentClsid.data1;
  c.Data2 = kDocumentClsid.data2;
  c.Data3 = kDocumentClsid.data3;
  std::copy(kDocumentClsid.data4, kDocumentClsid.data4 + 8, c.Data4);
  return c;
}

int DisplayDpi(int index) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, index);
  ReleaseDC(nullptr, screen);
  return dpi;
}

DWORD gEmbeddingCookie = 0;

void LockEmbeddingServer(bool lock) {
  if (lock) {
    AddServedObject();
  } else {
    ReleaseServedObject();
  }
}

fw::ProgramClassFactory<CEmbeddedImage> gEmbeddingFactory(LockEmbeddingServer);

}  // namespace

CEmbeddedImage* CEmbeddedImage::Create() { return new CEmbeddedImage(); }

CEmbeddedImage::CEmbeddedImage() { AddServedObject(); }

CEmbeddedImage::~CEmbeddedImage() {
  // The window stays, as a document of its own.
  if (document_ != nullptr) document_->serverItem = nullptr;
  if (stack_ != nullptr) stack_->Release();
  if (site_ != nullptr) site_->Release();
  if (adviseHolder_ != nullptr) adviseHolder_->Release();
  if (dataAdviseHolder_ != nullptr) dataAdviseHolder_->Release();
  ReleaseServedObject();
}

HRESULT CEmbeddedImage::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject)) {
    *out = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(iid, IID_IDataObject)) {
    *out = static_cast<IDataObject*>(this);
  } else if (IsEqualIID(iid, IID_IPersistStorage) || IsEqualIID(iid, IID_IPersist)) {
    *out = static_cast<IPersistStorage*>(this);
  } else if (IsEqualIID(iid, IID_IPersistFile)) {
    *out = static_cast<IPersistFile*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CEmbeddedImage::AddRef() { return ++refs_; }

ULONG CEmbeddedImage::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ---- IOleObject

HRESULT CEmbeddedImage::SetClientSite(IOleClientSite* site) {
  if (site != nullptr) site->AddRef();
  if (site_ != nullptr) site_->Release();
  site_ = site;
  return S_OK;
}

HRESULT CEmbeddedImage::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = site_;
  if (site_ != nullptr) site_->AddRef();
  return S_OK;
}

HRESULT CEmbeddedImage::Close(DWORD saveOption) {
  if (saveOption == OLECLOSE_SAVEIFDIRTY && dirty_ && site_ != nullptr) site_->SaveObject();
  if (adviseHolder_ != nullptr) adviseHolder_->SendOnClose();
  return S_OK;
}

HRESULT CEmbeddedImage::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT CEmbeddedImage::GetClipboardData(DWORD, IDataObject** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT CEmbeddedImage::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) {
  if (verb == OLEIVERB_HIDE) return S_OK;
  // Edit (the primary verb), Open and Show edit the image in the program's
  // own window: editing in place is not offered.
  if (verb == OLEIVERB_PRIMARY || verb == OLEIVERB_SHOW || verb == OLEIVERB_OPEN || verb == 1) {
    try {
      return OpenInWindow();
    } catch (...) {
      return E_FAIL;
    }
  }
  return OLEOBJ_E_INVALIDVERB;
}

CLayersManager* CEmbeddedImage::CurrentStack() const {
  if (document_ != nullptr && document_->Image().GetLayers() != nullptr) return document_->Image().GetLayers();
  return stack_;
}

HRESULT CEmbeddedImage::OpenInWindow() {
  if (stack_ == nullptr) return OLE_E_BLANK;
  if (document_ == nullptr) {
    fw::Document* made = NewDocumentFromStack(stack_);
    auto* doc = dynamic_cast<CLumo40Doc*>(made);
    if (doc == nullptr) return E_FAIL;
    document_ = doc;
    doc->serverItem = this;
    const std::wstring type = kDocumentTypeName;
    doc->SetTitle(std::string(type.begin(), type.end()));
    // Our reference keeps the object while its window is open.
    AddRef();
  }
  if (fw::FrameWnd* frame = fw::TheApp() != nullptr ? fw::TheApp()->MainFrame() : nullptr; frame != nullptr && frame->Handle() != nullptr) {
    ShowWindow(frame->Handle(), SW_SHOW);
    SetForegroundWindow(frame->Handle());
  }
  if (site_ != nullptr) site_->OnShowWindow(TRUE);
  return S_OK;
}

void CEmbeddedImage::SendUpdate() {
  dirty_ = true;
  if (dataAdviseHolder_ != nullptr) dataAdviseHolder_->SendOnDataChange(static_cast<IDataObject*>(this), 0, 0);
}

void CEmbeddedImage::SaveToContainer() {
  SendUpdate();
  if (site_ != nullptr) site_->SaveObject();
  if (adviseHolder_ != nullptr) adviseHolder_->SendOnSave();
}

void CEmbeddedImage::DocumentClosing() {
  // The image as the window leaves it stays the object's.
  if (CLayersManager* last = document_ != nullptr ? document_->Image().GetLayers() : nullptr; last != nullptr) {
    last->AddRef();
    if (stack_ != nullptr) stack_->Release();
    stack_ = last;
    stack_->SetDocument(nullptr);
  }
  document_ = nullptr;
  if (site_ != nullptr) site_->OnShowWindow(FALSE);
  Release();
}

HRESULT CEmbeddedImage::EnumVerbs(IEnumOLEVERB** out) { return OleRegEnumVerbs(DocumentClsid(), out); }

HRESULT CEmbeddedImage::GetUserClassID(CLSID* out) {
  if (out == nullptr) return E_POINTER;
  *out = DocumentClsid();
  return S_OK;
}

HRESULT CEmbeddedImage::GetUserType(DWORD form, LPOLESTR* out) { return OleRegGetUserType(DocumentClsid(), form, out); }

HRESULT CEmbeddedImage::GetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return E_FAIL;
  const CLayersManager* stack = CurrentStack();
  if (stack == nullptr) return OLE_E_BLANK;
  const HimetricSize e = HimetricExtent(stack->GetWidth(), stack->GetHeight(), stack->GetResolution(),
                                        DisplayDpi(LOGPIXELSX), DisplayDpi(LOGPIXELSY));
  size->cx = e.cx;
  size->cy = e.cy;
  return S_OK;
}

HRESULT CEmbeddedImage::Advise(IAdviseSink* sink, DWORD* connection) {
  if (adviseHolder_ == nullptr && FAILED(CreateOleAdviseHolder(&adviseHolder_))) return E_OUTOFMEMORY;
  return adviseHolder_->Advise(sink, connection);
}

HRESULT CEmbeddedImage::Unadvise(DWORD connection) {
  return adviseHolder_ != nullptr ? adviseHolder_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

HRESULT CEmbeddedImage::EnumAdvise(IEnumSTATDATA** out) {
  if (out != nullptr) *out = nullptr;
  return adviseHolder_ != nullptr ? adviseHolder_->EnumAdvise(out) : E_FAIL;
}

HRESULT CEmbeddedImage::GetMiscStatus(DWORD aspect, DWORD* status) {
  return OleRegGetMiscStatus(DocumentClsid(), aspect, status);
}

// ---- IDataObject

int CEmbeddedImage::Served(const FORMATETC* f) const {
  if (f == nullptr || f->lindex != -1 || f->dwAspect != DVASPECT_CONTENT) return -1;
  if (f->cfFormat == CF_DIB && (f->tymed & TYMED_HGLOBAL) != 0) return kDib;
  if (f->cfFormat == CF_METAFILEPICT && (f->tymed & TYMED_MFPICT) != 0) return kMetafile;
  return -1;
}

HGLOBAL CEmbeddedImage::RenderDib() const {
  CLayersManager* stack = CurrentStack();
  if (stack == nullptr) return nullptr;
  const WAPtr merged = stack->CreateMergedImage(1, 255, 255, 255);
  if (!merged) return nullptr;
  BITMAPINFOHEADER* dib = ImageToDIB(merged.get(), RECT{0, 0, merged->GetW(), merged->GetH()});
  if (dib == nullptr) return nullptr;
  HGLOBAL block = GlobalHandle(dib);
  GlobalUnlock(block);
  return block;
}

HGLOBAL CEmbeddedImage::RenderMetafilePicture() const {
  HGLOBAL dibBlock = RenderDib();
  if (dibBlock == nullptr) return nullptr;
  SIZEL extent{};
  const_cast<CEmbeddedImage*>(this)->GetExtent(DVASPECT_CONTENT, &extent);
  HGLOBAL block = MetafilePictureOfDib(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dibBlock)), extent);
  GlobalUnlock(dibBlock);
  GlobalFree(dibBlock);
  return block;
}

HRESULT CEmbeddedImage::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (format == nullptr || medium == nullptr) return E_POINTER;
  if (format->lindex != -1) return DV_E_LINDEX;
  const int which = Served(format);
  if (which < 0) return DV_E_FORMATETC;
  try {
    HGLOBAL block = which == kDib ? RenderDib() : RenderMetafilePicture();
    if (block == nullptr) return E_OUTOFMEMORY;
    medium->tymed = which == kDib ? TYMED_HGLOBAL : TYMED_MFPICT;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT CEmbeddedImage::QueryGetData(FORMATETC* format) { return Served(format) >= 0 ? S_OK : DV_E_FORMATETC; }

HRESULT CEmbeddedImage::GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  *out = *in;
  out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

HRESULT CEmbeddedImage::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  FORMATETC formats[] = {{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
                         {CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT}};
  return SHCreateStdEnumFmtEtc(2, formats, out);
}

HRESULT CEmbeddedImage::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) {
  if (dataAdviseHolder_ == nullptr && FAILED(CreateDataAdviseHolder(&dataAdviseHolder_))) return E_OUTOFMEMORY;
  return dataAdviseHolder_->Advise(static_cast<IDataObject*>(this), format, flags, sink, connection);
}

HRESULT CEmbeddedImage::DUnadvise(DWORD connection) {
  return dataAdviseHolder_ != nullptr ? dataAdviseHolder_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

HRESULT CEmbeddedImage::EnumDAdvise(IEnumSTATDATA** out) {
  if (out != nullptr) *out = nullptr;
  return dataAdviseHolder_ != nullptr ? dataAdviseHolder_->EnumAdvise(out) : OLE_E_ADVISENOTSUPPORTED;
}

// ---- IPersistStorage

HRESULT CEmbeddedImage::InitNew(IStorage*) {
  if (stack_ != nullptr) return CO_E_ALREADYINITIALIZED;
  try {
    stack_ = new CLayersManager(16, nullptr, kNewWidth, kNewHeight, kNewResolution, kNewColour, 0);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  dirty_ = true;
  return S_OK;
}

HRESULT CEmbeddedImage::Load(IStorage* storage) {
  if (storage == nullptr) return E_POINTER;
  if (stack_ != nullptr) return CO_E_ALREADYINITIALIZED;
  IStream* stream = nullptr;
  const HRESULT opened =
      storage->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
  if (FAILED(opened)) return opened;
  HRESULT result = S_OK;
  try {
    CMyOleStreamFile file(stream, 0, 0);
    stack_ = LoadLayeredStack(file).Detach();
  } catch (...) {
    result = STG_E_READFAULT;
  }
  stream->Release();
  dirty_ = false;
  return result;
}

HRESULT CEmbeddedImage::Save(IStorage* storage, BOOL) {
  if (storage == nullptr) return E_POINTER;
  CLayersManager* stack = CurrentStack();
  if (stack == nullptr) return OLE_E_BLANK;
  IStream* stream = nullptr;
  const HRESULT made =
      storage->CreateStream(kContents, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
  if (FAILED(made)) return made;
  HRESULT result = S_OK;
  try {
    // The layered file through a temporary file, copied in pieces.
    CMyOleStreamFile file(stream, 65536, 2u * 1024u * 1024u);
    StoreLayeredStack(*stack, file);
    file.Close();
  } catch (...) {
    result = STG_E_WRITEFAULT;
  }
  stream->Release();
  if (SUCCEEDED(result)) dirty_ = false;
  return result;
}

// ---- IPersistFile

HRESULT CEmbeddedImage::Load(LPCOLESTR path, DWORD) {
  if (path == nullptr) return E_POINTER;
  if (stack_ != nullptr) return CO_E_ALREADYINITIALIZED;
  const int n = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return STG_E_FILENOTFOUND;
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, path, -1, narrow.data(), n, nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(n - 1));
  try {
    stack_ = new CLayersManager(nullptr, narrow);
  } catch (...) {
    return STG_E_READFAULT;
  }
  file_ = path;
  // New to the container: its storage has yet to receive the image.
  dirty_ = true;
  return S_OK;
}

HRESULT CEmbeddedImage::GetCurFile(LPOLESTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (file_.empty()) return E_FAIL;
  const std::size_t bytes = (file_.size() + 1) * sizeof(wchar_t);
  *out = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (*out == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*out, file_.c_str(), bytes);
  return S_OK;
}

// ---- The factory

bool RegisterEmbeddingFactory() {
  if (gEmbeddingCookie != 0) return true;
  return SUCCEEDED(CoRegisterClassObject(DocumentClsid(), &gEmbeddingFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                         &gEmbeddingCookie));
}

void RevokeEmbeddingFactory() {
  if (gEmbeddingCookie != 0) CoRevokeClassObject(gEmbeddingCookie);
  gEmbeddingCookie = 0;
}

}  // namespace lumora
