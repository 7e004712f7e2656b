// The embedded image object and its class factory.
#include "app/win/EmbeddedImage.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "document/ClassIds.h"
#include "document/ServerExtent.h"
#include "app/win/AutomationApp.h"
#include "app/win/InPlaceFrame.h"
#include "app/win/Lumo40App.h"
#include "document/DocumentFiles.h"
#include "document/win/AppServices.h"
#include "document/win/ClipboardCommands.h"
#include "document/win/ServerRendering.h"
#include "engine/pixels/win/DibGlobal.h"
#include "framework/win/App.h"
#include "framework/win/Frame.h"
#include "framework/win/OleClassFactory.h"
#include "hostapi/toolhost.h"
#include "platform/stream_file.h"
#include "platform/trace.h"
#include "platform/win/window_text.h"
#include "view/win/AppActivation.h"
#include "view/win/Lumo40View.h"

namespace lumora {

namespace {

constexpr int kNewWidth = 320, kNewHeight = 240;
constexpr std::uint32_t kNewResolution = 72u | (72u << 16);
constexpr COLORREF kNewColour = RGB(255, 255, 255);
constexpr wchar_t kContents[] = L"Contents";
// The formats the object serves, in the order it lists them: the image's
// picture (metafile, DIB, display bitmap and its palette), then the
// selection block and the origin marker of the program's own copies.
enum ServedFormat { kMetafile, kDib, kBitmap, kPalette, kMask, kMarker, kServedCount };

FORMATETC ServedFormatEtc(int which) {
  const ClipboardFormatIds& ids = ClipboardFormats();
  switch (which) {
    case kMetafile: return {CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    case kDib: return {CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    case kBitmap: return {CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    case kPalette: return {CF_PALETTE, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    case kMask: return {static_cast<CLIPFORMAT>(ids.mask), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    default: return {static_cast<CLIPFORMAT>(ids.marker), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  }
}

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

// The objects alive in this program.
std::vector<CEmbeddedImage*> gLiveObjects;

void LockEmbeddingServer(bool lock) {
  if (lock) {
    AddServedObject();
  } else {
    ReleaseServedObject();
  }
}

fw::ProgramClassFactory<CEmbeddedImage> gEmbeddingFactory(LockEmbeddingServer);

// The "Contents" stream as a plain byte file (no room reserved ahead): the
// stream lives in the container's process, so every call to it crosses
// over, and this file makes only the calls the bytes need. The position is
// kept here; a short read is the stream's end.
class ContentsStream final : public StreamFile {
 public:
  explicit ContentsStream(IStream* stream) : stream_(stream) {}

  std::uint32_t Read(void* buffer, std::uint32_t count) override {
    if (ended_ || count == 0) return 0;
    ULONG read = 0;
    Check(stream_->Read(buffer, count, &read));
    if (read < count) ended_ = true;
    position_ += read;
    return read;
  }
  void Write(const void* buffer, std::uint32_t count) override {
    ULONG written = 0;
    Check(stream_->Write(buffer, count, &written));
    if (written != count) Check(STG_E_MEDIUMFULL);
    position_ += count;
    written_ = std::max(written_, position_);
  }
  std::uint64_t SeekFromCurrent(std::int64_t offset) override {
    LARGE_INTEGER move;
    move.QuadPart = offset;
    ULARGE_INTEGER at{};
    Check(stream_->Seek(move, STREAM_SEEK_CUR, &at));
    position_ = at.QuadPart;
    ended_ = false;
    return position_;
  }
  std::uint64_t GetPosition() const override { return position_; }
  std::uint64_t GetLength() const override {
    STATSTG stat{};
    Check(stream_->Stat(&stat, STATFLAG_NONAME));
    return std::max<std::uint64_t>(stat.cbSize.QuadPart, written_);
  }
  void Flush() override { Check(stream_->Commit(STGC_DEFAULT)); }

 private:
  static void Check(HRESULT result) {
    if (SUCCEEDED(result)) return;
    FileException::Cause cause = FileException::genericException;
    if (result == STG_E_MEDIUMFULL || result == E_OUTOFMEMORY) cause = FileException::diskFull;
    if (result == STG_E_ACCESSDENIED || result == STG_E_WRITEFAULT) cause = FileException::accessDenied;
    throw FileException(cause, static_cast<long>(result), {}, "the stream refused the operation");
  }

  IStream* stream_;  // the caller's
  std::uint64_t position_ = 0;
  std::uint64_t written_ = 0;
  bool ended_ = false;
};

// Whether two names are one file: their full names, without case.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  if (a.empty() || b.empty()) return false;
  wchar_t fullA[MAX_PATH] = {}, fullB[MAX_PATH] = {};
  const DWORD na = GetFullPathNameW(a.c_str(), MAX_PATH, fullA, nullptr);
  const DWORD nb = GetFullPathNameW(b.c_str(), MAX_PATH, fullB, nullptr);
  if (na == 0 || na >= MAX_PATH || nb == 0 || nb >= MAX_PATH) return _wcsicmp(a.c_str(), b.c_str()) == 0;
  return _wcsicmp(fullA, fullB) == 0;
}

// The code an OLE entry answers for the exception being handled: no
// exception crosses into the caller's process or its COM runtime.
HRESULT FailureOfException() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// Destroys every tool pane among our top-level windows that `owner` owns.
void DestroyPaneDialogsOwnedBy(HWND owner) {
  struct Search {
    HWND owner;
    const void* site;
    std::vector<HWND> found;
  } search{owner, TheLumoApp() != nullptr ? TheLumoApp()->Site() : nullptr, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetWindow(w, GW_OWNER) == s->owner && LUIsPaneDlgWindow(s->site, w) != 0) s->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  for (HWND w : search.found) DestroyWindow(w);
}

// A program the user does not control shows its window only for the
// objects opened in it: when the last such window (`closing`) goes it
// hides again, so that it ends with its last object.
void HideProgramWithoutWindows(const fw::Document* closing) {
  CLumo40App* app = TheLumoApp();
  fw::FrameWnd* main = app != nullptr ? app->MainFrame() : nullptr;
  if (app == nullptr || app->oleUserControl || main == nullptr || main->Handle() == nullptr ||
      !IsWindowVisible(main->Handle())) {
    return;
  }
  for (fw::Document* doc : app->Docs().AllDocuments()) {
    if (doc == closing) continue;
    for (fw::View* view : doc->Views()) {
      fw::FrameWnd* frame = view->GetParentFrame();
      if (frame != nullptr && frame->Handle() != nullptr && IsWindowVisible(frame->Handle())) return;
    }
  }
  ShowWindow(main->Handle(), SW_HIDE);
}

}  // namespace

CEmbeddedImage* CEmbeddedImage::Create() { return new CEmbeddedImage(); }

CEmbeddedImage::CEmbeddedImage() {
  TraceMark("embedding object made");
  AddServedObject();
  gLiveObjects.push_back(this);
}

CEmbeddedImage::~CEmbeddedImage() {
  if (fileDocument_ != nullptr) fileDocument_->RemoveFileLink(this);
  if (bars_ != nullptr) bars_->Close();
  if (inPlaceFrame_ != nullptr) {
    inPlaceFrame_->onCancel = nullptr;
    inPlaceFrame_->onOpenSeparately = nullptr;
    DestroyWindow(inPlaceFrame_->Handle());
  }
  if (inPlaceSite_ != nullptr) inPlaceSite_->Release();
  if (containerFrame_ != nullptr) containerFrame_->Release();
  if (containerDocWindow_ != nullptr) containerDocWindow_->Release();
  // The window stays, as a document of its own.
  if (document_ != nullptr) document_->serverItem = nullptr;
  if (stack_ != nullptr) stack_->Release();
  if (site_ != nullptr) site_->Release();
  if (adviseHolder_ != nullptr) adviseHolder_->Release();
  if (dataAdviseHolder_ != nullptr) dataAdviseHolder_->Release();
  gLiveObjects.erase(std::remove(gLiveObjects.begin(), gLiveObjects.end(), this), gLiveObjects.end());
  ReleaseServedObject();
}

HRESULT CEmbeddedImage::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject)) {
    *out = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceObject) || IsEqualIID(iid, IID_IOleWindow)) {
    *out = static_cast<IOleInPlaceObject*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceActiveObject)) {
    *out = static_cast<IOleInPlaceActiveObject*>(this);
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

HRESULT CEmbeddedImage::Close(DWORD saveOption) try {
  // Held through the calls to the container.
  AddRef();
  struct Hold {
    CEmbeddedImage* object;
    ~Hold() { object->Release(); }
  } hold{this};
  InPlaceDeactivate();
  // A change the container has not been given yet reaches it first.
  if (document_ != nullptr) document_->FlushServerItemUpdate();
  const bool save = saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE;
  if (save && dirty_ && site_ != nullptr) site_->SaveObject();
  // The window of open editing closes with the object; the image stays the
  // object's.
  if (document_ != nullptr) {
    closingObject_ = true;
    document_->OnCloseDocument();
    closingObject_ = false;
  }
  if (adviseHolder_ != nullptr) adviseHolder_->SendOnClose();
  return S_OK;
} catch (...) {
  closingObject_ = false;
  return FailureOfException();
}

HRESULT CEmbeddedImage::SetHostNames(LPCOLESTR container, LPCOLESTR object) {
  if (container == nullptr) return E_INVALIDARG;
  containerName_ = container;
  containerObjectName_ = object != nullptr ? object : L"";
  // An open window names the container from now on.
  if (document_ != nullptr && inPlaceFrame_ == nullptr) {
    for (fw::View* view : document_->Views()) {
      if (auto* image = dynamic_cast<CLumo40View*>(view)) image->SetCloseMenuText();
    }
  }
  return S_OK;
}

std::string CEmbeddedImage::ContainerName() const { return NarrowPath(containerName_); }

HRESULT CEmbeddedImage::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  // An object of a file is named by the file; an embedding has no name of
  // its own here.
  if (file_.empty()) return E_NOTIMPL;
  return CreateFileMoniker(file_.c_str(), out);
}

HRESULT CEmbeddedImage::GetClipboardData(DWORD, IDataObject** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT CEmbeddedImage::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT) {
  IOleClientSite* site = activeSite != nullptr ? activeSite : site_;
  try {
    if (!file_.empty()) return ShowFile(verb);
    switch (verb) {
      case OLEIVERB_HIDE:
        if (inPlaceFrame_ != nullptr) return InPlaceDeactivate();
        return S_OK;
      case OLEIVERB_INPLACEACTIVATE:
        return ActivateInPlace(site, false);
      case OLEIVERB_UIACTIVATE:
        return ActivateInPlace(site, true);
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
        // In place where the container takes it, else in our own window.
        if (document_ == nullptr || inPlaceFrame_ != nullptr) {
          if (SUCCEEDED(ActivateInPlace(site, true))) return S_OK;
        }
        return OpenInWindow();
      case OLEIVERB_OPEN:
      case 1:  // the registered Open verb
        if (inPlaceFrame_ != nullptr) InPlaceDeactivate();
        return OpenInWindow();
      default:
        return OLEOBJ_E_INVALIDVERB;
    }
  } catch (...) {
    return E_FAIL;
  }
}

// ---- In place

HRESULT CEmbeddedImage::ActivateInPlace(IOleClientSite* site, bool ui) {
  if (inPlaceFrame_ != nullptr) return ui ? ActivateUi() : S_OK;
  if (stack_ == nullptr) return OLE_E_BLANK;
  // Already open in the program's window: it stays there.
  if (document_ != nullptr) return OLE_E_NOT_INPLACEACTIVE;
  if (site == nullptr) return E_INVALIDARG;
  IOleInPlaceSite* inPlace = nullptr;
  if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))) || inPlace == nullptr) {
    return E_NOINTERFACE;
  }
  if (inPlace->CanInPlaceActivate() != S_OK) {
    inPlace->Release();
    return OLE_E_NOT_INPLACEACTIVE;
  }
  HWND parent = nullptr;
  if (FAILED(inPlace->GetWindow(&parent)) || parent == nullptr) {
    inPlace->Release();
    return E_FAIL;
  }
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* docWindow = nullptr;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof info;
  if (FAILED(inPlace->GetWindowContext(&frame, &docWindow, &position, &clip, &info))) {
    inPlace->Release();
    return E_FAIL;
  }
  auto releaseAll = [&] {
    if (frame != nullptr) frame->Release();
    if (docWindow != nullptr) docWindow->Release();
    inPlace->Release();
  };
  if (inPlace->OnInPlaceActivate() != S_OK) {
    releaseAll();
    return E_FAIL;
  }
  auto* doc = dynamic_cast<CLumo40Doc*>(NewDocumentFromStack(stack_, false));
  CInPlaceFrame* made = doc != nullptr ? CInPlaceFrame::Create(parent, position, clip, doc) : nullptr;
  if (made == nullptr) {
    if (doc != nullptr) doc->OnCloseDocument();
    inPlace->OnInPlaceDeactivate();
    releaseAll();
    return E_FAIL;
  }
  document_ = doc;
  doc->serverItem = this;
  const std::wstring type = kDocumentTypeName;
  doc->SetTitle(std::string(type.begin(), type.end()));
  AddRef();  // released when the document closes
  inPlaceSite_ = inPlace;
  containerFrame_ = frame;
  containerDocWindow_ = docWindow;
  inPlaceFrame_ = made;
  made->onCancel = [this] { CancelInPlace(); };
  made->onOpenSeparately = [this] { OpenSeparately(); };
  // The resize bar's drag asks the container, which places the object
  // again through SetObjectRects.
  made->onPosRectRequest = [this](const RECT& asked) {
    if (inPlaceSite_ != nullptr) inPlaceSite_->OnPosRectChange(&asked);
  };
  made->onBarsChanged = [this] { ShowBars(); };
  // Keys the image does not take go to the container's table while the
  // user interface is ours.
  frameInfo_ = info;
  made->translateContainerKey = [this](MSG* msg) {
    return uiActive_ && containerFrame_ != nullptr && frameInfo_.haccel != nullptr &&
           OleTranslateAccelerator(containerFrame_, &frameInfo_, msg) == S_OK;
  };
  return ui ? ActivateUi() : S_OK;
}

