// The main frame's messages: panes, placement, activation and drops.
#include "app/win/MainFrame.h"

#include <shellapi.h>

#include "app/HandOver.h"
#include "app/HostHooks.h"
#include "app/StatusPanes.h"
#include "app/win/Lumo40App.h"
#include "app/win/SmallWindows.h"
#include "dialogs/win/ImageDialogs.h"
#include "document/DocumentServices.h"
#include "framework/CommandIds.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "res/resource.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/DocView.h"
#include "hostapi/toolhost.h"
#include "ui/win/ProgressInd.h"
#include "view/win/AppActivation.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {

FW_MESSAGE_MAP(CMainFrame, fw::MdiFrame, fw::WindowMessageEntry<&CMainFrame::OnCreate>(WM_CREATE),
               fw::WindowMessageEntry<&CMainFrame::OnMove>(WM_MOVE),
               fw::WindowMessageEntry<&CMainFrame::OnSize>(WM_SIZE),
               fw::WindowMessageEntry<&CMainFrame::OnActivate>(WM_ACTIVATE),
               fw::WindowMessageEntry<&CMainFrame::OnActivateApp>(WM_ACTIVATEAPP),
               fw::WindowMessageEntry<&CMainFrame::OnPaneActivated>(kMsgPaneActivated),
               fw::WindowMessageEntry<&CMainFrame::OnShowWindow>(WM_SHOWWINDOW),
               fw::WindowMessageEntry<&CMainFrame::OnDropFiles>(WM_DROPFILES),
               fw::WindowMessageEntry<&CMainFrame::OnCopyData>(WM_COPYDATA),
               fw::WindowMessageEntry<&CMainFrame::OnOpenHandedOver>(kMsgOpenHandedOver),
               fw::WindowMessageEntry<&CMainFrame::OnTimer>(WM_TIMER),
               fw::WindowMessageEntry<&CMainFrame::OnDestroy>(WM_DESTROY),
               fw::UpdateEntry<&CMainFrame::OnUpdateCoordinatesPane>(ID_INDICATOR_COORDINATES),
               fw::UpdateEntry<&CMainFrame::OnUpdateImagePane>(ID_INDICATOR_IMAGE),
               fw::CommandEntry<&CMainFrame::OnAppAbout>(ID_APP_ABOUT),
               fw::CommandEntry<&CMainFrame::OnNavigatorCommand>(ID_VIEW_NAVIGATOR),
               fw::UpdateEntry<&CMainFrame::OnUpdateNavigatorCommand>(ID_VIEW_NAVIGATOR),
               fw::CommandEntry<&CMainFrame::OnUpdateNavigatorNow>(ID_UPDATE_NAVIGATOR),
               fw::CommandEntry<&CMainFrame::OnSelectionLevel>(ID_SELECTION_LEVEL),
               fw::UpdateEntry<&CMainFrame::OnUpdateAlways>(ID_SELECTION_LEVEL))

CMainFrame::CMainFrame() { className = kMainFrameClass; }

namespace {

BOOL CALLBACK FindFrameClass(HWND window, LPARAM found) {
  char name[260] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, kMainFrameClass) == 0) *reinterpret_cast<bool*>(found) = true;
  return TRUE;
}

}  // namespace

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The window's last message unlinks it from its object: never a tool's.
  if (message != WM_NCDESTROY) {
    const LU_MSG record{hwnd_, message, wParam, lParam};
    std::intptr_t result = 0;
    if (LUIsSomethingInterest(TheLumoApp()->Site(), &record, kLUPassMainFrame, &result) != 0) return result;
  }
  return OwnHandling(message, wParam, lParam);
}

