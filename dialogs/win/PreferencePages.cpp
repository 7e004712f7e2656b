// The General, Rulers, Color picker, Selection and Tablet preferences pages.
#include "dialogs/win/PreferencePages.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "dialogs/GuideGridForm.h"
#include "dialogs/PreferencesForm.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

// A field left for another control of the page is checked once the focus
// has settled there; OK, Cancel and the tabs check through the sheet.
constexpr UINT kCheckLeftField = WM_APP + 0x139;

void FillCombo(HWND page, int id, const char* const* entries, int count, int selected) {
  SendDlgItemMessageA(page, id, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < count; ++i) SendDlgItemMessageA(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries[i]));
  SendDlgItemMessageA(page, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int ComboIndex(HWND page, int id) { return static_cast<int>(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0)); }

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

std::uint64_t PhysicalMemory() {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  return GlobalMemoryStatusEx(&memory) ? memory.ullTotalPhys : 0;
}

}  // namespace

// ---- General

CGeneralPage::CGeneralPage() : CPropertyPageMy(IDD_PREF_GENERAL) {}

int CGeneralPage::PercentLowerBound() const { return MemoryPercentLowerBound(totalMemory); }

bool CGeneralPage::OnInitDialog() {
  filling_ = true;
  if (totalMemory == 0) totalMemory = PhysicalMemory();
  const int low = PercentLowerBound();
  memoryPercent = ClampToRange(memoryPercent, low, kMemoryPercentUpperBound);
  createBackup = ClampUndoDepth(createBackup);
  SendDlgItemMessageA(hwnd_, IDC_PREF_UNDO_SPIN, UDM_SETRANGE32, kMinUndoDepth, kMaxUndoDepth);
  SendDlgItemMessageA(hwnd_, IDC_PREF_MEMORY_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(low), kMemoryPercentUpperBound);
  CheckDlgButton(hwnd_, IDC_PREF_COPY_ACTIVE, copyActiveLayerOnly != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_PREF_COPY_VISIBLE, copyVisibleLayersOnly != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_PREF_EMPTY_CLIPBOARD, emptyClipboardOnExit != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_PREF_DISCARD_FORMATS,
                 emptyClipboardOnExit == 0 && discardInternalFormatsOnExit != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_PREF_LIMIT_UNDO, limitBackup != 0 ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemInt(hwnd_, IDC_PREF_UNDO_DEPTH, static_cast<UINT>(createBackup), FALSE);
  SetDlgItemInt(hwnd_, IDC_PREF_MEMORY_PERCENT, static_cast<UINT>(memoryPercent), FALSE);
  SetDlgItemTextA(hwnd_, IDC_PREF_TOTAL_MEMORY, KilobytesText(totalMemory).c_str());
  ShowMemoryShare();
  EnableControls();
  filling_ = false;
  return true;
}

void CGeneralPage::ShowMemoryShare() {
  SetDlgItemTextA(hwnd_, IDC_PREF_MEMORY_USED, MemoryShareText(totalMemory, memoryPercent).c_str());
}

void CGeneralPage::EnableControls() {
  const bool limited = Checked(hwnd_, IDC_PREF_LIMIT_UNDO);
  EnableWindow(GetDlgItem(hwnd_, IDC_PREF_UNDO_DEPTH), limited);
  EnableWindow(GetDlgItem(hwnd_, IDC_PREF_UNDO_SPIN), limited);
  EnableWindow(GetDlgItem(hwnd_, IDC_PREF_COPY_VISIBLE), !Checked(hwnd_, IDC_PREF_COPY_ACTIVE));
}

bool CGeneralPage::CheckField(int id) {
  const bool percent = id == IDC_PREF_MEMORY_PERCENT;
  const int low = percent ? PercentLowerBound() : kMinUndoDepth;
  const int high = percent ? kMemoryPercentUpperBound : kMaxUndoDepth;
  BOOL ok = FALSE;
  const int typed = static_cast<int>(GetDlgItemInt(hwnd_, id, &ok, TRUE));
  if (ok && typed >= low && typed <= high) {
    (percent ? memoryPercent : createBackup) = typed;
    return true;
  }
  char text[160];
  std::snprintf(text, sizeof text, std::string(res::String(IDS_ENTER_INTEGER_RANGE)).c_str(), low, high);
  MessageBoxA(hwnd_, text, std::string(res::String(IDS_PREFERENCES)).c_str(), MB_OK | MB_ICONEXCLAMATION);
  const int clamped = ok ? ClampToRange(typed, low, high) : (percent ? memoryPercent : createBackup);
  (percent ? memoryPercent : createBackup) = clamped;
  filling_ = true;
  SetDlgItemInt(hwnd_, id, static_cast<UINT>(clamped), FALSE);
  filling_ = false;
  if (percent) ShowMemoryShare();
  HWND field = GetDlgItem(hwnd_, id);
  SetFocus(field);
  SendMessageA(field, EM_SETSEL, 0, -1);
  return false;
}

bool CGeneralPage::OnKillActive() { return CheckField(IDC_PREF_MEMORY_PERCENT) && CheckField(IDC_PREF_UNDO_DEPTH); }

bool CGeneralPage::OnApply() {
  if (!OnKillActive()) return false;
  copyActiveLayerOnly = Checked(hwnd_, IDC_PREF_COPY_ACTIVE) ? 1 : 0;
  copyVisibleLayersOnly = Checked(hwnd_, IDC_PREF_COPY_VISIBLE) ? 1 : 0;
  emptyClipboardOnExit = Checked(hwnd_, IDC_PREF_EMPTY_CLIPBOARD) ? 1 : 0;
  discardInternalFormatsOnExit = Checked(hwnd_, IDC_PREF_DISCARD_FORMATS) ? 1 : 0;
  limitBackup = Checked(hwnd_, IDC_PREF_LIMIT_UNDO) ? 1 : 0;
  return true;
}

bool CGeneralPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && !filling_) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if ((id == IDC_PREF_MEMORY_PERCENT || id == IDC_PREF_UNDO_DEPTH) && code == EN_CHANGE) {
      BOOL ok = FALSE;
      const int typed = static_cast<int>(GetDlgItemInt(hwnd_, id, &ok, TRUE));
      if (id == IDC_PREF_MEMORY_PERCENT && ok && typed >= PercentLowerBound() && typed <= kMemoryPercentUpperBound) {
        memoryPercent = typed;
        ShowMemoryShare();
      }
      if (id == IDC_PREF_UNDO_DEPTH && ok && typed >= kMinUndoDepth && typed <= kMaxUndoDepth) createBackup = typed;
      return true;
    }
    if ((id == IDC_PREF_MEMORY_PERCENT || id == IDC_PREF_UNDO_DEPTH) && code == EN_KILLFOCUS) {
      PostMessageA(hwnd_, kCheckLeftField, static_cast<WPARAM>(id), 0);
      return true;
    }
    if ((id == IDC_PREF_LIMIT_UNDO || id == IDC_PREF_COPY_ACTIVE) && code == BN_CLICKED) {
      EnableControls();
      return true;
    }
  }
  if (message == kCheckLeftField) {
    // Only a move to another control of this page: the sheet's buttons and
    // tabs check on their own, and another window is not a leaving.
    HWND focus = GetFocus();
    const int id = static_cast<int>(wParam);
    if (focus != nullptr && focus != GetDlgItem(hwnd_, id) && IsChild(hwnd_, focus) &&
        IsWindowEnabled(GetDlgItem(hwnd_, id))) {
      CheckField(id);
    }
    *result = TRUE;
    return true;
  }
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_QUERYCANCEL)) {
    // A value outside its bounds keeps the sheet open.
    const bool fine = CheckField(IDC_PREF_MEMORY_PERCENT) && CheckField(IDC_PREF_UNDO_DEPTH);
    SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, fine ? FALSE : TRUE);
    *result = TRUE;
    return true;
  }
  return CPropertyPageMy::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Rulers units

