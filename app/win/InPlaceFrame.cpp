// The in-place frame.
#include "app/win/InPlaceFrame.h"

#include <vector>

#include "app/AreaToolList.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "res/resource.h"
#include "ui/ToolbarPlans.h"
#include "framework/CommandIds.h"
#include "framework/CommandRouting.h"
#include "framework/win/App.h"
#include "view/win/Lumo40View.h"

namespace lumora {

namespace {

constexpr char kClassName[] = "LuInPlaceFrame";
constexpr char kBarsClassName[] = "LuInPlaceBars";
constexpr int kFirstInPlaceStateFile = 4;  // files 5 to 8

std::vector<CInPlaceBars*>& LiveBars() {
  static std::vector<CInPlaceBars*> bars;
  return bars;
}

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

RECT CInPlaceFrame::FrameRect(const RECT& position, const RECT& clip, int border) {
  RECT r = fw::OutsetRect(position, border);
  if (IsRectEmpty(&clip)) return r;
  RECT within{};
  if (!IntersectRect(&within, &r, &clip)) return RECT{position.left, position.top, position.left, position.top};
  return within;
}

CInPlaceFrame* CInPlaceFrame::Create(HWND parent, const RECT& position, const RECT& clip, CLumo40Doc* doc) {
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
  frame->position_ = position;
  frame->placed_ = FrameRect(position, clip, fw::OleResizeBar::BorderWidth());
  const RECT& at = frame->placed_;
  const bool made = frame->CreateEx(0, kClassName, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, at.left, at.top,
                                    at.right - at.left, at.bottom - at.top, parent, nullptr);
  frame->pendingContext_ = nullptr;
  if (!made || frame->ClientPane() == nullptr || !frame->resizeBar_.Create(frame->Handle())) {
    if (made) {
      ::DestroyWindow(frame->Handle());
    }
    delete frame;
    return nullptr;
  }
  frame->autoDelete = true;
  frame->resizeBar_.onRequest = [frame](const RECT& asked) {
    // From the bar's coordinates (the frame's client) to the container's.
    RECT r = asked;
    OffsetRect(&r, frame->placed_.left, frame->placed_.top);
    if (frame->onPosRectRequest) frame->onPosRectRequest(r);
  };
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

void CInPlaceFrame::SetPosition(const RECT& position, const RECT& clip) {
  if (hwnd_ == nullptr) return;
  position_ = position;
  placed_ = FrameRect(position, clip, fw::OleResizeBar::BorderWidth());
  const RECT& at = placed_;
  MoveWindow(hwnd_, at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
  // A move that keeps the frame's size sends no WM_SIZE.
  RecalcLayout();
}

void CInPlaceFrame::RecalcLayout() {
  if (hwnd_ == nullptr) return;
  HWND pane = ClientPane();
  if (resizeBar_.Handle() == nullptr) {
    fw::FrameWnd::RecalcLayout();
    return;
  }
  RECT client{};
  GetClientRect(hwnd_, &client);
  RECT inner = position_;
  OffsetRect(&inner, -placed_.left, -placed_.top);
  MoveWindow(resizeBar_.Handle(), 0, 0, client.right, client.bottom, TRUE);
  resizeBar_.SetObjectRect(inner);
  if (pane != nullptr) {
    MoveWindow(pane, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, TRUE);
  }
}

bool CInPlaceFrame::PreTranslateMessage(MSG* msg) {
  if (fw::FrameWnd::PreTranslateMessage(msg)) return true;
  const bool key = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
  return key && translateContainerKey && translateContainerKey(msg);
}

CLumo40View* CInPlaceFrame::ImageView() const { return dynamic_cast<CLumo40View*>(GetActiveView()); }

std::string CInPlaceFrame::GetMessageString(std::uint32_t id) {
  fw::FrameWnd* main = fw::TheApp() != nullptr ? fw::TheApp()->MainFrame() : nullptr;
  const bool tool = (id >= 500 && id <= 999) || (id >= kFirstAreaCommand && id <= kLastAreaCommand);
  if (tool && main != nullptr) return main->GetMessageString(id);
  return fw::FrameWnd::GetMessageString(id);
}

bool CInPlaceFrame::OnCmdMsg(fw::MessageArgs& args) {
  if (args.message != fw::kMsgCommand) return fw::FrameWnd::OnCmdMsg(args);
  // The program's visible macros window and layer palette first, as in its
  // own window.
  if (CMainFrame* main = TheLumoApp() != nullptr ? TheLumoApp()->MainFrameWnd() : nullptr;
      main != nullptr && main->OfferToToolWindows(args)) {
    return true;
  }
  const bool update = args.code == fw::kCodeUpdateCommandUI;
  if (args.code != fw::kCodeCommand && !update) return fw::FrameWnd::OnCmdMsg(args);
  if (InPlaceCommandDisabled(args.id)) {
    if (update && args.cmdUI != nullptr) {
      args.cmdUI->Enable(false);
      args.cmdUI->MarkHandled();
    }
    return update;
  }
  if (args.id == kIdCancelInPlace) {
    if (update) {
      if (args.cmdUI != nullptr) {
        args.cmdUI->Enable(true);
        args.cmdUI->MarkHandled();
      }
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
      if (args.cmdUI != nullptr) {
        args.cmdUI->Enable(can);
        args.cmdUI->MarkHandled();
      }
      return true;
    }
    if (args.probeOnly || !can) return can;
    std::function<void()> open = onOpenSeparately;
    open();
    return true;
  }
  if (OnBarCommand(args)) return true;
  fw::FrameWnd* main = fw::TheApp() != nullptr ? fw::TheApp()->MainFrame() : nullptr;
  // The status panes show what the main frame's show (the prompt channels).
  if (update && (args.id == ID_INDICATOR_COORDINATES || args.id == ID_INDICATOR_IMAGE) && main != nullptr) {
    return main->OnCmdMsg(args);
  }
  if (InPlaceCommandGoesToMainFrame(args.id) && main != nullptr && main->Handle() != nullptr) {
    if (update || args.probeOnly) return main->OnCmdMsg(args);
    SendMessageA(main->Handle(), WM_COMMAND, args.id, 0);
    return true;
  }
  // The view, its document, this frame, then the application.
  return fw::RouteThrough(*this, activeView_, fw::TheApp(), args);
}

CInPlaceBars* CInPlaceFrame::Bars() const {
  for (CInPlaceBars* b : LiveBars()) {
    if (b->Commands() == this && b->Handle() != nullptr) return b;
  }
  return nullptr;
}

bool CInPlaceFrame::OnBarCommand(fw::MessageArgs& args) {
  if (args.id != ID_VIEW_PAINT_BAR && args.id != ID_VIEW_SELECTION_BAR && args.id != ID_OPTIONS_CUSTOMIZE) return false;
  const bool update = args.code == fw::kCodeUpdateCommandUI;
  CInPlaceBars* bars = Bars();
  CLumo40App* app = TheLumoApp();
  CMainFrame* main = app != nullptr ? app->MainFrameWnd() : nullptr;
  // Without bars (the container keeps its border) the rows do nothing.
  if (bars == nullptr || main == nullptr) {
    if (update && args.cmdUI != nullptr) {
      args.cmdUI->Enable(false);
      args.cmdUI->MarkHandled();
    }
    return update;
  }
  fw::ControlBar* bar = nullptr;
  bool enabled = true;
  if (args.id == ID_VIEW_PAINT_BAR) bar = &bars->PaintBar();
  if (args.id == ID_VIEW_SELECTION_BAR) {
    bar = &bars->SelectionBar();
    enabled = !app->areaTools.Empty();
  }
  if (update) {
    if (args.cmdUI != nullptr) {
      args.cmdUI->Enable(enabled);
      if (bar != nullptr) args.cmdUI->SetCheck(enabled && bar->IsVisible() ? 1 : 0);
      args.cmdUI->MarkHandled();
    }
    return true;
  }
  if (args.probeOnly || !enabled) return enabled;
  if (bar != nullptr) {
    bars->ShowControlBar(bar, !bar->IsVisible(), false);
    if (onBarsChanged) onBarsChanged();
  } else {
    main->CustomizeToolbars(this, bars->CustomizableBars());
  }
  return true;
}

// ---- The bars in the container's frame

CInPlaceBars* CInPlaceBars::Create(HWND containerFrame, const RECT& border, CInPlaceFrame* commands) {
  if (containerFrame == nullptr || commands == nullptr) return nullptr;
  fw::App::RegisterWindowClass(kBarsClassName, CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                               reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr);
  auto* bars = new CInPlaceBars();
  bars->className = kBarsClassName;
  bars->commands_ = commands;
  bars->autoDelete = false;
  const bool made = bars->CreateEx(0, kBarsClassName, "", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, border.left,
                                   border.top, border.right - border.left, border.bottom - border.top,
                                   containerFrame, nullptr);
  if (!made || !bars->CreateBars()) {
    if (made) ::DestroyWindow(bars->Handle());
    delete bars;
    return nullptr;
  }
  bars->autoDelete = true;
  bars->addToTitle = false;
  LiveBars().push_back(bars);
  return bars;
}

CInPlaceBars::~CInPlaceBars() { std::erase(LiveBars(), this); }

void UpdateInPlaceBars() {
  const std::vector<CInPlaceBars*> bars = LiveBars();
  for (CInPlaceBars* b : bars) {
    if (b->Handle() != nullptr && IsWindowVisible(b->Handle())) b->OnIdleUpdateCmdUI();
  }
}

bool CInPlaceBars::CreateBars() {
  CLumo40App* app = TheLumoApp();
  CMainFrame* main = app != nullptr ? app->MainFrameWnd() : nullptr;
  if (app == nullptr || main == nullptr) return false;
  const bool small = app->settings.smallButtons != 0;
  const ToolbarSizes sizes = ToolbarSizesFor(small);
  EnableDocking(fw::kAlignAny);
  if (!statusBar_.Create(this, WS_CHILD | WS_VISIBLE, fw::kIdViewStatusBar) ||
      !statusBar_.SetIndicators({0, ID_INDICATOR_COORDINATES, ID_INDICATOR_IMAGE})) {
    return false;
  }
  struct Plan {
    CLUToolBar* bar;
    std::uint32_t id, smallResource, largeResource;
  };
  const Plan plans[] = {
      {&mainBar_, ID_VIEW_TOOLBAR, kMainBarSmall, kMainBarLarge},
      {&brushBar_, IDW_BRUSH_BAR, kBrushBarSmall, kBrushBarLarge},
      {&selectBar_, ID_VIEW_SELECTION_BAR, kSelectBarSmall, kSelectBarLarge},
      {&toolsBar_, IDW_TOOLS_BAR, 0, 0},
  };
  for (const Plan& p : plans) {
    p.bar->SetDefaultResource(small ? p.smallResource : p.largeResource);
    p.bar->toolName = [main](std::uint32_t id) { return main->AreaOrToolName(id); };
    p.bar->openOptions = [main](std::uint32_t id) { main->OpenToolOptions(id); };
    if (!p.bar->CreateBar(this, WS_CHILD | WS_VISIBLE, p.id)) return false;
    p.bar->ApplySizes(sizes);
    p.bar->EnableDocking(fw::kAlignAny);
  }
  toolsBar_.readTools = main->ToolsBar().readTools;
  toolsBar_.toolIcon = main->ToolsBar().toolIcon;
  if (!mainBar_.ResetButtons() || !brushBar_.ResetButtons() || !selectBar_.ResetButtons()) return false;
  std::vector<AreaToolButton> tools;
  for (const RegisteredAreaTool& t : app->areaTools.Tools()) tools.push_back({t.command, t.name});
  selectBar_.AddAreaToolButtons(tools);
  toolsBar_.ResetButtons();
  DockControlBar(&mainBar_, fw::DockSide::kTop);
  DockControlBar(&selectBar_, fw::DockSide::kTop);
  DockControlBar(&brushBar_, fw::DockSide::kLeft);
  DockControlBar(&toolsBar_, fw::DockSide::kRight);
  ShowControlBar(&selectBar_, !tools.empty(), false);
  ShowControlBar(&toolsBar_, toolsBar_.ButtonCount() > 0, false);
  // The layouts of files 5 (main), 6 (paint), 7 (selection), 8 (tools).
  int file = kFirstInPlaceStateFile;
  for (CCToolBar* bar : {static_cast<CCToolBar*>(&mainBar_), static_cast<CCToolBar*>(&brushBar_),
                         static_cast<CCToolBar*>(&selectBar_), static_cast<CCToolBar*>(&toolsBar_)}) {
    bar->LoadState(app->ToolbarStateFile(file++));
  }
  // The view changes from the program's window to the one edited in place:
  // the paint bar here shows what the main brush bar showed.
  brushBar_.TakeStatesFrom(main->GetBrushBar());
  return true;
}

BORDERWIDTHS CInPlaceBars::Needed() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  RECT inner = client;
  LayoutBars(inner, false);
  return BORDERWIDTHS{inner.left - client.left, inner.top - client.top, client.right - inner.right,
                      client.bottom - inner.bottom};
}

void CInPlaceBars::Place(const RECT& border) {
  MoveWindow(hwnd_, border.left, border.top, border.right - border.left, border.bottom - border.top, FALSE);
  RecalcLayout();
  RECT client{};
  GetClientRect(hwnd_, &client);
  RECT inner = client;
  LayoutBars(inner, false);
  HRGN shape = CreateRectRgnIndirect(&client);
  HRGN middle = CreateRectRgnIndirect(&inner);
  CombineRgn(shape, shape, middle, RGN_DIFF);
  DeleteObject(middle);
  SetWindowRgn(hwnd_, shape, TRUE);  // the window owns the region now
  ShowWindow(hwnd_, SW_SHOWNA);
  // The panes as in the program's window, for the container frame's width.
  CMainFrame::LayoutStatusPanes(GetParent(hwnd_), statusBar_);
}

fw::StatusBar* InPlaceStatusBar() {
  for (CInPlaceBars* b : LiveBars()) {
    if (b->Handle() != nullptr && b->Status().Handle() != nullptr) return &b->Status();
  }
  return nullptr;
}

std::string CInPlaceBars::GetMessageString(std::uint32_t id) {
  return commands_ != nullptr ? commands_->GetMessageString(id) : fw::FrameWnd::GetMessageString(id);
}

void CInPlaceBars::Close() {
  CLumo40App* app = TheLumoApp();
  // The view edited in place goes with no successor: the main brush bar
  // takes this one's states.
  if (CMainFrame* main = app != nullptr ? app->MainFrameWnd() : nullptr; main != nullptr && brushBar_.Handle() != nullptr) {
    main->GetBrushBar().TakeStatesFrom(brushBar_);
  }
  // The tool windows leave the container's frame with the bars.
  if (CMainFrame* main = app != nullptr ? app->MainFrameWnd() : nullptr) main->AttachToolWindows(nullptr);
  int file = kFirstInPlaceStateFile;
  for (CCToolBar* bar : {static_cast<CCToolBar*>(&mainBar_), static_cast<CCToolBar*>(&brushBar_),
                         static_cast<CCToolBar*>(&selectBar_), static_cast<CCToolBar*>(&toolsBar_)}) {
    if (app != nullptr && bar->Handle() != nullptr) bar->SaveState(app->ToolbarStateFile(file));
    ++file;
  }
  ::DestroyWindow(hwnd_);
}

std::vector<CCToolBar*> CInPlaceBars::CustomizableBars() { return {&mainBar_, &brushBar_, &toolsBar_, &selectBar_}; }

bool CInPlaceBars::OnCmdMsg(fw::MessageArgs& args) {
  if (args.message == fw::kMsgCommand && commands_ != nullptr) return commands_->OnCmdMsg(args);
  return fw::FrameWnd::OnCmdMsg(args);
}

}  // namespace lumora