LRESULT CMainFrame::OwnHandling(UINT message, WPARAM wParam, LPARAM lParam) {
  return fw::MdiFrame::WindowProc(message, wParam, lParam);
}

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
  bool found = false;
  EnumWindows(FindFrameClass, reinterpret_cast<LPARAM>(&found));
  if (found) return false;  // one main window per desktop
  const AppSettings& s = TheLumoApp()->settings;
  if (s.frameMaximized == 0) {
    cs.x = s.frameX;
    cs.y = s.frameY;
    cs.cx = s.frameW;
    cs.cy = s.frameH;
  }
  return fw::MdiFrame::PreCreateWindow(cs);
}

LRESULT CMainFrame::OnCreate(WPARAM wParam, LPARAM lParam) {
  if (OnCreateMessage(wParam, lParam) == -1) return -1;
  if (!statusBar_.Create(this, WS_CHILD | WS_VISIBLE, fw::kIdViewStatusBar) ||
      !statusBar_.SetIndicators({0, ID_INDICATOR_COORDINATES, ID_INDICATOR_IMAGE})) {
    return -1;
  }
  // A hidden frame gets no WM_SIZE before it shows: a file opened at start
  // measures the MDI area at the frame's size, not at the client's first.
  RecalcLayout();
  // The navigator, attached to no view, shown as it was left; placed once
  // the MDI area has its size.
  if (navigator_.Create(Handle())) {
    navigator_.EnableForImage(nullptr);
    ShowWindow(navigator_.Handle(), navigator_.shown > 0 ? SW_SHOWNA : SW_HIDE);
  }
  ShowSplashScreen(Handle());
  LayoutStatusPanes();
  return 0;
}

void CMainFrame::LayoutStatusPanes() {
  if (statusBar_.Handle() == nullptr || IsIconic(Handle())) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  HDC dc = GetDC(statusBar_.Handle());
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(statusBar_.Handle(), WM_GETFONT, 0, 0)));
  SIZE text{};
  const char kWidest[] = " (99999,99999) ";
  GetTextExtentPoint32A(dc, kWidest, sizeof kWidest - 1, &text);
  SelectObject(dc, old);
  ReleaseDC(statusBar_.Handle(), dc);
  StatusPaneWidths w = lumora::LayoutStatusPanes(client.right - client.left, text.cx);
  statusBar_.SetPaneInfo(0, 0, w.message);
  statusBar_.SetPaneInfo(1, ID_INDICATOR_COORDINATES, w.coordinates);
  statusBar_.SetPaneInfo(2, ID_INDICATOR_IMAGE, w.image);
}

void CMainFrame::SaveFramePlacement() {
  RECT r{};
  GetWindowRect(Handle(), &r);
  AppSettings& s = TheLumoApp()->settings;
  s.frameX = r.left;
  s.frameY = r.top;
  s.frameW = r.right - r.left;
  s.frameH = r.bottom - r.top;
}

LRESULT CMainFrame::OnMove(WPARAM wParam, LPARAM lParam) {
  LRESULT r = DefaultProc(WM_MOVE, wParam, lParam);
  if (!IsZoomed(Handle()) && !IsIconic(Handle())) SaveFramePlacement();
  return r;
}

LRESULT CMainFrame::OnSize(WPARAM wParam, LPARAM lParam) {
  LRESULT r = OnSizeMessage(wParam, lParam);
  if (wParam == SIZE_MAXIMIZED) TheLumoApp()->settings.frameMaximized = 1;
  if (wParam == SIZE_RESTORED) {
    TheLumoApp()->settings.frameMaximized = 0;
    SaveFramePlacement();
  }
  LayoutStatusPanes();
  return r;
}

LRESULT CMainFrame::OnActivate(WPARAM wParam, LPARAM lParam) {
  LRESULT r = DefaultProc(WM_ACTIVATE, wParam, lParam);
  if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) SendMessageA(Handle(), kMsgPaneActivated, 1, 0);
  return r;
}

LRESULT CMainFrame::OnActivateApp(WPARAM wParam, LPARAM lParam) {
  LRESULT r = DefaultProc(WM_ACTIVATEAPP, wParam, lParam);
  if (wParam == 0) SendMessageA(Handle(), kMsgPaneActivated, 0, 0);
  return r;
}

