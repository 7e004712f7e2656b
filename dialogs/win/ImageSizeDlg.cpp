// The image-size dialog's controls.
#include "dialogs/win/ImageSizeDlg.h"

#include <string>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kGroupControls[] = {IDC_ISZ_WIDTH,     IDC_ISZ_HEIGHT,    IDC_ISZ_UNITS_LABEL,    IDC_ISZ_PIXELS,
                                  IDC_ISZ_PERCENT,   IDC_ISZ_OLD_WIDTH, IDC_ISZ_OLD_HEIGHT,     IDC_ISZ_OLD_WIDTH_UNIT,
                                  IDC_ISZ_OLD_HEIGHT_UNIT};

bool IsField(int id) {
  return id == IDC_ISZ_WIDTH || id == IDC_ISZ_HEIGHT || id == IDC_ISZ_PRINT_WIDTH || id == IDC_ISZ_PRINT_HEIGHT ||
         id == IDC_ISZ_XRES || id == IDC_ISZ_YRES;
}

}  // namespace

CImageSizeDlg::CImageSizeDlg() : CMyModalDlg(IDD_IMAGE_SIZE) {}

std::string CImageSizeDlg::Text(int id) const {
  char text[64] = {};
  GetDlgItemTextA(hwnd_, id, text, sizeof text);
  return text;
}

bool CImageSizeDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  form_.Open(oldWidth, oldHeight, xResolution, yResolution, memorySize);
  CheckDlgButton(hwnd_, IDC_ISZ_KEEP, form_.KeepProportions() ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_ISZ_RESAMPLE, form_.Resample() ? BST_CHECKED : BST_UNCHECKED);
  CheckRadioButton(hwnd_, IDC_ISZ_PIXELS, IDC_ISZ_PERCENT, IDC_ISZ_PIXELS + form_.PixelUnit());
  CheckRadioButton(hwnd_, IDC_ISZ_CM, IDC_ISZ_PRINT_PERCENT, IDC_ISZ_CM + form_.PrintUnit());
  ShowForm();
  return true;
}

void CImageSizeDlg::ShowForm() {
  updating_ = true;
  for (const int id : form_.TakeChanged()) SetDlgItemTextA(hwnd_, id, form_.Text(id).c_str());
  for (const int id : kGroupControls) ShowWindow(GetDlgItem(hwnd_, id), form_.IsShown(id) ? SW_SHOW : SW_HIDE);
  updating_ = false;
}

void CImageSizeDlg::Warn(const SizeWarning& warning) {
  correcting_ = true;
  const std::string caption(res::String(IDS_IMAGE_SIZE_CAPTION));
  MessageBoxA(hwnd_, warning.text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
  HWND field = GetDlgItem(hwnd_, warning.focus);
  SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
  SendMessageA(field, EM_SETSEL, 0, -1);
  correcting_ = false;
}

void CImageSizeDlg::OnOK() {
  // What was typed last counts, and nothing out of range leaves the dialog.
  if (std::optional<SizeWarning> warning = form_.Confirm()) {
    ShowForm();
    Warn(*warning);
    return;
  }
  EndDialog(IDOK);
}

bool CImageSizeDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (code == EN_CHANGE && IsField(id)) {
      if (!updating_) {
        form_.TextChanged(id, Text(id));
        ShowForm();
      }
      return true;
    }
    if (code == EN_KILLFOCUS && IsField(id)) {
      if (!correcting_ && !updating_) {
        if (std::optional<SizeWarning> warning = form_.FocusLost(id)) {
          ShowForm();
          Warn(*warning);
        }
      }
      return true;
    }
    if (code == BN_CLICKED) {
      switch (id) {
        case IDC_ISZ_PIXELS:
        case IDC_ISZ_PERCENT: form_.PixelUnitChosen(id - IDC_ISZ_PIXELS); break;
        case IDC_ISZ_CM:
        case IDC_ISZ_INCH:
        case IDC_ISZ_PRINT_PERCENT: form_.PrintUnitChosen(id - IDC_ISZ_CM); break;
        case IDC_ISZ_KEEP: form_.KeepProportionsSwitched(IsDlgButtonChecked(hwnd_, id) == BST_CHECKED); break;
        case IDC_ISZ_RESAMPLE: form_.ResampleSwitched(IsDlgButtonChecked(hwnd_, id) == BST_CHECKED); break;
        default: return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
      }
      ShowForm();
      return true;
    }
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
