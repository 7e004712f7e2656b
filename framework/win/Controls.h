// Thin wrappers of the controls the first dialogs use.
#pragma once

#include <string>

#include "framework/win/Window.h"

namespace fw {

class Edit : public Window {
 public:
  void SetSel(int start, int end) { Send(EM_SETSEL, static_cast<WPARAM>(start), end); }
  void LimitText(int chars) { Send(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
  void SetReadOnly(bool on) { Send(EM_SETREADONLY, on ? TRUE : FALSE); }
};

class Button : public Window {
 public:
  int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
  void SetCheck(int check) { Send(BM_SETCHECK, static_cast<WPARAM>(check)); }
  void Click() { Send(BM_CLICK); }
};

class ComboBox : public Window {
 public:
  int AddString(const std::string& text) { return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()))); }
  int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
  void SetCurSel(int index) { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
  void ResetContent() { Send(CB_RESETCONTENT); }
  void SetItemData(int index, LPARAM data) { Send(CB_SETITEMDATA, static_cast<WPARAM>(index), data); }
  LPARAM GetItemData(int index) const { return Send(CB_GETITEMDATA, static_cast<WPARAM>(index)); }
  std::string GetLBText(int index) const;
};

class ListBox : public Window {
 public:
  int AddString(const std::string& text) { return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()))); }
  int GetCount() const { return static_cast<int>(Send(LB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(Send(LB_GETCURSEL)); }
  void SetCurSel(int index) { Send(LB_SETCURSEL, static_cast<WPARAM>(index)); }
  void ResetContent() { Send(LB_RESETCONTENT); }
  void SetItemData(int index, LPARAM data) { Send(LB_SETITEMDATA, static_cast<WPARAM>(index), data); }
  LPARAM GetItemData(int index) const { return Send(LB_GETITEMDATA, static_cast<WPARAM>(index)); }
  std::string GetText(int index) const;
};

}  // namespace fw
