// The main frame's messages: panes, placement, activation and drops.
#include "app/win/MainFrame.h"

#include "app/win/InPlaceFrame.h"
#include "platform/trace.h"
#include "ui/win/CustomizeDlg.h"

#include <shellapi.h>

#include "app/HandOver.h"
#include "app/HostHooks.h"
#include "app/StatusPanes.h"
#include "app/win/AppToolMenus.h"
#include "app/win/AutomationApp.h"
#include "app/win/EmbeddedImage.h"
#include "app/win/Lumo40App.h"
#include "app/win/SmallWindows.h"
#include "dialogs/win/ImageDialogs.h"
#include "document/DocumentServices.h"
#include "framework/CommandIds.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "res/resource.h"
#include "document/win/Lumo40Doc.h"
#include "document/win/TextTool.h"
#include "framework/win/DocView.h"
#include "hostapi/comdlg.h"
#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "lang/ToolHostAdapters.h"
#include "lang/win/LangWnd.h"
#include "ui/win/ProgressInd.h"
#include "view/win/AppActivation.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

#include "files/win/TwainSession.h"

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
               fw::WindowMessageEntry<&CMainFrame::OnChangeCbChain>(WM_CHANGECBCHAIN),
               fw::WindowMessageEntry<&CMainFrame::OnDrawClipboard>(WM_DRAWCLIPBOARD),
               fw::WindowMessageEntry<&CMainFrame::OnQueryNewPalette>(WM_QUERYNEWPALETTE),
               fw::WindowMessageEntry<&CMainFrame::OnPaletteChanged>(WM_PALETTECHANGED),
               fw::UpdateEntry<&CMainFrame::OnUpdateCoordinatesPane>(ID_INDICATOR_COORDINATES),
               fw::UpdateEntry<&CMainFrame::OnUpdateImagePane>(ID_INDICATOR_IMAGE),
               fw::CommandEntry<&CMainFrame::OnAppAbout>(ID_APP_ABOUT),
               fw::CommandEntry<&CMainFrame::OnNavigatorCommand>(ID_VIEW_NAVIGATOR),
               fw::UpdateEntry<&CMainFrame::OnUpdateNavigatorCommand>(ID_VIEW_NAVIGATOR),
               fw::CommandEntry<&CMainFrame::OnUpdateNavigatorNow>(ID_UPDATE_NAVIGATOR),
               fw::CommandEntry<&CMainFrame::OnLayerPaletteCommand>(ID_VIEW_LAYER_PALETTE),
               fw::CommandEntry<&CMainFrame::OnLayerMoving>(ID_LAYER_MOVING),
               fw::UpdateEntry<&CMainFrame::OnUpdateLayerMoving>(ID_LAYER_MOVING),
               fw::UpdateEntry<&CMainFrame::OnUpdateLayerPaletteCommand>(ID_VIEW_LAYER_PALETTE),
               fw::CommandEntry<&CMainFrame::OnSelectionLevel>(ID_SELECTION_LEVEL),
               fw::UpdateEntry<&CMainFrame::OnUpdateAlways>(ID_SELECTION_LEVEL),
               fw::CommandRangeEntry<&CMainFrame::OnAreaCommand>(ID_AREA_TOOL_FIRST, ID_AREA_TOOL_LAST),
               fw::UpdateEntry<&CMainFrame::OnUpdateAreaCommand>(ID_AREA_TOOL_FIRST, ID_AREA_TOOL_LAST),
               fw::CommandEntry<&CMainFrame::OnMoveSelection>(ID_SELECT_BAR_MOVE),
               fw::UpdateEntry<&CMainFrame::OnUpdateMoveSelection>(ID_SELECT_BAR_MOVE),
               fw::CommandEntry<&CMainFrame::OnSelectAll>(ID_SELECTION_ALL),
               fw::UpdateEntry<&CMainFrame::OnUpdateSelectAll>(ID_SELECTION_ALL),
               fw::WindowMessageEntry<&CMainFrame::OnInitMenu>(WM_INITMENU),
               fw::CommandRangeEntry<&CMainFrame::OnTwainDevice>(ID_TWAIN_DEVICE_FIRST, ID_TWAIN_DEVICE_LAST),
               fw::UpdateEntry<&CMainFrame::OnUpdateTwainDevice>(ID_TWAIN_DEVICE_FIRST, ID_TWAIN_DEVICE_LAST),
               fw::CommandEntry<&CMainFrame::OnTwainNative>(ID_TWAIN_NATIVE),
               fw::UpdateEntry<&CMainFrame::OnUpdateTwainNative>(ID_TWAIN_NATIVE),
               fw::CommandEntry<&CMainFrame::OnTwainMemory>(ID_TWAIN_MEMORY),
               fw::UpdateEntry<&CMainFrame::OnUpdateTwainMemory>(ID_TWAIN_MEMORY),
               fw::CommandEntry<&CMainFrame::OnTwainAddRemove>(ID_TWAIN_ADD_REMOVE),
               fw::UpdateEntry<&CMainFrame::OnUpdateAlways>(ID_TWAIN_ADD_REMOVE),
               fw::WindowMessageEntry<&CMainFrame::OnTwainNativeImage>(kMsgTwainNativeImage),
               fw::WindowMessageEntry<&CMainFrame::OnTwainMemoryImage>(kMsgTwainMemoryImage),
               fw::WindowMessageEntry<&CMainFrame::OnMenuSelect>(WM_MENUSELECT),
               fw::WindowMessageEntry<&CMainFrame::OnNcLButtonDown>(WM_NCLBUTTONDOWN),
               fw::WindowMessageEntry<&CMainFrame::OnFrameEnterIdle>(WM_ENTERIDLE),
               fw::WindowMessageEntry<&CMainFrame::OnQueryEndSession>(WM_QUERYENDSESSION),
               fw::WindowMessageEntry<&CMainFrame::OnEndSession>(WM_ENDSESSION),
               fw::CommandEntry<&CMainFrame::OnCloseAllTools>(ID_WINDOW_CLOSE_ALL_TOOLS),
               fw::UpdateEntry<&CMainFrame::OnUpdateCloseAllTools>(ID_WINDOW_CLOSE_ALL_TOOLS),
               fw::CommandRangeEntry<&CMainFrame::OnToolRange>(500, 999),
               fw::UpdateEntry<&CMainFrame::OnUpdateToolRange>(500, 899),
               fw::UpdateEntry<&CMainFrame::OnUpdateAreaTypeRange>(900, 999),
               fw::CommandEntry<&CMainFrame::OnPaintAttributesCommand>(ID_VIEW_PAINT_ATTRIBUTES),
               fw::UpdateEntry<&CMainFrame::OnUpdatePaintAttributesCommand>(ID_VIEW_PAINT_ATTRIBUTES),
               fw::CommandEntry<&CMainFrame::OnDropper>(ID_DROPPER),
               fw::CommandEntry<&CMainFrame::OnAddPreset>(ID_ATTRIB_ADD_PRESET),
               fw::WindowMessageEntry<&CMainFrame::OnEdgeOptions>(WM_EDGE_OPTIONS),
               fw::CommandRangeEntry<&CMainFrame::OnAddShapeOrPaper>(ID_ATTRIB_ADD_SHAPE, ID_ATTRIB_ADD_SHAPE),
               fw::CommandRangeEntry<&CMainFrame::OnAddShapeOrPaper>(ID_ATTRIB_ADD_PAPER, ID_ATTRIB_ADD_PAPER),
               fw::CommandRangeEntry<&CMainFrame::OnRemoveShapeOrPaper>(ID_ATTRIB_REMOVE_SHAPE, ID_ATTRIB_REMOVE_SHAPE),
               fw::CommandRangeEntry<&CMainFrame::OnRemoveShapeOrPaper>(ID_ATTRIB_REMOVE_PAPER, ID_ATTRIB_REMOVE_PAPER),
               fw::CommandEntry<&CMainFrame::OnRemovePreset>(ID_ATTRIB_REMOVE_PRESET),
               fw::UpdateEntry<&CMainFrame::OnUpdateDropper>(ID_DROPPER),
               fw::CommandRangeEntry<&CMainFrame::OnColourSwatch>(IDC_FORE_SWATCH, IDC_BACK_SWATCH),
               fw::CommandEntry<&CMainFrame::OnUpdateColours>(ID_UPDATE_COLOURS),
               fw::WindowMessageEntry<&CMainFrame::OnColourWindowColour>(kColourWindowSet),
               fw::WindowMessageEntry<&CMainFrame::OnColourWindowColour>(kColourWindowChanged),
               fw::WindowMessageEntry<&CMainFrame::OnTabletProximity>(kMsgTabletProximity),
               fw::WindowMessageEntry<&CMainFrame::OnTabletInfoChange>(kMsgTabletInfoChange),
               fw::WindowMessageEntry<&CMainFrame::OnTabletCursorChange>(kMsgTabletCursorChange),
               fw::CommandRangeEntry<&CMainFrame::OnToolCommand>(ID_TOOL_AIRBRUSH, ID_TOOL_AIRBRUSH),
               fw::UpdateEntry<&CMainFrame::OnUpdateToolCommand>(ID_TOOL_AIRBRUSH),
               fw::CommandRangeEntry<&CMainFrame::OnToolCommand>(ID_TOOL_PAINTBRUSH, ID_TOOL_PAINTBRUSH),
               fw::UpdateEntry<&CMainFrame::OnUpdateToolCommand>(ID_TOOL_PAINTBRUSH),
               fw::CommandRangeEntry<&CMainFrame::OnToolCommand>(ID_TOOL_LINE, ID_TOOL_CURVE),
               fw::UpdateEntry<&CMainFrame::OnUpdateToolCommand>(ID_TOOL_LINE, ID_TOOL_CURVE),
               fw::CommandRangeEntry<&CMainFrame::OnToolCommand>(ID_TOOL_RECTANGLE, ID_TOOL_ELLIPSE),
               fw::UpdateEntry<&CMainFrame::OnUpdateToolCommand>(ID_TOOL_RECTANGLE, ID_TOOL_ELLIPSE),
               fw::CommandRangeEntry<&CMainFrame::OnToolCommand>(ID_TOOL_POLYGON, ID_TOOL_POLYGON),
               fw::UpdateEntry<&CMainFrame::OnUpdateToolCommand>(ID_TOOL_POLYGON),
               fw::CommandRangeEntry<&CMainFrame::OnToolCommand>(ID_TOOL_CLONE, ID_TOOL_WATER),
               fw::UpdateEntry<&CMainFrame::OnUpdateToolCommand>(ID_TOOL_CLONE, ID_TOOL_WATER),
               fw::CommandRangeEntry<&CMainFrame::OnToolCommand>(ID_TOOL_ERASER, ID_TOOL_ERASER),
               fw::UpdateEntry<&CMainFrame::OnUpdateToolCommand>(ID_TOOL_ERASER),
               fw::CommandEntry<&CMainFrame::OnViewMacrosWindow>(ID_VIEW_MACROS_WINDOW),
               fw::UpdateEntry<&CMainFrame::OnUpdateViewMacrosWindow>(ID_VIEW_MACROS_WINDOW),
               fw::WindowMessageEntry<&CMainFrame::OnToolExecuted>(kLUMsgToolExecuted),
               fw::CommandEntry<&CMainFrame::OnViewPaintBar>(ID_VIEW_PAINT_BAR),
               fw::UpdateEntry<&CMainFrame::OnUpdateViewPaintBar>(ID_VIEW_PAINT_BAR),
               fw::CommandEntry<&CMainFrame::OnViewSelectionBar>(ID_VIEW_SELECTION_BAR),
               fw::UpdateEntry<&CMainFrame::OnUpdateViewSelectionBar>(ID_VIEW_SELECTION_BAR),
               fw::CommandEntry<&CMainFrame::OnLargeButtons>(ID_OPTIONS_LARGE_BUTTONS),
               fw::UpdateEntry<&CMainFrame::OnUpdateLargeButtons>(ID_OPTIONS_LARGE_BUTTONS),
               fw::CommandEntry<&CMainFrame::OnHelpWizard>(ID_HELP_EFFECT_WIZARD),
               fw::UpdateEntry<&CMainFrame::OnUpdateHelpWizard>(ID_HELP_EFFECT_WIZARD),
               fw::CommandEntry<&CMainFrame::OnCustomizeToolbars>(ID_OPTIONS_CUSTOMIZE),
               fw::UpdateEntry<&CMainFrame::OnUpdateCustomizeToolbars>(ID_OPTIONS_CUSTOMIZE))

