// The frame dialog's controls, the profile section "Frame" and the preview.
#include "dialogs/win/FrameDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "engine/pixels/Dib.h"
#include "engine/pixels/WAccess.h"
#include "framework/Profile.h"
#include "framework/win/App.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kFrameControls[] = {IDC_FRAME_TYPE_LABEL, IDC_FRAME_STYLE_LABEL, IDC_FRAME_SHAPE_LABEL,
                                  IDC_FRAME_SIZE_LABEL, IDC_FRAME_TYPE,        IDC_FRAME_STYLE,
                                  IDC_FRAME_SHAPE,      IDC_FRAME_SIZE};
constexpr int kMatControls[] = {IDC_FRAME_MAT_SIZE_LABEL, IDC_FRAME_MAT_STYLE_LABEL, IDC_FRAME_MAT_SIZE,
                                IDC_FRAME_MAT_STYLE, IDC_FRAME_COLOR};
constexpr int kShadowControls[] = {IDC_FRAME_LIGHT_LABEL, IDC_FRAME_LIGHT};
constexpr char kSection[] = "Frame";

std::string ExecutableFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  const std::size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

fw::Profile* Settings() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

}  // namespace

CFrameDlg::CFrameDlg(std::vector<std::uint8_t> sourceDib, std::uint32_t matColor)
    : CMyModalDlg(IDD_FRAME), source_(std::move(sourceDib)), matColor_(matColor), factory_(ExecutableFolder()) {}

