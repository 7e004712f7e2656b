// Frame windows: the frame with its menu, bars and active view; the MDI
// main frame and its children; the mini frame that holds a floating bar.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "framework/BarState.h"
#include "framework/DockLayout.h"
#include "framework/CmdUI.h"
#include "framework/win/DocView.h"
#include "framework/win/Window.h"

namespace fw {

class ControlBar;
class StatusBar;

// Where the docked bars of a frame are: the area their rows share and the
// rows of each side (indexed by DockSide).
struct DockedBarsLayout {
  RECT dockArea{0, 0, 0, 0};
  std::array<SideLayout, 4> sides;
};

class FrameWnd : public Window {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(FrameWnd)

 public:
  ~FrameWnd() override;

  // Creates the frame: title (before the first "\n"), menu, accelerators and
  // icon from `resourceId`; the view from the context.
  virtual bool LoadFrame(std::uint32_t resourceId, DWORD style, HWND parent, CreateContext* context);
  std::string className = "fwFrame";

  View* GetActiveView() const { return activeView_; }
  void SetActiveView(View* view, bool notify = true);
  virtual Document* GetActiveDocument();
  // The frame whose view is in front: the active MDI child, or this frame.
  virtual FrameWnd* GetActiveFrame() { return this; }
  bool IsMainFrame() const;

  bool OnCmdMsg(MessageArgs& args) override;
  bool PreTranslateMessage(MSG* msg) override;

  virtual void ActivateFrame(int showCommand = -1);
  virtual void OnUpdateFrameTitle(bool addToTitle);
  virtual void RecalcLayout();
  virtual void InitialUpdateFrame(Document* doc, bool makeVisible);
  bool addToTitle = true;
  void SetTitle(const std::string& title) { title_ = title; }
  const std::string& GetTitle() const { return title_; }
  int windowNumber = 0;

  // A button's tool tip: the text after "\n" of the command's string.
  virtual std::string GetToolTipText(std::uint32_t id);
  // Status-bar prompts: the text before "\n" of the command's string.
  virtual std::string GetMessageString(std::uint32_t id);
  void SetMessageText(const std::string& text);
  // The status bar whose first pane shows the prompts: the main frame's
  // own, or the one it names.
  virtual StatusBar* MessageBar();
  void SetMessageText(std::uint32_t id) { SetMessageText(GetMessageString(id)); }

  // Control bars.
  void AddControlBar(ControlBar* bar);
  void RemoveControlBar(ControlBar* bar);
  ControlBar* GetControlBar(std::uint32_t id) const;
  const std::vector<ControlBar*>& ControlBars() const { return bars_; }
  void EnableDocking(DWORD alignSides) { dockSides_ = alignSides; }
  DWORD DockingSides() const { return dockSides_; }
  // Docks the bar in a row of its own after the side's other rows.
  void DockControlBar(ControlBar* bar, DockSide side);
  // Docks the bar at a place of a side's rows as they are laid out now.
  void DockControlBarAt(ControlBar* bar, const DockPlace& place);
  void FloatControlBar(ControlBar* bar, POINT screenPos);
  // A floating bar goes back to where it was docked last.
  void DockControlBarBack(ControlBar* bar);
  // What a drag of `bar` sees: the rows of every side in screen coordinates.
  DragQuery MakeDragQuery(ControlBar* bar, POINT cursor, POINT grabOffset, bool forceFloat);
  void ApplyDrop(ControlBar* bar, const DropDecision& decision);
  DockedBarsLayout CurrentBarLayout();
  void ShowControlBar(ControlBar* bar, bool show, bool delay);
  void SaveBarState(const std::string& prefix);
  void LoadBarState(const std::string& prefix);

  // Idle: enabling of bars and the menu bar, then the title.
  virtual void OnIdleUpdateCmdUI();
  // Fills a popup from the enabling route (on WM_INITMENUPOPUP).
  void UpdateMenuPopup(HMENU popup);
  // The frame along whose route this frame's menus are updated.
  FrameWnd& MenuRouteFrame();

  // Context help (Shift+F1) and F1.
  bool InContextHelpMode() const { return contextHelp_; }
  std::uint32_t CurrentHelpId() const;
  void OnContextHelp();

  HMENU Menu() const { return menu_; }
  HACCEL Accelerators() const { return accel_; }
  void SetAccelerators(HACCEL a) { accel_ = a; }
  bool autoDelete = true;
  // The window that fills the client area between the bars.
  virtual HWND ClientPane() const;

 protected:
  virtual bool OnCreateClient(CreateContext* context);
  View* CreateView(CreateContext* context, std::uint32_t id);
  void PostNcDestroy() override;
  void LayoutBars(RECT& area, bool apply, DockedBarsLayout* out = nullptr);
  std::vector<ControlBar*> DockedBarsInOrder(DockSide side) const;
  void TakeOutOfMiniFrame(ControlBar* bar);
  ControlBar* BarForCommand(std::uint32_t id) const;

