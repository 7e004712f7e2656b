// The preferences sheet and its page slots.
#include "dialogs/win/Preferences.h"

namespace lumora {

CPreferences::CPreferences(const std::string& caption, fw::Window* parent, int firstSlot)
    : fw::PropertySheet(caption, parent, 0), firstSlot_(firstSlot) {}

void CPreferences::SetSlot(int slot, fw::PropertyPage* page) {
  if (slot >= 0 && slot < kSlots) slots_[static_cast<std::size_t>(slot)] = page;
}

fw::PropertyPage* CPreferences::Slot(int slot) const {
  return slot >= 0 && slot < kSlots ? slots_[static_cast<std::size_t>(slot)] : nullptr;
}

INT_PTR CPreferences::DoModal() {
  int start = 0;
  for (int slot = 0; slot < kSlots; ++slot) {
    fw::PropertyPage* page = slots_[static_cast<std::size_t>(slot)];
    if (page == nullptr) continue;
    if (slot == firstSlot_) start = PageCount();
    AddPage(page);
  }
  if (PageCount() == 0) return -1;
  SetActivePage(start);
  return fw::PropertySheet::DoModal();
}

LRESULT CPreferences::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The sheet shows the context-help button.
  if (message == WM_SHOWWINDOW && wParam != 0) {
    const LONG ex = GetWindowLongA(hwnd_, GWL_EXSTYLE);
    if ((ex & WS_EX_CONTEXTHELP) == 0) SetWindowLongA(hwnd_, GWL_EXSTYLE, ex | WS_EX_CONTEXTHELP);
  }
  return fw::PropertySheet::WindowProc(message, wParam, lParam);
}

}  // namespace lumora