void CFrameDlg::FillCombo(int id, const std::vector<std::string>& items, int selected) {
  SendDlgItemMessageA(hwnd_, id, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items)
    SendDlgItemMessageA(hwnd_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendDlgItemMessageA(hwnd_, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

int CFrameDlg::Selected(int id) const {
  return static_cast<int>(SendDlgItemMessageA(hwnd_, id, CB_GETCURSEL, 0, 0));
}

std::string CFrameDlg::SelectedText(int id) const {
  const int index = Selected(id);
  if (index < 0) return "none";
  char text[MAX_PATH] = {};
  SendDlgItemMessageA(hwnd_, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return text;
}

bool CFrameDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  HWND tabs = GetDlgItem(hwnd_, IDC_FRAME_TABS);
  const unsigned tabTexts[] = {IDS_FRAME_NAME, IDS_FRAME_TAB_MAT, IDS_SHADOW};
  for (int i = 0; i < 3; ++i) {
    std::string text(res::String(tabTexts[i]));
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  fw::Profile* settings = Settings();
  auto getInt = [&](const char* key) { return settings != nullptr ? settings->GetInt(kSection, key, 0) : 0; };
  auto getText = [&](const char* key) {
    return settings != nullptr ? settings->GetString(kSection, key, "") : std::string();
  };
  FillCombo(IDC_FRAME_TYPE, factory_.Types(), 0);
  FillCombo(IDC_FRAME_SHAPE, {"Flat", "Notched", "Round"}, std::clamp(getInt("FrShape"), 0, 2));
  FillCombo(IDC_FRAME_SIZE, {"Small", "Medium", "Large"}, std::clamp(getInt("FrSize"), 0, 2));
  FillCombo(IDC_FRAME_MAT_SIZE, {"None", "Small", "Medium", "Large"}, std::clamp(getInt("MtSize"), 0, 3));
  FillCombo(IDC_FRAME_MAT_STYLE, factory_.Mats(), -1);
  FillCombo(IDC_FRAME_LIGHT, {"Top left", "Top right", "Bottom right", "Bottom left", "Center"},
            std::clamp(getInt("Shadow"), 0, 4));
  // Type, style and mat come back by name: a renamed or removed folder or
  // file falls back to the first entry.
  const auto& types = factory_.Types();
  const auto type = std::find(types.begin(), types.end(), getText("FrTypeStr"));
  SendDlgItemMessageA(hwnd_, IDC_FRAME_TYPE, CB_SETCURSEL, type == types.end() ? 0 : type - types.begin(), 0);
  styleName_ = getText("FrStyleStr");
  TypeChosen();
  const auto& mats = factory_.Mats();
  const auto mat = std::find(mats.begin(), mats.end(), getText("MtNameStr"));
  SendDlgItemMessageA(hwnd_, IDC_FRAME_MAT_STYLE, CB_SETCURSEL, mat == mats.end() ? 0 : mat - mats.begin(), 0);
  MatSizeChosen();
  initialised_ = true;
  ShowPage(0);
  ScalePreview();
  RebuildPreview();
  return true;
}

void CFrameDlg::ShowPage(int page) {
  for (int id : kFrameControls) ShowWindow(GetDlgItem(hwnd_, id), page == 0 ? SW_SHOW : SW_HIDE);
  for (int id : kMatControls) ShowWindow(GetDlgItem(hwnd_, id), page == 1 ? SW_SHOW : SW_HIDE);
  for (int id : kShadowControls) ShowWindow(GetDlgItem(hwnd_, id), page == 2 ? SW_SHOW : SW_HIDE);
}

void CFrameDlg::TypeChosen() {
  const int type = std::max(0, Selected(IDC_FRAME_TYPE));
  typeName_ = SelectedText(IDC_FRAME_TYPE);
  const auto& styles = factory_.Styles(static_cast<std::size_t>(type));
  const auto style = std::find(styles.begin(), styles.end(), styleName_);
  FillCombo(IDC_FRAME_STYLE, styles, styles.empty() ? -1 : style == styles.end() ? 0 : static_cast<int>(style - styles.begin()));
  const bool none = type == 0;
  for (int id : {IDC_FRAME_STYLE, IDC_FRAME_SHAPE, IDC_FRAME_SIZE}) {
    EnableWindow(GetDlgItem(hwnd_, id), none ? FALSE : TRUE);
    if (none) SendDlgItemMessageA(hwnd_, id, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    else if (Selected(id) < 0) SendDlgItemMessageA(hwnd_, id, CB_SETCURSEL, 0, 0);
  }
  styleName_ = SelectedText(IDC_FRAME_STYLE);
}

void CFrameDlg::MatSizeChosen() {
  const bool none = Selected(IDC_FRAME_MAT_SIZE) <= 0;
  EnableWindow(GetDlgItem(hwnd_, IDC_FRAME_MAT_STYLE), none ? FALSE : TRUE);
  if (none) {
    SendDlgItemMessageA(hwnd_, IDC_FRAME_MAT_STYLE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  } else if (Selected(IDC_FRAME_MAT_STYLE) < 0) {
    SendDlgItemMessageA(hwnd_, IDC_FRAME_MAT_STYLE, CB_SETCURSEL, 0, 0);
  }
  matName_ = SelectedText(IDC_FRAME_MAT_STYLE);
}

FrameChoice CFrameDlg::CurrentChoice() const {
  FrameChoice choice;
  const bool noFrame = typeName_ == "none" || styleName_ == "none";
  choice.frameClass = noFrame ? -1 : Selected(IDC_FRAME_SIZE);
  choice.matClass = std::max(0, Selected(IDC_FRAME_MAT_SIZE));
  choice.light = std::max(0, Selected(IDC_FRAME_LIGHT));
  choice.shape = std::max(0, Selected(IDC_FRAME_SHAPE));
  choice.style = styleName_;
  choice.mat = matName_;
  choice.matColor = matColor_;
  return choice;
}

void CFrameDlg::ScalePreview() {
  RECT frame{};
  GetClientRect(GetDlgItem(hwnd_, IDC_FRAME_PREVIEW), &frame);
  const WAPtr image = WAPtr::Adopt(DIBToImage(source_.data(), source_.size(), 1));
  scaled_ = Picture24{};
  if (!image) return;
  // Half the frame's longer side is kept for the borders.
  const int margin = std::max(frame.right, frame.bottom) / 2;
  const int roomW = std::max(1, static_cast<int>(frame.right) - margin);
  const int roomH = std::max(1, static_cast<int>(frame.bottom) - margin);
  const int w = image->GetW(), h = image->GetH();
  const bool wide = static_cast<long long>(w) * roomH >= static_cast<long long>(h) * roomW;
  scaled_.width = std::max(1, wide ? roomW : static_cast<int>(static_cast<long long>(w) * roomH / h));
  scaled_.height = std::max(1, wide ? static_cast<int>(static_cast<long long>(h) * roomW / w) : roomH);
  scaled_.bgr.resize(static_cast<std::size_t>(scaled_.width) * scaled_.height * 3);
  for (int y = 0; y < scaled_.height; ++y) {
    const std::uint8_t* row = image->Row(static_cast<int>(static_cast<long long>(y) * h / scaled_.height));
    for (int x = 0; x < scaled_.width; ++x)
      std::copy_n(row + static_cast<long long>(x) * w / scaled_.width * 3, 3, scaled_.Pixel(x, y));
  }
}

void CFrameDlg::RebuildPreview() {
  if (!initialised_ || scaled_.Empty()) return;
  RECT frame{};
  GetClientRect(GetDlgItem(hwnd_, IDC_FRAME_PREVIEW), &frame);
  const FrameChoice choice = CurrentChoice();
  // Borders in preview pixels: from the preview frame's width, as the
  // size classes divide the image's longer side.
  const int matBorder = MatBorderForClass(choice.matClass, frame.right, 0);
  const int frameBorder = FrameBorderForClass(choice.frameClass, frame.right, 0);
  const int border = matBorder + frameBorder;
  framed_.width = scaled_.width + 2 * border;
  framed_.height = scaled_.height + 2 * border;
  framed_.bgr.assign(static_cast<std::size_t>(framed_.width) * framed_.height * 3, 0);
  for (int y = 0; y < scaled_.height; ++y)
    std::copy_n(scaled_.Pixel(0, y), static_cast<std::size_t>(scaled_.width) * 3, framed_.Pixel(border, y + border));
  factory_.Setup(false, framed_.width, framed_.height, matColor_, frameBorder, matBorder, choice.light, choice.shape,
                 choice.style, choice.mat);
  factory_.Apply(framed_.bgr.data(), static_cast<std::ptrdiff_t>(framed_.width) * 3);
  InvalidateRect(GetDlgItem(hwnd_, IDC_FRAME_PREVIEW), nullptr, FALSE);
}

void CFrameDlg::DrawPreview(const DRAWITEMSTRUCT& item) {
  const RECT& r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (framed_.Empty()) return;
  // Rows are padded to 4 bytes for the DIB.
  const int stride = (framed_.width * 3 + 3) & ~3;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * framed_.height);
  for (int y = 0; y < framed_.height; ++y)
    std::copy_n(framed_.Pixel(0, y), static_cast<std::size_t>(framed_.width) * 3, &rows[static_cast<std::size_t>(y) * stride]);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = framed_.width;
  info.bmiHeader.biHeight = framed_.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  const int boxW = r.right - r.left, boxH = r.bottom - r.top;
  const bool wide = static_cast<long long>(framed_.width) * boxH >= static_cast<long long>(framed_.height) * boxW;
  const int w = wide ? boxW : framed_.width * boxH / framed_.height;
  const int h = wide ? framed_.height * boxW / framed_.width : boxH;
  SetStretchBltMode(item.hDC, COLORONCOLOR);
  StretchDIBits(item.hDC, r.left + (boxW - w) / 2, r.top + (boxH - h) / 2, w, h, 0, 0, framed_.width, framed_.height,
                rows.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void CFrameDlg::ChooseMatColor() {
  // The shared colour window is not there yet: the system's chooser.
  static COLORREF custom[16] = {};
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = hwnd_;
  cc.rgbResult = matColor_;
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorA(&cc)) return;
  matColor_ = cc.rgbResult;
  RebuildPreview();
}

void CFrameDlg::OnOK() {
  chosen_ = CurrentChoice();
  if (fw::Profile* settings = Settings()) {
    settings->WriteInt(kSection, "FrShape", Selected(IDC_FRAME_SHAPE));
    settings->WriteInt(kSection, "FrSize", Selected(IDC_FRAME_SIZE));
    settings->WriteInt(kSection, "FrStyle", Selected(IDC_FRAME_STYLE));
    settings->WriteInt(kSection, "FrType", Selected(IDC_FRAME_TYPE));
    settings->WriteInt(kSection, "MtSize", Selected(IDC_FRAME_MAT_SIZE));
    settings->WriteInt(kSection, "MtStyle", Selected(IDC_FRAME_MAT_STYLE));
    settings->WriteInt(kSection, "Shadow", Selected(IDC_FRAME_LIGHT));
    settings->WriteString(kSection, "FrTypeStr", typeName_);
    settings->WriteString(kSection, "FrStyleStr", styleName_);
    settings->WriteString(kSection, "MtNameStr", matName_);
  }
  EndDialog(IDOK);
}

bool CFrameDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_DRAWITEM && wParam == IDC_FRAME_PREVIEW) {
    DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return true;
  }
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom == IDC_FRAME_TABS && header->code == TCN_SELCHANGE) {
      ShowPage(static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_FRAME_TABS, TCM_GETCURSEL, 0, 0)));
      return true;
    }
  }
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (code == BN_CLICKED && id == IDC_FRAME_COLOR) {
      ChooseMatColor();
      return true;
    }
    if (code == CBN_SELCHANGE) {
      switch (id) {
        case IDC_FRAME_TYPE: TypeChosen(); break;
        case IDC_FRAME_MAT_SIZE: MatSizeChosen(); break;
        case IDC_FRAME_MAT_STYLE: matName_ = SelectedText(IDC_FRAME_MAT_STYLE); break;
        case IDC_FRAME_STYLE: styleName_ = SelectedText(IDC_FRAME_STYLE); break;
        case IDC_FRAME_SHAPE: case IDC_FRAME_SIZE: case IDC_FRAME_LIGHT: break;
        default: return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
      }
      RebuildPreview();
      return true;
    }
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
