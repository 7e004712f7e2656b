// The application: the message pump with its pre-translation chain and
// idle work, message boxes from string ids, window-class registration,
// help, settings and the document manager.
#pragma once

#include <memory>
#include <string>

#include "framework/AppSettings.h"
#include "framework/CmdTarget.h"
#include "framework/IdleTracker.h"
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

  // Help: data is a help id; command is HELP_CONTEXT and friends.
  virtual void WinHelp(std::uintptr_t data, UINT command);
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

  SettingsStore& Settings();
  void SetSettingsStore(std::unique_ptr<SettingsStore> store);

  DocManager& Docs();
  void AddDocTemplate(DocTemplate* tmpl);
  virtual Document* OpenDocumentFile(const std::string& path);
  // Recent files: the profile side keeps the list; the framework tells it.
  virtual void AddToRecentFileList(const std::string& path) {}

  bool SaveAllModified();
  void CloseAllDocuments(bool endSession);

  // Commands every application has.
  void OnFileNew();
  void OnFileOpen();
  void OnAppExit();
  void OnHelp();

 protected:
  std::string appName_;
  Window* mainWnd_ = nullptr;

 private:
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<DocManager> docManager_;
  IdleTracker idle_;
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