CMainFrame::CMainFrame() { className = kMainFrameClass; }

namespace {

// The idle update of a window's bars, passed on to the macros window.
constexpr UINT kWmIdleUpdateCmdUI = 0x363;

BOOL CALLBACK FindFrameClass(HWND window, LPARAM found) {
  char name[260] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, kMainFrameClass) == 0) *reinterpret_cast<bool*>(found) = true;
  return TRUE;
}

}  // namespace

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
  bool found = false;
  EnumWindows(FindFrameClass, reinterpret_cast<LPARAM>(&found));
  // One main window per desktop, except for a program COM started: it
  // serves its objects beside the user's.
  if (found && !TheLumoApp()->startedForOle) return false;
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
  if (!CreateBars()) return -1;
  // A hidden frame gets no WM_SIZE before it shows: a file opened at start
  // measures the MDI area at the frame's size, not at the client's first.
  RecalcLayout();
  // The navigator, attached to no view, shown as it was left; placed once
  // the MDI area has its size.
  if (navigator_.Create(Handle())) {
    navigator_.EnableForImage(nullptr);
    ShowWindow(navigator_.Handle(), navigator_.shown > 0 ? SW_SHOWNA : SW_HIDE);
    // The palette's default place begins under the navigator.
    RECT below{};
    GetWindowRect(navigator_.Handle(), &below);
    layerPalette_.topOffset = below.bottom;
  }
  layerPalette_.selectionLevel = [] { return TheLumoApp()->settings.intersectLevel; };
  if (layerPalette_.Create(Handle())) {
    layerPalette_.SetView(nullptr);
    ShowWindow(layerPalette_.Handle(), layerPalette_.shown > 0 ? SW_SHOWNA : SW_HIDE);
  }
  // The paint attributes window, which tool commands need; shown as it
  // was left.
  InstallPaintServices(*TheLumoApp(), paintAttributes_);
  InstallColourControlServices(*TheLumoApp());
  if (paintAttributes_.Create(Handle())) paintAttributes_.ShowAsSaved();
  ShowSplashScreen(Handle());
  LayoutStatusPanes();
  BuildTwainDeviceList();
  dropTarget_.SetMdiClient(MdiClient());
  dropTarget_.Register(Handle());
  // The viewer it answers to is set before the first WM_DRAWCLIPBOARD, which
  // joining sends at once.
  inClipboardChain_ = true;
  nextClipboardViewer_ = SetClipboardViewer(Handle());
  return 0;
}