HRESULT CEmbeddedImage::ActivateUi() {
  if (inPlaceFrame_ == nullptr) return E_UNEXPECTED;
  if (uiActive_) {
    SetFocus(inPlaceFrame_->ClientPane());
    return S_OK;
  }
  uiActive_ = true;
  inPlaceSite_->OnUIActivate();
  const std::wstring name = kDocumentTypeName;
  auto* active = static_cast<IOleInPlaceActiveObject*>(this);
  if (containerFrame_ != nullptr) containerFrame_->SetActiveObject(active, name.c_str());
  if (containerDocWindow_ != nullptr) containerDocWindow_->SetActiveObject(active, name.c_str());
  MergeMenus();
  ShowBars();
  if (CLumo40View* view = inPlaceFrame_->ImageView()) view->OnActivateImageView(nullptr);
  SetFocus(inPlaceFrame_->ClientPane());
  return S_OK;
}

void CEmbeddedImage::MergeMenus() {
  if (containerFrame_ == nullptr || document_ == nullptr) return;
  auto* tmpl = dynamic_cast<CLumo40DocTemplate*>(document_->GetDocTemplate());
  HMENU inPlaceMenu = tmpl != nullptr ? tmpl->InPlaceMenu() : nullptr;
  if (inPlaceMenu == nullptr) return;
  tmpl->RefillServerMenus();
  sharedMenu_ = CreateMenu();
  OLEMENUGROUPWIDTHS widths{};
  containerFrame_->InsertMenus(sharedMenu_, &widths);
  // The in-place menu: a separator where the container's file group goes,
  // then our popups; the last (Help) is the help group, the others the edit
  // group. They are lent, and taken back (never destroyed) when the user
  // interface goes.
  // Popups 1-8 of the in-place menu, from the application's menu caches.
  std::vector<int> popups;
  CLumo40App* app = TheLumoApp();
  for (int i = 0; i < 8 && app != nullptr; ++i) {
    if (app->GetMenuPopup(1, 0, i) != nullptr) popups.push_back(i);
  }
  auto insertPopup = [&](int other, int at) {
    char text[128] = {};
    GetMenuStringA(inPlaceMenu, static_cast<UINT>(other + 1), text, sizeof text, MF_BYPOSITION);
    return InsertMenuA(sharedMenu_, static_cast<UINT>(at), MF_BYPOSITION | MF_POPUP,
                       reinterpret_cast<UINT_PTR>(app->GetMenuPopup(1, 0, other)), text) != FALSE;
  };
  ownMenuFirst_ = static_cast<int>(widths.width[0]);
  ownMenuCount_ = 0;
  for (std::size_t i = 0; i + 1 < popups.size(); ++i) {
    if (insertPopup(popups[i], ownMenuFirst_ + ownMenuCount_)) ++ownMenuCount_;
  }
  widths.width[1] = ownMenuCount_;
  widths.width[3] = 0;
  widths.width[5] = 0;
  helpMenuIndex_ = -1;
  if (!popups.empty()) {
    const int at = static_cast<int>(widths.width[0] + widths.width[1] + widths.width[2] + widths.width[3] +
                                    widths.width[4]);
    if (insertPopup(popups.back(), at)) {
      widths.width[5] = 1;
      helpMenuIndex_ = at;
    }
  }
  menuDescriptor_ = OleCreateMenuDescriptor(sharedMenu_, &widths);
  containerFrame_->SetMenu(sharedMenu_, menuDescriptor_, inPlaceFrame_->Handle());
}

