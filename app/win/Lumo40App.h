// The application object: start-up in its fixed order, the message-loop
// hooks, idle work, exit, the settings, the prompt-text stack and the
// tool host's site.
#pragma once

#include <array>

#include <memory>
#include <string>
#include <vector>

#include "app/AreaToolList.h"
#include "app/ColorManagement.h"
#include "app/Colours.h"
#include "app/HostHooks.h"
#include "app/IdlePass.h"
#include "app/PromptStack.h"
#include "app/Settings.h"
#include "app/Site.h"
#include "app/Tablet.h"
#include "engine/pixels/ImagePlacement.h"
#include "app/ToolMenus.h"
#include "app/win/DdeServer.h"
#include "framework/win/App.h"
#include "platform/trace.h"

namespace lumora {

class CMainFrame;

constexpr UINT_PTR kAnimationTimer = 1331;

// Images made elsewhere (scanned, opened from a DIB) become new documents.
class DocumentImagePlacement : public ImagePlacement {
 public:
  int PlaceNewImage(VrWA2000::WA* image) override;
};

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
  void OnMenuPopupUpdated(HMENU popup, fw::FrameWnd& route) override;
  // The one help function: F1, Shift+F1, Help buttons, WM_HELP, the menus'
  // help and the site's entry all come here. Without the help file it says
  // which file is missing.
  bool ShowHelp(HWND owner, UINT command, std::uintptr_t data, const std::string& file = {}) override;
  // The main frame's help: modes and menus end first.
  void WinHelp(std::uintptr_t data, UINT command) override;

  CMainFrame* MainFrameWnd() const;
  // A popup of the cached menus (kind 0: the window's menu, the document
  // menu's places by `mainIndex`; kind 1: the in-place menu's popups 1-8
  // by `otherIndex` 0-7); null out of range or without a document template.
  HMENU GetMenuPopup(int kind, int mainIndex, int otherIndex);
  // The caches: the main frame's own menu (popups 0-5), the document menu
  // (0-9), the in-place menu (1-8, its Image and Tools refilled from the
  // document menu's first).
  void InitMainMenuPopups(HMENU menu);
  void InitDocMenuPopups(HMENU menu);
  void InitInPlaceMenuPopups(HMENU menu);
  AppSettings settings;
  // The registered tools' menu items and what the menus' F1 looks at.
  ToolMenus toolMenus;
  MenuHelpState& menuHelp = SharedMenuHelpState();
  CPromptStack prompts;
  DocumentImagePlacement imagePlacement_;
  int showCommand = SW_SHOWNORMAL;
  // 1: closing the main window closes every document without asking; any
  // other value asks each modified document first.
  int closeMode = 0;
  // Started by COM (/Embedding or /Automation): hidden, serving objects.
  bool startedForOle = false;
  // The user controls the program (a plain start, or UserControl set): it
  // does not end with its last automation object.
  bool oleUserControl = true;

  const std::string& SettingsPath() const { return settingsPath_; }
  // The toolbar layout files "<program>1.tbs" ... "<program>8.tbs" (0-7).
  const std::string& ToolbarStateFile(int index) const { return toolbarStateFiles_[index]; }
  const LU_SITE* Site() const { return &site_.site; }
  bool HasAnimationTimer() const { return timerRunning_; }
  bool HostHooksInstalled() const { return hooksInstalled_; }
  void KillAnimationTimer();
  // The status of an image window on prompt channel 2.
  void ShowImageStatus(HWND window);
  std::uint16_t UILanguage();

  // The option toggles (View/Progress indicator, Use Temporary Bitmap,
  // Options/Save Tools On Desktop, Detailed Error Status, Selection/Auto
  // Align): checked while set.
  void OnToggleSetting(std::uint32_t id);
  void OnUpdateToggleSetting(fw::CmdUI& ui);
  void OnSelectionAttributes();
  void OnUpdateSelectionAttributes(fw::CmdUI& ui);
  int* ToggledSetting(std::uint32_t id);
  void OnConfigureConverters();
  // Options/Associated File Types... (dialog 104).
  void OnFileTypes();
  // At every start: the program's own type and the saved choices written
  // again (they follow the program when it moves); on a plain start also
  // the OLE server entries.
  void RefreshShellRegistration(bool servers);
  // The shell's DDE open: the paths are opened from the main frame's queue;
  // a "/dde" start shows its main window with the first.
  void OnShellOpen(std::vector<std::string> paths);
  bool WaitingForShellOpen() const { return waitingForDde_; }
  // The user opens a file in the program or starts it again: the main
  // window shows (a "/dde" start, or a program COM started, waits hidden)
  // and the user controls the program.
  void TakeUser();
  // Window/Close All Images: one question for several modified images
  // (close them unsaved, ask for each, or keep them all).
  void OnCloseAllImages();
  int CountModifiedDocuments();
  void OnHelpTopics();
  // File/New..., File/Open... and the recent files wait while a tracker
  // runs.
  void OnAppFileNew();
  void OnAppFileOpen();
  void OnUpdateRecentFiles(fw::CmdUI& ui);
  void OnUpdateAppCommand(fw::CmdUI& ui);