void CMainFrame::LayoutStatusPanes() { LayoutStatusPanes(Handle(), statusBar_); }

void CMainFrame::LayoutStatusPanes(HWND frame, fw::StatusBar& bar) {
  if (bar.Handle() == nullptr || frame == nullptr || IsIconic(frame)) return;
  RECT client{};
  GetClientRect(frame, &client);
  HDC dc = GetDC(bar.Handle());
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(bar.Handle(), WM_GETFONT, 0, 0)));
  SIZE text{};
  const char kWidest[] = " (99999,99999) ";
  GetTextExtentPoint32A(dc, kWidest, sizeof kWidest - 1, &text);
  SelectObject(dc, old);
  ReleaseDC(bar.Handle(), dc);
  StatusPaneWidths w = lumora::LayoutStatusPanes(client.right - client.left, text.cx);
  bar.SetPaneInfo(0, 0, w.message);
  bar.SetPaneInfo(1, ID_INDICATOR_COORDINATES, w.coordinates);
  bar.SetPaneInfo(2, ID_INDICATOR_IMAGE, w.image);
}

fw::StatusBar* CMainFrame::MessageBar() {
  if (fw::StatusBar* inPlace = InPlaceStatusBar()) return inPlace;
  return &statusBar_;
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
  // The dock-layout benchmark times the bars and the window area laid out.
  const bool trace = TraceEnabled();
  if (trace) TraceMark("frame resized");
  LRESULT r = OnSizeMessage(wParam, lParam);
  if (trace) TraceMark("frame laid out");
  if (wParam == SIZE_MAXIMIZED) TheLumoApp()->settings.frameMaximized = 1;
  if (wParam == SIZE_RESTORED) {
    TheLumoApp()->settings.frameMaximized = 0;
    SaveFramePlacement();
  }
  LayoutStatusPanes();
  if (wParam != SIZE_MINIMIZED) TheLumoApp()->tablet.TabletEnable(true);
  return r;
}

