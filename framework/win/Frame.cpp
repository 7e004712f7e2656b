// Frame windows: layout, titles, enabling, prompts, help, bar docking.
#include "framework/win/Frame.h"
#include "platform/trace.h"

#include <algorithm>

#include "framework/CommandIds.h"
#include "framework/CommandRouting.h"
#include "framework/StringSource.h"
#include "framework/win/App.h"
#include "framework/win/ControlBars.h"

namespace fw {
namespace {

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

// Reads what a menu item shows now.
CmdUIState MenuItemState(HMENU menu, UINT position, std::string* text) {
  char buffer[256] = {};
  MENUITEMINFOA mii = {};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
  mii.dwTypeData = buffer;
  mii.cch = sizeof(buffer) - 1;
  GetMenuItemInfoA(menu, position, TRUE, &mii);
  CmdUIState s;
  s.enabled = (mii.fState & MFS_GRAYED) == 0;
  s.checked = (mii.fState & MFS_CHECKED) ? 1 : 0;
  s.radio = (mii.fType & MFT_RADIOCHECK) != 0;
  s.text = buffer;
  *text = buffer;
  return s;
}

void ApplyMenuItem(HMENU menu, UINT position, const CmdUIState& shown, const CmdUIState& wanted) {
  CmdUIChanges c = DiffCmdUI(shown, wanted);
  if (!c.Any()) return;
  MENUITEMINFOA mii = {};
  mii.cbSize = sizeof(mii);
  if (c.enabled || c.checked) {
    mii.fMask |= MIIM_STATE | MIIM_FTYPE;
    mii.fState = (wanted.enabled ? MFS_ENABLED : MFS_GRAYED) | (wanted.checked != 0 ? MFS_CHECKED : 0);
    mii.fType = (wanted.radio || wanted.checked == 2) ? MFT_RADIOCHECK : MFT_STRING;
  }
  std::string text = wanted.text;
  if (c.text) {
    mii.fMask |= MIIM_STRING;
    mii.dwTypeData = text.data();
  }
  SetMenuItemInfoA(menu, position, TRUE, &mii);
}

}  // namespace

// ---- FrameWnd

FW_IMPLEMENT_DYNCREATE(FrameWnd, Window)
FW_MESSAGE_MAP(FrameWnd, Window, WindowMessageEntry<&FrameWnd::OnCreateMessage>(WM_CREATE),
               WindowMessageEntry<&FrameWnd::OnSizeMessage>(WM_SIZE), WindowMessageEntry<&FrameWnd::OnCloseMessage>(WM_CLOSE),
               WindowMessageEntry<&FrameWnd::OnDestroyMessage>(WM_DESTROY),
               WindowMessageEntry<&FrameWnd::OnInitMenuPopup>(WM_INITMENUPOPUP),
               WindowMessageEntry<&FrameWnd::OnMenuSelectMessage>(WM_MENUSELECT),
               WindowMessageEntry<&FrameWnd::OnEnterIdle>(WM_ENTERIDLE), WindowMessageEntry<&FrameWnd::OnSetFocusMessage>(WM_SETFOCUS),
               WindowMessageEntry<&FrameWnd::OnKickIdle>(kMsgKickIdle), WindowMessageEntry<&FrameWnd::OnSetCursorMessage>(WM_SETCURSOR),
               WindowMessageEntry<&FrameWnd::OnLButtonDownMessage>(WM_LBUTTONDOWN),
               WindowMessageEntry<&FrameWnd::OnHelpMessage>(WM_HELP),
               NotifyEntry<&FrameWnd::OnToolTipText>(TTN_GETDISPINFOA, 0, 0xFFFF),
               CommandExEntry<&FrameWnd::OnBarCheck>(kIdViewToolbar, kIdDockBarRight),
               UpdateEntry<&FrameWnd::OnUpdateControlBarMenu>(kIdViewToolbar, kIdDockBarRight),
               CommandEntry<&FrameWnd::OnContextHelp>(kIdContextHelp))

FrameWnd::~FrameWnd() {
  for (ControlBar* b : bars_) b->dockSite_ = nullptr;
}

bool FrameWnd::LoadFrame(std::uint32_t resourceId, DWORD style, HWND parent, CreateContext* context) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(resourceId));
  App::RegisterWindowClass(className.c_str(), CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1),
                           icon != nullptr ? icon : LoadIcon(nullptr, IDI_APPLICATION));
  if (title_.empty()) title_ = FirstLine(ResourceString(resourceId));
  if (menu_ == nullptr) menu_ = LoadMenuA(inst, MAKEINTRESOURCEA(resourceId));
  if (accel_ == nullptr) accel_ = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(resourceId));
  pendingContext_ = context;
  // A failed creation ends in WM_NCDESTROY: the object is deleted here, once.
  bool wasAutoDelete = autoDelete;
  autoDelete = false;
  bool ok = CreateEx(0, className.c_str(), title_.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                     CW_USEDEFAULT, parent, menu_);
  autoDelete = wasAutoDelete;
  pendingContext_ = nullptr;
  if (!ok && autoDelete) delete this;
  return ok;
}

LRESULT FrameWnd::OnCreateMessage(WPARAM, LPARAM) { return OnCreateClient(pendingContext_) ? 0 : -1; }

bool FrameWnd::OnCreateClient(CreateContext* context) {
  if (context == nullptr || context->viewClass == nullptr) return true;
  return CreateView(context, kIdPaneFirst) != nullptr;
}