void CEmbeddedImage::ShowBars() {
  if (containerFrame_ == nullptr || inPlaceFrame_ == nullptr) return;
  HWND frameWindow = nullptr;
  RECT border{};
  if (FAILED(containerFrame_->GetWindow(&frameWindow)) || frameWindow == nullptr ||
      FAILED(containerFrame_->GetBorder(&border))) {
    containerFrame_->SetBorderSpace(nullptr);
    return;
  }
  if (bars_ == nullptr) bars_ = CInPlaceBars::Create(frameWindow, border, inPlaceFrame_);
  if (bars_ == nullptr) {
    containerFrame_->SetBorderSpace(nullptr);
    return;
  }
  BORDERWIDTHS widths = bars_->Needed();
  if (containerFrame_->RequestBorderSpace(&widths) != S_OK || containerFrame_->SetBorderSpace(&widths) != S_OK) {
    // The container keeps its border for itself: no bars.
    std::exchange(bars_, nullptr)->Close();
    containerFrame_->SetBorderSpace(nullptr);
    return;
  }
  bars_->Place(border);
}

HRESULT CEmbeddedImage::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow*, BOOL frameWindow) try {
  if (border == nullptr) return E_INVALIDARG;
  if (!frameWindow || bars_ == nullptr || containerFrame_ == nullptr) return S_OK;
  bars_->Place(*border);
  BORDERWIDTHS widths = bars_->Needed();
  return containerFrame_->SetBorderSpace(&widths);
} catch (...) {
  return FailureOfException();
}