LRESULT CMainFrame::OnActivate(WPARAM wParam, LPARAM lParam) {
  LRESULT r = DefaultProc(WM_ACTIVATE, wParam, lParam);

  if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) {
    SendMessageA(Handle(), kMsgPaneActivated, 1, 0);
    TheLumoApp()->tablet.TabletOverlap(true);
  }
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
  if (wParam != 0 && layerPalette_.Exists())
    ShowWindow(layerPalette_.Handle(), layerPalette_.shown > 0 ? SW_SHOWNA : SW_HIDE);
  if (wParam != 0) paintAttributes_.ShowAsSaved();
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
  if (data != nullptr && data->dwData == kTakeUserCopyData) {
    TheLumoApp()->TakeUser();
    return TRUE;
  }
  if (data == nullptr || data->dwData != kHandOverCopyData) return FALSE;
  // A closing program would drop the file: the sender opens it itself once
  // this one has ended.
  if (closing_) return FALSE;
  std::vector<std::string> names =
      ReadDropFilesBlock(static_cast<const std::uint8_t*>(data->lpData), data->cbData);
  if (names.empty()) return FALSE;
  // Opened after the sender has its answer, so it is not kept waiting on a
  // message box of ours.
  for (const std::string& name : names) pendingOpens_.push_back(name);
  PostMessageA(Handle(), kMsgOpenHandedOver, 0, 0);
  return TRUE;
}

void CMainFrame::QueueOpens(std::vector<std::string> paths) {
  if (paths.empty()) return;
  for (std::string& p : paths) pendingOpens_.push_back(std::move(p));
  PostMessageA(Handle(), kMsgOpenHandedOver, 0, 0);
}

LRESULT CMainFrame::OnOpenHandedOver(WPARAM, LPARAM) {
  std::vector<std::string> names;
  names.swap(pendingOpens_);
  if (names.empty()) return 0;
  TheLumoApp()->TakeUser();
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
  SetForegroundWindow(Handle());
  for (const std::string& name : names) TheLumoApp()->OpenDocumentFile(name);
  return 0;
}

// ---- Selection tools

void CMainFrame::OnAreaCommand(std::uint32_t id) {
  CLumo40App* app = TheLumoApp();
  const RegisteredAreaTool* tool = app->areaTools.ByCommand(id);
  if (tool == nullptr) {
    LUSetActiveSelection(app->Site(), "");
  } else if (tool->name == "Area_Whole") {
    app->SelectAreaTool();  // the tool and modes stay as they were
    return;
  } else {
    LUSetActiveSelection(app->Site(), tool->name.c_str());
  }
  // A selection tool, a paint tool, Layer Moving and Move selection
  // exclude each other.
  if (layerMoving_) EndLayerMoving();
  SetCurrentTool(nullptr);
  EnableMovingSelection(false);
  app->currentToolCommand = id;
}

