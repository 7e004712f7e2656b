// Program entry: the application object creates the main frame (window
// class "VR_LUMAINFRAME40", titled "Lumora 4.0") and runs the message loop
// until the frame is closed.
#include "framework/CommandIds.h"
#include "framework/win/App.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/win/PatternDib.h"
#include "engine/pixels/AppValues.h"
#include "framework/win/Frame.h"
#include "platform/crash_report.h"

namespace {

constexpr char kMainFrameClass[] = "VR_LUMAINFRAME40";
constexpr char kAppTitle[] = "Lumora 4.0";
constexpr char kLayerClipboardFormat[] = "Lumo40 W32 Layer";

// A stand-in menu until the program's menus come from its resources.
HMENU BuildMainMenu() {
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, fw::kIdAppExit, "E&xit");
  HMENU window = CreatePopupMenu();
  AppendMenuA(window, MF_STRING, fw::kIdWindowCascade, "&Cascade");
  AppendMenuA(window, MF_STRING, fw::kIdWindowTileHorz, "&Tile");
  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, fw::kIdHelpFinder, "&Help Topics");
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(window), "&Window");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
  return bar;
}

class Lumo40MainFrame : public fw::MdiFrame {
 public:
  Lumo40MainFrame() {
    className = kMainFrameClass;
    SetTitle(kAppTitle);
    menu_ = BuildMainMenu();
  }
};

class Lumo40App : public fw::App {
 public:
  Lumo40App() : fw::App(kAppTitle) {}

  bool InitInstance() override {
    auto* frame = new Lumo40MainFrame;
    SetMainWindow(frame);
    if (!frame->LoadFrame(0, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, nullptr)) {
      SetMainWindow(nullptr);
      return false;
    }
    SetWindowPos(frame->Handle(), nullptr, 0, 0, 1024, 768, SWP_NOMOVE | SWP_NOZORDER);
    frame->ActivateFrame(showCommand_);
    UpdateWindow(frame->Handle());
    return true;
  }

  int showCommand_ = SW_SHOWNORMAL;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  lumora::InstallCrashReporter();
  lumora::SetPatternDibLoader(LoadPatternDIB);
  lumora::SetLayerClipboardFormat(RegisterClipboardFormatA(kLayerClipboardFormat));
  Lumo40App app;
  app.showCommand_ = showCommand == 0 ? SW_SHOWNORMAL : showCommand;
  if (!app.InitInstance()) {
    app.ExitInstance();
    return 1;
  }
  return app.Run();
}