View* FrameWnd::CreateView(CreateContext* context, std::uint32_t id) {
  auto* view = dynamic_cast<View*>(context->viewClass->CreateObject());
  if (view == nullptr) return nullptr;
  if (!view->Create(this, id, context)) return nullptr;  // the view deleted itself
  return view;
}

bool FrameWnd::IsMainFrame() const { return TheApp() != nullptr && TheApp()->MainWindow() == this; }

void FrameWnd::SetActiveView(View* view, bool notify) {
  View* old = activeView_;
  if (old == view) return;
  activeView_ = view;
  if (!notify) return;
  if (old != nullptr) old->OnActivateView(false, view, old);
  if (view != nullptr) view->OnActivateView(true, view, old);
}

Document* FrameWnd::GetActiveDocument() { return activeView_ != nullptr ? activeView_->GetDocument() : nullptr; }

bool FrameWnd::OnCmdMsg(MessageArgs& args) {
  return RouteThrough(*this, activeView_, IsMainFrame() ? TheApp() : nullptr, args);
}

bool FrameWnd::PreTranslateMessage(MSG* msg) {
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && accel_ != nullptr) {
    return TranslateAcceleratorA(hwnd_, accel_, msg) != 0;
  }
  return false;
}

void FrameWnd::ActivateFrame(int showCommand) {
  if (showCommand == -1) showCommand = IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW;
  ShowWindow(hwnd_, showCommand);
  SetForegroundWindow(hwnd_);
  BringWindowToTop(hwnd_);
}

void FrameWnd::OnUpdateFrameTitle(bool add) {
  Document* doc = GetActiveDocument();
  std::string t = add && addToTitle && doc != nullptr ? AppFrameTitle(title_, ChildFrameTitle(doc->GetTitle(), windowNumber))
                                                     : title_;
  SetText(t);
}

