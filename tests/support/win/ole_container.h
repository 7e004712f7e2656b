// A container of the test's own for in-place editing, whether the object is
// served in this process or by the program in another: its windows (a
// top-level frame with a document area), its in-place frame, an MDI
// document window and the site. Each records what the object asks of it.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <vector>

namespace lumora::testing {

// The container's frame window and the document area inside it where the
// object is shown.
struct ContainerWindows {
  HWND frame = nullptr;
  HWND area = nullptr;

  // A shown frame of the size at the screen's top left corner (with
  // `exStyle`, for example above other windows) and an area of the size
  // at its client's origin.
  static ContainerWindows Create(SIZE frameSize, SIZE areaSize, DWORD exStyle = 0) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "LumoraTestContainer";
    RegisterClassA(&wc);
    ContainerWindows windows;
    windows.frame = CreateWindowExA(exStyle, wc.lpszClassName, "Container",
                                    WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, frameSize.cx,
                                    frameSize.cy, nullptr, nullptr, wc.hInstance, nullptr);
    windows.area = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                   areaSize.cx, areaSize.cy, windows.frame, nullptr, wc.hInstance, nullptr);
    return windows;
  }
};

// The child window of `parent` (any depth) with the control id.
inline HWND ChildWithId(HWND parent, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(w) != s->id) return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The container's in-place frame. Its File popup goes first into the
// shared menu, which it shows as its window's menu with the object's
// descriptor, as a container does.
class TestInPlaceFrame : public IOleInPlaceFrame {
 public:
  explicit TestInPlaceFrame(HWND window) : window_(window) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceUIWindow) ||
        IsEqualIID(iid, IID_IOleInPlaceFrame)) {
      *out = static_cast<IOleInPlaceFrame*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
    *w = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT r) override { return GetClientRect(window_, r) ? S_OK : E_FAIL; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override {
    border = widths != nullptr ? *widths : RECT{-1, -1, -1, -1};
    ++borderSets;
    return S_OK;
  }
  // Holds a reference to the object set last (a proxy, when it is served
  // by another process), given up when another or none is set.
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    if (object != nullptr) ++activeObjectsSet;
    activeObject = object != nullptr;
    if (object != nullptr) object->AddRef();
    if (active != nullptr) active->Release();
    active = object;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override {
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 100, "Container Exit");
    insertedFile = InsertMenuA(shared, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File") != FALSE;
    insertError = insertedFile ? 0 : GetLastError();
    if (!insertedFile) DestroyMenu(file);
    widths->width[0] = insertedFile ? 1 : 0;
    widths->width[2] = 0;
    widths->width[4] = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU descriptor, HWND objectWindow) override {
    sharedMenu = shared;
    if (shared != nullptr) {
      ++menusSet;
      menuDescriptor = descriptor;
      menuObjectWindow = objectWindow;
      sharedMenuItems = GetMenuItemCount(shared);
      menuSet = ::SetMenu(window_, shared) != FALSE;
      setMenuError = menuSet ? 0 : GetLastError();
      descriptorSet = OleSetMenuDescriptor(descriptor, window_, objectWindow, this, nullptr);
    } else {
      OleSetMenuDescriptor(nullptr, window_, nullptr, nullptr, nullptr);
      ::SetMenu(window_, nullptr);
      menuRemoved = true;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) override {
    if (insertedFile) RemoveMenu(shared, 0, MF_BYPOSITION);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  // A key of the container's table the object handed over: the container
  // carries out its command.
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, WORD command) override {
    containerCommands.push_back(command);
    containerKeys.push_back(msg != nullptr ? msg->wParam : 0);
    return S_OK;
  }

  std::vector<WORD> containerCommands;  // the commands the object handed over
  std::vector<WPARAM> containerKeys;    // with their keys
  int menusSet = 0;  // shared menus set
  int activeObjectsSet = 0;
  bool activeObject = false;
  IOleInPlaceActiveObject* active = nullptr;  // the one set last
  RECT border{-1, -1, -1, -1};  // the last border space set (left, top, right, bottom)
  int borderSets = 0;
  bool insertedFile = false, menuSet = false, menuRemoved = false;
  DWORD insertError = 0, setMenuError = 0;
  HRESULT descriptorSet = E_FAIL;
  HMENU sharedMenu = nullptr;  // null again once the object took it away
  HOLEMENU menuDescriptor = nullptr;
  HWND menuObjectWindow = nullptr;
  int sharedMenuItems = -2;

 private:
  HWND window_;
};

// The document window of an MDI container, which lends the object no
// border space.
class TestDocWindow : public IOleInPlaceUIWindow {
 public:
  explicit TestDocWindow(HWND window) : window_(window) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceUIWindow)) {
      *out = static_cast<IOleInPlaceUIWindow*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
    *w = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT r) override { return GetClientRect(window_, r) ? S_OK : E_FAIL; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
    active = object;
    return S_OK;
  }
  IOleInPlaceActiveObject* active = nullptr;

 private:
  HWND window_;
};

