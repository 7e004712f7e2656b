// The main frame: the MDI frame with its status bar and three panes, the
// saved placement, activation, shell file drops and hand-overs from a
// second start.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/win/ControlBars.h"
#include "dialogs/win/HelpWizard.h"
#include "framework/win/Frame.h"
#include "res/resource.h"
#include "ui/win/LayerWnd.h"
#include "paint/win/PaintAttributes.h"
#include "paint/win/ToolBrush.h"
#include "ui/win/NavigatorWnd.h"
#include "ui/win/ProgramBars.h"
#include "view/win/ViewDropTargets.h"

namespace lang {
class CLangWnd;
}

namespace lumora {

// Whether a tool pane of the tool host is open.
bool HasPaneDialog();
class CLumo40App;
class CCustomizeDlg;
// What the brushes ask of the program, and the window's prompt.
void InstallPaintServices(CLumo40App& app, CPaintAttributes& window);
// What the colour controls ask of the application.
void InstallColourControlServices(CLumo40App& app);

class CMainFrame : public fw::MdiFrame {
  FW_DECLARE_MESSAGE_MAP()

 public:
  CMainFrame();
  const std::vector<std::string>& TwainDevices() const { return twainDevices_; }
  bool PreCreateWindow(CREATESTRUCTA& cs) override;
  // The tool host's Window menu items first, then the frame's routing.
  bool OnCommand(WPARAM wParam, LPARAM lParam) override;
  // Area types and registered tools have their prompts from the tool host.
  std::string GetMessageString(std::uint32_t id) override;
  // Closes every document that agrees to close (asking to save; close
  // mode 1 closes them all without asking); false at the first refusal. A
  // non-zero `already` is returned as it is.
  bool SaveAndCloseAllDocuments(bool already);
  void LayoutStatusPanes();
  // The panes of a status bar laid out for `frame`'s client width (the
  // main frame's own bar, and the in-place status bar in a container's frame).
  static void LayoutStatusPanes(HWND frame, fw::StatusBar& bar);
  fw::StatusBar& StatusBarCtrl() { return statusBar_; }
  // Prompts show in the in-place status bar while an image is edited in
  // place, else in the frame's own.
  fw::StatusBar* MessageBar() override;
  // The frame's own messages that wait while a long operation runs (they
  // would open documents under it).
  static bool IsDeferredWhileBusy(UINT message) { return message == kMsgOpenHandedOver; }
  // Paths to open after the current message (handed over or asked by the
  // shell).
  void QueueOpens(std::vector<std::string> paths);
  bool appActive = false;

  // The navigator.
  CNavigatorWnd& Navigator() { return navigator_; }
  void ShowNavigator(bool show);
  bool IsNavigatorVisible() const;
  // The navigator follows the active view (null: none), and redraws what
  // changed of its image.
  void UpdateNavigator();
  void NavigatorFollow(CLumo40View* view);