void FrameWnd::InitialUpdateFrame(Document* doc, bool makeVisible) {
  View* view = activeView_;
  if (view == nullptr) {
    HWND pane = GetDlgItem(hwnd_, static_cast<int>(kIdPaneFirst));
    view = dynamic_cast<View*>(Window::FromHandle(pane));
    SetActiveView(view, false);
  }
  // Every view of this frame gets its first update.
  for (HWND h = GetWindow(hwnd_, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
    if (auto* v = dynamic_cast<View*>(Window::FromHandle(h))) v->OnInitialUpdate();
  }
  if (makeVisible) {
    ActivateFrame(-1);
    if (view != nullptr) view->OnActivateView(true, view, view);
  }
  if (doc != nullptr) doc->UpdateFrameCounts();
  OnUpdateFrameTitle(true);
}

HWND FrameWnd::ClientPane() const { return GetDlgItem(hwnd_, static_cast<int>(kIdPaneFirst)); }

void FrameWnd::LayoutBars(RECT& area, bool apply, DockedBarsLayout* out) {
  // Bars filling a row of their own sit outermost, bottom first (the status
  // bar lowest); the other bars share rows inside them, top and bottom
  // rows across the whole width.
  for (DockSide side : {DockSide::kBottom, DockSide::kTop, DockSide::kLeft, DockSide::kRight}) {
    for (ControlBar* bar : bars_) {
      if (bar->side_ != side || !bar->FillsItsRow() || !bar->IsVisible()) continue;
      SIZE size = bar->CalcFixedLayout(IsHorizontalSide(side));
      RECT r = area;
      switch (side) {
        case DockSide::kTop: r.bottom = area.top + size.cy; area.top = r.bottom; break;
        case DockSide::kBottom: r.top = area.bottom - size.cy; area.bottom = r.top; break;
        case DockSide::kLeft: r.right = area.left + size.cx; area.left = r.right; break;
        default: r.left = area.right - size.cx; area.right = r.left; break;
      }
      if (apply) MoveWindow(bar->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
  }
  DockedBarsLayout layout;
  layout.dockArea = area;
  // The dock-layout benchmark times the docked bars laid out.
  const bool trace = apply && lumora::TraceEnabled();
  if (trace) lumora::TraceMark("docked bars layout");
  for (DockSide side : {DockSide::kTop, DockSide::kBottom, DockSide::kLeft, DockSide::kRight}) {
    std::vector<ControlBar*> sideBars = DockedBarsInOrder(side);
    std::vector<DockedBar> docked;
    for (ControlBar* bar : sideBars) {
      docked.push_back({bar->ControlId(), bar->CalcFixedLayout(IsHorizontalSide(side)), bar->row_});
    }
    SideLayout rows = LayoutSide(side, docked, area);
    for (std::size_t i = 0; apply && i < sideBars.size(); ++i) {
      const RECT& r = rows.bars[i].rect;
      // A bar already in its place is left alone (no move, no repaint).
      RECT now{};
      GetWindowRect(sideBars[i]->Handle(), &now);
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&now), 2);
      if (EqualRect(&now, &r)) continue;
      MoveWindow(sideBars[i]->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    area = AreaInside(side, area, rows.thickness);
    layout.sides[static_cast<std::size_t>(side)] = std::move(rows);
  }
  if (trace) lumora::TraceMark("docked bars laid out");
  if (out != nullptr) *out = std::move(layout);
}

std::vector<ControlBar*> FrameWnd::DockedBarsInOrder(DockSide side) const {
  std::vector<ControlBar*> out;
  for (ControlBar* bar : bars_) {
    if (bar->side_ == side && !bar->FillsItsRow() && bar->IsVisible()) out.push_back(bar);
  }
  std::stable_sort(out.begin(), out.end(), [](const ControlBar* a, const ControlBar* b) {
    return a->row_ != b->row_ ? a->row_ < b->row_ : a->order_ < b->order_;
  });
  return out;
}

DockedBarsLayout FrameWnd::CurrentBarLayout() {
  DockedBarsLayout layout;
  RECT area;
  GetClientRect(hwnd_, &area);
  LayoutBars(area, false, &layout);
  return layout;
}

void FrameWnd::RecalcLayout() {
  if (hwnd_ == nullptr) return;
  RECT area;
  GetClientRect(hwnd_, &area);
  LayoutBars(area, true);
  HWND pane = ClientPane();
  if (pane != nullptr) {
    MoveWindow(pane, area.left, area.top, std::max<LONG>(0, area.right - area.left),
               std::max<LONG>(0, area.bottom - area.top), TRUE);
  }
}

LRESULT FrameWnd::OnSizeMessage(WPARAM wParam, LPARAM lParam) {
  if (wParam != SIZE_MINIMIZED) RecalcLayout();
  return 0;
}

void FrameWnd::OnClose() {
  if (IsMainFrame()) {
    if (!TheApp()->SaveAllModified()) return;
    TheApp()->CloseAllDocuments(false);
  } else {
    Document* doc = GetActiveDocument();
    if (doc != nullptr && !doc->CanCloseFrame(this)) return;
  }
  DestroyWindow();
}

LRESULT FrameWnd::OnCloseMessage(WPARAM, LPARAM) {
  // A close that arrives while a document is being opened or made (under
  // its message boxes and dialogs) waits for the open's end: the documents
  // and frames it would close are still being built.
  if (DocumentOpenInProgress()) {
    PostWhenOpensEnd(hwnd_, WM_CLOSE);
    return 0;
  }
  OnClose();
  return 0;
}

LRESULT FrameWnd::OnDestroyMessage(WPARAM wParam, LPARAM lParam) {
  if (IsMainFrame()) {
    for (ControlBar* bar : bars_) {
      if (bar->floatFrame_ != nullptr) ::DestroyWindow(bar->floatFrame_->Handle());
    }
    PostQuitMessage(0);
  }
  return DefaultProc(WM_DESTROY, wParam, lParam);
}

void FrameWnd::PostNcDestroy() {
  if (IsMainFrame()) TheApp()->SetMainWindow(nullptr);
  if (autoDelete) delete this;
}

std::string FrameWnd::GetMessageString(std::uint32_t id) { return PromptOf(ResourceString(id)); }

StatusBar* FrameWnd::MessageBar() {
  FrameWnd* main = IsMainFrame() || TheApp() == nullptr || TheApp()->MainFrame() == nullptr ? this : TheApp()->MainFrame();
  if (main != this) return main->MessageBar();
  return dynamic_cast<StatusBar*>(GetControlBar(kIdViewStatusBar));
}

void FrameWnd::SetMessageText(const std::string& text) {
  if (StatusBar* status = MessageBar()) status->SetPaneText(0, text);
}

LRESULT FrameWnd::OnMenuSelectMessage(WPARAM wParam, LPARAM lParam) {
  UINT item = LOWORD(wParam), flags = HIWORD(wParam);
  if (flags == 0xFFFF && lParam == 0) {  // the menu closed
    lastPromptId_ = 0;
    promptPending_ = false;
    SetMessageText(kIdsIdleMessage);
    return 0;
  }
  lastPromptId_ = (flags & (MF_POPUP | MF_SEPARATOR)) != 0 ? 0 : item;  // system commands (61440 …) have prompts too
  // The main frame's menus show the prompt when their loop goes idle, so a
  // menu opens without waiting for the status bar to repaint. Another
  // frame's menu may idle in another window (a container's, in place).
  if (IsMainFrame()) {
    promptPending_ = true;
  } else {
    ShowTrackedPrompt();
  }
  return 0;
}

void FrameWnd::ShowTrackedPrompt() {
  promptPending_ = false;
  if (lastPromptId_ == 0) {
    SetMessageText(std::string());
  } else {
    SetMessageText(lastPromptId_);
  }
}

LRESULT FrameWnd::OnEnterIdle(WPARAM wParam, LPARAM) {
  if (wParam == MSGF_MENU && promptPending_) ShowTrackedPrompt();
  // A menu or a system dialog runs its own loop: keep idle work going.
  if (wParam == MSGF_MENU || wParam == MSGF_DIALOGBOX) {
    for (int count = 0; count < 2 && TheApp()->IdleInModalLoop(count); ++count) {
    }
  }
  return 0;
}

LRESULT FrameWnd::OnKickIdle(WPARAM, LPARAM lParam) { return TheApp()->IdleInModalLoop(static_cast<int>(lParam)); }

LRESULT FrameWnd::OnSetFocusMessage(WPARAM wParam, LPARAM lParam) {
  HWND target = activeView_ != nullptr ? activeView_->Handle() : nullptr;
  if (target != nullptr) {
    SetFocus(target);
    return 0;
  }
  // A frame with no view of its own passes the focus on as the system
  // does: the MDI frame to its active child, whose view takes it (keys
  // typed after the frame came back to the front reach the image).
  return DefaultProc(WM_SETFOCUS, wParam, lParam);
}

LRESULT FrameWnd::OnInitMenuPopup(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(lParam) != 0) return 0;
  if (TheApp() != nullptr) TheApp()->OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
  UpdateMenuPopup(reinterpret_cast<HMENU>(wParam));
  if (TheApp() != nullptr) TheApp()->OnMenuPopupUpdated(reinterpret_cast<HMENU>(wParam), MenuRouteFrame());
  return 0;
}

FrameWnd& FrameWnd::MenuRouteFrame() {
  // A frame inside the main frame's window (an MDI child) is updated along
  // the main frame's route, which reaches it; a frame of its own elsewhere
  // (an image edited in another program's window) along its own.
  FrameWnd* main = TheApp() != nullptr ? TheApp()->MainFrame() : nullptr;
  const bool insideMain = main != nullptr && main->Handle() != nullptr && IsChild(main->Handle(), hwnd_);
  return insideMain ? *main : *this;
}

void FrameWnd::UpdateMenuPopup(HMENU popup) {
  FrameWnd* routeFrame = &MenuRouteFrame();
  int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(popup, i);
    if (id == 0) continue;  // separator
    HMENU sub = GetSubMenu(popup, i);
    if (sub != nullptr) {
      // A popup item goes with its first command (menus filled at run time).
      if (GetMenuItemCount(sub) == 0 || GetMenuItemID(sub, 0) == 0xFFFFFFFFu) continue;
      id = GetMenuItemID(sub, 0);
    }
    if (id >= kIdFirstMdiChild && id != 0xFFFFFFFFu) continue;  // the window list is the MDI client's
    // A maximised MDI child's window menu (first in the bar) holds system
    // commands: the system enables them, and DefFrameProc carries them out.
    if (IsSystemCommand(id)) continue;
    std::string text;
    CmdUIState shown = MenuItemState(popup, static_cast<UINT>(i), &text);
    CmdUIState wanted =
        QueryCommandState(*routeFrame, id, static_cast<std::uint32_t>(i), shown, MenuGreysWithoutHandler(id));
    if (sub != nullptr) {
      EnableMenuItem(popup, static_cast<UINT>(i), MF_BYPOSITION | (wanted.enabled ? MF_ENABLED : MF_GRAYED));
      continue;
    }
    ApplyMenuItem(popup, static_cast<UINT>(i), shown, wanted);
  }
}

void FrameWnd::OnIdleUpdateCmdUI() {
  for (ControlBar* bar : bars_) {
    if (bar->IsVisible()) bar->OnUpdateCmdUI(*this, true);
  }
  FrameWnd* active = GetActiveFrame();
  if (active != nullptr && active != this) active->OnUpdateFrameTitle(true);
  OnUpdateFrameTitle(true);
}

std::string FrameWnd::GetToolTipText(std::uint32_t id) { return TooltipOf(ResourceString(id)); }

void FrameWnd::OnToolTipText(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
  UINT_PTR id = info->hdr.idFrom;
  if (info->uFlags & TTF_IDISHWND) id = static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(id)));
  std::string tip = GetToolTipText(static_cast<std::uint32_t>(id));
  tip.copy(info->szText, sizeof(info->szText) - 1);
  info->szText[std::min(tip.size(), sizeof(info->szText) - 1)] = '\0';
  info->lpszText = info->szText;
  *result = 0;
}