CRulerPage::CRulerPage() : CPropertyPageMy(IDD_PREF_RULERS) {}

bool CRulerPage::OnInitDialog() {
  static const char* const kUnits[4] = {"Pixels", "Centimeters", "Inches", "Points"};
  FillCombo(hwnd_, IDC_PREF_RULER_UNIT, kUnits, 4, GridUnitToIndex(unit));
  saved_ = unit;
  return true;
}

void CRulerPage::OnReset() {
  unit = saved_;
  if (applyLive) applyLive(unit);
}

bool CRulerPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_PREF_RULER_UNIT && HIWORD(wParam) == CBN_SELCHANGE) {
    const int index = ComboIndex(hwnd_, IDC_PREF_RULER_UNIT);
    if (index >= 0) {
      unit = GridIndexToUnit(index);
      if (applyLive) applyLive(unit);
    }
    return true;
  }
  return CPropertyPageMy::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Color picker

CPickerPage::CPickerPage() : CPropertyPageMy(IDD_PREF_PICKER) {}

bool CPickerPage::OnInitDialog() {
  static const char* const kPickers[kPickerChoices] = {"Lumora 4.0", "Lumora 3.0", "Windows"};
  FillCombo(hwnd_, IDC_PREF_PICKER, kPickers, kPickerChoices, ClampPickerChoice(choice));
  return true;
}

