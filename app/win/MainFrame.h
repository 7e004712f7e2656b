// The main frame: the MDI frame with its status bar and three panes, the
// saved placement, activation, shell file drops and hand-overs from a
// second start.
#pragma once

#include <string>
#include <vector>

#include "framework/win/ControlBars.h"
#include "framework/win/Frame.h"
#include "ui/win/NavigatorWnd.h"

namespace lumora {

class CMainFrame : public fw::MdiFrame {
  FW_DECLARE_MESSAGE_MAP()

 public:
  CMainFrame();
  bool PreCreateWindow(CREATESTRUCTA& cs) override;
  // Every message is offered to the tool host's main-frame hooks first
  // (newest first); the application's own main-frame hook, the oldest,
  // hands what the tools leave to OwnHandling.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT OwnHandling(UINT message, WPARAM wParam, LPARAM lParam);
  // The tool host's Window menu items first, then the frame's routing.
  bool OnCommand(WPARAM wParam, LPARAM lParam) override;
  // Closes every document that agrees to close (asking to save; close
  // mode 1 closes them all without asking); false at the first refusal. A
  // non-zero `already` is returned as it is.
  bool SaveAndCloseAllDocuments(bool already);
  void LayoutStatusPanes();
  fw::StatusBar& StatusBarCtrl() { return statusBar_; }
  // The frame's own messages that wait while a long operation runs (they
  // would open documents under it).
  static bool IsDeferredWhileBusy(UINT message) { return message == kMsgOpenHandedOver; }
  bool appActive = false;

  // The navigator.
  CNavigatorWnd& Navigator() { return navigator_; }
  void ShowNavigator(bool show);
  bool IsNavigatorVisible() const;
  // The navigator follows the active view (null: none), and redraws what
  // changed of its image.
  void UpdateNavigator();
  void NavigatorFollow(CLumo40View* view);

 protected:
  LRESULT OnCreate(WPARAM, LPARAM);
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
  void OnUpdateCoordinatesPane(fw::CmdUI& ui);
  void OnUpdateImagePane(fw::CmdUI& ui);
  void OnAppAbout();
  void OnNavigatorCommand();
  void OnUpdateNavigatorCommand(fw::CmdUI& ui);
  void OnUpdateNavigatorNow();
  // Selection/Intersection Level...: the level of the settings in a dialog.
  void OnSelectionLevel();
  void OnUpdateAlways(fw::CmdUI& ui);
  void OnIdleUpdateCmdUI() override;
  // Every document closed (or the close refused), then the window goes.
  void OnClose() override;
  // A running operation vetoes a logoff; else the frame's question.
  bool OnQueryEndSession() override;
  void DestroyFrame();
  void SaveFramePlacement();
  void ReactivateLastImageView();

  fw::StatusBar statusBar_;
  CNavigatorWnd navigator_;
  std::vector<std::string> pendingOpens_;
  static constexpr UINT kMsgOpenHandedOver = WM_APP + 19;
};

}  // namespace lumora