  // The layer palette.
  CLayerWnd& LayerPalette() { return layerPalette_; }
  void ShowLayerPalette(bool show);
  bool IsLayerPaletteVisible() const;
  void LayerPaletteFollow(CLumo40View* view);
  // The navigator, the paint attributes and the macro window are owned by
  // the top-level window of `view`'s frame (the container's frame while an
  // image is edited in place), or by this frame without a view; shown and
  // enabled states stay.
  void AttachToolWindows(CLumo40View* view);
  // Layer Moving: the active view's move and guide hook is on.
  bool LayerMoving() const { return layerMoving_; }
  void EndLayerMoving();
  // The layer palette, navigator, paint attributes and macros windows on or
  // off (off while a transform runs).
  void EnableToolWindows(bool enable);
  // Move selection (40031): a drag inside the selection moves it.
  void EnableMovingSelection(bool on);
  void OnMoveSelection();
  void OnUpdateMoveSelection(fw::CmdUI& ui);
  // The visible macros window, then the visible layer palette, take their
  // own commands first.
  bool OnCmdMsg(fw::MessageArgs& args) override;
  // Every message is offered to the tool host's main-frame pass first; its
  // main-frame hook hands what no tool takes to OwnWindowProc.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The frame's own handling: the messages it keeps to itself, then the
  // message map.
  LRESULT OwnWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The painting tools: the paint attributes window and the current brush
  // (owned here; null: none).
  CPaintAttributes& PaintAttributes() { return paintAttributes_; }
  CToolBrush* CurrentTool() const { return currentTool_.get(); }
  // The window takes the brush first, then the previous one goes.
  void SetCurrentTool(std::unique_ptr<CToolBrush> brush);
  // A tool command: the current tool's own command releases it, another
  // makes its brush current.
  void OnToolCommand(std::uint32_t id);
  void OnUpdateToolCommand(fw::CmdUI& ui);
  void OnPaintAttributesCommand();
  // Add to and remove from predefined, forwarded by the paint attributes
  // window: the name asked, or the removal confirmed.
  void OnAddPreset();
  void OnRemovePreset();
  // Add shape and Add paper: the name and image file asked ("Add Shape",
  // "Add Paper"), then the store takes them; Remove shape and Remove
  // paper: the selected entry goes after the question.
  void OnAddShapeOrPaper(std::uint32_t id);
  void OnRemoveShapeOrPaper(std::uint32_t id);
  // 1424 from a brush page's "M&ore...": its edge record (lParam) in the
  // Edge Options dialog, OK gives it back to the current page.
  LRESULT OnEdgeOptions(WPARAM, LPARAM);
  // The Dropper: starts a screen colour pick, or ends the running one.
  void OnDropper();
  void OnUpdateDropper(fw::CmdUI& ui);
  // The colour swatches' commands (1167 foreground, 1168 background): the
  // colour control on a bar takes them; without one the colour window opens
  // for that colour here.
  void OnColourSwatch(std::uint32_t id);
  // 33119: every colour control shows the application's colours again.
  void OnUpdateColours();
  // A colour from the colour window working for the main window (1464,
  // 1468): the colour it edits (foreground or background) takes it.
  LRESULT OnColourWindowColour(WPARAM, LPARAM);
  // The tablet's messages: proximity, information changed, cursor changed.
  LRESULT OnTabletProximity(WPARAM, LPARAM);
  LRESULT OnTabletInfoChange(WPARAM, LPARAM);
  LRESULT OnTabletCursorChange(WPARAM, LPARAM);
  void OnUpdatePaintAttributesCommand(fw::CmdUI& ui);
  // View/Macros Window: opens the macro window, or destroys the open one.
  void OnViewMacrosWindow();
  void OnUpdateViewMacrosWindow(fw::CmdUI& ui);
  bool IsMacroWindowVisible() const;
  // What every frame's command routing offers a command first: the visible
  // macros window, then the visible layer palette. True when one took it.
  bool OfferToToolWindows(fw::MessageArgs& args);
  lang::CLangWnd* MacroWindow() const { return macroWindowOpen_ ? macroWindow_ : nullptr; }

  // The toolbars: the main bar (top), the paint bar (left), the selection
  // bar (beside the main bar, once the area tools are known) and the tools
  // bar (right, the user's tools).
  CLUToolBar& MainBar() { return mainBar_; }
  CBrushBar& GetBrushBar() { return brushBar_; }
  CSelectBar& SelectBar() { return selectBar_; }
  CToolsBar& ToolsBar() { return toolsBar_; }
  // A tool button's double click: the tool's options (paint attributes,
  // the colour window, the selection tuner).
  void OpenToolOptions(std::uint32_t command);
  // A bar button's name: the area tool's or the registered tool's.
  std::string AreaOrToolName(std::uint32_t id);
  // At start, once the tool host's tools are registered: the selection
  // bar's area tools, the tools bar, the selection bar beside the main
  // bar, then the bars' saved places.
  void RestoreBars();
  // The four bars' button layouts into layout files 1 to 4.
  void SaveBarLayouts();
  std::array<CCToolBar*, 4> Bars();
  // The customise dialog over `bars` (main, paint, tools, selection) of
  // `frame`: this frame's, or an in-place frame's; nothing while one is open.
  void CustomizeToolbars(fw::Window* frame, const std::vector<CCToolBar*>& bars);
  void DockSelectBarBesideToolbar();
  // The selection combine mode (0 counts as 1): every combo 40030 of the
  // bars shows it and the tool host takes it.
  void SetSelectionMode(int mode);
  int SelectionMode() const { return selectionMode_; }
  std::string GetToolTipText(std::uint32_t id) override;