LRESULT CMainFrame::OnPaneActivated(WPARAM wParam, LPARAM lParam) {
  if (wParam == 1 && !appActive) {
    appActive = true;
    // The MDI area's entry comes to the front of the activation list (made
    // the first time), and the last active view's draw context re-realises
    // its palette.
    if (IsWindowVisible(Handle()) && MdiClient() != nullptr) TheActivationList().AddMDIArea(MdiClient());
    ReactivateLastImageView();
  }
  if (wParam == 0) appActive = false;
  return DefaultProc(kMsgPaneActivated, wParam, lParam);
}

void CMainFrame::ReactivateLastImageView() {
  CLumo40View* view = GetViewFromWnd(GetActiveImageWindow());
  // A closing document's view is going: its draw context is left alone.
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  if (doc == nullptr || doc->Image().IsClosing() || !view->HasDrawContext()) return;
  std::lock_guard<std::mutex> guard(view->ViewLock());
  if (VR_DRAWCONTEXT* context = view->DrawContext()) context->Reactivate(view->Handle());
}

LRESULT CMainFrame::OnShowWindow(WPARAM wParam, LPARAM lParam) {
  LRESULT r = DefaultProc(WM_SHOWWINDOW, wParam, lParam);
  if (wParam != 0 && navigator_.Exists()) ShowWindow(navigator_.Handle(), navigator_.shown > 0 ? SW_SHOWNA : SW_HIDE);
  if (wParam != 0) BringSplashToTop();
  return r;
}

LRESULT CMainFrame::OnDropFiles(WPARAM wParam, LPARAM) {
  auto drop = reinterpret_cast<HDROP>(wParam);
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    char path[MAX_PATH] = {};
    if (DragQueryFileA(drop, i, path, sizeof path) != 0) TheLumoApp()->OpenDocumentFile(path);
  }
  DragFinish(drop);
  return 0;
}

LRESULT CMainFrame::OnCopyData(WPARAM, LPARAM lParam) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (data == nullptr || data->dwData != kHandOverCopyData) return FALSE;
  std::vector<std::string> names =
      ReadDropFilesBlock(static_cast<const std::uint8_t*>(data->lpData), data->cbData);
  if (names.empty()) return FALSE;
  // Opened after the sender has its answer, so it is not kept waiting on a
  // message box of ours.
  for (const std::string& name : names) pendingOpens_.push_back(name);
  PostMessageA(Handle(), kMsgOpenHandedOver, 0, 0);
  return TRUE;
}

LRESULT CMainFrame::OnOpenHandedOver(WPARAM, LPARAM) {
  std::vector<std::string> names;
  names.swap(pendingOpens_);
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
  SetForegroundWindow(Handle());
  for (const std::string& name : names) TheLumoApp()->OpenDocumentFile(name);
  return 0;
}

LRESULT CMainFrame::OnTimer(WPARAM wParam, LPARAM lParam) {
  // Timer 1331 arrives here once per idle pass; the animations it drives
  // (selection outlines, toolbar customising) come with their tools.
  return DefaultProc(WM_TIMER, wParam, lParam);
}

LRESULT CMainFrame::OnDestroy(WPARAM wParam, LPARAM lParam) {
  TheLumoApp()->KillAnimationTimer();
  DragAcceptFiles(Handle(), FALSE);
  return OnDestroyMessage(wParam, lParam);
}

void CMainFrame::OnUpdateCoordinatesPane(fw::CmdUI& ui) {
  const std::string& text = TheLumoApp()->prompts.Current(1);
  ui.Enable(!text.empty());
  ui.SetText(text);
}

void CMainFrame::OnUpdateImagePane(fw::CmdUI& ui) {
  ui.Enable(true);
  ui.SetText(ImagePaneText(TheLumoApp()->prompts.Current(2)));
}

void CMainFrame::OnAppAbout() { ShowAboutBox(Handle()); }

