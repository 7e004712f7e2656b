// The control library's start and end, and its custom non-client dialog
// class.
#include <windows.h>

#include "hostapi/controls.h"

bool RegisterVrCtlSwatch(HINSTANCE module);
void UnregisterVrCtlSwatch(HINSTANCE module);

namespace {

HINSTANCE gModule = nullptr;

LRESULT CALLBACK NcDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) VrCtlSetUpNonClient(window);
  return VrCtlDialogWindowProc(window, message, wParam, lParam);
}

}  // namespace

int VrCtlStartUp(void* instance) {
  auto module = static_cast<HINSTANCE>(instance);
  WNDCLASSA wc{};
  if (!GetClassInfoA(module, kVrCtlNcDialogClass, &wc)) {
    wc = WNDCLASSA{};
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = NcDialogProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kVrCtlNcDialogClass;
    if (RegisterClassA(&wc) == 0) return 0;
  }
  if (!RegisterVrCtlSwatch(module)) return 0;
  gModule = module;
  return 1;
}

void VrCtlShutDown() {
  if (gModule == nullptr) return;
  UnregisterClassA(kVrCtlNcDialogClass, gModule);
  UnregisterVrCtlSwatch(gModule);
  gModule = nullptr;
}

void* VrCtlModule() { return gModule; }

void VrCtlSetUpNonClient(void* window) {
  auto h = static_cast<HWND>(window);
  SetWindowLongPtrA(h, GWL_EXSTYLE, GetWindowLongPtrA(h, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
}

std::intptr_t VrCtlDialogWindowProc(void* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  return DefDlgProcA(static_cast<HWND>(window), message, wParam, lParam);
}
