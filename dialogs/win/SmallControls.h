// Small controls of the palettes and dialogs: combo boxes with separator
// items and owner-drawn samples (guide colours, line styles) and an edit
// that reports Enter to its parent.
#pragma once

#include <windows.h>

#include <string>

#include "framework/win/Controls.h"

namespace lumora {

// An owner-drawn combo box whose items with the text "_" are separators
// the selection never rests on.
class CComboBoxSeparator : public fw::ComboBox {
 public:
  static bool IsSeparator(const std::string& text) { return text == "_"; }
  int AddSeparator() { return AddString("_"); }
  virtual void DrawItem(const DRAWITEMSTRUCT& item);
  // The list opens: the selection before it is remembered.
  void OnDropDown() { before_ = GetCurSel(); }
  // The selection changed: off a separator (one step down goes on down,
  // one step up goes on up, any other jump goes back); the remembered
  // selection follows.
  void OnSelChange();

 protected:
  void DrawSeparator(HDC dc, const RECT& r);
  int before_ = -1;
};

// Colour items: a sample of the item's colour (item data) and its name;
// "Custom" is drawn as the custom entry.
class CGuideColorCB : public CComboBoxSeparator {
 public:
  int AddColor(const std::string& name, COLORREF color);
  // The first item of that colour (separators and "Custom" aside), else -1.
  int FindColor(COLORREF color) const;
  COLORREF ItemColor(int index) const { return static_cast<COLORREF>(GetItemData(index)); }
  // The colour the custom entry shows.
  COLORREF customColor = 0;
  void DrawItem(const DRAWITEMSTRUCT& item) override;
};

// Line-style items (item data = style: 0 lines, 1 dashed, 2 dots): a
// sample line and the name.
class CLinesStyleCB : public fw::ComboBox {
 public:
  int AddStyle(const std::string& name, int style);
  int FindStyle(int style) const;
  void DrawItem(const DRAWITEMSTRUCT& item);
};

// An edit that sends the registered message "MY_EN_RETURN" to its parent
// when Enter is pressed.
class CMyEdit : public fw::Edit {
 public:
  bool PreTranslateMessage(MSG* msg) override;
  static UINT ReturnMessage();
};

// Gives WM_DRAWITEM, WM_MEASUREITEM and the combo notifications of these
// controls to their objects (the parent calls it first); true when taken.
bool ReflectControlMessage(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace lumora
