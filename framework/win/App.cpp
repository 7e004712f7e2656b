// The message pump, idle work, message boxes and the application's commands.
#include "framework/win/App.h"

#include "framework/CmdUI.h"
#include "framework/CommandIds.h"
#include "framework/StringSource.h"
#include "framework/win/DocView.h"
#include "framework/win/Frame.h"
#include "framework/win/ModuleStrings.h"
#include "framework/win/RecentFileListWin32.h"
#include "framework/win/Window.h"

namespace fw {
namespace {

App* gApp = nullptr;

// The one greyed item of an empty recent-file list.
constexpr char kRecentFileEmptyText[] = "Recent File";

std::string ModulePath() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

}  // namespace

App* TheApp() { return gApp; }

FW_MESSAGE_MAP(App, CmdTarget, CommandEntry<&App::OnFileNew>(kIdFileNew), CommandEntry<&App::OnFileOpen>(kIdFileOpen),
               CommandEntry<&App::OnAppExit>(kIdAppExit), CommandEntry<&App::OnHelp>(kIdHelp),
               CommandExEntry<&App::OnOpenRecentFile>(kIdFileMru1, kIdFileMruLast),
               UpdateEntry<&App::OnUpdateRecentFileMenu>(kIdFileMru1, kIdFileMruLast))

App::App(std::string appName) : appName_(std::move(appName)), docManager_(std::make_unique<DocManager>()) {
  gApp = this;
  InstallModuleStrings();
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  stacking_.Install();
}

App::~App() {
  if (gApp == this) gApp = nullptr;
}

FrameWnd* App::MainFrame() const { return dynamic_cast<FrameWnd*>(mainWnd_); }

Profile& App::Settings() {
  if (!profile_) profile_ = OpenProfile(ProfilePathForProgram(ModulePath()));
  return *profile_;
}

void App::SetProfile(std::unique_ptr<Profile> profile) { profile_ = std::move(profile); }

void App::LoadStdProfileSettings(int maxRecentFiles) {
  recentFiles_.reset();
  if (maxRecentFiles <= 0) return;
  recentFiles_ = std::make_unique<RecentFileList>(kRecentFileSection, kFirstRecentFileId, maxRecentFiles);
  recentFiles_->Load(Settings());
}

void App::SaveStdProfileSettings() {
  if (recentFiles_) recentFiles_->Save(Settings());
}

void App::AddToRecentFileList(const std::string& path) {
  if (recentFiles_) recentFiles_->Add(path);
}

void App::OnInitMenuPopup(HMENU popup) {
  if (recentFiles_) RefillRecentFileMenu(popup, *recentFiles_, kRecentFileEmptyText);
}

bool App::OnOpenRecentFile(std::uint32_t id) {
  if (!recentFiles_ || !recentFiles_->OwnsId(id)) return false;
  int index = recentFiles_->IndexOfId(id);
  if (index >= recentFiles_->size()) return true;
  std::string path = (*recentFiles_)[index];
  if (OpenDocumentFile(path) == nullptr) recentFiles_->Remove(index);
  return true;
}

void App::OnUpdateRecentFileMenu(CmdUI& ui) {
  if (!recentFiles_ || !recentFiles_->OwnsId(ui.Id())) {
    ui.ContinueRouting();
    return;
  }
  ui.Enable(recentFiles_->size() > 0);
}

bool App::ProcessShellCommand(const CommandLineInfo& info) {
  startup_ = info;
  switch (info.shellCommand) {
    case ShellCommand::kFileNew:
      docManager_->OnFileNew();
      return true;
    case ShellCommand::kFileOpen:
      return OpenDocumentFile(info.fileName) != nullptr;
    case ShellCommand::kFileDde:
    case ShellCommand::kFileNothing:
      return true;
  }
  return true;
}

DocManager& App::Docs() { return *docManager_; }

void App::SetDocManager(std::unique_ptr<DocManager> manager) { docManager_ = std::move(manager); }

void App::AddDocTemplate(DocTemplate* tmpl) { docManager_->AddTemplate(tmpl); }

Document* App::OpenDocumentFile(const std::string& path) { return docManager_->OpenDocumentFile(path); }

bool App::SaveAllModified() { return docManager_->SaveAllModified(); }

void App::CloseAllDocuments(bool endSession) { docManager_->CloseAllDocuments(endSession); }

int App::Run() {
  bool idle = true;
  MSG msg;
  for (;;) {
    while (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      idle = OnIdle(idle_.NextCount());
    }
    do {
      if (!PumpMessage()) return ExitInstance();
      POINT pt = lastMsg_.pt;
      if (idle_.RestartsIdle(lastMsg_.message, pt.x, pt.y)) idle = true;
    } while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  }
}

bool App::PumpMessage() {
  BOOL got = GetMessageA(&lastMsg_, nullptr, 0, 0);
  if (got == 0 || got == -1) return false;
  if (lastMsg_.message == kMsgKickIdle) return true;
  if (!PreTranslateMessage(&lastMsg_)) {
    TranslateMessage(&lastMsg_);
    DispatchMessageA(&lastMsg_);
  }
  return true;
}

bool App::PreTranslateMessage(MSG* msg) {
  // From the message's window up through its parents to the top-level
  // window (a frame or a dialog), each may take it.
  for (HWND h = msg->hwnd; h != nullptr; h = GetParent(h)) {
    Window* w = Window::FromHandle(h);
    if (w != nullptr && w->PreTranslateMessage(msg)) return true;
    if ((GetWindowLongA(h, GWL_STYLE) & WS_CHILD) == 0) break;
  }
  return false;
}

bool App::OnIdle(int count) {
  if (count == 0) {
    // The display's events have run: windows it stacked over their owned
    // windows give them their places back.
    stacking_.OnIdle();
    FrameWnd* frame = MainFrame();
    if (frame != nullptr && frame->Handle() != nullptr && IsWindowVisible(frame->Handle()) &&
        !IsIconic(frame->Handle())) {
      frame->OnIdleUpdateCmdUI();
    }
    return true;
  }
  return false;
}

int App::ExitInstance() {
  SaveStdProfileSettings();
  return static_cast<int>(lastMsg_.wParam);
}

int App::DoMessageBox(const std::string& text, UINT type, std::uint32_t helpId) {
  if ((type & MB_ICONMASK) == 0) {
    UINT buttons = type & MB_TYPEMASK;
    type |= (buttons == MB_OK || buttons == MB_OKCANCEL) ? MB_ICONEXCLAMATION : MB_ICONQUESTION;
  }
  HWND owner = ActiveTopLevelWindow();
  std::uint32_t previous = lastBoxHelpId_;
  lastBoxHelpId_ = helpId;
  int r = MessageBoxA(owner, text.c_str(), appName_.c_str(), type);
  lastBoxHelpId_ = previous;
  return r;
}

int App::MessageBoxFromId(std::uint32_t stringId, UINT type, std::uint32_t helpId) {
  if (helpId == UINT32_MAX) helpId = kHelpPromptBase + stringId;
  return DoMessageBox(ResourceString(stringId), type, helpId);
}

void App::ReportWindowProcException(std::exception_ptr error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    text = ResourceString(kIdpNotEnoughMemory);
  } catch (...) {
    text = ResourceString(kIdpOperationFailed);
  }
  DoMessageBox(text, MB_OK | MB_ICONEXCLAMATION, 0);
}

