// The colour controls and the shared colour window for the application's
// colours.
#include "ui/win/ColourControls.h"

#include <commctrl.h>

#include "framework/Archive.h"
#include "hostapi/controls.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"

namespace lumora {

ColourControlServices& TheColourControlServices() {
  static ColourControlServices services;
  return services;
}

bool EditMainColour(bool foreground) {
  ColourControlServices& s = TheColourControlServices();
  if (!s.colour) return false;
  if (s.setEdited) s.setEdited(foreground);
  void* main = LUGetMainWnd(nullptr);
  const COLORREF colour = s.colour(foreground);
  if (!LUIsSelColorWindowOpened(nullptr) && LUOpenSelColorWindow(nullptr, LUGetActiveOLEFrameWnd(nullptr), main, colour) == 0) {
    return false;
  }
  return LUShowSelColorWindow(nullptr, main, colour) != nullptr;
}

// ---- Swap button

namespace {

// A copy of the bitmap whose masked (white in the mask) pixels are the
// button face.
HBITMAP OnButtonFace(int bitmapId, int maskId) {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  HBITMAP image = static_cast<HBITMAP>(
      LoadImageA(module, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  HBITMAP mask = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(maskId), IMAGE_BITMAP, 0, 0, 0));
  if (image == nullptr || mask == nullptr) {
    if (image != nullptr) DeleteObject(image);
    if (mask != nullptr) DeleteObject(mask);
    return nullptr;
  }
  BITMAP size{};
  GetObjectA(image, sizeof size, &size);
  HDC screen = GetDC(nullptr);
  HDC target = CreateCompatibleDC(screen);
  HDC source = CreateCompatibleDC(screen);
  HGDIOBJ oldTarget = SelectObject(target, image);
  HGDIOBJ oldSource = SelectObject(source, mask);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int y = 0; y < size.bmHeight; ++y) {
    for (int x = 0; x < size.bmWidth; ++x) {
      if ((GetPixel(source, x, y) & 0xFFFFFF) == 0xFFFFFF) SetPixel(target, x, y, face);
    }
  }
  SelectObject(source, oldSource);
  SelectObject(target, oldTarget);
  DeleteDC(source);
  DeleteDC(target);
  ReleaseDC(nullptr, screen);
  DeleteObject(mask);
  return image;
}

}  // namespace

CArrowBtn::CArrowBtn()
    : small_(OnButtonFace(IDB_SWAP_SMALL, IDB_SWAP_SMALL_MASK)), large_(OnButtonFace(IDB_SWAP_LARGE, IDB_SWAP_LARGE_MASK)) {}

CArrowBtn::~CArrowBtn() {
  if (small_ != nullptr) DeleteObject(small_);
  if (large_ != nullptr) DeleteObject(large_);
}

void CArrowBtn::DrawItem(const DRAWITEMSTRUCT& item) const {
  HBITMAP picture = largeImages ? large_ : small_;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  if (picture == nullptr) return;
  BITMAP size{};
  GetObjectA(picture, sizeof size, &size);
  const RECT& r = item.rcItem;
  const int x = r.left + (r.right - r.left - size.bmWidth) / 2;
  const int y = r.top + (r.bottom - r.top - size.bmHeight) / 2;
  HDC memory = CreateCompatibleDC(item.hDC);
  HGDIOBJ old = SelectObject(memory, picture);
  const int saved = SaveDC(item.hDC);
  IntersectClipRect(item.hDC, r.left, r.top, r.right, r.bottom);
  BitBlt(item.hDC, x, y, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
  RestoreDC(item.hDC, saved);
  SelectObject(memory, old);
  DeleteDC(memory);
}

// ---- Colour control

namespace {

void RegisterColourControlClass() {
  WNDCLASSA wc{};
  if (GetClassInfoA(GetModuleHandleA(nullptr), kColourControlClass, &wc)) return;
  wc.lpfnWndProc = DefDlgProcA;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kColourControlClass;
  RegisterClassA(&wc);
}

}  // namespace

CMColorCtrl::CMColorCtrl() : CToolTipSuppDlg(IDD_MCOLOR, nullptr) {}

bool CMColorCtrl::Create(HWND parent, int id, bool deleteWithWindow) {
  RegisterColourControlClass();
  ExpectCreation(this);
  HWND h = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MCOLOR), parent, &DialogProc, 0);
  ExpectCreation(nullptr);
  if (h == nullptr) return false;
  SetWindowLongPtrA(h, GWLP_ID, id);
  deleteWithWindow_ = deleteWithWindow;
  UpdateSwatches();
  return true;
}