// ---- Control bars of the frame

void FrameWnd::AddControlBar(ControlBar* bar) {
  if (std::find(bars_.begin(), bars_.end(), bar) == bars_.end()) bars_.push_back(bar);
  bar->dockSite_ = this;
}

void FrameWnd::RemoveControlBar(ControlBar* bar) {
  bars_.erase(std::remove(bars_.begin(), bars_.end(), bar), bars_.end());
}

ControlBar* FrameWnd::GetControlBar(std::uint32_t id) const {
  for (ControlBar* b : bars_) {
    if (b->Handle() != nullptr && b->ControlId() == id) return b;
  }
  return nullptr;
}

ControlBar* FrameWnd::BarForCommand(std::uint32_t id) const { return GetControlBar(id); }

void FrameWnd::TakeOutOfMiniFrame(ControlBar* bar) {
  FloatingBarFrame* mini = bar->floatFrame_;
  if (mini == nullptr) return;
  RECT r;
  GetWindowRect(mini->Handle(), &r);
  bar->lastFloat_ = {r.left, r.top};
  bar->hasFloatPlace_ = true;
  bar->floatFrame_ = nullptr;
  SetParent(bar->Handle(), hwnd_);
  ::DestroyWindow(mini->Handle());
}

void FrameWnd::DockControlBar(ControlBar* bar, DockSide side) {
  DockControlBarAt(bar, {side, 1 << 20, true, 0});
}

void FrameWnd::DockControlBarAt(ControlBar* bar, const DockPlace& place) {
  if (place.side == DockSide::kFloating) return;
  // The side's rows as the user sees them, before the bar moves.
  std::vector<SideSlot> slots;
  // Held in a variable: a reference into the returned layout would outlive it.
  const DockedBarsLayout layout = CurrentBarLayout();
  for (const PlacedBar& p : layout.sides[static_cast<std::size_t>(place.side)].bars) {
    slots.push_back({p.id, p.row});
  }
  TakeOutOfMiniFrame(bar);
  bar->side_ = place.side;
  bar->SetOrientation(IsHorizontalSide(place.side));
  std::vector<SideSlot> placed = InsertIntoSide(slots, bar->ControlId(), place);
  for (std::size_t i = 0; i < placed.size(); ++i) {
    ControlBar* b = GetControlBar(placed[i].id);
    if (b == nullptr) continue;
    b->row_ = placed[i].row;
    b->order_ = static_cast<int>(i);
  }
  RecalcLayout();
}

void FrameWnd::DockControlBarBack(ControlBar* bar) { DockControlBarAt(bar, bar->lastDocked_); }

