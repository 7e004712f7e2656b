// The activation list's host over windows.
#include "view/win/AppActivation.h"

#include <windows.h>

#include "document/win/Lumo40Doc.h"
#include "framework/win/Frame.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {

namespace {

// The image view of an MDI child window, or null.
HWND ChildImageView(HWND child) {
  auto* frame = dynamic_cast<fw::FrameWnd*>(fw::Window::FromHandle(child));
  fw::View* view = frame != nullptr ? frame->GetActiveView() : nullptr;
  if (view != nullptr && IsImageViewWnd(view->Handle())) return view->Handle();
  HWND first = child != nullptr ? GetWindow(child, GW_CHILD) : nullptr;
  return IsImageViewWnd(first) ? first : nullptr;
}

HWND DocumentView(void* document) {
  auto* doc = static_cast<CLumo40Doc*>(document);
  for (fw::View* v : doc->Views()) {
    if (IsImageViewWnd(v->Handle())) return v->Handle();
  }
  return nullptr;
}

class WindowActivationHost : public ActivationHost {
 public:
  void* EntryWindow(const ActivationEntry& entry) override {
    if (entry.kind == kActivationInPlace) return entry.document != nullptr ? DocumentView(entry.document) : nullptr;
    auto client = static_cast<HWND>(entry.mdiClient);
    if (client == nullptr || !IsWindow(client)) return nullptr;
    return ChildImageView(reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)));
  }

  std::vector<void*> EntryImageWindows(const ActivationEntry& entry) override {
    std::vector<void*> windows;
    if (entry.kind == kActivationInPlace) {
      if (void* w = EntryWindow(entry)) windows.push_back(w);
      return windows;
    }
    auto client = static_cast<HWND>(entry.mdiClient);
    if (client == nullptr || !IsWindow(client)) return windows;
    for (HWND child = GetWindow(client, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if (GetWindow(child, GW_OWNER) != nullptr) continue;
      HWND first = GetWindow(child, GW_CHILD);
      if (IsImageViewWnd(first)) windows.push_back(first);
    }
    return windows;
  }

  void* ActiveImageOf(void* window) override {
    CLumo40Doc* doc = GetDocFromWnd(static_cast<HWND>(window));
    return doc != nullptr ? doc->Image().GetActiveImage().get() : nullptr;
  }

  void* FloatingImageOf(void* window) override {
    CLumo40Doc* doc = GetDocFromWnd(static_cast<HWND>(window));
    return doc != nullptr ? doc->Image().GetFloatingImage().get() : nullptr;
  }

  void DeactivateView(void* window, void* other) override {
    if (CLumo40View* view = GetViewFromWnd(static_cast<HWND>(window))) {
      view->OnDeactivateImageView(GetViewFromWnd(static_cast<HWND>(other)));
    }
  }

  void ActivateView(void* window, void* other) override {
    if (CLumo40View* view = GetViewFromWnd(static_cast<HWND>(window))) {
      view->OnActivateImageView(GetViewFromWnd(static_cast<HWND>(other)));
    }
  }
};

}  // namespace

ActivationList& TheActivationList() {
  static WindowActivationHost host;
  static ActivationList list(&host);
  return list;
}

}  // namespace lumora
