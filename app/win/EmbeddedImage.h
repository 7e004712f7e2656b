// "Lumo40.Document" as an embedded object: a container's image served by
// this program. New objects are a 320 x 240 white image at 72 dpi; the
// image is kept in the storage's "Contents" stream as a layered file; the
// container's cache is given the composite as CF_DIB (exact pixels) or as a
// metafile picture, and the size in HIMETRIC. A container that offers an
// in-place site gets the image edited inside its window (the primary verb,
// in-place and UI activation); others, and the Open verb, get the program's
// own window.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <string>

#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"

namespace lumora {

class CInPlaceBars;
class CInPlaceFrame;

class CEmbeddedImage final : public IOleObject,
                             public IOleInPlaceObject,
                             public IOleInPlaceActiveObject,
                             public IDataObject,
                             public IPersistStorage,
                             public IPersistFile,
                             private CLumo40Doc::ServerItem,
                             private CLumo40Doc::FileLink {
 public:
  static CEmbeddedImage* Create();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR container, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** out) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override;
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* out) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* out) override;
  // The container's size for the content is taken as given; the object's
  // own extent (GetExtent) stays the image's, whatever space it is drawn in.
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }
  // IOleWindow (both in-place interfaces): the in-place frame.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
  // IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }
  // IOleInPlaceActiveObject. The keys of an object in another process reach
  // its own message loop, so the container has none to translate; the
  // in-place frame hands the container's keys to it.
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL active) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL active) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow*, BOOL frameWindow) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  // IDataObject
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return DATA_E_FORMATETC; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** out) override;
  // IPersistStorage and IPersistFile
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override { return GetUserClassID(out); }
  // An embedding: the container's storage has yet to receive the image; an
  // object bound to a file: its open document holds unsaved changes.
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL sameAsLoad) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override { return S_OK; }
  // IPersistFile: a layered file opened as the object's image (creation
  // from a file and links). Such an object stands for its file: its verbs
  // open the file in the program (the document the user saves), and Save
  // writes it (the open document saves itself; otherwise the image as a
  // layered file).
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR path, DWORD mode) override;
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR path, BOOL remember) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* out) override;

 private:
  friend void RegisterRunningDocument(CLumo40Doc& doc);
  CEmbeddedImage();
  // Open editing: the image in a document window of the program, whose
  // changes reach the container at the end of each idle pass.
  HRESULT OpenInWindow();
  // The document's window shows the embedding menu (File/Update) and keys.
  static void UseEmbeddingMenu(CLumo40Doc* doc);
  // In-place activation in the site's window, with the user interface
  // (shared menu, active object) when `ui`; fails, changing nothing, where
  // the site cannot take it.
  HRESULT ActivateInPlace(IOleClientSite* site, bool ui);
  HRESULT ActivateUi();
  // Esc: the user interface goes, then the in-place window.
  void CancelInPlace();
  // "Open Picture object into separate window": the document leaves the
  // container's window for the program's.
  void OpenSeparately();
  void MergeMenus();
  // The bars in the container's frame over the border space it grants
  // (none, and no border space asked, where it refuses).
  void ShowBars();
  void UnmergeMenus();
  void SendUpdate() override;
  void SaveToContainer() override;
  void DocumentClosing() override;
  std::string ContainerName() const override;
  // The stack shown: the open document's while there is one.
  CLayersManager* CurrentStack() const;
  // The verbs of an object bound to a file: the file opened (or its open
  // document activated) in the program's window.
  HRESULT ShowFile(LONG verb);
  // The object follows the document of its file (and lets go of another).
  void FollowDocument(CLumo40Doc* doc);
  // CLumo40Doc::FileLink: the file's document wrote a file, names another
  // one, or closed.
  void FileWritten(const std::string& path) override;
  bool LinksTo(const std::string& path) override;
  void DocumentGone() override;
  ~CEmbeddedImage();
  // The formats served: which one a request names, or -1.
  int Served(const FORMATETC* format) const;
  HGLOBAL RenderDib() const;
  HGLOBAL RenderMetafilePicture() const;

  std::atomic<ULONG> refs_{1};
  CLayersManager* stack_ = nullptr;  // one reference, ours
  IOleClientSite* site_ = nullptr;
  IOleAdviseHolder* adviseHolder_ = nullptr;
  IDataAdviseHolder* dataAdviseHolder_ = nullptr;
  bool dirty_ = false;
  std::wstring file_;  // the file loaded through IPersistFile
  // The program's document of that file while the object follows it (one
  // reference of ours), and whether it wrote the file since.
  CLumo40Doc* fileDocument_ = nullptr;
  bool fileWritten_ = false;
  // The names the container gave: its own and the object's in it.
  std::wstring containerName_, containerObjectName_;
  // The object standing for an open document in the running object table
  // (0: not registered); it keeps no server alive.
  DWORD runningCookie_ = 0;
  CLumo40Doc* document_ = nullptr;  // the window's document during open editing
  // In place: the site, the container's frame and document window, our
  // frame in the container's window, the shared menu and its descriptor.
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  IOleInPlaceFrame* containerFrame_ = nullptr;
  IOleInPlaceUIWindow* containerDocWindow_ = nullptr;
  // The container's keys (its accelerator table), as its site gave them.
  OLEINPLACEFRAMEINFO frameInfo_{};
  CInPlaceFrame* inPlaceFrame_ = nullptr;
  CInPlaceBars* bars_ = nullptr;
  bool uiActive_ = false;
  // The image's place in the program's window activation list while its
  // container's frame has been active.
  struct ActivationEntry* activation_ = nullptr;
  HMENU sharedMenu_ = nullptr;
  HOLEMENU menuDescriptor_ = nullptr;
  int ownMenuFirst_ = 0, ownMenuCount_ = 0, helpMenuIndex_ = -1;
  bool closingInPlace_ = false;
  // IOleObject::Close closes the window of open editing.
  bool closingObject_ = false;
  // In-place editing ends with the document staying open (it moves to the
  // program's window).
  bool keepDocument_ = false;
  // The user is being asked about a transform running in place.
  bool askingTransform_ = false;
};

// An open document with a file registered as running under the file's
// moniker (an object of ours following it), so links bind to it; revoked
// when the document closes or takes another name.
void RegisterRunningDocument(CLumo40Doc& doc);

// The class factory of embedded images, registered for the whole run (and
// the running-document registration with it).
bool RegisterEmbeddingFactory();
void RevokeEmbeddingFactory();

// Every image edited in a container's window leaves it, the container told
// (the program's window is closing).
void EndInPlaceEditing();

}  // namespace lumora