void CMainFrame::EnableMovingSelection(bool on) {
  CLumo40App* app = TheLumoApp();
  LUEnableMovingSelection(app->Site(), on ? 1 : 0);
  if (on) {
    SetCurrentTool(nullptr);
    LUSetActiveSelection(app->Site(), "");
    if (layerMoving_) EndLayerMoving();
    app->currentToolCommand = ID_SELECT_BAR_MOVE;
  } else if (app->currentToolCommand == ID_SELECT_BAR_MOVE) {
    app->currentToolCommand = 0;
  }
}

void CMainFrame::OnMoveSelection() { EnableMovingSelection(true); }

void CMainFrame::EnableToolWindows(bool enable) {
  for (HWND window : {layerPalette_.Handle(), navigator_.Handle(), paintAttributes_.Handle()}) {
    if (window != nullptr && IsWindow(window)) EnableWindow(window, enable ? TRUE : FALSE);
  }
  if (lang::CLangWnd* macros = MacroWindow(); macros != nullptr && IsWindow(macros->Handle())) {
    EnableWindow(macros->Handle(), enable ? TRUE : FALSE);
  }
  // The text dialog writes into its layer at every change: not while a
  // transform holds the stack.
  if (TheTextDialog().enable) TheTextDialog().enable(enable);
}

void CMainFrame::OnUpdateMoveSelection(fw::CmdUI& ui) {
  ui.SetCheck(LUGetMovingSelectionFlag(TheLumoApp()->Site()) != 0 ? 1 : 0);
  ui.Enable(FilterCommandEnable(ui.Id(), true));
}

void CMainFrame::OnUpdateAreaCommand(fw::CmdUI& ui) {
  CLumo40App* app = TheLumoApp();
  const int active = app->areaTools.FindActive(app->Site());
  ui.SetCheck(active >= 0 && ID_AREA_TOOL_FIRST + static_cast<std::uint32_t>(active) == ui.Id());
  ui.Enable(FilterCommandEnable(ui.Id(), app->areaTools.ByCommand(ui.Id()) != nullptr));
}

void CMainFrame::OnSelectAll() { TheLumoApp()->SelectAreaTool(); }

void CMainFrame::OnUpdateSelectAll(fw::CmdUI& ui) {
  ui.Enable(FilterCommandEnable(ui.Id(), !TheLumoApp()->areaTools.Empty()));
}

LRESULT CMainFrame::OnTimer(WPARAM wParam, LPARAM lParam) {
  // Timer 1331 arrives here once per idle pass: the selections' marching
  // ants move one pixel.
  if (wParam == kAnimationTimer) {
    CLumo40View::StepAllAnts();
    return 0;
  }
  return DefaultProc(WM_TIMER, wParam, lParam);
}

LRESULT CMainFrame::OnDestroy(WPARAM wParam, LPARAM lParam) {
  TheLumoApp()->KillAnimationTimer();
  DragAcceptFiles(Handle(), FALSE);
  dropTarget_.Revoke();
  if (inClipboardChain_) ChangeClipboardChain(Handle(), nextClipboardViewer_);
  inClipboardChain_ = false;
  nextClipboardViewer_ = nullptr;
  return OnDestroyMessage(wParam, lParam);
}

LRESULT CMainFrame::OnChangeCbChain(WPARAM wParam, LPARAM lParam) {
  const auto removed = reinterpret_cast<HWND>(wParam);
  if (removed == nextClipboardViewer_) {
    nextClipboardViewer_ = reinterpret_cast<HWND>(lParam);
  } else if (nextClipboardViewer_ != nullptr) {
    SendMessageA(nextClipboardViewer_, WM_CHANGECBCHAIN, wParam, lParam);
  }
  return 0;
}

LRESULT CMainFrame::OnDrawClipboard(WPARAM wParam, LPARAM lParam) {
  // Nothing of ours follows the clipboard: the chain is only passed on.
  if (nextClipboardViewer_ != nullptr) SendMessageA(nextClipboardViewer_, WM_DRAWCLIPBOARD, wParam, lParam);
  return 0;
}

LRESULT CMainFrame::OnQueryNewPalette(WPARAM, LPARAM) {
  HWND image = GetActiveImageWindow();
  if (image == nullptr || !IsWindow(image) || !IsChild(Handle(), image)) return 0;
  return SendMessageA(image, WM_QUERYNEWPALETTE, 0, 0);
}

