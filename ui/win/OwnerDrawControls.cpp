// The ball button, the selection-combination combo and the rich edit that
// keeps its selection.
#include "ui/win/OwnerDrawControls.h"

#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "res/StringTable.h"
#include "res/resource.h"
#include "ui/SmallControlMath.h"

namespace lumora {

// ---- Ball button

bool CBallButton::Attach(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr) return false;
  SetWindowLongPtrA(button, GWL_STYLE, (GetWindowLongPtrA(button, GWL_STYLE) & ~0xF) | BS_OWNERDRAW);
  return Subclass(button);
}

void CBallButton::SetRange(int bound) {
  bound1_ = std::max(bound, 0);
  if (value1_ > bound1_) value1_ = bound1_;
}

void CBallButton::SetRange2(int bound) {
  bound2_ = std::max(bound, 0);
  if (value2_ > bound2_) value2_ = bound2_;
}

bool CBallButton::SetPos(int value) {
  value = std::clamp(value, 0, bound1_);
  if (value == value1_) return false;
  value1_ = value;
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
  return true;
}

bool CBallButton::SetPos2(int value) {
  value = std::clamp(value, 0, bound2_);
  if (value == value2_) return false;
  value2_ = value;
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
  return true;
}

void CBallButton::Point(POINT p) {
  RECT c{};
  GetClientRect(hwnd_, &c);
  const POINT centre{(c.left + c.right) / 2, (c.top + c.bottom) / 2};
  const BallValues v = BallValuesAt(p.x - centre.x, p.y - centre.y, c.right - c.left, bound1_, bound2_);
  const bool a = SetPos(v.first);
  const bool b = SetPos2(v.second);
  if ((a || b) && changed) changed();
}

void CBallButton::Paint(HDC dc) {
  RECT c{};
  GetClientRect(hwnd_, &c);
  const int w = c.right - c.left, h = c.bottom - c.top;
  if (w <= 0 || h <= 0) return;
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP canvas = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = SelectObject(memory, canvas);
  FillRect(memory, &c, GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = c;
  DrawEdge(memory, &edge, EDGE_SUNKEN, BF_RECT);
  // A ball lit from the upper left, pixel by pixel.
  const int r = BallRadius(w);
  const int cx = w / 2, cy = h / 2;
  for (int y = -r; y <= r; ++y) {
    for (int x = -r; x <= r; ++x) {
      const int d2 = x * x + y * y;
      if (d2 > r * r) continue;
      const double z = std::sqrt(static_cast<double>(r * r - d2)) / r;
      const double light = std::clamp((-0.5 * x / r - 0.5 * y / r + 0.7 * z), 0.0, 1.0);
      const int level = 60 + static_cast<int>(190 * light);
      SetPixelV(memory, cx + x, cy + y, RGB(level, level, level));
    }
  }
  // The point the values stand for.
  const double theta = bound2_ > 0 ? 6.283 * value2_ / bound2_ : 0.0;
  const double along = bound1_ > 0 ? static_cast<double>(r) * value1_ / bound1_ : 0.0;
  const int px = cx + static_cast<int>(std::lround(along * std::cos(theta)));
  const int py = cy + static_cast<int>(std::lround(along * std::sin(theta)));
  RECT mark{px - 2, py - 2, px + 3, py + 3};
  FillRect(memory, &mark, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(canvas);
  DeleteDC(memory);
}

LRESULT CBallButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: {
      // Square: the width follows the height.
      const int side = HIWORD(lParam);
      if (LOWORD(lParam) != side) SetWindowPos(hwnd_, nullptr, 0, 0, side, side, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetCapture(hwnd_);
      tracking_ = true;
      Point(p);
      return 0;
    case WM_MOUSEMOVE:
      if (tracking_ && (wParam & MK_LBUTTON) != 0) Point(p);
      return 0;
    case WM_LBUTTONUP:
      if (tracking_) Point(p);
      tracking_ = false;
      if (GetCapture() == hwnd_) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED: tracking_ = false; return 0;
    case WM_LBUTTONDBLCLK: return 0;
    default: return fw::Window::WindowProc(message, wParam, lParam);
  }
}

// ---- Selection-combination combo

namespace {

constexpr std::uint32_t kModeTexts[6] = {IDS_SB_MODE_NEW, IDS_SB_MODE_ADD,  IDS_SB_MODE_SUB,
                                          IDS_SB_MODE_AND, IDS_SB_MODE_RSUB, IDS_SB_MODE_XOR};

void RegisterComboClass() {
  WNDCLASSA wc{};
  if (GetClassInfoA(GetModuleHandleA(nullptr), kSBComboClass, &wc)) return;
  wc.lpfnWndProc = DefDlgProcA;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kSBComboClass;
  RegisterClassA(&wc);
}

}  // namespace

CMySBComboBox::CMySBComboBox() : CToolTipSuppDlg(IDD_SB_COMBO, nullptr) {}

bool CMySBComboBox::Create(HWND parent, int mode) {
  RegisterComboClass();
  initialMode_ = mode;
  ExpectCreation(this);
  HWND h = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SB_COMBO), parent, &DialogProc, 0);
  ExpectCreation(nullptr);
  return h != nullptr;
}

bool CMySBComboBox::OnInitDialog() {
  HWND combo = GetDlgItem(hwnd_, IDC_SB_COMBO);
  for (int i = 0; i < 6; ++i) {
    const std::string text(res::String(kModeTexts[i]));
    const LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), i + 1);
  }
  SelectMode(initialMode_);
  return false;
}

void CMySBComboBox::SelectMode(int mode) {
  HWND combo = GetDlgItem(hwnd_, IDC_SB_COMBO);
  const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (SBComboMode(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == SBComboMode(mode)) {
      SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
}

int CMySBComboBox::SelectedMode() const {
  HWND combo = GetDlgItem(hwnd_, IDC_SB_COMBO);
  const LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  return at == CB_ERR ? 1 : SBComboMode(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

int CMySBComboBox::ToolbarWidth() const {
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
  int widest = 0;
  for (std::uint32_t id : kModeTexts) {
    const std::string text(res::String(id));
    SIZE s{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &s);
    widest = std::max<int>(widest, s.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  return std::max(widest + 31, 50);
}

void CMySBComboBox::GetToolTipText(unsigned, std::string& text) { text = std::string(res::String(IDS_TIP_SELECTION_LOGIC)); }

bool CMySBComboBox::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_SB_COMBO && HIWORD(wParam) == CBN_SELCHANGE) {
    if (!inChange_) {
      inChange_ = true;
      if (modeChosen) modeChosen(SelectedMode());
      inChange_ = false;
    }
    *result = TRUE;
    return true;
  }
  if (message == WM_SIZE) {
    HWND combo = GetDlgItem(hwnd_, IDC_SB_COMBO);
    RECT r{};
    GetWindowRect(combo, &r);
    const int cx = LOWORD(lParam), cy = HIWORD(lParam), h = r.bottom - r.top;
    SetWindowPos(combo, nullptr, 2, (cy - h) / 2, std::max(0, cx - 4), h, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }
  return CToolTipSuppDlg::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Rich edit

LRESULT CMyRTFCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KILLFOCUS) SendMessageA(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved_));
  // Restored before the control's own focus handling, which would select
  // otherwise.
  if (message == WM_SETFOCUS) SendMessageA(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved_));
  return fw::Window::WindowProc(message, wParam, lParam);
}

}  // namespace lumora
