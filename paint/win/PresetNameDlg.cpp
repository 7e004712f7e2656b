// The preset name dialog.
#include "paint/win/PresetNameDlg.h"

#include <cstdio>

#include "paint/BrushPageRules.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

CAddCustBrushDlg::CAddCustBrushDlg() : CMyModalDlg(IDD_ADD_PRESET) {}

bool CAddCustBrushDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  SetDlgItemTextA(hwnd_, IDC_PRESET_NAME, name.c_str());
  SendDlgItemMessageA(hwnd_, IDC_PRESET_NAME, EM_SETSEL, 0, -1);
  SetFocus(GetDlgItem(hwnd_, IDC_PRESET_NAME));
  return false;
}

void CAddCustBrushDlg::OnOK() {
  char text[256] = {};
  GetDlgItemTextA(hwnd_, IDC_PRESET_NAME, text, sizeof text);
  const std::string typed(text);
  const std::uint32_t refusal = paint::CheckPresetName(typed, existingNames);
  if (refusal != 0) {
    char formatted[512];
    std::snprintf(formatted, sizeof formatted, std::string(res::String(refusal)).c_str(), typed.c_str());
    const std::string message = refusal == paint::kMsgNameTooShort ? res::FormatString(refusal, {"2"}) : formatted;
    MessageBoxA(hwnd_, message.c_str(), std::string(res::String(IDS_WARNING_CAPTION)).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(hwnd_, IDC_PRESET_NAME));
    return;
  }
  name = typed;
  EndDialog(IDOK);
}

}  // namespace lumora