// The container's site of the object in its document area: the object is
// placed at `position`; with a document window the container is an MDI one.
class TestSite : public IOleClientSite, public IOleInPlaceSite {
 public:
  TestSite(HWND area, TestInPlaceFrame* frame, RECT position, IOleInPlaceUIWindow* docWindow = nullptr)
      : area_(area), frame_(frame), docWindow_(docWindow), position_(position) {
    GetClientRect(area, &clip_);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleWindow)) {
      if (!offersInPlace) {
        *out = nullptr;
        return E_NOINTERFACE;
      }
      *out = static_cast<IOleInPlaceSite*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override {
    ++saves;
    // Where the test gives them, the object is saved into the storage.
    IPersistStorage* persist = nullptr;
    if (saveObject == nullptr || saveStorage == nullptr ||
        FAILED(saveObject->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist)))) {
      return S_OK;
    }
    const HRESULT saved = OleSave(persist, saveStorage, TRUE);
    persist->SaveCompleted(nullptr);
    persist->Release();
    return saved;
  }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override {
    *m = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
    *c = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override {
    if (show) ++openWindows;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
    *w = area_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
    inPlace = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override {
    ui = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    *frame = frame_;
    *doc = docWindow_;
    *position = position_;
    *clip = clip_;
    info->fMDIApp = docWindow_ != nullptr;
    info->hwndFrame = GetAncestor(area_, GA_ROOT);
    info->haccel = keys;
    info->cAccelEntries = keys != nullptr ? static_cast<UINT>(CopyAcceleratorTableA(keys, nullptr, 0)) : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override {
    ui = false;
    ++uiDeactivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
    inPlace = false;
    ++inPlaceDeactivations;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  // The object asks for another rectangle: granted as asked, and the
  // object placed there.
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT asked) override {
    ++posRectChanges;
    askedRect = *asked;
    position_ = *asked;
    if (inPlaceObject != nullptr) inPlaceObject->SetObjectRects(&position_, &clip_);
    return S_OK;
  }

  // The container places the object at `position` (SetObjectRects).
  HRESULT Place(const RECT& position) {
    position_ = position;
    return inPlaceObject != nullptr ? inPlaceObject->SetObjectRects(&position_, &clip_) : E_UNEXPECTED;
  }

  bool offersInPlace = true;
  HACCEL keys = nullptr;  // the container's key table
  IOleInPlaceObject* inPlaceObject = nullptr;  // the object placed again on OnPosRectChange
  IOleObject* saveObject = nullptr;
  IStorage* saveStorage = nullptr;
  int posRectChanges = 0;
  RECT askedRect{};
  bool inPlace = false, ui = false;
  int saves = 0, openWindows = 0, uiDeactivations = 0, inPlaceDeactivations = 0;

 private:
  HWND area_;
  TestInPlaceFrame* frame_;
  IOleInPlaceUIWindow* docWindow_;
  RECT position_;
  RECT clip_{};
};

}  // namespace lumora::testing
