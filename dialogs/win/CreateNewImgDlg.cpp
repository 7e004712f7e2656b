// The new-image dialog over the settings file's "NewImage" section.
#include "dialogs/win/CreateNewImgDlg.h"

#include <string>

#include "dialogs/win/DialogSupport.h"
#include "engine/pixels/ImageLimits.h"
#include "framework/CommandIds.h"
#include "framework/StringSource.h"
#include "framework/win/App.h"
#include "hostapi/comdlg.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"

namespace lumora {

namespace {

// The default printer's resolution; 300 x 300 without one.
void MeasurePrinter(int* x, int* y) {
  *x = *y = kDefaultPrinterResolution;
  char device[512] = {};
  GetProfileStringA("windows", "device", "", device, sizeof device);
  std::string name, driver, port;
  if (!SplitPrinterDevice(device, &name, &driver, &port)) return;
  HDC dc = CreateDCA(driver.c_str(), name.c_str(), port.c_str(), nullptr);
  if (dc == nullptr) return;
  const int px = GetDeviceCaps(dc, LOGPIXELSX), py = GetDeviceCaps(dc, LOGPIXELSY);
  DeleteDC(dc);
  if (px >= kMinResolution && px <= kMaxResolution) *x = px;
  if (py >= kMinResolution && py <= kMaxResolution) *y = py;
}

void MeasureScreen(int* x, int* y) {
  HDC dc = GetDC(nullptr);
  *x = GetDeviceCaps(dc, LOGPIXELSX);
  *y = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
}

fw::Profile* Settings() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

}  // namespace

CCreateNewImgDlg::CCreateNewImgDlg(void* context, COLORREF background)
    : CMyModalDlg(IDD_NEW_IMAGE), context_(context), background_(background) {
  MeasureScreen(&screenX_, &screenY_);
  MeasurePrinter(&printerX_, &printerY_);
  if (fw::Profile* profile = Settings()) values = LoadNewImageSettings(*profile->Snapshot(), printerX_, printerY_);
}

CCreateNewImgDlg::~CCreateNewImgDlg() = default;

void CCreateNewImgDlg::GetResult(int* w, int* h, int* x, int* y, COLORREF* colour) const {
  *w = values.width;
  *h = values.height;
  *x = values.xres;
  *y = values.yres;
  *colour = background_;
}

void CCreateNewImgDlg::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindRadio(IDC_NEWIMG_INCHES, values.units),
                               fw::BindRadio(IDC_NEWIMG_SCREEN, values.resolution)};
  dx.Exchange(table);
}

bool CCreateNewImgDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  swatch_.Attach(hwnd_, IDC_NEWIMG_SWATCH);
  swatch_.SetColor(background_);
  OnResolutionChosen(values.resolution);
  colourWindow_.Bind(hwnd_, background_);
  return true;
}

void CCreateNewImgDlg::SetColour(COLORREF colour) {
  background_ = colour & 0xFFFFFF;
  swatch_.SetColor(background_);
}

void CCreateNewImgDlg::OnSwatch() { colourWindow_.Open(hwnd_, background_); }

void CCreateNewImgDlg::OnPickUp() {
  const std::int32_t colour = LUPickUpColor(nullptr, hwnd_, 0, 0);
  if (colour == kNoColour) return;
  SetColour(static_cast<COLORREF>(colour));
  // An open colour window working for this dialog shows it too.
  colourWindow_.Show(background_);
}

void CCreateNewImgDlg::OnCancel() {
  colourWindow_.Close();
  CMyModalDlg::OnCancel();
}

std::string CCreateNewImgDlg::Text(int controlId) const {
  char text[64] = {};
  GetDlgItemTextA(hwnd_, controlId, text, sizeof text);
  return text;
}

void CCreateNewImgDlg::ShowSizes() {
  showing_ = true;
  SetDlgItemTextA(hwnd_, IDC_NEWIMG_WIDTH, FormatImageSize(values.width, values.xres, values.units).c_str());
  SetDlgItemTextA(hwnd_, IDC_NEWIMG_HEIGHT, FormatImageSize(values.height, values.yres, values.units).c_str());
  showing_ = false;
}

void CCreateNewImgDlg::ShowResolutions() {
  showing_ = true;
  SetDlgItemInt(hwnd_, IDC_NEWIMG_XRES, static_cast<UINT>(values.xres), FALSE);
  SetDlgItemInt(hwnd_, IDC_NEWIMG_YRES, static_cast<UINT>(values.yres), FALSE);
  showing_ = false;
}

bool CCreateNewImgDlg::TakeSize(int controlId) {
  const bool isWidth = controlId == IDC_NEWIMG_WIDTH;
  int& side = isWidth ? values.width : values.height;
  return ParseImageSize(Text(controlId), isWidth ? values.xres : values.yres, values.units, &side);
}