void FrameWnd::FloatControlBar(ControlBar* bar, POINT screenPos) {
  if (bar->floatFrame_ == nullptr) {
    // Remembered so that a double click on the caption brings it back here.
    if (!bar->IsFloating() && bar->IsVisible()) {
      const DockedBarsLayout layout = CurrentBarLayout();
      bar->lastDocked_ = PlaceOf(bar->side_, layout.sides[static_cast<std::size_t>(bar->side_)], bar->ControlId());
    }
    auto* mini = new FloatingBarFrame;
    if (!mini->Create(this, bar, screenPos)) return;  // a failed frame deletes itself
  } else {
    SetWindowPos(bar->floatFrame_->Handle(), nullptr, screenPos.x, screenPos.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RecalcLayout();
}

DragQuery FrameWnd::MakeDragQuery(ControlBar* bar, POINT cursor, POINT grabOffset, bool forceFloat) {
  DragQuery q;
  q.cursor = cursor;
  q.grabOffset = grabOffset;
  q.forceFloat = forceFloat;
  q.barId = bar->ControlId();
  q.horizontalSize = bar->CalcFixedLayout(true);
  q.verticalSize = bar->CalcFixedLayout(false);
  DockedBarsLayout layout = CurrentBarLayout();
  POINT origin{0, 0};
  ClientToScreen(hwnd_, &origin);
  auto toScreen = [&](RECT& r) { OffsetRect(&r, origin.x, origin.y); };
  q.dockArea = layout.dockArea;
  toScreen(q.dockArea);
  for (SideLayout& side : layout.sides) {
    for (PlacedBar& p : side.bars) toScreen(p.rect);
    for (RECT& row : side.rows) toScreen(row);
  }
  q.sides = std::move(layout.sides);
  DWORD allowed = bar->dockStyle & dockSides_;
  const std::pair<DWORD, DockSide> sides[] = {{kAlignTop, DockSide::kTop}, {kAlignBottom, DockSide::kBottom},
                                              {kAlignLeft, DockSide::kLeft}, {kAlignRight, DockSide::kRight}};
  for (const auto& [align, side] : sides) {
    if (allowed & align) q.allowedSides |= SideBit(side);
  }
  return q;
}

void FrameWnd::ApplyDrop(ControlBar* bar, const DropDecision& decision) {
  if (decision.floating) {
    FloatControlBar(bar, {decision.track.left, decision.track.top});
  } else {
    DockControlBarAt(bar, decision.place);
  }
}

void FrameWnd::ShowControlBar(ControlBar* bar, bool show, bool delay) {
  HWND target = bar->floatFrame_ != nullptr ? bar->floatFrame_->Handle() : nullptr;
  ShowWindow(bar->Handle(), show ? SW_SHOWNA : SW_HIDE);
  if (target != nullptr) ShowWindow(target, show ? SW_SHOWNA : SW_HIDE);
  if (!delay) RecalcLayout();
}

void FrameWnd::SaveBarState(const std::string& prefix) {
  std::vector<BarState> states;
  for (ControlBar* bar : bars_) {
    BarState s;
    s.barId = bar->ControlId();
    s.visible = bar->IsVisible();
    s.side = bar->side_;
    s.row = bar->row_;
    s.order = bar->order_;
    if (bar->floatFrame_ != nullptr) {
      RECT r;
      GetWindowRect(bar->floatFrame_->Handle(), &r);
      s.floatX = r.left;
      s.floatY = r.top;
    }
    states.push_back(s);
  }
  SaveBarStates(TheApp()->Settings(), prefix, states);
}

void FrameWnd::LoadBarState(const std::string& prefix) {
  // Up to 256 bars of seven keys each: read from one reading of the file.
  for (const BarState& s : LoadBarStates(*TheApp()->Settings().Snapshot(), prefix)) {
    ControlBar* bar = GetControlBar(s.barId);
    if (bar == nullptr) continue;
    if (s.side == DockSide::kFloating) {
      FloatControlBar(bar, {s.floatX, s.floatY});
    } else {
      TakeOutOfMiniFrame(bar);
      bar->side_ = s.side;
      bar->row_ = s.row;
      bar->order_ = s.order;
      bar->SetOrientation(IsHorizontalSide(s.side));
    }
    ShowControlBar(bar, s.visible, true);
  }
  RecalcLayout();
}

bool FrameWnd::OnBarCheck(std::uint32_t id) {
  ControlBar* bar = BarForCommand(id);
  if (bar == nullptr) return false;
  ShowControlBar(bar, !bar->IsVisible(), false);
  return true;
}

void FrameWnd::OnUpdateControlBarMenu(CmdUI& ui) {
  ControlBar* bar = BarForCommand(ui.Id());
  if (bar == nullptr) {
    ui.ContinueRouting();
    return;
  }
  ui.SetCheck(bar->IsVisible() ? 1 : 0);
}

// ---- Help

std::uint32_t FrameWnd::CurrentHelpId() const {
  if (lastPromptId_ != 0) return kHelpIdBase + lastPromptId_;
  HWND focus = GetFocus();
  for (HWND h = focus; h != nullptr; h = GetParent(h)) {
    Window* w = Window::FromHandle(h);
    if (w != nullptr && w->helpId != 0) return w->helpId;
  }
  return helpId != 0 ? helpId : kHelpResourceBase;
}

void FrameWnd::OnContextHelp() {
  contextHelp_ = true;
  SetCapture(hwnd_);
  SetCursor(LoadCursor(nullptr, IDC_HELP));
}

LRESULT FrameWnd::OnSetCursorMessage(WPARAM wParam, LPARAM lParam) {
  if (contextHelp_) {
    SetCursor(LoadCursor(nullptr, IDC_HELP));
    return TRUE;
  }
  return DefaultProc(WM_SETCURSOR, wParam, lParam);
}

LRESULT FrameWnd::OnLButtonDownMessage(WPARAM wParam, LPARAM lParam) {
  if (!contextHelp_) return DefaultProc(WM_LBUTTONDOWN, wParam, lParam);
  // The click picks the window whose help is shown.
  contextHelp_ = false;
  ReleaseCapture();
  POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ClientToScreen(hwnd_, &pt);
  std::uint32_t id = helpId != 0 ? helpId : kHelpResourceBase;
  for (HWND h = WindowFromPoint(pt); h != nullptr; h = GetParent(h)) {
    Window* w = Window::FromHandle(h);
    if (w != nullptr && w->helpId != 0) {
      id = w->helpId;
      break;
    }
  }
  TheApp()->WinHelp(id, HELP_CONTEXT);
  return 0;
}

LRESULT FrameWnd::OnHelpMessage(WPARAM, LPARAM) {
  TheApp()->OnHelp();
  return TRUE;
}

// ---- MdiFrame

FW_IMPLEMENT_DYNCREATE(MdiFrame, FrameWnd)
FW_MESSAGE_MAP(MdiFrame, FrameWnd, CommandEntry<&MdiFrame::OnWindowNew>(kIdWindowNew),
               CommandEntry<&MdiFrame::OnWindowCascade>(kIdWindowCascade),
               CommandRangeEntry<&MdiFrame::OnWindowTile>(kIdWindowTileHorz, kIdWindowTileVert),
               CommandEntry<&MdiFrame::OnWindowArrange>(kIdWindowArrange))

bool MdiFrame::OnCreateClient(CreateContext*) {
  CLIENTCREATESTRUCT ccs = {WindowMenuOf(menu_), kIdFirstMdiChild};
  // Every child keeps the styles it is created with: a frame is shown when
  // its document is ready, and a hidden document's frame never shows (the
  // client would otherwise make each child visible, and active, at once).
  mdiClient_ = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | MDIS_ALLCHILDSTYLES,
                               0, 0, 100, 100,
                               hwnd_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kIdPaneFirst)),
                               GetModuleHandleA(nullptr), &ccs);
  return mdiClient_ != nullptr;
}