void App::WinHelp(std::uintptr_t data, UINT command) {
  ShowHelp(mainWnd_ != nullptr ? mainWnd_->Handle() : nullptr, command, data);
}

bool App::ShowHelp(HWND owner, UINT command, std::uintptr_t data, const std::string& file) {
  const std::string& path = file.empty() ? helpFilePath : file;
  if (path.empty()) return false;
  return ::WinHelpA(owner, path.c_str(), command, data) != 0;
}

std::string App::RegisterWindowClass(const char* name, UINT style, int windowExtraBytes, HCURSOR cursor,
                                     HBRUSH background, HICON icon) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExA(instance, name, &wc)) return name;
  wc.style = style;
  wc.lpfnWndProc = &Window::StaticWndProc;
  wc.cbWndExtra = windowExtraBytes;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0 ? std::string(name) : std::string();
}

void App::BeginWaitCursor() {
  if (waitCursorCount_++ == 0) cursorBeforeWait_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

void App::EndWaitCursor() {
  if (waitCursorCount_ > 0 && --waitCursorCount_ == 0) SetCursor(cursorBeforeWait_);
}

void App::RestoreWaitCursor() {
  if (waitCursorCount_ > 0) SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

void App::OnFileNew() { docManager_->OnFileNew(); }

void App::OnFileOpen() { docManager_->OnFileOpen(); }

void App::OnAppExit() {
  if (mainWnd_ != nullptr) PostMessageA(mainWnd_->Handle(), WM_CLOSE, 0, 0);
}

void App::OnHelp() {
  if (lastBoxHelpId_ != 0) {
    WinHelp(lastBoxHelpId_, HELP_CONTEXT);
    return;
  }
  FrameWnd* frame = MainFrame();
  WinHelp(frame != nullptr ? frame->CurrentHelpId() : 0, HELP_CONTEXT);
}

HWND ActiveTopLevelWindow() {
  App* app = TheApp();
  HWND main = app != nullptr && app->MainWindow() != nullptr ? app->MainWindow()->Handle() : nullptr;
  if (main == nullptr) return GetActiveWindow();
  HWND popup = GetLastActivePopup(main);
  return popup != nullptr && IsWindowEnabled(popup) ? popup : main;
}

}  // namespace fw