void CEmbeddedImage::UnmergeMenus() {
  if (sharedMenu_ == nullptr) return;
  if (containerFrame_ != nullptr) containerFrame_->SetMenu(nullptr, nullptr, nullptr);
  // Ours out (the document menu keeps its popups), then the container's.
  if (helpMenuIndex_ >= 0) RemoveMenu(sharedMenu_, static_cast<UINT>(helpMenuIndex_), MF_BYPOSITION);
  for (int i = ownMenuCount_ - 1; i >= 0; --i) {
    RemoveMenu(sharedMenu_, static_cast<UINT>(ownMenuFirst_ + i), MF_BYPOSITION);
  }
  if (containerFrame_ != nullptr) containerFrame_->RemoveMenus(sharedMenu_);
  if (menuDescriptor_ != nullptr) OleDestroyMenuDescriptor(menuDescriptor_);
  DestroyMenu(sharedMenu_);
  sharedMenu_ = nullptr;
  menuDescriptor_ = nullptr;
  ownMenuCount_ = 0;
  helpMenuIndex_ = -1;
}

HRESULT CEmbeddedImage::UIDeactivate() try {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  // The tool panes that followed the image into the container go, and the
  // view stops being the active one.
  HWND container = inPlaceFrame_ != nullptr ? GetAncestor(GetParent(inPlaceFrame_->Handle()), GA_ROOT) : nullptr;
  if (container != nullptr) DestroyPaneDialogsOwnedBy(container);
  if (CLumo40View* view = inPlaceFrame_ != nullptr ? inPlaceFrame_->ImageView() : nullptr) view->OnDeactivateImageView(nullptr);
  if (bars_ != nullptr) std::exchange(bars_, nullptr)->Close();
  UnmergeMenus();
  if (containerFrame_ != nullptr) containerFrame_->SetActiveObject(nullptr, nullptr);
  if (containerDocWindow_ != nullptr) containerDocWindow_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_ != nullptr) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
} catch (...) {
  return FailureOfException();
}