// ---- The navigator

void CMainFrame::ShowNavigator(bool show) {
  if (!navigator_.Exists()) return;
  ShowWindow(navigator_.Handle(), show ? SW_SHOW : SW_HIDE);
  navigator_.shown = show ? 1 : 0;
  if (show) navigator_.SetImage(navigator_.View());
}

bool CMainFrame::IsNavigatorVisible() const {
  return const_cast<CNavigatorWnd&>(navigator_).Exists() && IsWindowVisible(navigator_.Handle());
}

void CMainFrame::UpdateNavigator() {
  if (!navigator_.Exists()) return;
  CLumo40View* active = GetViewFromWnd(GetActiveImageWindow());
  if (active != navigator_.View()) {
    navigator_.EnableForImage(active);
    return;
  }
  navigator_.UpdateThumbnail();
  navigator_.UpdateViewRect();
}

void CMainFrame::NavigatorFollow(CLumo40View* view) {
  if (navigator_.Exists() && view != navigator_.View()) navigator_.EnableForImage(view);
}

void CMainFrame::OnNavigatorCommand() {
  if (!IsCommandAllowedWhileTracking(ID_VIEW_NAVIGATOR)) return;
  ShowNavigator(!IsNavigatorVisible());
}

void CMainFrame::OnUpdateNavigatorCommand(fw::CmdUI& ui) {
  ui.SetCheck(IsNavigatorVisible() ? 1 : 0);
  ui.Enable(FilterCommandEnable(ID_VIEW_NAVIGATOR, true));
}

void CMainFrame::OnUpdateNavigatorNow() { UpdateNavigator(); }

void CMainFrame::OnIdleUpdateCmdUI() {
  // The image status follows the active image window and its image (a
  // reload or a new size changes it too); the application shows changes.
  fw::View* view = GetActiveFrame() != this ? GetActiveFrame()->GetActiveView() : nullptr;
  TheLumoApp()->ShowImageStatus(view != nullptr ? view->Handle() : nullptr);
  fw::MdiFrame::OnIdleUpdateCmdUI();
}

bool CMainFrame::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LUWinMenu_Command(TheLumoApp()->Site(), Handle(), wParam) != 0) return true;
  return fw::MdiFrame::OnCommand(wParam, lParam);
}

void CMainFrame::OnClose() {
  // A close that arrives under a running operation waits for its end.
  if (ProgressIsRunning()) {
    DeferUntilProgressEnds(Handle(), WM_CLOSE, 0, 0);
    return;
  }
  if (!SaveAndCloseAllDocuments(false)) return;  // a document refused: the program goes on
  DestroyFrame();
}

bool CMainFrame::OnQueryEndSession() {
  if (ProgressIsRunning()) return false;
  return fw::MdiFrame::OnQueryEndSession();
}

void CMainFrame::DestroyFrame() {
  navigator_.SaveShowState();
  // The tool panes close while their owner is still there, their previews
  // restored.
  LUDestroyPaneDialogs(TheLumoApp()->Site());
  DestroyWindow();
}

bool CMainFrame::SaveAndCloseAllDocuments(bool already) {
  if (already) return true;
  if (TheLumoApp()->closeMode == 1) TheLumoApp()->CloseAllDocuments(false);
  for (fw::Document* doc : TheLumoApp()->Docs().AllDocuments()) {
    if (!doc->SaveModified()) return false;
    doc->OnCloseDocument();
  }
  return true;
}

void CMainFrame::OnSelectionLevel() {
  CIntersectLevelDlg dialog;
  dialog.level = TheLumoApp()->settings.intersectLevel;
  if (dialog.DoModal() == IDOK) TheLumoApp()->settings.intersectLevel = dialog.level;
}

void CMainFrame::OnUpdateAlways(fw::CmdUI& ui) { ui.Enable(FilterCommandEnable(ui.Id(), true)); }

}  // namespace lumora