HMENU MdiFrame::WindowMenuOf(HMENU menu) const {
  // The window menu is the popup just before the last (Help) one.
  int n = menu != nullptr ? GetMenuItemCount(menu) : 0;
  return n >= 2 ? GetSubMenu(menu, n - 2) : nullptr;
}

MdiChild* MdiFrame::ActiveChild() const {
  if (mdiClient_ == nullptr) return nullptr;
  auto h = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDIGETACTIVE, 0, 0));
  return dynamic_cast<MdiChild*>(Window::FromHandle(h));
}

FrameWnd* MdiFrame::GetActiveFrame() {
  MdiChild* child = ActiveChild();
  return child != nullptr ? static_cast<FrameWnd*>(child) : this;
}

Document* MdiFrame::GetActiveDocument() {
  MdiChild* child = ActiveChild();
  return child != nullptr ? child->GetActiveDocument() : nullptr;
}

bool MdiFrame::OnCmdMsg(MessageArgs& args) { return RouteThrough(*this, ActiveChild(), TheApp(), args); }

bool MdiFrame::PreTranslateMessage(MSG* msg) {
  if (mdiClient_ != nullptr && TranslateMDISysAccel(mdiClient_, msg)) return true;
  MdiChild* child = ActiveChild();
  if (child != nullptr && child->PreTranslateMessage(msg)) return true;
  return FrameWnd::PreTranslateMessage(msg);
}

LRESULT MdiFrame::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefFrameProcA(hwnd_, mdiClient_, message, wParam, lParam);
}

void MdiFrame::OnUpdateFrameTitle(bool) { SetText(title_); }

void MdiFrame::OnIdleUpdateCmdUI() {
  FrameWnd::OnIdleUpdateCmdUI();
  // The menu bar's own items (a command placed directly in the bar).
  HMENU bar = GetMenu(hwnd_);
  if (bar != nullptr) {
    int n = GetMenuItemCount(bar);
    for (int i = 0; i < n; ++i) {
      if (GetSubMenu(bar, i) != nullptr) continue;
      UINT id = GetMenuItemID(bar, i);
      if (id == 0 || id == 0xFFFFFFFFu) continue;
      // The buttons a maximised MDI child puts in the bar (minimise, restore,
      // close) are system commands, always available.
      if (IsSystemCommand(id)) continue;
      std::string text;
      CmdUIState shown = MenuItemState(bar, static_cast<UINT>(i), &text);
      CmdUIState wanted = QueryCommandState(*this, id, static_cast<std::uint32_t>(i), shown, MenuGreysWithoutHandler(id));
      if (DiffCmdUI(shown, wanted).Any()) {
        ApplyMenuItem(bar, static_cast<UINT>(i), shown, wanted);
        DrawMenuBar(hwnd_);
      }
    }
  }
}

void MdiFrame::SetSharedMenu(HMENU menu) {
  HMENU target = menu != nullptr ? menu : menu_;
  if (target == nullptr || GetMenu(hwnd_) == target) return;
  SendMessageA(mdiClient_, WM_MDISETMENU, reinterpret_cast<WPARAM>(target),
               reinterpret_cast<LPARAM>(WindowMenuOf(target)));
  DrawMenuBar(hwnd_);
}