HRESULT CEmbeddedImage::InPlaceDeactivate() try {
  if (inPlaceFrame_ == nullptr) return S_OK;
  // A second deactivation while the user answers the question below.
  if (askingTransform_) return E_UNEXPECTED;
  // A transform running in the view is applied or discarded, as the user
  // says, before the image leaves the container's window.
  AddRef();  // held through the question; the document's closing releases its own
  if (CLumo40View* view = inPlaceFrame_->ImageView(); view != nullptr && view->IsTransformActive()) {
    askingTransform_ = true;
    view->QueryApplyTransform();
    askingTransform_ = false;
    if (inPlaceFrame_ == nullptr) {
      Release();
      return S_OK;
    }
  }
  UIDeactivate();
  if (ActivationEntry* entry = std::exchange(activation_, nullptr); entry != nullptr) {
    ActivationList& list = TheActivationList();
    if (list.Contains(entry)) list.Remove(entry);
  }
  CInPlaceFrame* frame = std::exchange(inPlaceFrame_, nullptr);
  frame->onCancel = nullptr;
  frame->onOpenSeparately = nullptr;
  // The edits reach the container's cache, and its storage when it saves.
  if (document_ != nullptr) document_->FlushServerItemUpdate();
  const bool changed = dirty_;
  DestroyWindow(frame->Handle());
  closingInPlace_ = true;
  if (document_ != nullptr && !keepDocument_) document_->OnCloseDocument();
  closingInPlace_ = false;
  // Asked before the in-place state goes, so the container saves the image
  // the user saw.
  if (changed && site_ != nullptr) site_->SaveObject();
  IOleInPlaceSite* site = std::exchange(inPlaceSite_, nullptr);
  if (containerFrame_ != nullptr) std::exchange(containerFrame_, nullptr)->Release();
  if (containerDocWindow_ != nullptr) std::exchange(containerDocWindow_, nullptr)->Release();
  if (site != nullptr) {
    site->OnInPlaceDeactivate();
    site->Release();
  }
  Release();
  return S_OK;
} catch (...) {
  return FailureOfException();
}

void CEmbeddedImage::CancelInPlace() { InPlaceDeactivate(); }

void CEmbeddedImage::OpenSeparately() {
  // The document itself moves: in-place editing ends without closing it,
  // and its own (hidden) window shows, so its undo history goes along.
  CLumo40Doc* doc = document_;
  keepDocument_ = true;
  InPlaceDeactivate();
  keepDocument_ = false;
  if (doc != nullptr && document_ == doc && !doc->Views().empty()) {
    if (fw::FrameWnd* frame = doc->Views().front()->GetParentFrame()) frame->ActivateFrame(-1);
    UseEmbeddingMenu(doc);
  }
  OpenInWindow();
}

HRESULT CEmbeddedImage::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = inPlaceFrame_ != nullptr ? inPlaceFrame_->Handle() : nullptr;
  return *window != nullptr ? S_OK : E_FAIL;
}

HRESULT CEmbeddedImage::SetObjectRects(LPCRECT position, LPCRECT clip) try {
  if (position == nullptr) return E_INVALIDARG;
  if (inPlaceFrame_ == nullptr) return OLE_E_NOT_INPLACEACTIVE;
  const RECT none{0, 0, 0, 0};
  inPlaceFrame_->SetPosition(*position, clip != nullptr ? *clip : none);
  // The image shows whole in the new rectangle, as in a new window.
  if (CLumo40View* view = inPlaceFrame_->ImageView()) view->FitZoomToWindow();
  return S_OK;
} catch (...) {
  return FailureOfException();
}

HRESULT CEmbeddedImage::OnFrameWindowActivate(BOOL active) try {
  CLumo40View* view = inPlaceFrame_ != nullptr ? inPlaceFrame_->ImageView() : nullptr;
  if (view == nullptr) return S_OK;
  if (!active) {
    view->OnDeactivateImageView(nullptr);
    return S_OK;
  }
  ActivationList& list = TheActivationList();
  if (activation_ != nullptr && list.Contains(activation_)) {
    list.MoveToFront(activation_);
  } else {
    activation_ = list.AddView(document_);
  }
  view->OnActivateImageView(nullptr);
  return S_OK;
} catch (...) {
  return FailureOfException();
}

HRESULT CEmbeddedImage::OnDocWindowActivate(BOOL active) try {
  if (!uiActive_ || inPlaceFrame_ == nullptr) return S_OK;
  if (!active) {
    // Another document window of the container: our menu and bars leave
    // its frame; the border space stays granted for our return.
    if (bars_ != nullptr) ShowWindow(bars_->Handle(), SW_HIDE);
    UnmergeMenus();
    return S_OK;
  }
  const std::wstring name = kDocumentTypeName;
  if (containerFrame_ != nullptr) containerFrame_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), name.c_str());
  if (sharedMenu_ == nullptr) MergeMenus();
  ShowBars();
  SetFocus(inPlaceFrame_->ClientPane());
  return S_OK;
} catch (...) {
  return FailureOfException();
}

