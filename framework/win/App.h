// The application: the message pump with its pre-translation chain and
// idle work, message boxes from string ids, window-class registration,
// help, the profile, recent files, the command line and the document
// manager.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "framework/CmdTarget.h"
#include "framework/CommandLine.h"
#include "framework/IdleTracker.h"
#include "framework/Profile.h"
#include "framework/RecentFileList.h"
#include "framework/win/OwnedStacking.h"
#include "platform/win32types.h"

namespace fw {

class DocManager;
class DocTemplate;
class Document;
class FrameWnd;
class Window;

class App : public CmdTarget {
  FW_DECLARE_MESSAGE_MAP()

 public:
  explicit App(std::string appName);
  ~App() override;

  // Start-up: false ends the program at once (ExitInstance still runs).
  virtual bool InitInstance() { return true; }
  // The pump; returns ExitInstance's result.
  virtual int Run();
  // Accelerators of the main frame, then the window chain from the
  // message's window up to the main frame, each asked PreTranslateMessage.
  virtual bool PreTranslateMessage(MSG* msg);
  // Idle work: count 0 updates the user interface; return true for more.
  virtual bool OnIdle(int count);
  virtual int ExitInstance();

  // One pass of the pump: false when WM_QUIT arrived.
  bool PumpMessage();
  // Runs idle work the way the pump does, for modal loops (dialogs, menus).
  bool IdleInModalLoop(int count) { return OnIdle(count); }

  // Message boxes: text, MB_ flags, help id (0: the box has no help).
  virtual int DoMessageBox(const std::string& text, UINT type, std::uint32_t helpId);
  int MessageBoxFromId(std::uint32_t stringId, UINT type = MB_OK, std::uint32_t helpId = UINT32_MAX);
  // Tells the user about an exception that a window or dialog procedure let
  // out: the message it came from failed and the program goes on.
  virtual void ReportWindowProcException(std::exception_ptr error);

  // Help: data is a help id; command is HELP_CONTEXT and friends.
  virtual void WinHelp(std::uintptr_t data, UINT command);
  // The program's one way to the help engine: the topic of command and data
  // in `file` (the program's help file when empty) over `owner`. False when
  // no help is shown (the program tells the user why).
  virtual bool ShowHelp(HWND owner, UINT command, std::uintptr_t data, const std::string& file = {});
  std::string helpFilePath;

  // Registers a window class (once per name) for frames and views.
  static std::string RegisterWindowClass(const char* name, UINT style, int windowExtraBytes, HCURSOR cursor,
                                         HBRUSH background, HICON icon);

  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

  const std::string& AppName() const { return appName_; }
  Window* MainWindow() const { return mainWnd_; }
  void SetMainWindow(Window* w) { mainWnd_ = w; }
  FrameWnd* MainFrame() const;
  HINSTANCE Instance() const { return GetModuleHandleA(nullptr); }

  // The program's profile: the INI file beside the executable unless one
  // was set.
  Profile& Settings();
  void SetProfile(std::unique_ptr<Profile> profile);

  DocManager& Docs();
  // A program's own manager, set before any template is added.
  void SetDocManager(std::unique_ptr<DocManager> manager);
  void AddDocTemplate(DocTemplate* tmpl);
  virtual Document* OpenDocumentFile(const std::string& path);

  // Recent files ("Recent File List" in the profile): loaded here with at
  // most `maxRecentFiles` entries, saved again by ExitInstance.
  void LoadStdProfileSettings(int maxRecentFiles = 4);
  void SaveStdProfileSettings();
  virtual void AddToRecentFileList(const std::string& path);
  RecentFileList* RecentFiles() const { return recentFiles_.get(); }
  // Puts the recent files into `popup` when it holds their items (called
  // as a menu opens, before its items are updated).
  virtual void OnInitMenuPopup(HMENU popup);
  // After the popup's items took their update handlers' states along
  // `route` (the frame whose commands the menu shows): rules over a whole
  // popup (its sub-popups) come here.
  virtual void OnMenuPopupUpdated(HMENU, FrameWnd& route) {}

  // Runs the start-up command: a new document, a file to open or nothing.
  // Records how the program was started (embedding, automation). False when
  // the file could not be opened.
  virtual bool ProcessShellCommand(const CommandLineInfo& info);
  const CommandLineInfo& StartupCommandLine() const { return startup_; }

  bool SaveAllModified();
  void CloseAllDocuments(bool endSession);

  // Commands every application has.
  void OnFileNew();
  void OnFileOpen();
  void OnAppExit();
  void OnHelp();
  // Opens the recent file of the command id; one that fails to open leaves
  // the list.
  bool OnOpenRecentFile(std::uint32_t id);
  void OnUpdateRecentFileMenu(CmdUI& ui);

 protected:
  std::string appName_;
  Window* mainWnd_ = nullptr;

 private:
  std::unique_ptr<Profile> profile_;
  std::unique_ptr<RecentFileList> recentFiles_;
  CommandLineInfo startup_;
  std::unique_ptr<DocManager> docManager_;
  IdleTracker idle_;
  // The tool windows and dialogs above their owner on the display.
  OwnedWindowStacking stacking_;
  int waitCursorCount_ = 0;
  HCURSOR cursorBeforeWait_ = nullptr;
  MSG lastMsg_{};
  std::uint32_t lastBoxHelpId_ = 0;
};

// Help ids of message boxes: this base plus the prompt's string id.
constexpr std::uint32_t kHelpPromptBase = 0x30000;

App* TheApp();

// Shows the wait cursor for its lifetime.
class WaitCursor {
 public:
  WaitCursor() { TheApp()->BeginWaitCursor(); }
  ~WaitCursor() { TheApp()->EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// The window that owns message boxes and dialogs: the active popup of the
// main window, or the main window.
HWND ActiveTopLevelWindow();

}  // namespace fw
