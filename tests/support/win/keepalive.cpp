// Holds Wine's desktop open for a whole test run: a hidden window and a
// message loop, ended by the test script. Without it Wine closes the desktop
// after each GUI test and the next one pays for a new one.
#include "platform/win32types.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = "LUMORA_TEST_KEEPALIVE";
  RegisterClassA(&wc);
  CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
