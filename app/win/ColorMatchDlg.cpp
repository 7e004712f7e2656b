// The colour-matching dialog's controls.
#include "app/win/ColorMatchDlg.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

// Intent names by ICC intent (the combo's item index).
constexpr std::uint32_t kIntentNames[4] = {IDS_CM_INTENT_PERCEPTUAL, IDS_CM_INTENT_RELATIVE,
                                           IDS_CM_INTENT_SATURATION, IDS_CM_INTENT_ABSOLUTE};

void FillIntents(HWND combo, int code) {
  for (std::uint32_t id : kIntentNames) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(res::String(id)).c_str()));
  }
  const int intent = IcmIntentOfCode(code);
  SendMessageA(combo, CB_SETCURSEL, intent >= 0 ? intent : 0, 0);
}

std::string ComboText(HWND dialog, int id) {
  char text[260] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

}  // namespace

CColorMatchDlg::CColorMatchDlg(ColorManagementSettings* record, std::string colorFolder,
                               std::function<void(ColorManagementSettings&)> apply)
    : CMyModalDlg(IDD_COLOR_MANAGEMENT), record_(record), colorFolder_(std::move(colorFolder)),
      apply_(std::move(apply)) {}

// The profiles of the colour folder and the sRGB name, the current one
// shown (typed paths stay as typed).
void CColorMatchDlg::FillProfiles(int combo, const char* current) {
  HWND control = GetDlgItem(hwnd_, combo);
  std::set<std::string> names{kSrgbProfileName};
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(colorFolder_, error)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".icm" || ext == ".icc") names.insert(entry.path().filename().string());
  }
  for (const std::string& name : names) SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  SetWindowTextA(control, current[0] != '\0' ? current : kSrgbProfileName);
}

bool CColorMatchDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  CheckDlgButton(hwnd_, IDC_CM_ENABLE, record_->icmOff == 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, IDC_CM_PROOFING, record_->proofing != 0 ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(hwnd_, IDC_CM_MONITOR_NAME, record_->monitorDescription);
  FillProfiles(IDC_CM_MONITOR, record_->monitorProfile);
  FillProfiles(IDC_CM_TARGET, record_->targetProfile);
  FillIntents(GetDlgItem(hwnd_, IDC_CM_INTENT), record_->renderIntent);
  FillIntents(GetDlgItem(hwnd_, IDC_CM_PROOF_INTENT), record_->proofingIntent);
  EnableFields();
  return true;
}

void CColorMatchDlg::EnableFields() {
  const bool on = IsDlgButtonChecked(hwnd_, IDC_CM_ENABLE) == BST_CHECKED;
  const bool proofing = on && IsDlgButtonChecked(hwnd_, IDC_CM_PROOFING) == BST_CHECKED;
  for (int id : {IDC_CM_MONITOR, IDC_CM_INTENT, IDC_CM_PROOFING}) EnableWindow(GetDlgItem(hwnd_, id), on);
  for (int id : {IDC_CM_TARGET, IDC_CM_PROOF_INTENT}) EnableWindow(GetDlgItem(hwnd_, id), proofing);
}

void CColorMatchDlg::Apply() {
  record_->icmOff = IsDlgButtonChecked(hwnd_, IDC_CM_ENABLE) == BST_CHECKED ? 0 : 1;
  record_->proofing = IsDlgButtonChecked(hwnd_, IDC_CM_PROOFING) == BST_CHECKED ? 1 : 0;
  const int intent = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_CM_INTENT, CB_GETCURSEL, 0, 0));
  const int proofIntent = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_CM_PROOF_INTENT, CB_GETCURSEL, 0, 0));
  if (CodeOfIcmIntent(intent) > 0) record_->renderIntent = CodeOfIcmIntent(intent);
  if (CodeOfIcmIntent(proofIntent) > 0) record_->proofingIntent = CodeOfIcmIntent(proofIntent);
  SetField(record_->monitorProfile, ComboText(hwnd_, IDC_CM_MONITOR));
  SetField(record_->targetProfile, ComboText(hwnd_, IDC_CM_TARGET));
  FillEmptyProfiles(record_);
  if (apply_) apply_(*record_);
}

void CColorMatchDlg::OnOK() {
  Apply();
  EndDialog(IDOK);
}

bool CColorMatchDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDC_CM_ENABLE:
      case IDC_CM_PROOFING:
        EnableFields();
        return true;
      case IDC_CM_APPLY:
        Apply();
        return true;
      default:
        break;
    }
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
