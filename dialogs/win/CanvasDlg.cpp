// The canvas dialog's controls.
#include "dialogs/win/CanvasDlg.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>
#include <string>

#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kAnchorButtons[9] = {IDC_CANVAS_ANCHOR0, IDC_CANVAS_ANCHOR1, IDC_CANVAS_ANCHOR2,
                                   IDC_CANVAS_ANCHOR3, IDC_CANVAS_ANCHOR4, IDC_CANVAS_ANCHOR5,
                                   IDC_CANVAS_ANCHOR6, IDC_CANVAS_ANCHOR7, IDC_CANVAS_ANCHOR8};
constexpr int kUnitRadios[3] = {IDC_CANVAS_INCHES, IDC_CANVAS_CM, IDC_CANVAS_PIXELS};

int AnchorOfButton(int id) {
  for (int i = 0; i < 9; ++i) {
    if (kAnchorButtons[i] == id) return i;
  }
  return -1;
}

}  // namespace

CCanvasDlg::CCanvasDlg() : CMyModalDlg(IDD_CANVAS) {}

bool CCanvasDlg::OnInitDialog() {
  CMyModalDlg::OnInitDialog();
  HDC dc = GetDC(hwnd_);
  const int resolution = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(hwnd_, dc);
  form_.Open(oldWidth, oldHeight, resolution);
  CheckRadioButton(hwnd_, IDC_CANVAS_INCHES, IDC_CANVAS_PIXELS, kUnitRadios[form_.Unit()]);
  ShowAnchorIcons();
  ShowUnit();
  return true;
}

void CCanvasDlg::ShowSizes() {
  updating_ = true;
  SetDlgItemTextA(hwnd_, IDC_CANVAS_WIDTH, form_.WidthText().c_str());
  SetDlgItemTextA(hwnd_, IDC_CANVAS_HEIGHT, form_.HeightText().c_str());
  updating_ = false;
}

void CCanvasDlg::ShowUnit() {
  const bool pixels = form_.Unit() == kCanvasPixels;
  for (const auto& [spin, side] : {std::pair{IDC_CANVAS_WIDTH_SPIN, form_.NewWidth()},
                                   std::pair{IDC_CANVAS_HEIGHT_SPIN, form_.NewHeight()}}) {
    HWND control = GetDlgItem(hwnd_, spin);
    EnableWindow(control, pixels ? TRUE : FALSE);
    if (!pixels) continue;
    updating_ = true;
    SendMessageA(control, UDM_SETRANGE32, 1, kCanvasSpinMax);
    SendMessageA(control, UDM_SETPOS32, 0, side & 0xFFFF);
    updating_ = false;
  }
  // The spins' own writes are in pixels; the texts follow the unit.
  ShowSizes();
}

void CCanvasDlg::ShowAnchorIcons() {
  const std::array<int, 9> icons = form_.Icons();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (int i = 0; i < 9; ++i) {
    HANDLE icon = icons[static_cast<std::size_t>(i)] == 0
                      ? nullptr
                      : LoadImageA(instance, MAKEINTRESOURCEA(icons[static_cast<std::size_t>(i)]), IMAGE_ICON, 16, 16,
                                   LR_SHARED);
    SendDlgItemMessageA(hwnd_, kAnchorButtons[i], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  }
}

void CCanvasDlg::OnOK() {
  if (std::optional<CanvasWarning> warning = form_.Confirm()) {
    // The dialog stays open on a side the image could not take.
    char caption[64] = {};
    GetWindowTextA(hwnd_, caption, sizeof caption);
    MessageBoxA(hwnd_, warning->text.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
    HWND field = GetDlgItem(hwnd_, warning->focus);
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    return;
  }
  EndDialog(IDOK);
}

bool CCanvasDlg::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (code == EN_CHANGE && (id == IDC_CANVAS_WIDTH || id == IDC_CANVAS_HEIGHT)) {
      if (!updating_) {
        char text[64] = {};
        GetDlgItemTextA(hwnd_, id, text, sizeof text);
        form_.TextChanged(id, text);
        ShowAnchorIcons();
      }
      return true;
    }
    if (code == BN_CLICKED && (id == IDC_CANVAS_INCHES || id == IDC_CANVAS_CM || id == IDC_CANVAS_PIXELS)) {
      form_.UnitChosen(static_cast<int>(std::find(std::begin(kUnitRadios), std::end(kUnitRadios), id) -
                                        std::begin(kUnitRadios)));
      ShowUnit();
      return true;
    }
    if (code == BN_CLICKED && AnchorOfButton(id) >= 0) {
      form_.AnchorChosen(AnchorOfButton(id));
      ShowAnchorIcons();
      return true;
    }
  }
  return CMyModalDlg::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