  // Help/Effect Wizard: the wizard sheet (made on first use), shown
  // modeless; while it is open it follows the active image window.
  void OnHelpWizard();
  void OnUpdateHelpWizard(fw::CmdUI& ui);
  void HelpWizardFollow(CLumo40View* view);
  CHelpWizardSheet* HelpWizard() const { return helpWizard_.get(); }

 protected:
  LRESULT OnCreate(WPARAM, LPARAM);
  bool CreateBars();
  void OnViewPaintBar();
  void OnUpdateViewPaintBar(fw::CmdUI& ui);
  void OnViewSelectionBar();
  void OnUpdateViewSelectionBar(fw::CmdUI& ui);
  void OnLargeButtons();
  void OnUpdateLargeButtons(fw::CmdUI& ui);
  // Options/Customize Toolbars: the modeless customise dialog over the
  // four bars with the command collection of every bar's buttons.
  void OnCustomizeToolbars();
  void OnUpdateCustomizeToolbars(fw::CmdUI& ui);
  void AddToolsToCustomize(CCustomizeDlg* dialog, const ToolbarSizes& sizes);
  LRESULT OnMove(WPARAM, LPARAM);
  LRESULT OnSize(WPARAM, LPARAM);
  LRESULT OnActivate(WPARAM, LPARAM);
  LRESULT OnActivateApp(WPARAM, LPARAM);
  LRESULT OnPaneActivated(WPARAM, LPARAM);
  LRESULT OnShowWindow(WPARAM, LPARAM);
  LRESULT OnDropFiles(WPARAM, LPARAM);
  LRESULT OnCopyData(WPARAM, LPARAM);
  LRESULT OnOpenHandedOver(WPARAM, LPARAM);
  LRESULT OnTimer(WPARAM, LPARAM);
  LRESULT OnDestroy(WPARAM, LPARAM);
  // The clipboard-viewer chain (joined at creation, left at destruction)
  // and the palette messages handed on to the image windows.
  LRESULT OnChangeCbChain(WPARAM, LPARAM);
  LRESULT OnDrawClipboard(WPARAM, LPARAM);
  LRESULT OnQueryNewPalette(WPARAM, LPARAM);
  LRESULT OnPaletteChanged(WPARAM, LPARAM);
  // A tool ran (the tool host's notice): its statement goes to the macro
  // window.
  LRESULT OnToolExecuted(WPARAM, LPARAM);
  void OnUpdateCoordinatesPane(fw::CmdUI& ui);
  void OnUpdateImagePane(fw::CmdUI& ui);
  void OnAppAbout();
  void OnNavigatorCommand();
  void OnUpdateNavigatorCommand(fw::CmdUI& ui);
  void OnUpdateNavigatorNow();
  void OnLayerPaletteCommand();
  void OnLayerMoving();
  void OnUpdateLayerMoving(fw::CmdUI& ui);
  void OnUpdateLayerPaletteCommand(fw::CmdUI& ui);
  // Selection/Intersection Level...: the level of the settings in a dialog.
  void OnSelectionLevel();
  // The selection tools (selection bar 40010-40029) and Selection/All.
  void OnAreaCommand(std::uint32_t id);
  void OnUpdateAreaCommand(fw::CmdUI& ui);
  void OnSelectAll();
  void OnUpdateSelectAll(fw::CmdUI& ui);
  void OnUpdateAlways(fw::CmdUI& ui);
  // Registered tools (500-899) and area types (900-999): the work is done
  // in OnCommand.
  void OnToolRange(std::uint32_t) {}
  void OnUpdateToolRange(fw::CmdUI& ui);
  void OnUpdateAreaTypeRange(fw::CmdUI& ui);
  LRESULT OnMenuSelect(WPARAM, LPARAM);
  // Trace marks of a menu opened by a click (bench/menu-open): the click on
  // the menu bar, the menu's first idle, and where the bar's items are.
  LRESULT OnNcLButtonDown(WPARAM, LPARAM);
  LRESULT OnFrameEnterIdle(WPARAM, LPARAM);
  void TraceMenuBar();
  bool menuShownMarked_ = true;
  HMENU tracedMenu_ = nullptr;
  // Window/Close All Tools: every tool pane closes.
  void OnCloseAllTools();
  void OnUpdateCloseAllTools(fw::CmdUI& ui);
  // Logging off asks every modified image as closing does; the program
  // ends when the session does.
  LRESULT OnQueryEndSession(WPARAM, LPARAM);
  LRESULT OnEndSession(WPARAM, LPARAM);
  void OnIdleUpdateCmdUI() override;

