// The control library's colour swatch: one colour framed in black, a click
// told to the parent as a button's.
#include <windows.h>

#include "hostapi/controls.h"

namespace {

constexpr int kColourSlot = 0;
constexpr int kPressedSlot = sizeof(LONG_PTR);

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetClientRect(window, &r);
  HBRUSH brush =
      CreateSolidBrush(VrCtlDisplayColour(static_cast<std::uint32_t>(GetWindowLongPtrA(window, kColourSlot))));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  EndPaint(window, &ps);
}

LRESULT CALLBACK SwatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kVrCtlSetColour:
      SetWindowLongPtrA(window, kColourSlot, static_cast<LONG_PTR>(lParam & 0xFFFFFF));
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case kVrCtlGetColour:
      return GetWindowLongPtrA(window, kColourSlot);
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      SetCapture(window);
      SetWindowLongPtrA(window, kPressedSlot, 1);
      return 0;
    case WM_LBUTTONUP: {
      const bool pressed = GetWindowLongPtrA(window, kPressedSlot) != 0;
      SetWindowLongPtrA(window, kPressedSlot, 0);
      if (GetCapture() == window) ReleaseCapture();
      RECT r;
      GetClientRect(window, &r);
      const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (pressed && PtInRect(&r, at)) {
        SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED),
                     reinterpret_cast<LPARAM>(window));
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      SetWindowLongPtrA(window, kPressedSlot, 0);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_BUTTON;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

BOOL CALLBACK RepaintIfSwatch(HWND window, LPARAM) {
  char name[32] = {};
  if (GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, kVrCtlSwatchClass) == 0) {
    InvalidateRect(window, nullptr, FALSE);
  }
  return TRUE;
}

BOOL CALLBACK RepaintSwatchesOf(HWND top, LPARAM) {
  DWORD process = 0;
  GetWindowThreadProcessId(top, &process);
  if (process == GetCurrentProcessId()) {
    RepaintIfSwatch(top, 0);
    EnumChildWindows(top, RepaintIfSwatch, 0);
  }
  return TRUE;
}

}  // namespace

void VrCtlRepaintSwatches() { EnumWindows(RepaintSwatchesOf, 0); }

// Registers the swatch class in the module; false when it cannot.
bool RegisterVrCtlSwatch(HINSTANCE module) {
  WNDCLASSA wc{};
  if (GetClassInfoA(module, kVrCtlSwatchClass, &wc)) return true;
  wc = WNDCLASSA{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = SwatchProc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kVrCtlSwatchClass;
  return RegisterClassA(&wc) != 0;
}

void UnregisterVrCtlSwatch(HINSTANCE module) { UnregisterClassA(kVrCtlSwatchClass, module); }