LRESULT CMainFrame::OnPaletteChanged(WPARAM wParam, LPARAM) {
  HWND mdi = MdiClient();
  if (mdi == nullptr) return 0;
  for (HWND child = GetWindow(mdi, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetWindow(child, GW_OWNER) == nullptr) SendMessageA(child, WM_PALETTECHANGED, wParam, 0);
  }
  return 0;
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

// ---- The layer palette

void CMainFrame::ShowLayerPalette(bool show) {
  if (!layerPalette_.Exists()) return;
  ShowWindow(layerPalette_.Handle(), show ? SW_SHOW : SW_HIDE);
  layerPalette_.shown = show ? 1 : 0;
  if (show) layerPalette_.SetView(GetViewFromWnd(GetActiveImageWindow()));
}

bool CMainFrame::IsLayerPaletteVisible() const {
  return const_cast<CLayerWnd&>(layerPalette_).Exists() && IsWindowVisible(layerPalette_.Handle());
}

void CMainFrame::LayerPaletteFollow(CLumo40View* view) {
  if (layerPalette_.Exists() && view != layerPalette_.View()) layerPalette_.MoveToViewFrame(view);
}

void CMainFrame::AttachToolWindows(CLumo40View* view) {
  HWND owner = view != nullptr && view->Handle() != nullptr ? GetAncestor(view->Handle(), GA_ROOT) : nullptr;
  if (owner == nullptr) owner = Handle();
  if (owner == nullptr) return;
  HWND windows[] = {navigator_.Exists() ? navigator_.Handle() : nullptr,
                    paintAttributes_.Exists() ? paintAttributes_.Handle() : nullptr,
                    MacroWindow() != nullptr ? MacroWindow()->Handle() : nullptr};
  for (HWND w : windows) {
    // The owner changes in place: the window keeps its pages, list, brush
    // and placement, and so its shown and enabled states.
    if (w != nullptr && IsWindow(w) && GetWindow(w, GW_OWNER) != owner) {
      SetWindowLongPtrA(w, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    }
  }
  // The open tool panes go with them.
  struct Move {
    HWND owner;
    const void* site;
  } move{owner, TheLumoApp() != nullptr ? TheLumoApp()->Site() : nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM data) -> BOOL {
        const auto* m = reinterpret_cast<const Move*>(data);
        if (LUIsPaneDlgWindow(m->site, w) != 0 && GetWindow(w, GW_OWNER) != m->owner) {
          SetWindowLongPtrA(w, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(m->owner));
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&move));
  // The layer palette is made again under its new owner.
  if (layerPalette_.Exists() && GetWindow(layerPalette_.Handle(), GW_OWNER) != owner) layerPalette_.MoveToViewFrame(view);
}

void CMainFrame::OnLayerPaletteCommand() {
  if (!IsCommandAllowedWhileTracking(ID_VIEW_LAYER_PALETTE)) return;
  ShowLayerPalette(!IsLayerPaletteVisible());
}

void CMainFrame::OnUpdateLayerPaletteCommand(fw::CmdUI& ui) {
  ui.SetCheck(IsLayerPaletteVisible() ? 1 : 0);
  ui.Enable(FilterCommandEnable(ID_VIEW_LAYER_PALETTE, true));
}

// ---- Layer Moving

// The mode goes off when chosen again (no other tool exists yet to end it).
void CMainFrame::OnLayerMoving() {
  if (!IsCommandAllowedWhileTracking(ID_LAYER_MOVING)) return;
  if (layerMoving_) {
    EndLayerMoving();
    return;
  }
  layerMoving_ = true;
  SetCurrentTool(nullptr);
  LUSetActiveSelection(TheLumoApp()->Site(), "");
  EnableMovingSelection(false);
  if (CLumo40View* view = GetViewFromWnd(GetActiveImageWindow())) view->SetMoveToolActive(true);
}

void CMainFrame::EndLayerMoving() {
  layerMoving_ = false;
  if (CLumo40View* view = GetViewFromWnd(GetActiveImageWindow())) view->SetMoveToolActive(false);
}

void CMainFrame::OnUpdateLayerMoving(fw::CmdUI& ui) {
  ui.SetCheck(layerMoving_ ? 1 : 0);
  CLumo40View* view = GetViewFromWnd(GetActiveImageWindow());
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  const bool paintable = stack == nullptr || stack->GetImageType() == 8 || stack->GetImageType() == 16;
  ui.Enable(FilterCommandEnable(ID_LAYER_MOVING, paintable));
}

// The palette's own commands (its keys reach the frame) go to it while it
// shows; commands both it and the document serve stay with the document,
// whose menu item asked for them.
LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  CLumo40App* app = TheLumoApp();
  // The window's last message unlinks it from its object: never a tool's.
  if (app != nullptr && app->HostHooksInstalled() && Handle() != nullptr && message != WM_NCDESTROY) {
    const LU_MSG offered{Handle(), message, wParam, lParam};
    std::intptr_t result = 0;
    if (LUIsSomethingInterest(app->Site(), &offered, kLUPassMainFrame, &result) != 0) return result;
  }
  return OwnWindowProc(message, wParam, lParam);
}

LRESULT CMainFrame::OwnWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Setting and device-mode broadcasts and 0x51A stop here.
  if (message == WM_SETTINGCHANGE || message == WM_DEVMODECHANGE || message == 0x51A) return 0;
  // The customise dialog's word that customising begins or ends.
  if (message == CCustomizeDlg::CustomizeMessage()) return 0;
  return fw::MdiFrame::WindowProc(message, wParam, lParam);
}

bool CMainFrame::OfferToToolWindows(fw::MessageArgs& args) {
  // The macros window first: its menu's commands reach it from anywhere.
  if (args.message == fw::kMsgCommand && IsMacroWindowVisible() && macroWindow_->OnCmdMsg(args)) return true;
  // One guard for every frame: the palette's own routing may come back
  // through a frame.
  static bool inPaletteRouting = false;
  if (!inPaletteRouting && args.message == fw::kMsgCommand && CLayerWnd::IsPaletteCommand(args.id) &&
      IsLayerPaletteVisible()) {
    inPaletteRouting = true;
    const bool handled = layerPalette_.OnCmdMsg(args);
    inPaletteRouting = false;
    if (handled) return true;
  }
  return false;
}