void MdiFrame::OnWindowNew() {
  // Another window on the active document.
  MdiChild* active = ActiveChild();
  Document* doc = active != nullptr ? active->GetActiveDocument() : nullptr;
  DocTemplate* tmpl = doc != nullptr ? doc->GetDocTemplate() : nullptr;
  if (tmpl == nullptr) return;
  FrameWnd* frame = tmpl->CreateNewFrame(doc, active);
  if (frame != nullptr) tmpl->InitialUpdateFrame(frame, doc, true);
}

void MdiFrame::OnWindowCascade() { SendMessageA(mdiClient_, WM_MDICASCADE, 0, 0); }

void MdiFrame::OnWindowTile(std::uint32_t id) {
  SendMessageA(mdiClient_, WM_MDITILE, id == kIdWindowTileHorz ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, 0);
}

void MdiFrame::OnWindowArrange() { SendMessageA(mdiClient_, WM_MDIICONARRANGE, 0, 0); }

// ---- MdiChild

FW_IMPLEMENT_DYNCREATE(MdiChild, FrameWnd)
FW_MESSAGE_MAP(MdiChild, FrameWnd, WindowMessageEntry<&MdiChild::OnMdiActivate>(WM_MDIACTIVATE),
               WindowMessageEntry<&MdiChild::OnSizeChild>(WM_SIZE),
               WindowMessageEntry<&MdiChild::OnPaletteChangedChild>(WM_PALETTECHANGED))

MdiFrame* MdiChild::GetMdiFrame() const {
  return dynamic_cast<MdiFrame*>(TheApp() != nullptr ? TheApp()->MainWindow() : nullptr);
}

bool MdiChild::LoadFrame(std::uint32_t resourceId, DWORD style, HWND, CreateContext* context) {
  MdiFrame* main = GetMdiFrame();
  if (main == nullptr || main->MdiClient() == nullptr) {
    if (autoDelete) delete this;
    return false;
  }
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId));
  App::RegisterWindowClass(className.c_str(), CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                           icon != nullptr ? icon : LoadIcon(nullptr, IDI_APPLICATION));
  if (context != nullptr && context->tmpl != nullptr) {
    sharedMenu = context->tmpl->SharedMenu();
    sharedAccel = context->tmpl->SharedAccelerators();
  }
  if (title_.empty()) title_ = FirstLine(ResourceString(resourceId));
  pendingContext_ = context;
  CREATESTRUCTA cs = {};
  cs.hInstance = GetModuleHandleA(nullptr);
  cs.hwndParent = main->MdiClient();
  cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
  // The child styles of an MDI window, all but visibility: the frame shows
  // when its document is ready (ActivateFrame).
  cs.style = static_cast<LONG>((style | WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                WS_MINIMIZEBOX | WS_MAXIMIZEBOX) &
                               ~(WS_VISIBLE | WS_MAXIMIZE | WS_POPUP));
  cs.lpszName = title_.c_str();
  cs.lpszClass = className.c_str();
  if (!PreCreateWindow(cs)) {
    if (autoDelete) delete this;
    return false;
  }
  MDICREATESTRUCTA mcs = {};
  mcs.szClass = cs.lpszClass;
  mcs.szTitle = cs.lpszName;
  mcs.hOwner = cs.hInstance;
  mcs.x = cs.x;
  mcs.y = cs.y;
  mcs.cx = cs.cx;
  mcs.cy = cs.cy;
  mcs.style = static_cast<DWORD>(cs.style);
  bool wasAutoDelete = autoDelete;
  autoDelete = false;
  ExpectCreation(this);
  auto h = reinterpret_cast<HWND>(SendMessageA(main->MdiClient(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
  ExpectCreation(nullptr);
  autoDelete = wasAutoDelete;
  pendingContext_ = nullptr;
  if (h == nullptr) {
    if (autoDelete) delete this;
    return false;
  }
  return true;
}

LRESULT MdiChild::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefMDIChildProcA(hwnd_, message, wParam, lParam);
}

bool MdiChild::PreTranslateMessage(MSG* msg) {
  HACCEL a = sharedAccel != nullptr ? sharedAccel : accel_;
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && a != nullptr) {
    MdiFrame* main = GetMdiFrame();
    return TranslateAcceleratorA(main != nullptr ? main->Handle() : hwnd_, a, msg) != 0;
  }
  return false;
}

void MdiChild::ActivateFrame(int showCommand) {
  MdiFrame* main = GetMdiFrame();
  if (showCommand == -1) showCommand = IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW;
  ShowWindow(hwnd_, showCommand);
  if (main != nullptr) {
    SendMessageA(main->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd_), 0);
    // The Window menu lists visible children only, by the caption they had
    // when it was last built: a frame titled while still hidden is listed
    // now, by its title.
    SendMessageA(main->MdiClient(), WM_MDIREFRESHMENU, 0, 0);
  }
  BringWindowToTop(hwnd_);
}

void MdiChild::OnUpdateFrameTitle(bool add) {
  Document* doc = GetActiveDocument();
  SetText(add && addToTitle && doc != nullptr ? ChildFrameTitle(doc->GetTitle(), windowNumber) : title_);
}

LRESULT MdiChild::OnMdiActivate(WPARAM wParam, LPARAM lParam) {
  bool activating = reinterpret_cast<HWND>(lParam) == hwnd_;
  MdiFrame* main = GetMdiFrame();
  if (main != nullptr) {
    if (activating) {
      main->SetSharedMenu(sharedMenu);
    } else if (lParam == 0) {
      main->SetSharedMenu(nullptr);  // the last child went away
    }
  }
  if (activeView_ != nullptr) activeView_->OnActivateView(activating, activeView_, activeView_);
  return DefaultProc(WM_MDIACTIVATE, wParam, lParam);
}

