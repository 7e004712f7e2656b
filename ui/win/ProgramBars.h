// The toolbars of the main window: the customisable bar `CCToolBar` (its
// own image list, controls in separators, the list of all bars) and the
// program's bars over it: `CLUToolBar` (texts and tips of area and
// registered tools, large-image twins), `CBrushBar`, `CSelectBar` (the area
// tools and the combine-mode combo 40030) and `CToolsBar` (the user's tools
// from [DefTools]).
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/win/ControlBars.h"
#include "framework/win/Frame.h"
#include "framework/win/OleDragDrop.h"
#include "ui/ToolbarPlans.h"

namespace lumora {

class CMySBComboBox;
std::unique_ptr<CMySBComboBox> MakeModeCombo(HWND bar, std::uint32_t id, int width, int height);
class CMColorCtrl;
// The two-swatch colour control at that size, owned by the bar it sits on.
std::unique_ptr<CMColorCtrl> MakeColourControl(HWND bar, std::uint32_t id, int width, int height);

// How the toolbars show a message (the application's error box); a
// plain message box until one is installed.
void SetToolBarMessageBoxProc(std::function<int(const std::string& text, UINT type)> proc);
int ToolBarMessageBox(const std::string& text, UINT type);
// What the combine-mode combos report, wherever they sit (the main frame's
// SetSelectionMode), and the mode a new one shows.
void SetSelectionModeHandlers(std::function<void(int)> chosen, std::function<int()> current);

class CCToolBar;

// A copy of a bar's embedded control (its kind, size, id and contents)
// under `parent`; null for a kind the bars cannot copy.
std::unique_ptr<fw::Window> CopyToolbarControl(HWND parent, fw::Window* model);
// The customise collection's own control copies: drops may copy them.
void RememberCollectionControl(fw::Window* control);
void ForgetCollectionControl(fw::Window* control);
// Drags a button (its block, picture and text) with copy and move allowed;
// the effect, and whether Escape ended it. `picture` stays the caller's.
DWORD RunButtonDrag(const TBBUTTON& button, fw::Window* control, HBITMAP picture, const std::string& text,
                    bool* escaped);
// The next phase of the customise selection frame, drawn again in every
// bar and control viewer.
void AnimateCustomizeFrame();

// A bar's drop target: only in customise mode and only for dragged buttons.
class CCustomizeDropTarget : public fw::OleDropTarget {
 public:
  explicit CCustomizeDropTarget(CCToolBar* bar) : bar_(bar) {}

 protected:
  DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT client) override;
  DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT client) override;
  void OnDragLeave() override;
  bool OnDrop(IDataObject* data, DWORD effect, POINT client) override;

 private:
  CCToolBar* bar_;
};

class CCToolBar : public fw::ToolBar {
 public:
  CCToolBar(std::uint32_t captionId, std::uint32_t defaultResource)
      : captionId_(captionId), defaultResource_(defaultResource) {}
  ~CCToolBar() override;
  // Every bar whose window exists, in creation order.
  static const std::vector<CCToolBar*>& AllBars();

  // The window (flat, tool tips), its caption from the caption string, and
  // its place in the list of all bars.
  bool CreateBar(fw::FrameWnd* frame, DWORD style, std::uint32_t id);
  std::uint32_t DefaultResource() const { return defaultResource_; }
  void SetDefaultResource(std::uint32_t id) { defaultResource_ = id; }

  virtual bool GetCommandText(std::uint32_t id, std::string& text);
  virtual bool CanCustomize() { return true; }
  virtual bool CanReset() { return true; }
  // The frame lays its bars out again; the controls follow their buttons.
  void UpdateLayout();
  // Controls destroyed, buttons and images from the default resource.
  virtual bool ResetButtons();
  void RemoveAllButtons();
  virtual void SetLargeButtons(bool large);
  void ApplySizes(const ToolbarSizes& sizes);

  // Images: the strip of a bitmap resource (the four button colours mapped
  // to the system's) or one picture appended; the index of the first.
  int AddImages(HBITMAP strip);
  int ImageCount() const;
  // The image of a button with that command; -1 when none.
  int ImageOfCommand(std::uint32_t command) const;
  // Buttons appended: plain, or a separator (command 0).
  void AddButton(std::uint32_t command, int image);
  void AddSeparator();
  // An embedded control in a separator at the end: the bar owns it.
  bool AppendControl(std::unique_ptr<fw::Window> control, int width);
  // Every embedded control of any bar with that window id.
  static std::vector<HWND> FindControlButtons(std::uint32_t id);
  bool HasButtons() const { return ButtonCount() > 0; }

  // The layout in a state file and its image file ("tbi"): written to
  // temporary files that then replace them. Loading: false without a
  // state file; a damaged layout gives the default buttons, removes both
  // files and says so (61455).
  bool SaveState(const std::string& file);
  bool LoadState(const std::string& file);
  // Set when the last load fell back to the default buttons.
  bool StateReset() const { return stateReset_; }

