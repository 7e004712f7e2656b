// Program entry: the application object creates the main frame (window
// class "VR_LUMAINFRAME40", title and menu from res/Lumo40.rc), registers
// the image document's template, runs the start-up command and the message
// loop until the frame is closed.
#include <memory>

#include "dialogs/win/CreateNewImgDlg.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/win/PatternDib.h"
#include "engine/pixels/AppValues.h"
#include "framework/win/App.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/DocView.h"
#include "framework/win/Frame.h"
#include "platform/crash_report.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "view/win/ChildFrame.h"
#include "view/win/Lumo40View.h"

namespace {

constexpr char kMainFrameClass[] = "VR_LUMAINFRAME40";
constexpr char kLayerClipboardFormat[] = "Lumo40 W32 Layer";

class Lumo40MainFrame : public fw::MdiFrame {
 public:
  Lumo40MainFrame() { className = kMainFrameClass; }
};

class Lumo40App : public fw::App {
 public:
  Lumo40App() : fw::App(std::string(res::String(IDS_APP_CAPTION))) {}

  bool InitInstance() override {
    LoadStdProfileSettings();
    auto manager = std::make_unique<lumora::CLumo40DocManager>();
    // File/New asks for the size, resolution and background.
    manager->askNewImage = [](lumora::NewImageChoice* choice) { return lumora::AskNewImageWithDialog(choice); };
    SetDocManager(std::move(manager));
    AddDocTemplate(new lumora::CLumo40DocTemplate(IDR_IMAGE_DOC, &lumora::CLumo40Doc::kRuntimeClass,
                                                  &lumora::CChildFrame::kRuntimeClass, &lumora::CLumo40View::kRuntimeClass));
    auto* frame = new Lumo40MainFrame;
    SetMainWindow(frame);
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, nullptr)) {
      SetMainWindow(nullptr);
      return false;
    }
    SetWindowPos(frame->Handle(), nullptr, 0, 0, 1024, 768, SWP_NOMOVE | SWP_NOZORDER);
    frame->ActivateFrame(showCommand_);
    UpdateWindow(frame->Handle());
    fw::CommandLineInfo info = fw::ParseProcessCommandLine();
    // Only opening a file makes a document at start.
    if (info.shellCommand != fw::ShellCommand::kFileOpen) {
      info.shellCommand = fw::ShellCommand::kFileNothing;
    }
    ProcessShellCommand(info);
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