void CCreateNewImgDlg::OnUnitsChanged() {
  UpdateData(true);
  ShowSizes();
}

void CCreateNewImgDlg::OnResolutionChosen(int choice) {
  values.resolution = choice;
  if (choice == kResolutionScreen) {
    values.xres = screenX_;
    values.yres = screenY_;
  } else if (choice == kResolutionPrinter) {
    values.xres = printerX_;
    values.yres = printerY_;
  }
  const BOOL custom = choice == kResolutionCustom ? TRUE : FALSE;
  EnableWindow(GetDlgItem(hwnd_, IDC_NEWIMG_XRES), custom);
  EnableWindow(GetDlgItem(hwnd_, IDC_NEWIMG_YRES), custom);
  ShowResolutions();
  ShowSizes();
}

void CCreateNewImgDlg::OnResolutionEdited(int controlId) {
  if (showing_) return;
  int& target = controlId == IDC_NEWIMG_XRES ? values.xres : values.yres;
  // A resolution of 0 would divide the sizes by nothing: only 1 to 65535.
  if (!ParseResolution(Text(controlId), &target)) return;
  showing_ = true;
  const bool isX = controlId == IDC_NEWIMG_XRES;
  SetDlgItemTextA(hwnd_, isX ? IDC_NEWIMG_WIDTH : IDC_NEWIMG_HEIGHT,
                  FormatImageSize(isX ? values.width : values.height, target, values.units).c_str());
  showing_ = false;
}

void CCreateNewImgDlg::OnOK() {
  // What is typed counts even when OK comes before the edit lost the focus;
  // a side the parser refuses (outside 1..30000 pixels) is said, not
  // silently replaced by the one before.
  const bool widthTaken = TakeSize(IDC_NEWIMG_WIDTH);
  const bool heightTaken = TakeSize(IDC_NEWIMG_HEIGHT);
  if (!UpdateData(true)) return;
  for (const int id : {IDC_NEWIMG_WIDTH, IDC_NEWIMG_HEIGHT}) {
    const int side = id == IDC_NEWIMG_WIDTH ? values.width : values.height;
    const bool taken = id == IDC_NEWIMG_WIDTH ? widthTaken : heightTaken;
    if (taken && side >= 1 && side <= kMaxImageSide) continue;
    const std::string message = fw::FormatString(fw::ResourceString(fw::kIdpParseIntRange),
                                                 {"1", std::to_string(kMaxImageSide)});
    fw::TheApp()->DoMessageBox(message, MB_OK | MB_ICONEXCLAMATION, 0);
    ShowSizes();
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, id)), TRUE);
    return;
  }
  if (fw::Profile* profile = Settings()) {
    SaveNewImageSettings(*profile, values);
  }
  colourWindow_.Close();
  EndDialog(IDOK);
}

bool CCreateNewImgDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_DRAWITEM:
      if (wParam != IDC_NEWIMG_SWATCH) break;
      swatch_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      *result = TRUE;
      return true;
    case kColourWindowSet:
    case kColourWindowChanged:
      SetColour(static_cast<COLORREF>(lParam));
      *result = 1;
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) colourWindow_.Bind(hwnd_, background_);
      break;
    case WM_DESTROY:
      colourWindow_.GiveBack();
      break;
    default:
      break;
  }
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (code == EN_KILLFOCUS && (id == IDC_NEWIMG_WIDTH || id == IDC_NEWIMG_HEIGHT)) {
      TakeSize(id);
      ShowSizes();
      return true;
    }
    if (code == EN_CHANGE && (id == IDC_NEWIMG_XRES || id == IDC_NEWIMG_YRES)) {
      OnResolutionEdited(id);
      return true;
    }
    if (code == BN_CLICKED && id >= IDC_NEWIMG_INCHES && id <= IDC_NEWIMG_PIXELS) {
      OnUnitsChanged();
      return true;
    }
    if (code == BN_CLICKED && id == IDC_NEWIMG_SWATCH) {
      OnSwatch();
      return true;
    }
    if (code == BN_CLICKED && id == IDC_NEWIMG_PICKUP) {
      OnPickUp();
      return true;
    }
    if (code == BN_CLICKED && id >= IDC_NEWIMG_SCREEN && id <= IDC_NEWIMG_CUSTOM) {
      OnResolutionChosen(id - IDC_NEWIMG_SCREEN);
      return true;
    }
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

bool AskNewImageWithDialog(NewImageChoice* choice) {
  CCreateNewImgDlg dialog(nullptr, choice->colour);
  if (dialog.DoModal() != IDOK) return false;
  dialog.GetResult(&choice->width, &choice->height, &choice->xResolution, &choice->yResolution, &choice->colour);
  return true;
}

}  // namespace lumora
