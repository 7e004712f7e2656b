// The Rotate dialog: the edit, the direction and the dial kept in step.
#include "select/win/RotateDlg.h"

#include "res/resource.h"
#include "select/RotateForm.h"

namespace lumora {

CRotateDlg::CRotateDlg(fw::Window* parent) : fw::Dialog(IDD_ROTATE, parent) {}

bool CRotateDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  SetDlgItemTextA(hwnd_, IDC_ROTATE_ANGLE, RotateForm::Format(angle).c_str());
  CheckRadioButton(hwnd_, IDC_ROTATE_CW, IDC_ROTATE_CCW, direction == 0 ? IDC_ROTATE_CW : IDC_ROTATE_CCW);
  ShowOnDial();
  initialised_ = true;
  return true;
}

void CRotateDlg::ReadControls() {
  char text[64] = {};
  GetDlgItemTextA(hwnd_, IDC_ROTATE_ANGLE, text, sizeof text);
  angle = static_cast<float>(RotateForm::Parse(text));
  direction = IsDlgButtonChecked(hwnd_, IDC_ROTATE_CCW) == BST_CHECKED ? 1 : 0;
}

void CRotateDlg::ShowOnDial() {
  SendDlgItemMessageA(hwnd_, IDC_ROTATE_DIAL, kMsgDialSetAngle, 0, RotateForm::DialTenths(angle, direction));
}

void CRotateDlg::FromDial(int tenths, bool dragging) {
  const float a = static_cast<float>(RotateForm::FromDial(tenths, direction));
  if (a == angle) return;
  angle = a;
  // While dragging, the edit's change must not send the value back.
  fromDial_ = dragging;
  SetDlgItemTextA(hwnd_, IDC_ROTATE_ANGLE, RotateForm::Format(angle).c_str());
  fromDial_ = false;
}

void CRotateDlg::OnOK() {
  ReadControls();
  angle = static_cast<float>(RotateForm::Result(angle, direction));
  EndDialog(IDOK);
}

bool CRotateDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_ROTATE_ANGLE && HIWORD(wParam) == EN_CHANGE) {
        if (initialised_) {
          ReadControls();
          if (!fromDial_) ShowOnDial();
        }
        return true;
      }
      if ((LOWORD(wParam) == IDC_ROTATE_CW || LOWORD(wParam) == IDC_ROTATE_CCW) && HIWORD(wParam) == BN_CLICKED) {
        if (initialised_) ReadControls();
        ShowOnDial();
        return true;
      }
      break;
    case kMsgDialDragging:
    case kMsgDialDraggingToo: FromDial(static_cast<int>(wParam), true); return true;
    case kMsgDialChosen: FromDial(static_cast<int>(wParam), false); return true;
    default: break;
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
