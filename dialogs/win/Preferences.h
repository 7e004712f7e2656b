// The preferences sheet: six page slots in a fixed order (General, Guides
// and Grid, Rulers, Color picker, Selection animation, Tablet), without an
// Apply button, with the context-help button. A slot without a page is
// left out of the sheet.
#pragma once

#include <array>
#include <string>

#include "framework/win/Dialog.h"

namespace lumora {

class CPreferences : public fw::PropertySheet {
 public:
  enum Slot : int { kGeneral = 0, kGuidesGrid = 1, kRulers = 2, kPicker = 3, kSelection = 4, kTablet = 5, kSlots = 6 };

  CPreferences(const std::string& caption, fw::Window* parent, int firstSlot);
  // Before DoModal: the page of a slot (null leaves it out).
  void SetSlot(int slot, fw::PropertyPage* page);
  fw::PropertyPage* Slot(int slot) const;
  // Adds the slots' pages in order and runs the sheet on the first slot's
  // page (or the first page there is).
  INT_PTR DoModal() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::array<fw::PropertyPage*, kSlots> slots_{};
  int firstSlot_;
};

}  // namespace lumora
