// The Modify Selection dialog.
#include "select/win/ModifySelectionDlg.h"

namespace lumora {

namespace {
constexpr int kAmountEdit = 1207;
}

CModifySelection::CModifySelection(const ModifyOperation& operation, fw::Profile& profile, fw::Window* parent)
    : fw::Dialog(operation.templateId, parent), form_(operation.key, operation.maximum), profile_(profile) {}

bool CModifySelection::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  form_.Load(profile_);
  SetDlgItemTextA(hwnd_, kAmountEdit, form_.Text().c_str());
  initialised_ = true;
  return true;
}

std::string CModifySelection::EditText() const {
  char text[32] = {};
  GetDlgItemTextA(hwnd_, kAmountEdit, text, sizeof text);
  return text;
}

void CModifySelection::OnLeaveEdit() {
  validating_ = true;
  std::string writeBack;
  const std::string message = form_.OnLeave(EditText(), &writeBack);
  if (!message.empty()) {
    char caption[128] = {};
    GetWindowTextA(hwnd_, caption, sizeof caption);
    MessageBoxA(hwnd_, message.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
    SetDlgItemTextA(hwnd_, kAmountEdit, writeBack.c_str());
    SetFocus(GetDlgItem(hwnd_, kAmountEdit));
  }
  validating_ = false;
}

bool CModifySelection::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == kAmountEdit) {
    if (HIWORD(wParam) == EN_CHANGE && initialised_ && !validating_) form_.OnTextChanged(EditText());
    if (HIWORD(wParam) == EN_KILLFOCUS && initialised_ && !validating_) OnLeaveEdit();
    return true;
  }
  // Kept after OK and Cancel alike.
  if (message == WM_DESTROY && initialised_) form_.Save(profile_);
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
