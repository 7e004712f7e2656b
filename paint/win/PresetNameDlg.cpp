// The preset name dialog.
#include "paint/win/PresetNameDlg.h"

#include <cstdio>

#include "framework/CommandIds.h"
#include "framework/StringSource.h"
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
  // A missing file is named as a wrong path; a file the file-format
  // library cannot read it reports itself (while reading it shows its
  // progress); either leaves the dialog open.
  const DWORD attributes = GetFileAttributesA(source.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    Warn(hwnd_, std::string(res::String(IDS_BAD_PATH_NAME)));
    SetFocus(GetDlgItem(hwnd_, SourceId()));
    return;
  }
  WAPtr read = paint::ReadImageFile(source, true);
  if (!read) {
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

// ---- Edge Options

namespace {

constexpr int kLevelEdits[4] = {IDC_EDGE_LEVEL_NONE, IDC_EDGE_LEVEL_LOW, IDC_EDGE_LEVEL_MEDIUM, IDC_EDGE_LEVEL_HIGH};

}  // namespace

CBrushEdgeOptDlg::CBrushEdgeOptDlg() : CMyModalDlg(IDD_EDGE_OPTIONS) {}

bool CBrushEdgeOptDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  CheckRadioButton(hwnd_, IDC_EDGE_RANDOM, IDC_EDGE_TRANSPARENT, form.densityType == 1 ? IDC_EDGE_RANDOM : IDC_EDGE_TRANSPARENT);
  CheckRadioButton(hwnd_, IDC_EDGE_PERCENT, IDC_EDGE_PIXEL, form.units != 0 ? IDC_EDGE_PIXEL : IDC_EDGE_PERCENT);
  ShowLevels();
  initialised_ = true;
  return true;
}

void CBrushEdgeOptDlg::ShowLevels() {
  for (std::size_t i = 0; i < 4; ++i) SetDlgItemInt(hwnd_, kLevelEdits[i], form.Shown()[i], FALSE);
}

bool CBrushEdgeOptDlg::TakeLevels() {
  for (std::size_t i = 0; i < 4; ++i) {
    char text[16] = {};
    GetDlgItemTextA(hwnd_, kLevelEdits[i], text, sizeof text);
    int level = 0;
    if (!paint::ParseEdgeLevel(text, &level)) {
      const std::string message = fw::FormatString(fw::ResourceString(fw::kIdpParseIntRange), {"0", "200"});
      MessageBoxA(hwnd_, message.c_str(), std::string(res::String(IDS_WARNING_CAPTION)).c_str(), MB_OK | MB_ICONEXCLAMATION);
      HWND edit = GetDlgItem(hwnd_, kLevelEdits[i]);
      SetFocus(edit);
      SendMessageA(edit, EM_SETSEL, 0, -1);
      return false;
    }
    form.Shown()[i] = static_cast<std::uint8_t>(level);
  }
  return true;
}

void CBrushEdgeOptDlg::OnOK() {
  if (!TakeLevels()) return;
  EndDialog(IDOK);
}

bool CBrushEdgeOptDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && initialised_) {
    switch (LOWORD(wParam)) {
      case IDC_EDGE_TRANSPARENT:
      case IDC_EDGE_RANDOM:
        form.densityType = LOWORD(wParam) == IDC_EDGE_RANDOM ? 1 : 0;
        *result = TRUE;
        return true;
      case IDC_EDGE_PERCENT:
      case IDC_EDGE_PIXEL: {
        const int units = LOWORD(wParam) == IDC_EDGE_PIXEL ? 1 : 0;
        if (units != form.units) {
          // The levels shown are kept before the other unit's show.
          if (!TakeLevels()) {
            CheckRadioButton(hwnd_, IDC_EDGE_PERCENT, IDC_EDGE_PIXEL, form.units != 0 ? IDC_EDGE_PIXEL : IDC_EDGE_PERCENT);
          } else {
            form.units = units;
            ShowLevels();
          }
        }
        *result = TRUE;
        return true;
      }
      default:
        break;
    }
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
