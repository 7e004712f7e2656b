// The preset name dialog.
#include "paint/win/PresetNameDlg.h"

#include <cstdio>

#include "framework/win/App.h"
#include "paint/BrushPageRules.h"
#include "paint/ImageStore.h"
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

// ---- Add Paper / Add Shape

namespace {

const char* InvertSection(std::uint32_t templateId, bool defaultConstructor) {
  if (defaultConstructor) return "ADDPAPER";
  return templateId == IDD_ADD_SHAPE ? "ADD_NEW_BRUSH" : "ADD_PAPER";
}

bool ReadInvert(const char* section) {
  return fw::TheApp() != nullptr && fw::TheApp()->Settings().GetInt(section, "INVERT", 0) != 0;
}

void Warn(HWND dialog, const std::string& message) {
  MessageBoxA(dialog, message.c_str(), std::string(res::String(IDS_WARNING_CAPTION)).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

CAddPaperDlg::CAddPaperDlg() : CMyModalDlg(IDD_ADD_PAPER), templateId_(IDD_ADD_PAPER) {
  invert = ReadInvert(InvertSection(templateId_, true));
}

CAddPaperDlg::CAddPaperDlg(std::uint32_t templateId) : CMyModalDlg(templateId), templateId_(templateId) {
  invert = ReadInvert(InvertSection(templateId_, false));
}

int CAddPaperDlg::NameId() const { return templateId_ == IDD_ADD_SHAPE ? IDC_SHAPE_NAME : IDC_PAPER_NAME; }
int CAddPaperDlg::SourceId() const { return templateId_ == IDD_ADD_SHAPE ? IDC_SHAPE_SOURCE : IDC_PAPER_SOURCE; }
int CAddPaperDlg::InvertId() const { return templateId_ == IDD_ADD_SHAPE ? IDC_SHAPE_INVERT : IDC_PAPER_INVERT; }
int CAddPaperDlg::BrowseId() const { return templateId_ == IDD_ADD_SHAPE ? IDC_SHAPE_BROWSE : IDC_PAPER_BROWSE; }

bool CAddPaperDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  Show();
  return true;
}

void CAddPaperDlg::Show() {
  SetDlgItemTextA(hwnd_, NameId(), name.c_str());
  SetDlgItemTextA(hwnd_, SourceId(), source.c_str());
  CheckDlgButton(hwnd_, InvertId(), invert ? BST_CHECKED : BST_UNCHECKED);
}

void CAddPaperDlg::Take() {
  char text[1024] = {};
  GetDlgItemTextA(hwnd_, NameId(), text, sizeof text);
  name = text;
  GetDlgItemTextA(hwnd_, SourceId(), text, sizeof text);
  source = text;
  invert = IsDlgButtonChecked(hwnd_, InvertId()) == BST_CHECKED;
}

void CAddPaperDlg::OnOK() {
  Take();
  const std::uint32_t refusal = paint::CheckImageEntry(name, source, existingNames);
  if (refusal != 0) {
    char formatted[512];
    std::snprintf(formatted, sizeof formatted, std::string(res::String(refusal)).c_str(), name.c_str());
    Warn(hwnd_, refusal == paint::kMsgNameTooShort ? res::FormatString(refusal, {"2"}) : std::string(formatted));
    SetFocus(GetDlgItem(hwnd_, refusal == paint::kMsgBadPathName ? SourceId() : NameId()));
    return;
  }
  // A file the file-format library cannot read leaves the dialog open.
  WAPtr read = paint::ReadImageFile(source);
  if (!read) {
    Warn(hwnd_, std::string(res::String(IDS_BAD_PATH_NAME)));
    SetFocus(GetDlgItem(hwnd_, SourceId()));
    return;
  }
  image = std::move(read);
  EndDialog(IDOK);
}

bool CAddPaperDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == BrowseId() && HIWORD(wParam) == BN_CLICKED) {
    Take();
    std::string chosen;
    if (browse && browse(hwnd_, &chosen) && !chosen.empty()) source = chosen;
    Show();
    *result = TRUE;
    return true;
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