CLayersManager* CEmbeddedImage::CurrentStack() const {
  if (fileDocument_ != nullptr && fileDocument_->Image().GetLayers() != nullptr) {
    return fileDocument_->Image().GetLayers();
  }
  if (document_ != nullptr && document_->Image().GetLayers() != nullptr) return document_->Image().GetLayers();
  return stack_;
}

HRESULT CEmbeddedImage::ShowFile(LONG verb) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
    case 1:  // the registered Open verb
      break;
    case OLEIVERB_HIDE:
      // The file's window is the user's document: it stays.
      return OLEOBJ_S_CANNOT_DOVERB_NOW;
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      // A file is edited in the program's window, never inside a container.
      return OLE_E_NOT_INPLACEACTIVE;
    default:
      return OLEOBJ_E_INVALIDVERB;
  }
  fw::App* app = fw::TheApp();
  const std::string path = NarrowPath(file_);
  if (app == nullptr || path.empty()) return E_UNEXPECTED;
  // The program's own open: a document of the file already open is
  // activated, so every edit lands in the one document the user saves.
  auto* doc = dynamic_cast<CLumo40Doc*>(app->OpenDocumentFile(path));
  if (doc == nullptr) return STG_E_FILENOTFOUND;
  FollowDocument(doc);
  if (fw::FrameWnd* frame = app->MainFrame(); frame != nullptr && frame->Handle() != nullptr) {
    ShowWindow(frame->Handle(), SW_SHOW);
    SetForegroundWindow(frame->Handle());
  }
  return S_OK;
}

void CEmbeddedImage::FollowDocument(CLumo40Doc* doc) {
  if (doc == fileDocument_) return;
  AddRef();  // held while the object follows the document
  if (CLumo40Doc* old = std::exchange(fileDocument_, nullptr); old != nullptr) {
    old->RemoveFileLink(this);
    Release();
  }
  fileDocument_ = doc;
  doc->AddFileLink(this);
}

void CEmbeddedImage::FileWritten(const std::string& path) {
  if (!SameFile(file_, WidePath(path))) return;
  fileWritten_ = true;
  // The links show the file as saved and hear that it was.
  if (dataAdviseHolder_ != nullptr) dataAdviseHolder_->SendOnDataChange(static_cast<IDataObject*>(this), 0, 0);
  if (adviseHolder_ != nullptr) adviseHolder_->SendOnSave();
}

bool CEmbeddedImage::LinksTo(const std::string& path) { return SameFile(file_, WidePath(path)); }

void CEmbeddedImage::DocumentGone() {
  fileDocument_ = nullptr;
  if (const DWORD cookie = std::exchange(runningCookie_, 0); cookie != 0) {
    // The document's stand-in leaves the table and goes.
    IRunningObjectTable* table = nullptr;
    if (SUCCEEDED(GetRunningObjectTable(0, &table))) {
      table->Revoke(cookie);
      table->Release();
    }
    AddServedObject();  // given back: the destructor takes it
    Release();
    return;
  }
  // Without the document the object shows its file: read again when the
  // document wrote it (its unsaved changes are not the file's).
  if (std::exchange(fileWritten_, false)) {
    try {
      DiskFile file(NarrowPath(file_), DiskFile::kRead);
      CLayersManagerPtr read = LoadLayeredStack(file);
      if (read) {
        if (stack_ != nullptr) stack_->Release();
        stack_ = read.Detach();
      }
    } catch (...) {
      // The file as last read stays the object's image.
    }
  }
  Release();
}

void CEmbeddedImage::UseEmbeddingMenu(CLumo40Doc* doc) {
  auto* tmpl = dynamic_cast<CLumo40DocTemplate*>(doc->GetDocTemplate());
  if (tmpl == nullptr || tmpl->EmbeddingMenu() == nullptr || doc->Views().empty()) return;
  tmpl->RefillServerMenus();
  auto* child = dynamic_cast<fw::MdiChild*>(doc->Views().front()->GetParentFrame());
  if (child == nullptr) return;
  child->sharedMenu = tmpl->EmbeddingMenu();
  if (tmpl->EmbeddingAccelerators() != nullptr) child->sharedAccel = tmpl->EmbeddingAccelerators();
  fw::MdiFrame* main = child->GetMdiFrame();
  if (main != nullptr && main->ActiveChild() == child) main->SetSharedMenu(child->sharedMenu);
}