LRESULT MdiChild::OnSizeChild(WPARAM wParam, LPARAM lParam) {
  if (wParam != SIZE_MINIMIZED) RecalcLayout();
  return DefaultProc(WM_SIZE, wParam, lParam);  // MDI needs it for maximised children
}

LRESULT MdiChild::OnPaletteChangedChild(WPARAM wParam, LPARAM lParam) {
  // The system tells top-level windows only; a child frame draws nothing of
  // its own, so the message goes on, unchanged, to what it holds.
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageA(child, WM_PALETTECHANGED, wParam, lParam);
  }
  return DefaultProc(WM_PALETTECHANGED, wParam, lParam);
}

void MdiChild::MdiDestroy() {
  MdiFrame* main = GetMdiFrame();
  if (main != nullptr && main->MdiClient() != nullptr) {
    SendMessageA(main->MdiClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd_), 0);
  } else {
    DestroyWindow();
  }
}

void MdiChild::OnClose() {
  Document* doc = GetActiveDocument();
  if (doc != nullptr && !doc->CanCloseFrame(this)) return;
  // The document's last window closes the document with it.
  bool lastWindow = doc != nullptr;
  if (doc != nullptr) {
    for (View* v : doc->Views()) lastWindow = lastWindow && v->GetParentFrame() == this;
  }
  if (lastWindow) {
    doc->OnCloseDocument();
    return;
  }
  MdiDestroy();
}

// ---- MiniFrame

FW_IMPLEMENT_DYNCREATE(MiniFrame, FrameWnd)

bool MiniFrame::Create(const std::string& title, DWORD style, const RECT& rect, Window* owner) {
  App::RegisterWindowClass(className.c_str(), CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                           GetSysColorBrush(COLOR_BTNFACE), nullptr);
  title_ = title;
  bool wasAutoDelete = autoDelete;
  autoDelete = false;
  bool ok = CreateEx(WS_EX_TOOLWINDOW, className.c_str(), title.c_str(), style | WS_POPUP | WS_CAPTION, rect.left,
                     rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     owner != nullptr ? owner->Handle() : nullptr, nullptr);
  autoDelete = wasAutoDelete;
  if (!ok && autoDelete) delete this;
  return ok;
}

// ---- FloatingBarFrame

FW_MESSAGE_MAP(FloatingBarFrame, MiniFrame, WindowMessageEntry<&FloatingBarFrame::OnNcLButtonDown>(WM_NCLBUTTONDOWN),
               WindowMessageEntry<&FloatingBarFrame::OnNcLButtonDblClk>(WM_NCLBUTTONDBLCLK))

LRESULT FloatingBarFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // A drop may dock the bar and destroy this frame: nothing here after it.
  if (bar_ != nullptr && bar_->Drag().OnMessage(hwnd_, message, wParam, lParam)) return 0;
  return MiniFrame::WindowProc(message, wParam, lParam);
}

bool FloatingBarFrame::CanDock() const {
  return bar_ != nullptr && owner_ != nullptr && (bar_->dockStyle & owner_->DockingSides() & kAlignAny) != 0;
}

LRESULT FloatingBarFrame::OnNcLButtonDown(WPARAM wParam, LPARAM lParam) {
  if (wParam != HTCAPTION || !CanDock()) return DefaultProc(WM_NCLBUTTONDOWN, wParam, lParam);
  POINT cursor{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  RECT place;
  GetWindowRect(hwnd_, &place);
  bar_->Drag().Begin(hwnd_, bar_, cursor, {cursor.x - place.left, cursor.y - place.top});
  return 0;
}

LRESULT FloatingBarFrame::OnNcLButtonDblClk(WPARAM wParam, LPARAM lParam) {
  if (wParam != HTCAPTION || !CanDock()) return DefaultProc(WM_NCLBUTTONDBLCLK, wParam, lParam);
  bar_->Drag().Cancel();
  owner_->DockControlBarBack(bar_);  // destroys this frame
  return 0;
}

bool FloatingBarFrame::Create(FrameWnd* owner, ControlBar* bar, POINT screenPos) {
  owner_ = owner;
  bar_ = bar;
  RECT place{screenPos.x, screenPos.y, screenPos.x + 100, screenPos.y + 50};
  if (!MiniFrame::Create(bar->caption, WS_SYSMENU | WS_VISIBLE, place, owner)) return false;
  bar->floatFrame_ = this;
  bar->side_ = DockSide::kFloating;
  bar->SetOrientation(true);
  SetParent(bar->Handle(), hwnd_);
  FitToBar();
  return true;
}

void FloatingBarFrame::FitToBar() {
  SIZE s = bar_->CalcFixedLayout(true);
  RECT r{0, 0, s.cx, s.cy};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)), FALSE, WS_EX_TOOLWINDOW);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  MoveWindow(bar_->Handle(), 0, 0, s.cx, s.cy, TRUE);
}

bool FloatingBarFrame::OnCmdMsg(MessageArgs& args) {
  // The bar's buttons command the frame it belongs to.
  return (owner_ != nullptr && owner_->OnCmdMsg(args)) || MiniFrame::OnCmdMsg(args);
}

void FloatingBarFrame::OnClose() {
  // Closing a floating bar hides it; it can be shown again from the menu.
  if (owner_ != nullptr) owner_->ShowControlBar(bar_, false, false);
}

}  // namespace fw
