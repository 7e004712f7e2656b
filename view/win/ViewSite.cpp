// The site's view entries and the image-view hook.
#include "view/win/ViewSite.h"

#include "document/win/Lumo40Doc.h"
#include "framework/win/Frame.h"
#include "hostapi/toolhost.h"
#include "view/win/AppActivation.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace viewsite {

bool HasDrawContext(HWND view) {
  CLumo40View* v = GetViewFromWnd(view);
  return v != nullptr && v->HasDrawContext();
}

void UpdateImageWndSize(HWND view, int fitFrame) {
  CLumo40View* v = GetViewFromWnd(view);
  if (v == nullptr || !v->HasDrawContext()) return;
  v->RefreshDrawContext();
  {
    std::lock_guard<std::mutex> guard(v->ViewLock());
    if (v->DrawContext() != nullptr) v->DrawContext()->Update();
  }
  InvalidateRect(view, nullptr, FALSE);
  if (fw::FrameWnd* frame = v->GetParentFrame()) frame->OnUpdateFrameTitle(true);
  if (fitFrame != 0) {
    v->CorrectWindowSize(true);
  } else {
    v->UpdateScrollSizes();
  }
}

void RefreshDrawContext(HWND view) {
  if (CLumo40View* v = GetViewFromWnd(view)) v->RefreshDrawContext();
}

void RedrawImageWnd(HWND view) {
  if (CLumo40View* v = GetViewFromWnd(view)) v->RedrawViewNow();
}

VR_DRAWCONTEXT* DrawContext(HWND view) {
  CLumo40View* v = GetViewFromWnd(view);
  return v != nullptr ? v->DrawContext() : nullptr;
}

void NotifyViews(HWND view, int code) {
  CLumo40Doc* doc = GetDocFromWnd(view);
  if (doc == nullptr) return;
  if (code == kNotifyImagesChanged) {
    doc->Image().SendNotifyToViews();
    return;
  }
  for (fw::View* v : doc->Views()) {
    if (auto* image = dynamic_cast<CLumo40View*>(v)) image->SendNotify(code, nullptr);
  }
}

void PostPaint(HWND view) {
  if (CLumo40View* v = GetViewFromWnd(view)) v->PostPaint();
}

HWND FindNextImageWnd(void* image, HWND after, int mode) {
  ActivationList& list = TheActivationList();
  return static_cast<HWND>(mode == 1 ? list.FindNextViewOfFloating(image, after) : list.FindNextViewOfImage(image, after));
}

void SnapRect(HWND view, RECT& rect, POINT& offset) {
  if (CLumo40View* v = GetViewFromWnd(view)) v->SnapRect(rect, &offset);
}

void SnapWindowRect(HWND view, RECT& rect, POINT& offset) {
  if (CLumo40View* v = GetViewFromWnd(view)) v->SnapWindowRect(rect, &offset);
}

CLumo40Doc* DocOfWnd(HWND view) { return GetDocFromWnd(view); }

}  // namespace viewsite

namespace {

int ImageViewHookProc(void*, const LU_MSG* msg, void*, std::intptr_t* inOut) {
  if (msg->message == kLUMsgHookInstalled || msg->message == kLUMsgHookRemoved) return kLUHookHandled;
  auto window = static_cast<HWND>(msg->window);
  if (auto* view = dynamic_cast<CLumo40View*>(fw::Window::FromHandle(window))) {
    *inOut = view->OnPrivateMessage(msg->message, msg->wParam, msg->lParam);
  }
  return kLUHookHandled;
}

}  // namespace

std::uint32_t InstallImageViewHook() {
  const LU_HOOK hook{&ImageViewHookProc, nullptr, static_cast<std::uint16_t>(kLUPassView), 0};
  return LUSetLUHook(nullptr, &hook);
}

}  // namespace lumora