HRESULT CEmbeddedImage::OpenInWindow() {
  if (stack_ == nullptr) return OLE_E_BLANK;
  if (document_ == nullptr) {
    // The window's document is an embedding: no file of its own to save,
    // no rulers, not a workspace's.
    struct EmbeddingNext {
      CLumo40DocManager* manager = ImageDocManager();
      EmbeddingNext() {
        if (manager != nullptr) manager->pendingEmbedding = true;
      }
      // Whatever happens, the documents made after this one are not.
      ~EmbeddingNext() {
        if (manager != nullptr) manager->pendingEmbedding = false;
      }
    };
    fw::Document* made = nullptr;
    {
      EmbeddingNext embedding;
      made = NewDocumentFromStack(stack_);
    }
    auto* doc = dynamic_cast<CLumo40Doc*>(made);
    if (doc == nullptr) return E_FAIL;
    document_ = doc;
    doc->serverItem = this;
    const std::wstring type = kDocumentTypeName;
    doc->SetTitle(std::string(type.begin(), type.end()));
    // Our reference keeps the object while its window is open.
    AddRef();
    UseEmbeddingMenu(doc);
  }
  // Made before the document knew its object (or moved from the
  // container's window): the close item names the container now.
  for (fw::View* view : document_->Views()) {
    if (auto* image = dynamic_cast<CLumo40View*>(view)) image->SetCloseMenuText();
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
  const fw::Document* closing = std::exchange(document_, nullptr);
  if (!closingInPlace_) {
    if (site_ != nullptr) site_->OnShowWindow(FALSE);
    HideProgramWithoutWindows(closing);
    // The user closed the object's window: the container is told, and may
    // let the object go.
    if (!closingObject_ && adviseHolder_ != nullptr) adviseHolder_->SendOnClose();
  }
  Release();
}

HRESULT CEmbeddedImage::EnumVerbs(IEnumOLEVERB** out) { return OleRegEnumVerbs(DocumentClsid(), out); }

HRESULT CEmbeddedImage::GetUserClassID(CLSID* out) {
  if (out == nullptr) return E_POINTER;
  *out = DocumentClsid();
  return S_OK;
}

HRESULT CEmbeddedImage::GetUserType(DWORD form, LPOLESTR* out) { return OleRegGetUserType(DocumentClsid(), form, out); }

HRESULT CEmbeddedImage::SetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_INVALIDARG;
  // Only the content has a size a container can give; the image is neither
  // cut nor scaled by it (the container scales the picture it draws).
  return aspect == DVASPECT_CONTENT ? S_OK : E_FAIL;
}

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
  if (f == nullptr || f->lindex != -1) return -1;
  for (int which = 0; which < kServedCount; ++which) {
    const FORMATETC served = ServedFormatEtc(which);
    if (f->cfFormat != served.cfFormat || (f->tymed & served.tymed) == 0) continue;
    // The selection block and the marker have no aspect; the pictures show
    // the content.
    if (which != kMask && which != kMarker && f->dwAspect != DVASPECT_CONTENT) return -1;
    return which;
  }
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
  TraceMark(which == kDib ? "embedding render dib" : which == kMetafile ? "embedding render metafile" : "embedding render");
  try {
    const ServedFormat served = static_cast<ServedFormat>(which);
    medium->pUnkForRelease = nullptr;
    if (served == kBitmap || served == kPalette) {
      // The display bitmap of the DIB, and the palette to show it with.
      HGLOBAL dibBlock = RenderDib();
      if (dibBlock == nullptr) return E_OUTOFMEMORY;
      HPALETTE palette = nullptr;
      HBITMAP bitmap = DisplayBitmapOfDib(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dibBlock)),
                                          served == kPalette ? &palette : nullptr);
      GlobalUnlock(dibBlock);
      GlobalFree(dibBlock);
      if (served == kPalette && bitmap != nullptr) DeleteObject(bitmap);
      HGDIOBJ made = served == kPalette ? static_cast<HGDIOBJ>(palette) : static_cast<HGDIOBJ>(bitmap);
      if (made == nullptr) return E_OUTOFMEMORY;
      medium->tymed = TYMED_GDI;
      medium->hBitmap = static_cast<HBITMAP>(made);
      TraceMark("embedding rendered");
      return S_OK;
    }
    HGLOBAL block = nullptr;
    if (served == kDib) {
      block = RenderDib();
    } else if (served == kMetafile) {
      block = RenderMetafilePicture();
    } else if (served == kMask) {
      // The object keeps no selection of a copy: the block names the image's
      // size and an empty selection.
      const CLayersManager* stack = CurrentStack();
      if (stack == nullptr) return OLE_E_BLANK;
      block = MaskBlockOf(stack->GetWidth(), stack->GetHeight(), nullptr);
    } else {
      block = OriginMarkerBlock();
    }
    TraceMark("embedding rendered");
    if (block == nullptr) return E_OUTOFMEMORY;
    medium->tymed = served == kMetafile ? TYMED_MFPICT : TYMED_HGLOBAL;
    medium->hGlobal = block;
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
  FORMATETC formats[kServedCount];
  for (int which = 0; which < kServedCount; ++which) formats[which] = ServedFormatEtc(which);
  return SHCreateStdEnumFmtEtc(kServedCount, formats, out);
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
  TraceMark("embedding storage load");
  HRESULT result = S_OK;
  try {
    ContentsStream file(stream);
    stack_ = LoadLayeredStack(file).Detach();
  } catch (...) {
    result = STG_E_READFAULT;
  }
  stream->Release();
  TraceMark("embedding storage loaded");
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
  TraceMark("embedding save");
  HRESULT result = S_OK;
  try {
    // The layered file through a temporary file, copied in pieces into the
    // new (empty) stream.
    ContentsStream file(stream);
    StoreLayeredStack(*stack, file);
    file.Flush();
  } catch (...) {
    result = STG_E_WRITEFAULT;
  }
  stream->Release();
  TraceMark("embedding saved");
  if (SUCCEEDED(result)) dirty_ = false;
  return result;
}

// ---- IPersistFile

