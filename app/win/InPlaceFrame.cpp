// The in-place frame.
#include "app/win/InPlaceFrame.h"

#include <vector>

#include "document/win/Lumo40Doc.h"
#include "framework/CommandIds.h"
#include "framework/CommandRouting.h"
#include "framework/win/App.h"
#include "view/win/Lumo40View.h"

namespace lumora {

namespace {

constexpr char kClassName[] = "LuInPlaceFrame";

}  // namespace

bool InPlaceCommandGoesToMainFrame(std::uint32_t id) {
  static constexpr std::uint32_t kSingle[] = {32814, 32818, 32834, 32949, 32864, 32826, 40031, 32835, 32889, 32902,
                                              32892, 32895, 32891, 32898, 32894, 32903, 32896, 32945};
  if ((id >= 500 && id <= 899) || (id >= 40010 && id <= 40029)) return true;
  for (std::uint32_t s : kSingle) {
    if (s == id) return true;
  }
  return false;
}

bool InPlaceCommandDisabled(std::uint32_t id) {
  return id == fw::kIdFileNew || id == fw::kIdFileOpen || id == fw::kIdFileSave || id == 57607 /* File/Print */;
}

CInPlaceFrame* CInPlaceFrame::Create(HWND parent, const RECT& position, CLumo40Doc* doc) {
  if (parent == nullptr || doc == nullptr) return nullptr;
  fw::App::RegisterWindowClass(kClassName, CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                               reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1), nullptr);
  auto* frame = new CInPlaceFrame();
  frame->className = kClassName;
  fw::CreateContext context;
  context.document = doc;
  context.viewClass = &CLumo40View::kRuntimeClass;
  context.tmpl = doc->GetDocTemplate();
  frame->pendingContext_ = &context;
  frame->autoDelete = false;
  const bool made = frame->CreateEx(0, kClassName, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, position.left,
                                    position.top, position.right - position.left, position.bottom - position.top,
                                    parent, nullptr);
  frame->pendingContext_ = nullptr;
  if (!made || frame->ClientPane() == nullptr) {
    if (made) {
      ::DestroyWindow(frame->Handle());
    }
    delete frame;
    return nullptr;
  }
  frame->autoDelete = true;
  // The in-place keys: the document's (those of its popups shown in place)
  // and Esc.
  if (auto* tmpl = dynamic_cast<CLumo40DocTemplate*>(doc->GetDocTemplate())) {
    frame->SetAccelerators(tmpl->InPlaceAccelerators());
  }
  frame->addToTitle = false;
  frame->InitialUpdateFrame(doc, false);
  frame->RecalcLayout();
  ShowWindow(frame->Handle(), SW_SHOW);
  return frame;
}

CInPlaceFrame::~CInPlaceFrame() = default;

void CInPlaceFrame::SetPosition(const RECT& position) {
  if (hwnd_ == nullptr) return;
  MoveWindow(hwnd_, position.left, position.top, position.right - position.left, position.bottom - position.top, TRUE);
}

CLumo40View* CInPlaceFrame::ImageView() const { return dynamic_cast<CLumo40View*>(GetActiveView()); }

bool CInPlaceFrame::OnCmdMsg(fw::MessageArgs& args) {
  if (args.message != fw::kMsgCommand) return fw::FrameWnd::OnCmdMsg(args);
  const bool update = args.code == fw::kCodeUpdateCommandUI;
  if (args.code != fw::kCodeCommand && !update) return fw::FrameWnd::OnCmdMsg(args);
  if (InPlaceCommandDisabled(args.id)) {
    if (update && args.cmdUI != nullptr) args.cmdUI->Enable(false);
    return true;
  }
  if (args.id == kIdCancelInPlace) {
    if (update) {
      if (args.cmdUI != nullptr) args.cmdUI->Enable(true);
      return true;
    }
    if (args.probeOnly) return true;
    // The callback ends the editing and destroys this frame: nothing of it
    // is touched afterwards.
    std::function<void()> cancel = onCancel;
    if (cancel) cancel();
    return true;
  }
  if (args.id == kIdOpenSeparately) {
    const bool can = onOpenSeparately != nullptr && ImageView() != nullptr;
    if (update) {
      if (args.cmdUI != nullptr) args.cmdUI->Enable(can);
      return true;
    }
    if (args.probeOnly || !can) return can;
    std::function<void()> open = onOpenSeparately;
    open();
    return true;
  }
  fw::FrameWnd* main = fw::TheApp() != nullptr ? fw::TheApp()->MainFrame() : nullptr;
  if (InPlaceCommandGoesToMainFrame(args.id) && main != nullptr && main->Handle() != nullptr) {
    if (update || args.probeOnly) return main->OnCmdMsg(args);
    SendMessageA(main->Handle(), WM_COMMAND, args.id, 0);
    return true;
  }
  // The view, its document, this frame, then the application.
  return fw::RouteThrough(*this, activeView_, fw::TheApp(), args);
}

}  // namespace lumora