  // TWAIN: the device list (built at creation, kept in [TWAIN] at close),
  // its menu, the protocol choice, and the images the session hands over.
  void BuildTwainDeviceList();
  void FillTwainDeviceMenu(HMENU menu);
  void SaveTwainSettings();
  LRESULT OnInitMenu(WPARAM, LPARAM);
  void OnTwainDevice(std::uint32_t id);
  void OnUpdateTwainDevice(fw::CmdUI& ui);
  void OnTwainNative();
  void OnTwainMemory();
  void OnUpdateTwainNative(fw::CmdUI& ui);
  void OnUpdateTwainMemory(fw::CmdUI& ui);
  void OnTwainAddRemove();
  LRESULT OnTwainNativeImage(WPARAM, LPARAM);
  LRESULT OnTwainMemoryImage(WPARAM, LPARAM);
  // Every document closed (or the close refused), then the window goes.
  void OnClose() override;
  void DestroyFrame();
  void SaveFramePlacement();
  void ReactivateLastImageView();

  fw::StatusBar statusBar_;
  CLUToolBar mainBar_{IDS_BAR_STANDARD, 0};
  CBrushBar brushBar_{IDS_BAR_PAINT, 0};
  CSelectBar selectBar_{IDS_BAR_SELECTION, 0};
  CToolsBar toolsBar_{IDS_BAR_TOOLS, 0};
  int selectionMode_ = 1;
  CNavigatorWnd navigator_;
  CLayerWnd layerPalette_;
  // Layers dropped on the empty area become new images.
  CDropTargetFrame dropTarget_;
  // The viewer after this frame in the clipboard-viewer chain.
  HWND nextClipboardViewer_ = nullptr;
  bool inClipboardChain_ = false;
  bool layerMoving_ = false;
  CPaintAttributes paintAttributes_;
  std::unique_ptr<CToolBrush> currentTool_;
  std::vector<std::string> pendingOpens_;
  std::vector<std::string> twainDevices_;
  int twainProtocol_ = 1;  // 1 native, 0 through memory
  std::unique_ptr<HelpWizardHost> helpWizardHost_;
  std::unique_ptr<CHelpWizardSheet> helpWizard_;
  lang::CLangWnd* macroWindow_ = nullptr;
  bool macroWindowOpen_ = false;
  // Set once the frame is being destroyed: files handed over are refused.
  bool closing_ = false;
  static constexpr UINT kMsgOpenHandedOver = WM_APP + 19;
};

}  // namespace lumora
