// A combo box with separator items ("_", drawn as a line and never
// selected), owner-drawn in the dialog that holds it: the dialog hands its
// messages to HandleParentMessage first.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lumora {

class ComboBoxSeparator {
 public:
  // The combo `id` of `dialog`, made with CBS_OWNERDRAWFIXED | CBS_HASSTRINGS.
  void Attach(HWND dialog, int id);
  HWND Handle() const { return combo_; }
  void Fill(const std::vector<std::string>& items);
  std::vector<std::string> Items() const;
  // Selects the item with the text (none when missing).
  void Select(const std::string& text);
  std::string SelectedText() const;

  // WM_DRAWITEM and WM_MEASUREITEM of the combo, and its CBN_DROPDOWN and
  // CBN_SELCHANGE. A selection change is settled (a separator is never
  // left selected) and still passed on: the function then returns false.
  bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);

 private:
  void Draw(const DRAWITEMSTRUCT& item) const;

  HWND dialog_ = nullptr;
  HWND combo_ = nullptr;
  int id_ = 0;
  int beforeOpen_ = -1;
};

}  // namespace lumora
