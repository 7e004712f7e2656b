// The toolbar customise dialog: a modeless sheet with the command
// collection ("Commands": categories of buttons dragged from the viewer
// onto bars) and the list of bars ("Toolbars": show or hide, flat, reset).
// While it is open every bar is in customise mode and the frame's menu bar
// and system menu do nothing.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/win/Dialog.h"
#include "ui/win/CtrlViewer.h"

namespace lumora {

class CCToolBar;

// One button of the collection: its TBBUTTON, picture, texts and, for a
// control, the collection's own copy (dragging always copies).
struct CustomizeEntry {
  TBBUTTON button{};
  HBITMAP image = nullptr;
  std::string text;
  std::string description;
  std::unique_ptr<fw::Window> control;
  ~CustomizeEntry();
};

// A check list whose items may have their check disabled: clicking such a
// check, Space on it or a double click only beeps.
class CExCheckList : public fw::Window {
 public:
  static constexpr WORD kCheckChange = 40;  // CLBN_CHKCHANGE
  bool Attach(HWND list);
  int AddString(const std::string& text, void* data);
  void ResetContent();
  int GetCheck(int index) const;
  void SetCheck(int index, int check);
  void SetCheckEnabled(int index, bool enabled);
  bool IsCheckEnabled(int index) const;
  void* ItemData(int index) const;
  int Count() const { return static_cast<int>(checks_.size()); }
  // The check box's rectangle in an item of that rectangle.
  static RECT CheckBoxOf(const RECT& item);
  void DrawItem(const DRAWITEMSTRUCT& item);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Toggle(int index);
  std::vector<int> checks_;
  std::vector<std::uint32_t> enabled_;
};

class CCustomizeDlg;

// The collection's viewer: a press on an item drags its button.
class CButtonList : public CCtrlViewer {
 public:
  CCustomizeDlg* dialog = nullptr;

 protected:
  void OnItemPressed(int index, POINT client) override;
};

class CCommandsPage : public fw::PropertyPage {
 public:
  explicit CCommandsPage(CCustomizeDlg* dialog);
  bool OnInitDialog() override;
  CButtonList& Viewer() { return viewer_; }
  void ShowCategory(const std::string& name);
  void ClearSelection();

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ShowDescription();
  CCustomizeDlg* dialog_;
  CButtonList viewer_;
};

class CToolbarsPage : public fw::PropertyPage {
 public:
  explicit CToolbarsPage(CCustomizeDlg* dialog);
  bool OnInitDialog() override;
  CExCheckList& List() { return list_; }
  // A bar shown or hidden while customising: its check follows.
  void BarShownChanged(CCToolBar* bar);

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  CCToolBar* SelectedBar() const;
  void ShowSelected();
  void OnCheckChange(int index);
  CCustomizeDlg* dialog_;
  CExCheckList list_;
};

class CCustomizeDlg : public fw::PropertySheet {
 public:
  CCustomizeDlg(const std::string& caption, fw::Window* parent, std::vector<CCToolBar*> bars);
  ~CCustomizeDlg() override;
  // The open dialog, null when none.
  static CCustomizeDlg* Open();

  bool CreateSheet();
  void AddCategory(const std::string& name);
  void AddButton(const std::string& category, const TBBUTTON& button, const std::string& text,
                 const std::string& description, HBITMAP image, std::unique_ptr<fw::Window> control);
  // The button of `bar` with that command (a control through its copy).
  bool AddToolBarButton(std::uint32_t command, CCToolBar* bar, const std::string& category);
  void AddToolBarButtons(CCToolBar* bar, const std::string& category);
  // The entry's former position, or -1.
  int RemoveButton(const std::string& category, std::uint32_t command);

  const std::vector<std::string>& Categories() const { return categories_; }
  const std::vector<std::unique_ptr<CustomizeEntry>>* Entries(const std::string& category) const;
  const std::vector<CCToolBar*>& BarList() const { return bars_; }
  CCommandsPage& CommandsPage() { return commands_; }
  CToolbarsPage& ToolbarsPage() { return toolbars_; }
  HWND Parking();

  // The registered message a drag from a bar sends to the open dialog.
  static UINT DragFromToolbarMessage();
  static UINT DragFromCollectionMessage();
  static UINT CustomizeMessage();

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PostNcDestroy() override;

 private:
  void SetCustomization(bool on);
  static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::vector<std::string> categories_;
  std::map<std::string, std::vector<std::unique_ptr<CustomizeEntry>>> entries_;
  std::vector<CCToolBar*> bars_;
  HWND parking_ = nullptr;
  HWND frame_ = nullptr;
  WNDPROC savedFrameProc_ = nullptr;
  CCommandsPage commands_;
  CToolbarsPage toolbars_;
  bool customizing_ = false;
  UINT_PTR animation_ = 0;
};

// The margin below the customise sheet's "Close" button (7 dialog units).
int SheetBottomMargin(HWND sheet);

// The interface the main frame builds the dialog through; each does nothing
// (0 / -1) for an object that is no customise dialog.
CCustomizeDlg* CreateCustomizeDlg(const std::string& caption, fw::Window* parent, const std::vector<CCToolBar*>& bars);
bool CustomizeDlgCreateWindow(fw::Window* dialog);
void CustomizeDlgAddCategory(fw::Window* dialog, const std::string& name);
bool CustomizeDlgAddToolBarButton(fw::Window* dialog, std::uint32_t command, CCToolBar* bar,
                                  const std::string& category);
void CustomizeDlgAddToolBarButtons(fw::Window* dialog, CCToolBar* bar, const std::string& category);
int CustomizeDlgRemoveButton(fw::Window* dialog, const std::string& category, std::uint32_t command);
void CustomizeDlgAddButton(fw::Window* dialog, const std::string& category, const TBBUTTON& button,
                           const std::string& text, const std::string& description, HBITMAP image);

}  // namespace lumora
