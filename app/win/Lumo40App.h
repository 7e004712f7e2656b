// The application object: start-up in its fixed order, the message-loop
// hooks, idle work, exit, the settings, the prompt-text stack and the
// tool host's site.
#pragma once

#include <memory>
#include <string>

#include "app/HostHooks.h"
#include "app/IdlePass.h"
#include "app/PromptStack.h"
#include "app/Settings.h"
#include "app/Site.h"
#include "framework/win/App.h"
#include "platform/trace.h"

namespace lumora {

class CMainFrame;

constexpr UINT_PTR kAnimationTimer = 1331;

class CLumo40App : public fw::App, public IdleServices, public HookHost {
  FW_DECLARE_MESSAGE_MAP()

 public:
  CLumo40App();
  ~CLumo40App() override;

  bool InitInstance() override;
  bool PreTranslateMessage(MSG* msg) override;
  bool OnIdle(int count) override;
  int ExitInstance() override;
  fw::Document* OpenDocumentFile(const std::string& path) override;
  // The active image document's Layer popup rules.
  void OnMenuPopupUpdated(HMENU popup) override;
  // The one help function: F1, Shift+F1, Help buttons, WM_HELP, the menus'
  // help and the site's entry all come here. Without the help file it says
  // which file is missing.
  bool ShowHelp(HWND owner, UINT command, std::uintptr_t data, const std::string& file = {}) override;
  // The main frame's help: modes and menus end first.
  void WinHelp(std::uintptr_t data, UINT command) override;

  CMainFrame* MainFrameWnd() const;
  AppSettings settings;
  CPromptStack prompts;
  int showCommand = SW_SHOWNORMAL;
  // 1: closing the main window closes every document without asking; any
  // other value asks each modified document first.
  int closeMode = 0;

  const std::string& SettingsPath() const { return settingsPath_; }
  const LU_SITE* Site() const { return &site_.site; }
  bool HasAnimationTimer() const { return timerRunning_; }
  void KillAnimationTimer();
  // The status of an image window on prompt channel 2.
  void ShowImageStatus(HWND window);
  std::uint16_t UILanguage();

  // Options/Preferences/Guides and Grid...
  void OnGuidesGridPreferences();
  // Edit/Paste as New Image...
  void OnEditPasteAsNewImage();
  void OnUpdateEditPasteAsNewImage(fw::CmdUI& ui);
  void OnUpdateAlwaysOn(fw::CmdUI& ui);

  // Window helpers.
  HWND GetActiveTopLevelWnd() const;

  // IdleServices
  void RestoreSavedPrompts() override;
  void ResetToolHostError() override;
  void SendAnimationTick() override;
  bool BaseIdle(int count) override { return fw::App::OnIdle(count); }
  void FlushServerItems() override {}

  // HookHost
  bool IsOpenImageView(void* window) override;
  bool ImagePointAt(void* view, std::intptr_t lParam, POINT& point) override;
  std::string PositionText(void* view, POINT point) override;
  std::intptr_t MainFrameHandle(const LU_MSG& msg) override;
  bool OwnedByMainFrame(void* window) override;
  void SendToMainFrame(std::uint32_t message, std::uintptr_t wParam) override;
  void WinMenuAddPane(void* window) override;
  void WinMenuDelete(void* window) override;
  void WinMenuSetActive(void* window) override;
  std::intptr_t PaneDialogProc(const LU_MSG& msg) override;

 private:
  bool SetUpPaths();
  bool HandOverToRunningInstance(const fw::CommandLineInfo& info, int* exitCode);
  void RegisterWindowClasses();
  void RegisterDocTemplates();
  bool CheckMouse();
  void LoadAllSettings();
  void SetMemoryLimit();
  bool CreateMainFrame();
  bool HostStage();
  void InstallProgress();
  void RegisterClipboardFormats();
  void NameWindowMenuSections();
  void StartAnimationTimer();
  void RefreshCursorOnKey(const MSG& msg);
  void SaveAllSettings();

  std::string settingsPath_;
  std::string appFolder_;
  std::string modulePath_;
  std::string toolbarStateFiles_[8];
  HostSite site_;
  std::unique_ptr<SiteHost> siteHost_;
  std::unique_ptr<fw::RecentFileList> recentWorkspaces_;
  bool siteReady_ = false;
  HookState hookState_;
  std::uint32_t hookIds_[5] = {};
  bool hooksInstalled_ = false;
  bool macroLanguageInstalled_ = false;
  bool timerRunning_ = false;
  bool oleReady_ = false;
  bool settingsLoaded_ = false;
  int imageStatusEntry_ = 0;
  HWND imageStatusWindow_ = nullptr;
  std::string imageStatusText_;
  int uiLanguage_ = -1;
  UINT clipboardFormats_[8] = {};
  AnimationTick tick_;

 public:
  // Ends the program after start-up refused (a hand-over, for one).
  int startupExitCode = 1;
};

CLumo40App* TheLumoApp();
// The site host of the running program (application entries; the
// document and view entries forward as far as those exist).
std::unique_ptr<SiteHost> MakeAppSiteHost(CLumo40App& app);

}  // namespace lumora