bool CMainFrame::OnCmdMsg(fw::MessageArgs& args) {
  if (OfferToToolWindows(args)) return true;
  return fw::MdiFrame::OnCmdMsg(args);
}

void CMainFrame::OnIdleUpdateCmdUI() {
  // The image status follows the active image window and its image (a
  // reload or a new size changes it too); the application shows changes.
  fw::View* view = GetActiveFrame() != this ? GetActiveFrame()->GetActiveView() : nullptr;
  TheLumoApp()->ShowImageStatus(view != nullptr ? view->Handle() : nullptr);
  if (TraceEnabled()) TraceMenuBar();
  if (IsMacroWindowVisible()) SendMessageA(macroWindow_->Handle(), kWmIdleUpdateCmdUI, 1, 0);
  fw::MdiFrame::OnIdleUpdateCmdUI();
}

bool CMainFrame::OnCommand(WPARAM wParam, LPARAM lParam) {
  CLumo40App* app = TheLumoApp();
  const std::uint32_t id = LOWORD(wParam);
  if (app->toolMenus.Built() && CreateToolInstanceByCommand(app->toolMenus, app->Site(), id)) return true;
  // An id of the tools' ranges that no tool claims is no Window-menu entry.
  const bool toolRange = id >= 500 && id <= 999;
  if (!toolRange && LUWinMenu_Command(app->Site(), Handle(), wParam) != 0) return true;
  return fw::MdiFrame::OnCommand(wParam, lParam);
}

std::string CMainFrame::GetMessageString(std::uint32_t id) {
  if (id >= kFirstAreaCommand && id <= kLastAreaCommand) {
    // The area tool's name, as the tool host registered it.
    const std::vector<RegisteredAreaTool>& tools = TheLumoApp()->areaTools.Tools();
    const std::size_t i = id - kFirstAreaCommand;
    return i < tools.size() ? tools[i].name : std::string();
  }
  if (id >= 500 && id <= 999) {
    std::string prompt;
    const int tool = TheLumoApp()->toolMenus.ToolOfCommand(id, false);
    if (tool != 0) LoadRegToolString(TheLumoApp()->Site(), tool, &prompt);
    return prompt;
  }
  return fw::MdiFrame::GetMessageString(id);
}

void CMainFrame::OnUpdateToolRange(fw::CmdUI& ui) { ui.Enable(FilterCommandEnable(ui.Id(), true)); }

void CMainFrame::OnUpdateAreaTypeRange(fw::CmdUI& ui) {
  // Checked: the area type the tool host keeps as the default one.
  const void* site = TheLumoApp()->Site();
  char name[21] = {};
  LUGetProfileString(site, "DefAreaManager", "FrgManager", "", name, sizeof name);
  const int tool = name[0] != '\0' ? LUGetRegToolIDNumber(site, name, 0) : 0;
  const std::uint32_t bound = tool != 0 ? TheLumoApp()->toolMenus.FindAreaCommand(tool) : 0;
  ui.Enable(true);
  ui.SetCheck(bound != 0 && bound == ui.Id() ? 1 : 0);
}

namespace {

BOOL CALLBACK FindPaneDialog(HWND window, LPARAM found) {
  if (LUIsPaneDlgWindow(TheLumoApp()->Site(), window) == 0) return TRUE;
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

}  // namespace

bool HasPaneDialog() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), FindPaneDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

void CMainFrame::OnCloseAllTools() { LUDestroyPaneDialogs(TheLumoApp()->Site()); }

void CMainFrame::OnUpdateCloseAllTools(fw::CmdUI& ui) { ui.Enable(FilterCommandEnable(ui.Id(), HasPaneDialog())); }

LRESULT CMainFrame::OnQueryEndSession(WPARAM, LPARAM) {
  // Under a running operation the documents cannot be asked: the session
  // waits.
  if (ProgressIsRunning()) return FALSE;
  for (fw::Document* doc : TheLumoApp()->Docs().AllDocuments()) {
    if (!doc->SaveModified()) return FALSE;
  }
  return TRUE;
}

LRESULT CMainFrame::OnEndSession(WPARAM wParam, LPARAM) {
  if (wParam == 0) return 0;
  // The session ends: the documents were asked already; the settings and
  // the rest go as at exit.
  for (fw::Document* doc : TheLumoApp()->Docs().AllDocuments()) {
    doc->SetModifiedFlag(false);
    if (auto* image = dynamic_cast<CLumo40Doc*>(doc)) image->Image().SetModifiedFlag(false);
  }
  TheLumoApp()->CloseAllDocuments(false);
  DestroyFrame();
  TheLumoApp()->ExitInstance();
  return 0;
}