bool CMColorCtrl::OnInitDialog() {
  AddTips();
  RECT r{};
  GetClientRect(hwnd_, &r);
  Layout(r.right, r.bottom);
  return false;
}

void CMColorCtrl::AddTips() {
  tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (tips_ == nullptr) return;
  for (int id : {IDC_FORE_SWATCH, IDC_BACK_SWATCH, IDC_SWAP_COLOURS}) {
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, id));
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

void CMColorCtrl::Layout(int cx, int cy) {
  const int w = 5 * cx / 8, h = 5 * cy / 8;
  SetWindowPos(GetDlgItem(hwnd_, IDC_FORE_SWATCH), nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(GetDlgItem(hwnd_, IDC_BACK_SWATCH), nullptr, 3 * cx / 8, 3 * cy / 8, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(GetDlgItem(hwnd_, IDC_SWAP_COLOURS), nullptr, 5 * cx / 8, 0, 3 * cx / 8, 3 * cy / 8,
               SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateSwatches();
}

void CMColorCtrl::UpdateSwatches() {
  const ColourControlServices& s = TheColourControlServices();
  if (hwnd_ == nullptr || !s.colour) return;
  SendDlgItemMessageA(hwnd_, IDC_FORE_SWATCH, kVrCtlSetColour, 0, static_cast<LPARAM>(s.colour(true)));
  SendDlgItemMessageA(hwnd_, IDC_BACK_SWATCH, kVrCtlSetColour, 0, static_cast<LPARAM>(s.colour(false)));
}

void CMColorCtrl::OnSwatch(int id) {
  // The chosen swatch comes above its sibling.
  SetWindowPos(GetDlgItem(hwnd_, id), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  InvalidateRect(GetDlgItem(hwnd_, id), nullptr, FALSE);
  EditMainColour(id == IDC_FORE_SWATCH);
}

bool CMColorCtrl::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  switch (message) {
    case WM_SIZE:
      Layout(LOWORD(lParam), HIWORD(lParam));
      *result = 0;
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return false;
      if (LOWORD(wParam) == IDC_FORE_SWATCH || LOWORD(wParam) == IDC_BACK_SWATCH) {
        OnSwatch(LOWORD(wParam));
      } else if (LOWORD(wParam) == IDC_SWAP_COLOURS) {
        if (TheColourControlServices().swap) TheColourControlServices().swap();
        UpdateSwatches();
      } else {
        return false;
      }
      *result = TRUE;
      return true;
    case WM_DRAWITEM:
      if (wParam != IDC_SWAP_COLOURS) return false;
      arrow_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      *result = TRUE;
      return true;
    case kColourControlUpdate:
      UpdateSwatches();
      *result = 0;
      return true;
    default:
      return false;
  }
}

void CMColorCtrl::GetToolTipText(unsigned controlId, std::string& text) {
  switch (controlId) {
    case IDC_FORE_SWATCH: text = "Foreground color"; return;
    case IDC_BACK_SWATCH: text = "Background color"; return;
    case IDC_SWAP_COLOURS: text = "Swap colors"; return;
    default: text = "????????"; return;
  }
}

void CMColorCtrl::Store(fw::Archive& archive) const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  archive << kColourControlClass;
  archive << static_cast<std::uint16_t>(r.right - r.left) << static_cast<std::uint16_t>(r.bottom - r.top);
  archive << static_cast<std::uint32_t>(GetDlgCtrlID(hwnd_));
}

CMColorCtrl* CMColorCtrl::Load(fw::Archive& archive, HWND parent) {
  std::uint16_t width = 0, height = 0;
  std::uint32_t id = 0;
  archive >> width >> height >> id;
  auto control = std::make_unique<CMColorCtrl>();
  if (!control->Create(parent, static_cast<int>(id), true)) return nullptr;
  SetWindowPos(control->Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
  control->UpdateSwatches();
  return control.release();
}

void CMColorCtrl::PostNcDestroy() {
  if (deleteWithWindow_) delete this;
}

}  // namespace lumora