bool CPickerPage::OnApply() {
  const int index = ComboIndex(hwnd_, IDC_PREF_PICKER);
  if (index >= 0) choice = index;
  return true;
}

// ---- Selection animation

CPrefSelection::CPrefSelection() : CPropertyPageMy(IDD_PREF_SELECTION) {}

bool CPrefSelection::OnInitDialog() {
  static const char* const kSpeeds[kAnimationSpeeds] = {"No animation", "Slow", "Average", "Fast"};
  FillCombo(hwnd_, IDC_PREF_ANIMATION, kSpeeds, kAnimationSpeeds, ClampAnimationSpeed(speed));
  return true;
}

bool CPrefSelection::OnApply() {
  const int index = ComboIndex(hwnd_, IDC_PREF_ANIMATION);
  if (index >= 0) speed = index;
  return true;
}

// ---- Tablet

CTabletPage::CTabletPage() : CPropertyPageMy(IDD_PREF_TABLET) {}

bool CTabletPage::OnInitDialog() {
  CheckDlgButton(hwnd_, IDC_PREF_TABLET_ENABLE, enable != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_PREF_TABLET_SIZE, varySize != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_PREF_TABLET_OPACITY, varyOpacity != 0 ? BST_CHECKED : BST_UNCHECKED);
  EnableControls();
  return true;
}

void CTabletPage::EnableControls() {
  const bool on = Checked(hwnd_, IDC_PREF_TABLET_ENABLE);
  EnableWindow(GetDlgItem(hwnd_, IDC_PREF_TABLET_SIZE), on);
  EnableWindow(GetDlgItem(hwnd_, IDC_PREF_TABLET_OPACITY), on);
}

bool CTabletPage::OnApply() {
  enable = Checked(hwnd_, IDC_PREF_TABLET_ENABLE) ? 1 : 0;
  varySize = Checked(hwnd_, IDC_PREF_TABLET_SIZE) ? 1 : 0;
  varyOpacity = Checked(hwnd_, IDC_PREF_TABLET_OPACITY) ? 1 : 0;
  return true;
}

bool CTabletPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_PREF_TABLET_ENABLE && HIWORD(wParam) == BN_CLICKED) {
    EnableControls();
    return true;
  }
  return CPropertyPageMy::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
