// The small controls of the toolbars and dialogs that need a window: the
// ball button (two values set by pointing into a shaded ball), the
// selection-combination combo (dialog 256, class "WND_SCOMBOBOX") and the
// rich edit that keeps its selection while it has no focus.
#pragma once

#include <windows.h>

#include <richedit.h>

#include <functional>
#include <string>

#include "dialogs/win/HelpSupport.h"
#include "framework/win/Window.h"

namespace lumora {

class CBallButton : public fw::Window {
 public:
  // A button control of the dialog taken over (made owner-drawn).
  bool Attach(HWND dialog, int id);
  // Upper bounds; a value above its new bound comes down to it.
  void SetRange(int bound);
  void SetRange2(int bound);
  // True when the value changed.
  bool SetPos(int value);
  bool SetPos2(int value);
  int GetPos() const { return value1_; }
  int GetPos2() const { return value2_; }
  // Called when a pointer move changed a value.
  std::function<void()> changed;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc);
  void Point(POINT p);
  int value1_ = 0, bound1_ = 1;
  int value2_ = 0, bound2_ = 4;
  bool tracking_ = false;
};

class CMySBComboBox : public CToolTipSuppDlg {
 public:
  CMySBComboBox();
  // Dialog 256 under the parent (hidden until shown), the given mode
  // selected.
  bool Create(HWND parent, int mode);
  // Selects the item whose data is the mode (data 0 counts as 1).
  void SelectMode(int mode);
  int SelectedMode() const;
  // The width a toolbar gives it: the widest mode name plus 31, at least 50.
  int ToolbarWidth() const;
  // A user's choice of mode (the main frame's SetSelectionMode).
  std::function<void(int mode)> modeChosen;

  void GetToolTipText(unsigned controlId, std::string& text) override;

 protected:
  bool OnInitDialog() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  int initialMode_ = 1;
  bool inChange_ = false;
};

class CMyRTFCtrl : public fw::Window {
 public:
  bool Attach(HWND richEdit) { return Subclass(richEdit); }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  CHARRANGE saved_{0, 0};
};

}  // namespace lumora
