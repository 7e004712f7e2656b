// Program entry: registers the main window class, shows the main window and
// runs the message loop until the window is closed.
#include "engine/layers/LayerMng.h"
#include "engine/layers/win/PatternDib.h"
#include "engine/pixels/AppValues.h"
#include "platform/crash_report.h"
#include "platform/win32types.h"

namespace {

constexpr char kMainFrameClass[] = "VR_LUMAINFRAME40";
constexpr char kAppTitle[] = "Lumora 4.0";
constexpr char kLayerClipboardFormat[] = "Lumo40 W32 Layer";

LRESULT CALLBACK MainFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PRINTCLIENT: {
      // Lets PrintWindow capture the frame for screenshots.
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_APPWORKSPACE));
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool RegisterMainFrameClass(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MainFrameProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = kMainFrameClass;
  return RegisterClassExA(&wc) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  lumora::InstallCrashReporter();
  lumora::SetPatternDibLoader(LoadPatternDIB);
  lumora::SetLayerClipboardFormat(RegisterClipboardFormatA(kLayerClipboardFormat));
  if (!RegisterMainFrameClass(instance)) return 1;
  HWND frame = CreateWindowExA(0, kMainFrameClass, kAppTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                               CW_USEDEFAULT, CW_USEDEFAULT, 1024, 768, nullptr, nullptr, instance,
                               nullptr);
  if (frame == nullptr) return 1;
  ShowWindow(frame, showCommand == 0 ? SW_SHOWNORMAL : showCommand);
  UpdateWindow(frame);

  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
