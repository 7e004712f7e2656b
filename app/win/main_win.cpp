// Program entry: the application object runs start-up, the message loop
// and exit.
#include "app/win/Lumo40App.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/win/PatternDib.h"
#include "engine/pixels/AppValues.h"
#include "platform/crash_report.h"

namespace {
constexpr char kLayerClipboardFormat[] = "Lumo40 W32 Layer";
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  lumora::TraceMark("launch");
  lumora::InstallCrashReporter();
  lumora::SetPatternDibLoader(LoadPatternDIB);
  lumora::SetLayerClipboardFormat(RegisterClipboardFormatA(kLayerClipboardFormat));
  lumora::CLumo40App app;
  app.showCommand = showCommand == 0 ? SW_SHOWNORMAL : showCommand;
  if (!app.InitInstance()) {
    app.ExitInstance();
    return app.startupExitCode;
  }
  return app.Run();
}