LRESULT CMainFrame::OnNcLButtonDown(WPARAM wParam, LPARAM lParam) {
  if (wParam == HTMENU && TraceEnabled()) {
    TraceMark("menu click");
    menuShownMarked_ = false;
  }
  // The menu's own loop runs inside.
  return DefaultProc(WM_NCLBUTTONDOWN, wParam, lParam);
}

LRESULT CMainFrame::OnFrameEnterIdle(WPARAM wParam, LPARAM lParam) {
  if (wParam == MSGF_MENU && !menuShownMarked_) {
    menuShownMarked_ = true;
    TraceMark("menu shown");
  }
  return OnEnterIdle(wParam, lParam);
}

void CMainFrame::TraceMenuBar() {
  HMENU bar = GetMenu(Handle());
  if (bar == nullptr || bar == tracedMenu_) return;
  tracedMenu_ = bar;
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    RECT r{};
    if (!GetMenuItemRect(Handle(), bar, static_cast<UINT>(i), &r)) continue;
    char mark[96];
    wsprintfA(mark, "menu bar %d %d %d %d %d %d", i, static_cast<int>(GetMenuItemCount(bar)), r.left, r.top, r.right,
              r.bottom);
    TraceMark(mark);
  }
}

LRESULT CMainFrame::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
  LRESULT r = OnMenuSelectMessage(wParam, lParam);
  TrackMenuSelection(TheLumoApp()->menuHelp, reinterpret_cast<HMENU>(lParam), wParam, lParam);
  return r;
}

void CMainFrame::OnClose() {
  // A close that arrives under a running operation waits for its end.
  if (ProgressIsRunning()) {
    DeferUntilProgressEnds(Handle(), WM_CLOSE, 0, 0);
    return;
  }
  // Images edited in containers' windows go back to their containers
  // first, the containers told.
  EndInPlaceEditing();
  if (!SaveAndCloseAllDocuments(false)) return;  // a document refused: the program goes on
  // Containers and scripts keep the objects they hold: the program leaves
  // the user, hidden, and ends with the last object.
  if (ServedObjectsRemain()) {
    ShowOwnedPopups(Handle(), FALSE);
    ShowWindow(Handle(), SW_HIDE);
    TheLumoApp()->oleUserControl = false;
    return;
  }
  DestroyFrame();
}

void CMainFrame::DestroyFrame() {
  closing_ = true;
  // The bars' places and shown states, under the settings file's full path,
  // however the program ends (File/Exit, the last served object, the
  // session's end).
  SaveBarState(TheLumoApp()->SettingsPath());
  SaveTwainSettings();
  navigator_.SaveShowState();
  layerPalette_.SaveShowState();
  paintAttributes_.SaveShowState();
  SetCurrentTool(nullptr);
  // The tool panes close while their owner is still there, their previews
  // restored.
  LUDestroyPaneDialogs(TheLumoApp()->Site());
  SaveBarLayouts();
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

// ---- The macro window

bool CMainFrame::IsMacroWindowVisible() const {
  return macroWindowOpen_ && macroWindow_ != nullptr && IsWindowVisible(macroWindow_->Handle());
}

void CMainFrame::OnViewMacrosWindow() {
  if (macroWindowOpen_ && macroWindow_ != nullptr) {
    // Hidden and shown again with its script: only its File/New empties it.
    macroWindow_->SetShown(!IsWindowVisible(macroWindow_->Handle()));
    return;
  }
  macroWindow_ = lang::CLangWnd::Open(Handle(), &macroWindowOpen_);
}

void CMainFrame::OnUpdateViewMacrosWindow(fw::CmdUI& ui) {
  ui.SetCheck(IsMacroWindowVisible() ? 1 : 0);
  ui.Enable(FilterCommandEnable(ID_VIEW_MACROS_WINDOW, true));
}

LRESULT CMainFrame::OnToolExecuted(WPARAM wParam, LPARAM) {
  auto* tool = reinterpret_cast<LUTool*>(wParam);
  if (tool == nullptr || !IsMacroWindowVisible()) return 0;
  CLumo40View* view = GetViewFromWnd(GetActiveImageWindow());
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  if (doc == nullptr || !doc->Image().HasImage()) return 0;
  void* reference = nullptr;
  Fragment* fragment = nullptr;
  LUFreezeError();
  if (LUGetParameterByRef(tool, kLUSlotLimit, 0, &reference) == 0 && reference != nullptr) {
    fragment = CreateFragmentIndirect(static_cast<Fragment*>(reference));
    DeleteFragment(static_cast<Fragment*>(reference));
  }
  LUUnfreezeError();
  CLayersManager* stack = doc->Image().GetLayers();
  const std::int32_t layer = stack->GetLayerIndex(stack->GetActiveLayer());
  lang::LURecordToolSource source(tool, true);
  lang::LineList lines;
  lang::RecordToolRun(source, layer, fragment, lines);
  macroWindow_->AppendText(lines, false);
  if (fragment != nullptr) DeleteFragment(fragment);
  return 0;
}

void CMainFrame::OnUpdateAlways(fw::CmdUI& ui) { ui.Enable(FilterCommandEnable(ui.Id(), true)); }

}  // namespace lumora