  LRESULT OnCreateMessage(WPARAM, LPARAM);
  LRESULT OnSizeMessage(WPARAM, LPARAM);
  LRESULT OnCloseMessage(WPARAM, LPARAM);
  LRESULT OnDestroyMessage(WPARAM, LPARAM);
  LRESULT OnInitMenuPopup(WPARAM, LPARAM);
  LRESULT OnMenuSelectMessage(WPARAM, LPARAM);
  // Shows the highlighted menu item's prompt (nothing for a popup).
  void ShowTrackedPrompt();
  LRESULT OnEnterIdle(WPARAM, LPARAM);
  LRESULT OnSetFocusMessage(WPARAM, LPARAM);
  LRESULT OnKickIdle(WPARAM, LPARAM);
  LRESULT OnSetCursorMessage(WPARAM, LPARAM);
  LRESULT OnLButtonDownMessage(WPARAM, LPARAM);
  LRESULT OnHelpMessage(WPARAM, LPARAM);
  void OnToolTipText(WPARAM, LPARAM, LRESULT*);
  bool OnBarCheck(std::uint32_t id);
  void OnUpdateControlBarMenu(CmdUI& ui);
  virtual void OnClose();

  CreateContext* pendingContext_ = nullptr;
  View* activeView_ = nullptr;
  HMENU menu_ = nullptr;
  HACCEL accel_ = nullptr;
  std::string title_;
  std::vector<ControlBar*> bars_;
  DWORD dockSides_ = 0;
  bool contextHelp_ = false;
  std::uint32_t lastPromptId_ = 0;
  bool promptPending_ = false;  // lastPromptId_ not shown yet
  std::string lastTitle_;
};

class MdiChild;

class MdiFrame : public FrameWnd {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(MdiFrame)

 public:
  HWND MdiClient() const { return mdiClient_; }
  MdiChild* ActiveChild() const;
  Document* GetActiveDocument() override;
  FrameWnd* GetActiveFrame() override;
  bool OnCmdMsg(MessageArgs& args) override;
  bool PreTranslateMessage(MSG* msg) override;
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  HWND ClientPane() const override { return mdiClient_; }
  void OnUpdateFrameTitle(bool addToTitle) override;
  void OnIdleUpdateCmdUI() override;
  // Puts a child's shared menu in the menu bar (null: the frame's own).
  void SetSharedMenu(HMENU menu);
  HMENU WindowMenuOf(HMENU menu) const;

  void OnWindowNew();
  void OnWindowCascade();
  void OnWindowTile(std::uint32_t id);
  void OnWindowArrange();

 protected:
  bool OnCreateClient(CreateContext* context) override;
  HWND mdiClient_ = nullptr;
};

class MdiChild : public FrameWnd {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(MdiChild)

 public:
  MdiChild() { className = "fwMdiChild"; }
  bool LoadFrame(std::uint32_t resourceId, DWORD style, HWND parent, CreateContext* context) override;
  MdiFrame* GetMdiFrame() const;
  void ActivateFrame(int showCommand = -1) override;
  void OnUpdateFrameTitle(bool addToTitle) override;
  bool PreTranslateMessage(MSG* msg) override;
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void MdiDestroy();
  HMENU sharedMenu = nullptr;
  HACCEL sharedAccel = nullptr;

 protected:
  LRESULT OnMdiActivate(WPARAM, LPARAM);
  LRESULT OnSizeChild(WPARAM, LPARAM);
  // Another window realised a palette: the windows the frame holds (its
  // views) realise theirs again in the background.
  LRESULT OnPaletteChangedChild(WPARAM, LPARAM);
  void OnClose() override;
};

// A frame with a small caption, owned by another window (tool palettes,
// floating bars).
class MiniFrame : public FrameWnd {
  FW_DECLARE_DYNCREATE(MiniFrame)

 public:
  MiniFrame() { className = "fwMiniFrame"; }
  bool Create(const std::string& title, DWORD style, const RECT& rect, Window* owner);
};

// The mini frame that holds one floating control bar; closing it hides the
// bar, dragging its caption may dock it, double-clicking the caption docks
// it back where it was.
class FloatingBarFrame : public MiniFrame {
  FW_DECLARE_MESSAGE_MAP()

 public:
  bool Create(FrameWnd* owner, ControlBar* bar, POINT screenPos);
  ControlBar* Bar() const { return bar_; }
  void FitToBar();
  bool OnCmdMsg(MessageArgs& args) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  void OnClose() override;
  bool CanDock() const;
  LRESULT OnNcLButtonDown(WPARAM, LPARAM);
  LRESULT OnNcLButtonDblClk(WPARAM, LPARAM);
  ControlBar* bar_ = nullptr;
  FrameWnd* owner_ = nullptr;
};

}  // namespace fw