  // Workspaces (AppWorkspace.cpp). An empty path asks for one.
  bool OpenWorkspace(std::string path, bool addToRecent);
  bool SaveWorkspaceCmd(std::string path);
  // Reads the workspace's panes and images; false only when the file
  // cannot be read. Images that fail are listed in WorkspaceFailures.
  bool LoadWorkspace(const std::string& path);
  bool WriteWorkspace(const std::string& path);
  const std::vector<std::string>& WorkspaceFailures() const { return workspaceFailures_; }
  const std::string& CurrentWorkspace() const { return currentWorkspace_; }
  fw::RecentFileList* RecentWorkspaces() const { return recentWorkspaces_.get(); }
  std::string SelectionsFolder() const;
  void OnOpenWorkspace();
  void OnSaveWorkspace();
  void OnUpdateSaveWorkspace(fw::CmdUI& ui);
  bool OnOpenRecentWorkspace(std::uint32_t id);
  void OnUpdateRecentWorkspaces(fw::CmdUI& ui);
  void OnInitMenuPopup(HMENU popup) override;

  // The colours (AppColours.cpp): stored with the form the active image
  // needs; `notify` posts 33119 to the main window. The panes are told
  // (1249) either way.
  void SetForeColor(COLORREF rgb, bool notify);
  void SetBackColor(COLORREF rgb, bool notify);
  void SwapColors();
  // Which colour the colour window working for the main window edits: the
  // foreground (also at start) or the background.
  bool colourWindowEditsFore = true;

  // The pressure tablet (AppTablet.cpp), opened at start when [Tablet]
  // enable is set and a Wintab driver with a tablet is there.
  Tablet tablet;
  void StartTablet();
  // The brushes' and the site's reading: opacity 0..255 and the width
  // fraction (255 at 1 / 1 without a tablet).
  int ReadTablet(int* numerator, int* denominator);
  // The main window's Wintab cursor-change message: the eraser end chooses
  // the eraser, turning back the tool before.
  void HandleTabletCursor(WPARAM serial, LPARAM context);
  void SyncColorsToActiveImage(bool notify);
  // The palette index (grey level for grey images) and, when asked, the
  // colour as the image shows it.
  int GetForeColorValue(COLORREF* display) const;
  int GetBackColorValue(COLORREF* display) const;
  void NotifyColorPanes();
  const ImageColourMode& ColourMode() const { return colourMode_; }

  // Options/Preferences/Guides and Grid...
  void OnGuidesGridPreferences();
  // Options/Preferences/General, Rulers Units, Color Picker, Selection,
  // Tablet: the sheet on that page.
  void OnPreferences(std::uint32_t id);
  // View/Monitor Gamma...: the three gamma values, shown in every view.
  void OnMonitorGamma();
  // File/Color Management...: the colour-matching dialog; Apply and OK set
  // colour management up again.
  void OnColorManagement();
  // The colour-management set-up: every view shows its image through the
  // record's profiles (none when off).
  void SetUpColorManagement();
  // The record: the system's monitor and printer under the settings file's
  // [ColorManagement] values.
  ColorManagementSettings colorManagement;
  // The system's colour folder (where bare profile names are looked for).
  std::string ColorFolder() const;
  // Timer 1331 again at the period of `speed` (none for 0).
  void SetAnimationSpeed(int speed);
  // The image buffers' share of the physical memory (above 100 is 100).
  void SetMemoryPercent(int percent);
  // Timer 1331's period in milliseconds, 0 when it does not run.
  int AnimationPeriod() const { return timerPeriod_; }
  // Edit/Paste as New Image...
  void OnEditPasteAsNewImage();
  void OnUpdateEditPasteAsNewImage(fw::CmdUI& ui);
  void OnUpdateAlwaysOn(fw::CmdUI& ui);

  // Window helpers.
  HWND GetActiveTopLevelWnd() const;

  // The tool host's area tools and their selection-bar commands.
  AreaToolList areaTools;
  // The whole image of the active image window selected (Selection/All).
  void SelectAreaTool();
  // The current tool command: 0, an area command 40010-40029, ...
  std::uint32_t currentToolCommand = 0;

  // IdleServices
  void RestoreSavedPrompts() override;
  void ResetToolHostError() override;
  void SendAnimationTick() override;
  bool BaseIdle(int count) override;
  void FlushServerItems() override;

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
  std::array<HMENU, 6> mainPopups_{};
  std::array<HMENU, 10> docPopups_{};
  std::array<HMENU, 9> inPlacePopups_{};  // 1-8 used
  HMENU mainPopupsOf_ = nullptr, docPopupsOf_ = nullptr, inPlacePopupsOf_ = nullptr;
  void LoadAllSettings();
  // The record's system values: monitor name and profile, default printer
  // and its profile (the target starts as a copy of it).
  void ReadSystemColorManagement();
  void SetMemoryLimit();
  bool CreateMainFrame();
  bool HostStage();
  void InstallProgress();
  void RegisterClipboardFormats();
  void NameWindowMenuSections();
  void StartAnimationTimer();
  void BuildToolMenus();
  bool PrepareWorkspace(bool saving);
  bool AskWorkspacePath(bool open, std::string* path);
  void ReportWorkspaceFailure(const std::string& path, int code);
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
  HHOOK menuHelpHook_ = nullptr;
  bool exited_ = false;
  ImageColourMode colourMode_;
  ColourForms fore_, back_;
  std::string currentWorkspace_;
  std::vector<std::string> workspaceFailures_;
  int exitResult_ = 0;
  bool macroLanguageInstalled_ = false;
  bool timerRunning_ = false;
  int timerPeriod_ = 0;
  bool printingReady_ = false;
  bool oleReady_ = false;
  // The shell's opens by DDE; a "/dde" start waits hidden for its first.
  ShellDdeServer dde_;
  bool waitingForDde_ = false;
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
// Whether the path names a workspace (its extension is "luw").
bool IsWorkspaceFile(const std::string& path);
// The site host of the running program (application entries; the
// document and view entries forward as far as those exist).
std::unique_ptr<SiteHost> MakeAppSiteHost(CLumo40App& app);

}  // namespace lumora