  // Customise mode, for every bar at once: buttons are picked up and
  // dragged instead of pressed, embedded controls are disabled. False when
  // the mode is already so.
  static bool SetCustomizeModeAll(bool on);
  static bool InCustomizeMode();
  int SelectedIndex() const { return selected_; }
  int InsertIndex() const { return insertIndex_; }
  // Deletes a button (its control destroyed), and a separator it leaves last.
  void DeleteButton(int index);
  // A plain button or a control put in at an index.
  void InsertButton(int index, std::uint32_t command, int image, BYTE style = BTNS_BUTTON);
  bool InsertControlAt(int index, std::unique_ptr<fw::Window> control, int width);
  // The button's picture on the button face (null for a separator).
  HBITMAP ButtonBitmap(int index) const;
  // A button carrying a control of a kind the bars can copy: only such
  // controls are resized by dragging their right edge.
  bool CanCopyControl(int index) const;
  // The control's separator and window made that wide (its height kept).
  void SetControlWidth(int index, int width);
  // The customise frame on a button (-1: none).
  void Select(int index);
  // The button under a client point (a separator counts only when it holds
  // a control; hidden buttons never), -1 when none; `offset` gets the point
  // relative to the button.
  int HitTestButton(POINT client, POINT* offset = nullptr) const;
  void PaintCustomize();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnButtonsLaidOut() override { PlaceControls(); }
  void PlaceControls();
  bool LoadDefaultButtons();
  void DestroyControls();

  std::uint32_t captionId_ = 0;
  std::uint32_t defaultResource_ = 0;
  HIMAGELIST images_ = nullptr;
  std::vector<std::unique_ptr<fw::Window>> controls_;
  bool stateReset_ = false;

 private:
  friend class CCustomizeDropTarget;
  bool ApplyState(const struct ToolbarStateRecord& state, HBITMAP strip, int imageCount);
  // Customising by drag and drop (ToolbarCustomize.cpp).
  void RegisterDropTarget();
  bool PickUp(POINT client, WPARAM keys);
  bool WaitForDragStart(const RECT& button);
  std::unique_ptr<fw::Window> TakeControl(fw::Window* control);
  DWORD OnDragOverBar(IDataObject* data, DWORD keyState, POINT client);
  void OnDragLeaveBar();
  bool OnDropOnBar(IDataObject* data, DWORD effect, POINT client);
  void SetInsertMark(int index, const RECT& mark);
  std::vector<RECT> ButtonRects() const;
  // Resizing a control by its right edge (ToolbarCustomize.cpp).
  bool StartResize(int index, POINT client);
  void TrackResize(POINT client);
  void EndResize(POINT client, bool apply);
  void DrawResizeRect(int right);
  bool ResizeCursorAt(POINT client) const;

  std::unique_ptr<CCustomizeDropTarget> dropTarget_;
  int selected_ = -1;
  int insertIndex_ = -1;
  RECT insertMark_{0, 0, 0, 0};
  bool pickedUp_ = false;
  int dragSource_ = -1;
  POINT dragStart_{-1, -1};
  std::unique_ptr<fw::Window> takenControl_;
  bool resizing_ = false;
  int resizeIndex_ = -1;
  RECT resizeRect_{0, 0, 0, 0};  // the button grown by 2
  int resizeDrawn_ = -1;         // right edge of the tracking frame shown
  HWND previousCapture_ = nullptr;
};

class CLUToolBar : public CCToolBar {
 public:
  using CCToolBar::CCToolBar;
  // Names of area tools (40010-40029) and registered tools (500-899).
  std::function<std::string(std::uint32_t)> toolName;
  bool GetCommandText(std::uint32_t id, std::string& text) override;
  void SetLargeButtons(bool large) override;
  // A double click on an enabled button: its command first when it is not
  // checked, then its tool's options (the frame's table).
  std::function<void(std::uint32_t)> openOptions;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CBrushBar : public CLUToolBar {
 public:
  using CLUToolBar::CLUToolBar;
  // Each button takes the state (TB_GETSTATE) of the same command on
  // `other`, the twin bar of the program's window or of in-place editing.
  void TakeStatesFrom(const CBrushBar& other);
  // The default buttons with the colour control in place of button 33117
  // (first when the buttons have none), unless suppressed.
  bool ResetButtons() override;
  bool suppressColourControl = false;
};

// One registered area tool as the selection bar shows it.
struct AreaToolButton {
  std::uint32_t command = 0;
  std::string name;
};

class CSelectBar : public CLUToolBar {
 public:
  using CLUToolBar::CLUToolBar;
  bool ResetButtons() override;
  // The area tools' buttons and the combine-mode combo (once).
  void AddAreaToolButtons(const std::vector<AreaToolButton>& tools);
  bool Filled() const { return filled_; }

 private:
  std::vector<AreaToolButton> tools_;
  bool filled_ = false;
};

class CToolsBar : public CLUToolBar {
 public:
  using CLUToolBar::CLUToolBar;
  // The user's tools, in order (the frame reads them from the settings).
  std::function<std::vector<DefToolsItem>()> readTools;
  // A tool's own picture of that size (null: bitmap 245), with the
  // resource libraries loaded for this reset.
  std::function<HBITMAP(std::uint32_t command, SIZE size, const struct ResourceModules& libraries)> toolIcon;
  bool ResetButtons() override;
  bool CanCustomize() override { return HasButtons(); }
};

}  // namespace lumora