HRESULT CEmbeddedImage::Load(LPCOLESTR path, DWORD) {
  if (path == nullptr) return E_POINTER;
  if (stack_ != nullptr) return CO_E_ALREADYINITIALIZED;
  const std::string narrow = NarrowPath(path);
  if (narrow.empty()) return STG_E_FILENOTFOUND;
  TraceMark("embedding file load");
  try {
    // Read as the storage's stream is: in whole pieces and without the
    // progress indicator, whose window and per-row steps would cost far
    // more than the reading (a container's call has no user to show it to).
    DiskFile file(narrow, DiskFile::kRead);
    stack_ = LoadLayeredStack(file).Detach();
  } catch (...) {
    return STG_E_READFAULT;
  }
  TraceMark("embedding file loaded");
  file_ = path;
  // New to the container: its storage has yet to receive the image.
  dirty_ = true;
  // The file open in the program: the object shows that document and
  // hears its saves, as one whose verb opened it.
  if (CLumo40DocManager* manager = ImageDocManager()) {
    for (fw::Document* open : manager->AllDocuments()) {
      auto* doc = dynamic_cast<CLumo40Doc*>(open);
      if (doc != nullptr && LinksTo(doc->GetPathName())) {
        FollowDocument(doc);
        break;
      }
    }
  }
  return S_OK;
}

HRESULT CEmbeddedImage::Save(LPCOLESTR path, BOOL remember) {
  const std::wstring target = path != nullptr ? std::wstring(path) : file_;
  // No name given and none loaded: nothing names the file to write.
  if (target.empty()) return E_INVALIDARG;
  const std::string narrow = NarrowPath(target);
  if (narrow.empty()) return STG_E_INVALIDNAME;
  const bool own = SameFile(file_, target);
  try {
    if (fileDocument_ != nullptr && (own || remember)) {
      // The open document saves itself: its modified mark, its name and the
      // links (this object among them) follow.
      const std::wstring previous = file_;
      file_ = target;
      if (!fileDocument_->DoSave(own ? fileDocument_->GetPathName() : narrow, true)) {
        file_ = previous;
        return STG_E_WRITEFAULT;
      }
      return S_OK;
    }
    CLayersManager* stack = CurrentStack();
    if (stack == nullptr) return OLE_E_BLANK;
    if (!HasLayeredExtension(narrow)) return STG_E_INVALIDNAME;
    if (fileDocument_ != nullptr) fileDocument_->Image().Queue().RenderAllNow();
    SaveLayeredStack(*stack, narrow);
  } catch (...) {
    return STG_E_WRITEFAULT;
  }
  if (remember) file_ = target;
  if (own && adviseHolder_ != nullptr) adviseHolder_->SendOnSave();
  return S_OK;
}

HRESULT CEmbeddedImage::IsDirty() {
  if (file_.empty()) return dirty_ ? S_OK : S_FALSE;
  const bool changed =
      fileDocument_ != nullptr && (fileDocument_->IsModified() || fileDocument_->Image().IsModified());
  return changed ? S_OK : S_FALSE;
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

void EndInPlaceEditing() {
  // Held through the calls to the containers, which may let objects go.
  std::vector<CEmbeddedImage*> live = gLiveObjects;
  for (CEmbeddedImage* object : live) object->AddRef();
  for (CEmbeddedImage* object : live) object->InPlaceDeactivate();
  for (CEmbeddedImage* object : live) object->Release();
}

// ---- The running documents

void RegisterRunningDocument(CLumo40Doc& doc) {
  const std::wstring path = WidePath(doc.GetPathName());
  if (path.empty()) return;
  IRunningObjectTable* table = nullptr;
  if (FAILED(GetRunningObjectTable(0, &table))) return;
  IMoniker* moniker = nullptr;
  CEmbeddedImage* object = nullptr;
  try {
    if (SUCCEEDED(CreateFileMoniker(path.c_str(), &moniker))) object = CEmbeddedImage::Create();
    if (object != nullptr) {
      object->file_ = path;
      object->FollowDocument(&doc);
      DWORD cookie = 0;
      if (SUCCEEDED(table->Register(0, static_cast<IOleObject*>(object), moniker, &cookie)) && cookie != 0) {
        object->runningCookie_ = cookie;
        // The user's document keeps no server running by itself.
        ReleaseServedObject();
      } else {
        doc.RemoveFileLink(object);
        object->fileDocument_ = nullptr;
        object->Release();  // the document's
      }
    }
  } catch (...) {
    // Not registered: links bind to the file as on disk.
  }
  if (object != nullptr) object->Release();  // the creation's
  if (moniker != nullptr) moniker->Release();
  table->Release();
}

// ---- The factory

bool RegisterEmbeddingFactory() {
  if (CLumo40DocManager* manager = ImageDocManager(); manager != nullptr && !manager->fileNamed) {
    manager->fileNamed = [](CLumo40Doc& doc) { RegisterRunningDocument(doc); };
  }
  if (gEmbeddingCookie != 0) return true;
  return SUCCEEDED(CoRegisterClassObject(DocumentClsid(), &gEmbeddingFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                         &gEmbeddingCookie));
}

void RevokeEmbeddingFactory() {
  if (gEmbeddingCookie != 0) CoRevokeClassObject(gEmbeddingCookie);
  gEmbeddingCookie = 0;
}

}  // namespace lumora
