// Start-up, the message-loop hooks, idle work and exit of the program.
#include "app/win/Lumo40App.h"

#include "app/ShellDde.h"
#include "app/win/AutomationApp.h"
#include "app/win/EmbeddedImage.h"
#include "app/win/InPlaceFrame.h"

#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "app/ErrorBox.h"
#include "app/HandOver.h"
#include "app/StatusPanes.h"
#include "app/Units.h"
#include "app/win/AppToolMenus.h"
#include "app/win/AppViewShell.h"
#include "app/win/ColorMatchDlg.h"
#include "app/win/MainFrame.h"
#include "ui/win/AngleDial.h"
#include "app/win/SmallWindows.h"
#include "dialogs/win/CreateNewImgDlg.h"
#include "ui/win/LayerDialogs.h"
#include "dialogs/win/DialogSupport.h"
#include "dialogs/win/ExportDialogs.h"
#include "files/win/TwainSession.h"
#include "engine/pixels/ImagePlacement.h"
#include "dialogs/win/ImageDialogs.h"
#include "dialogs/win/TextDlg.h"
#include "document/DocumentServices.h"
#include "document/StackPreload.h"
#include "document/win/AppServices.h"
#include "dialogs/win/GadgetDlg.h"
#include "document/win/ClipboardCommands.h"
#include "select/storeSel.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layered/BuffersAhead.h"
#include "engine/layers/LayerMng.h"
#include "framework/CommandIds.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/DocView.h"
#include "hostapi/draw.h"
#include "hostapi/print.h"
#include "hostapi/controls.h"
#include "hostapi/imagebuf.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "lang/doc/win/ProgramDocumentSite.h"
#include "view/win/ChildFrame.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"
#include "view/win/Lumo40View.h"
#include "ui/win/ProgressInd.h"
#include "view/win/ViewSite.h"
#include "ui/win/LayerMenuPictures.h"

namespace lumora {
namespace {

AnimationTick* animationTick = nullptr;

// What the system posts to the window with the focus when F1 is pressed.
constexpr UINT kMsgKeyF1 = 0x004D;

void CALLBACK AnimationTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (animationTick != nullptr) animationTick->pending = true;
}

// The eight clipboard formats, in registration order.
constexpr const char* kClipboardFormatNames[8] = {"Lumo40 W32 Pict Frg", "Lumo40 W32 Mask", "Embedded Object",
                                                  "Embed Source",        "Link Source",     "FileName",
                                                  "FileNameW",           "Lumo40 W32 Layer"};

std::string LoadResString(UINT id) { return std::string(res::String(id)); }

std::string FullPathOf(const std::string& name) {
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full, n) : name;
}

}  // namespace

FW_MESSAGE_MAP(CLumo40App, fw::App, fw::CommandEntry<&CLumo40App::OnGuidesGridPreferences>(ID_OPTIONS_GUIDES_GRID),
               fw::UpdateEntry<&CLumo40App::OnUpdateAlwaysOn>(ID_OPTIONS_GUIDES_GRID),
               fw::CommandRangeEntry<&CLumo40App::OnPreferences>(ID_OPTIONS_PREF_GENERAL, ID_OPTIONS_PREF_RULERS),
               fw::CommandRangeEntry<&CLumo40App::OnPreferences>(ID_OPTIONS_PREF_PICKER, ID_OPTIONS_PREF_PICKER),
               fw::CommandRangeEntry<&CLumo40App::OnPreferences>(ID_OPTIONS_PREF_SELECTION, ID_OPTIONS_PREF_SELECTION),
               fw::CommandRangeEntry<&CLumo40App::OnPreferences>(ID_OPTIONS_PREF_TABLET, ID_OPTIONS_PREF_TABLET),
               fw::CommandEntry<&CLumo40App::OnMonitorGamma>(ID_VIEW_MONITOR_GAMMA),
               fw::CommandEntry<&CLumo40App::OnColorManagement>(ID_FILE_COLOR_MANAGEMENT),
               fw::CommandRangeEntry<&CLumo40App::OnToggleSetting>(ID_VIEW_PROGRESS_INDICATOR,
                                                                  ID_VIEW_PROGRESS_INDICATOR),
               fw::CommandRangeEntry<&CLumo40App::OnToggleSetting>(ID_VIEW_TEMPORARY_BITMAP, ID_VIEW_TEMPORARY_BITMAP),
               fw::CommandRangeEntry<&CLumo40App::OnToggleSetting>(ID_OPTIONS_SAVE_TOOLS_ON_DESKTOP,
                                                                  ID_OPTIONS_SAVE_TOOLS_ON_DESKTOP),
               fw::CommandRangeEntry<&CLumo40App::OnToggleSetting>(ID_OPTIONS_DETAILED_ERROR_STATUS,
                                                                  ID_OPTIONS_DETAILED_ERROR_STATUS),
               fw::CommandRangeEntry<&CLumo40App::OnToggleSetting>(ID_SELECTION_AUTO_ALIGN, ID_SELECTION_AUTO_ALIGN),
               fw::UpdateEntry<&CLumo40App::OnUpdateToggleSetting>(ID_VIEW_PROGRESS_INDICATOR),
               fw::UpdateEntry<&CLumo40App::OnUpdateToggleSetting>(ID_VIEW_TEMPORARY_BITMAP),
               fw::UpdateEntry<&CLumo40App::OnUpdateToggleSetting>(ID_OPTIONS_SAVE_TOOLS_ON_DESKTOP),
               fw::UpdateEntry<&CLumo40App::OnUpdateToggleSetting>(ID_OPTIONS_DETAILED_ERROR_STATUS),
               fw::UpdateEntry<&CLumo40App::OnUpdateToggleSetting>(ID_SELECTION_AUTO_ALIGN),
               fw::CommandEntry<&CLumo40App::OnSelectionAttributes>(ID_VIEW_SELECTION_ATTRIBUTES),
               fw::UpdateEntry<&CLumo40App::OnUpdateSelectionAttributes>(ID_VIEW_SELECTION_ATTRIBUTES),
               fw::CommandEntry<&CLumo40App::OnConfigureConverters>(ID_OPTIONS_CONFIGURE_CONVERTERS),
               fw::CommandEntry<&CLumo40App::OnFileTypes>(ID_OPTIONS_FILE_TYPES),
               fw::UpdateEntry<&CLumo40App::OnUpdateAppCommand>(ID_OPTIONS_FILE_TYPES),
               fw::UpdateEntry<&CLumo40App::OnUpdateAppCommand>(ID_OPTIONS_CONFIGURE_CONVERTERS),
               fw::CommandEntry<&CLumo40App::OnCloseAllImages>(ID_WINDOW_CLOSE_ALL_IMAGES),
               fw::UpdateEntry<&CLumo40App::OnUpdateAppCommand>(ID_WINDOW_CLOSE_ALL_IMAGES),
               fw::CommandEntry<&CLumo40App::OnHelpTopics>(ID_HELP_TOPICS),
               fw::CommandEntry<&CLumo40App::OnHelpTopics>(ID_HELP_TOPICS_DEFAULT),
               fw::UpdateEntry<&CLumo40App::OnUpdateAppCommand>(ID_HELP_TOPICS),
               fw::CommandEntry<&CLumo40App::OnAppFileNew>(ID_FILE_NEW),
               fw::UpdateEntry<&CLumo40App::OnUpdateAppCommand>(ID_FILE_NEW),
               fw::CommandEntry<&CLumo40App::OnAppFileOpen>(ID_FILE_OPEN),
               fw::UpdateEntry<&CLumo40App::OnUpdateAppCommand>(ID_FILE_OPEN),
               fw::UpdateEntry<&CLumo40App::OnUpdateRecentFiles>(fw::kIdFileMru1, ID_FILE_RECENT_WORKSPACE - 1),
               fw::CommandEntry<&CLumo40App::OnOpenWorkspace>(ID_FILE_OPEN_WORKSPACE),
               fw::UpdateEntry<&CLumo40App::OnUpdateAppCommand>(ID_FILE_OPEN_WORKSPACE),
               fw::CommandEntry<&CLumo40App::OnSaveWorkspace>(ID_FILE_SAVE_WORKSPACE),
               fw::UpdateEntry<&CLumo40App::OnUpdateSaveWorkspace>(ID_FILE_SAVE_WORKSPACE),
               fw::CommandExEntry<&CLumo40App::OnOpenRecentWorkspace>(ID_FILE_RECENT_WORKSPACE,
                                                                      ID_FILE_RECENT_WORKSPACE_LAST),
               fw::UpdateEntry<&CLumo40App::OnUpdateRecentWorkspaces>(ID_FILE_RECENT_WORKSPACE,
                                                                     ID_FILE_RECENT_WORKSPACE_LAST),
               fw::CommandEntry<&CLumo40App::OnEditPasteAsNewImage>(ID_EDIT_PASTE_AS_NEW_IMAGE),
               fw::UpdateEntry<&CLumo40App::OnUpdateEditPasteAsNewImage>(ID_EDIT_PASTE_AS_NEW_IMAGE))

CLumo40App::CLumo40App() : fw::App(LoadResString(IDS_APP_CAPTION)) {
  // The control library starts before anything else and ends last.
  VrCtlStartUp(GetModuleHandleA(nullptr));
  hookState_.host = this;
  hookState_.installViewHook = InstallImageViewHook;
  hookState_.prompts = &prompts;
  hookState_.menuHelp = &SharedMenuHelpState();
  animationTick = &tick_;
  prompts.showOnMessageBar = [this](const std::string& text) {
    if (fw::FrameWnd* frame = MainFrame(); frame != nullptr && frame->Handle() != nullptr) frame->SetMessageText(text);
  };
}

CLumo40App::~CLumo40App() {
  animationTick = nullptr;
  VrCtlShutDown();
}

CLumo40App* TheLumoApp() { return static_cast<CLumo40App*>(fw::TheApp()); }

CMainFrame* CLumo40App::MainFrameWnd() const { return dynamic_cast<CMainFrame*>(MainFrame()); }

bool CLumo40App::InitInstance() {
  if (!SetUpPaths()) return false;
  InstallAppViewShell(*this);
  siteHost_ = MakeAppSiteHost(*this);
  if (!InitHostSite(site_, *siteHost_)) return false;
  siteReady_ = true;

  fw::CommandLineInfo info = fw::ParseProcessCommandLine();
  startedForOle = info.runEmbedded || info.runAutomated;
  oleUserControl = !startedForOle;
  if (HandOverToRunningInstance(info, &startupExitCode)) return false;
  if (info.shellCommand != fw::ShellCommand::kFileOpen) EnableSplashScreen(info.showSplash);

  RegisterWindowClasses();
  if (FAILED(OleInitialize(nullptr))) {
    MessageBoxFromId(IDS_OLE_INIT_FAILED, MB_OK);
    return false;
  }
  oleReady_ = true;
  LoadStdProfileSettings(4);
  RegisterDocTemplates();
  RefreshShellRegistration(!startedForOle);
  // One program serves every object, whichever way it was started.
  RegisterAutomationFactory();
  RegisterEmbeddingFactory();
  recentWorkspaces_ = std::make_unique<fw::RecentFileList>(fw::kRecentWorkspaceSection, fw::kFirstRecentWorkspaceId, 4);
  recentWorkspaces_->Load(Settings());
  if (RegisterWaitDialogClass() == 0) return false;
  if (!CheckMouse()) return false;
  RegisterErrorBoxClass(Instance());
  LoadAllSettings();
  showCommand = settings.frameMaximized != 0 ? SW_SHOWMAXIMIZED : SW_SHOW;
  // The colours in the forms of no image yet.
  SyncColorsToActiveImage(false);
  SetMemoryLimit();
  // The file is read while the rest of the program starts.
  if (info.shellCommand == fw::ShellCommand::kFileOpen) StartStackPreload(FullPathOf(info.fileName));
  // The toolbars speak through the error box's caption.
  SetToolBarMessageBoxProc([this](const std::string& text, UINT type) {
    return MessageBoxA(GetActiveTopLevelWnd(), text.c_str(), LoadResString(IDS_ERROR_CAPTION).c_str(), type);
  });
  if (!CreateMainFrame()) return false;
  if (!HostStage()) return false;
  BuildToolMenus();
  lang::InstallProgramMacroLanguage(modulePath_, Site());
  macroLanguageInstalled_ = true;
  LUInitGlobalSelection(Site());
  LUPreview_Init(Site());
  RegisterClipboardFormats();  // the clipboard options came with the other settings
  // The bars that wait for the registered tools, then the bars' places.
  MainFrameWnd()->RestoreBars();
  StartTablet();
  SetUpColorManagement();

  // The main window comes up first: a file named on the command line that
  // cannot be read is then reported over it by its document, and the
  // program goes on without it. No empty document at start: only a file to
  // open is processed.
  fw::FrameWnd* frame = MainFrame();
  // The shell's opens are answered whichever way the program started: a
  // program COM started takes the user with the first.
  dde_.Start(DdeServiceName(modulePath_), [this](std::vector<std::string> paths) { OnShellOpen(std::move(paths)); });
  // Started for embedding or automation: ready, and hidden until an object
  // asks to be seen or the user starts the program.
  if (startedForOle) {
    DiscardStackPreload();
    return true;
  }
  if (info.shellCommand == fw::ShellCommand::kFileDde) {
    // Started by the shell to open by DDE: hidden until the open arrives.
    waitingForDde_ = true;
    DiscardStackPreload();
    return true;
  }
  frame->ActivateFrame(showCommand);
  UpdateWindow(frame->Handle());
  TraceMark("main window shown");
  if (info.shellCommand != fw::ShellCommand::kFileOpen) info.shellCommand = fw::ShellCommand::kFileNothing;
  ProcessShellCommand(info);
  DiscardStackPreload();
  OfferStartWizard(frame->Handle(), Site(), Settings().GetInt("STARTWIZARD", "STARTWIZARD", 1));
  printingReady_ = initPrinting() != 0;
  return true;
}

void CLumo40App::OnShellOpen(std::vector<std::string> paths) {
  // Opened from the frame's queue once the shell has its answer, so it is
  // not kept waiting on a message box of ours.
  if (CMainFrame* frame = MainFrameWnd()) frame->QueueOpens(std::move(paths));
}

void CLumo40App::TakeUser() {
  waitingForDde_ = false;
  // From now on the program is the user's: it no longer ends with its last
  // object.
  oleUserControl = true;
  fw::FrameWnd* frame = MainFrame();
  if (frame == nullptr || frame->Handle() == nullptr || IsWindowVisible(frame->Handle())) return;
  frame->ActivateFrame(showCommand);
  // The tool windows hidden with it when the user closed it.
  ShowOwnedPopups(frame->Handle(), TRUE);
  UpdateWindow(frame->Handle());
}

bool CLumo40App::SetUpPaths() {
  char program[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  std::string path(program, length);
  modulePath_ = path;
  settingsPath_ = fw::ProfilePathForProgram(path);
  const std::size_t slash = path.rfind('\\');
  appFolder_ = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  helpFilePath = appFolder_ + "LUMO.HLP";
  const std::size_t dot = path.rfind('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
  for (int i = 0; i < 8; ++i) toolbarStateFiles_[i] = stem + std::to_string(i + 1) + ".tbs";
  SetProfile(fw::OpenProfile(settingsPath_));
  return true;
}

bool CLumo40App::HandOverToRunningInstance(const fw::CommandLineInfo& info, int* exitCode) {
  HWND running = FindRunningMainFrame();
  if (running == nullptr) return false;
  if (info.shellCommand == fw::ShellCommand::kFileOpen) {
    const std::string path = FullPathOf(info.fileName);
    switch (HandOverFile(running, path)) {
      case HandOver::kTaken: *exitCode = 0; return true;
      case HandOver::kGone: return false;  // the program ended meanwhile: this one opens the file
      case HandOver::kNoAnswer: break;
    }
    MessageBoxA(nullptr, res::FormatString(IDS_RUNNING_NO_ANSWER, {path}).c_str(),
                LoadResString(IDS_ERROR_CAPTION).c_str(), MB_ICONHAND | MB_OK);
    *exitCode = 1;
    return true;
  }
  if (info.runEmbedded || info.runAutomated) return false;
  // A second start without a file brings the running program forward; one
  // that COM started, hidden, shows itself and becomes the user's.
  HandOverUser(running);
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
  *exitCode = 0;
  return true;
}

void CLumo40App::RegisterWindowClasses() {
  HINSTANCE instance = Instance();
  HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  HICON frameIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAINFRAME));
  RegisterWindowClass(kMainFrameClass, CS_DBLCLKS, 0, arrow, reinterpret_cast<HBRUSH>(12),
                      frameIcon != nullptr ? frameIcon : LoadIcon(nullptr, IDI_APPLICATION));
  RegisterImageViewClass();
  // Without the control library the dialogs use the plain classes.
  RegisterCustomNcDialogClass(instance);
  RegisterAngleDialClass(instance);
}

void CLumo40App::OnMenuPopupUpdated(HMENU popup, fw::FrameWnd& route) {
  // The image of the active window, or the one edited in place.
  fw::FrameWnd* active = route.GetActiveFrame();
  if (active == nullptr || active == MainFrame()) return;
  if (auto* doc = dynamic_cast<lumora::CLumo40Doc*>(active->GetActiveDocument())) doc->UpdateLayerMenu(popup);
}

// The image document's template and manager.
void CLumo40App::RegisterDocTemplates() {
  auto manager = std::make_unique<lumora::CLumo40DocManager>();
  // The dialog starts with the current background colour.
  manager->askNewImage = [this](lumora::NewImageChoice* choice) {
    choice->colour = settings.backColor;
    return lumora::AskNewImageWithDialog(choice);
  };
  manager->backgroundColour = [this] { return settings.backColor; };
  manager->loadSelectionDialog = [](int* status) -> Fragment* {
    lumora::CGadgetDlg dialog(IDS_LOAD_SELECTION_TITLE, std::string(res::String(IDS_SELECTIONS_FOLDER)), "frg", true);
    auto* images = lumora::ImageDocManager();
    if (images != nullptr && !images->selectionsRoot.empty()) dialog.programFolder = images->selectionsRoot;
    if (dialog.DoModal() != IDOK) {
      *status = 2;
      return nullptr;
    }
    *status = 1;
    return LoadSelectionFromFile(status, dialog.GetFilePath().c_str());
  };
  manager->saveSelectionDialog = [](const Fragment* fragment) -> int {
    if (fragment == nullptr) return 0;
    lumora::CGadgetDlg dialog(IDS_SAVE_SELECTION_TITLE, std::string(res::String(IDS_SELECTIONS_FOLDER)), "frg", false);
    auto* images = lumora::ImageDocManager();
    if (images != nullptr && !images->selectionsRoot.empty()) dialog.programFolder = images->selectionsRoot;
    if (dialog.DoModal() != IDOK) return 1;
    return SaveSelectionToFile(fragment, dialog.GetFilePath().c_str());
  };
  manager->clipboardOptions = [this](bool* visibleOnly, bool* activeOnly) {
    *visibleOnly = settings.copyOnlyVisibleLayers != 0;
    *activeOnly = settings.copyCutActiveLayerOnly != 0;
  };
  manager->layerDialogs = lumora::MakeLayerDialogs();
  manager->layerMenuPictures = [pictures = std::make_shared<lumora::LayerMenuPictures>()](
                                   HMENU menu, std::uint32_t firstId) { pictures->Attach(menu, firstId); };
  // The documents reach the main frame's layer palette.
  manager->palette.updateLayer = [this](lumora::CLumo40Doc& doc, CLayer* layer) {
    if (lumora::CMainFrame* main = MainFrameWnd()) main->LayerPalette().UpdateLayer(doc, layer);
  };
  manager->palette.selectLayer = [this](lumora::CLumo40Doc& doc, CLayer* layer) {
    if (lumora::CMainFrame* main = MainFrameWnd()) main->LayerPalette().SelectLayer(doc, layer);
  };
  manager->palette.rebuild = [this](lumora::CLumo40Doc& doc) {
    if (lumora::CMainFrame* main = MainFrameWnd()) main->LayerPalette().Rebuild(doc);
  };
  lumora::InstallImageDialogs();
  lumora::InstallExportDialogs();
  lumora::InstallTextDialog();
  lumora::CTextDlg::ForegroundColour() = [this]() { return settings.foreColor; };
  lumora::CTextDlg::ActiveToolCommand() = [this]() -> std::uint32_t {
    lumora::CMainFrame* main = MainFrameWnd();
    if (currentToolCommand != 0 || main == nullptr) return currentToolCommand;
    if (main->LayerMoving()) return ID_LAYER_MOVING;
    return main->CurrentTool() != nullptr ? main->CurrentTool()->CommandId() : 0;
  };
  lumora::SetImagePlacement(&imagePlacement_);
  SetDocManager(std::move(manager));
  AddDocTemplate(new lumora::CLumo40DocTemplate(IDR_IMAGE_DOC, &lumora::CLumo40Doc::kRuntimeClass,
                                                &lumora::CChildFrame::kRuntimeClass, &lumora::CLumo40View::kRuntimeClass));
}

bool CLumo40App::CheckMouse() {
  if (GetSystemMetrics(SM_MOUSEPRESENT) != 0) return true;
  MessageBoxA(nullptr, LoadResString(IDS_NO_MOUSE).c_str(), LoadResString(IDS_APP_TITLE).c_str(),
              MB_ICONHAND | MB_TASKMODAL);
  return false;
}

void CLumo40App::LoadAllSettings() {
  ScreenMetrics screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(SM_CXMIN),
                       GetSystemMetrics(SM_CYMIN)};
  // Colour management runs on LittleCMS, which is built in: always there.
  LoadStartupSettings(settings, Settings(), screen, true);
  ReadSystemColorManagement();
  ReadColorManagementSettings(settings, &colorManagement);
  PushViewSettings(settings);
  CurrentViewSettings().colorProfiles = DisplayProfiles(colorManagement, ColorFolder());
  SetUndoLimit(UndoLimit{settings.createBackup, settings.limitBackup});
  // The colour window paints its colours as the views show them.
  LUSetSelColorWindowGamma(Site(), settings.gammaR, settings.gammaG, settings.gammaB);
  settingsLoaded_ = true;
}

void CLumo40App::SetMemoryLimit() {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory)) {
    VrWA2000::WA::MM_SetMemoryLimits(MemoryLimitBytes(settings.memoryPercent, memory.ullTotalPhys));
  }
  // Layered files are read with helper threads making the layers' buffers
  // ahead: up to three, one processor left to the rest. The start-up
  // benchmark compares other counts (a switch only it sets).
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  int helpers = std::clamp(static_cast<int>(system.dwNumberOfProcessors) - 1, 0, 3);
  char count[8] = {};
  if (GetEnvironmentVariableA("LUMORA_BENCH_READ_HELPERS", count, sizeof count) > 0) helpers = std::atoi(count);
  SetLayeredReadHelpers(helpers);
}

bool CLumo40App::CreateMainFrame() {
  auto* frame = new CMainFrame;
  SetMainWindow(frame);
  if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, nullptr)) {
    SetMainWindow(nullptr);
    return false;
  }
  DragAcceptFiles(frame->Handle(), TRUE);
  return true;
}

bool CLumo40App::HostStage() {
  InstallProgress();
  NameWindowMenuSections();
  if (!InstallHostHooks(Site(), hookState_, hookIds_)) {
    FreeHostSite(site_);
    siteReady_ = false;
    return false;
  }
  hooksInstalled_ = true;
  SetCropToolAvailable(LUGetRegToolIDNumber(Site(), "Crop_Tool", 0) != 0);
  areaTools.Register(Site());
  // F1 inside a menu asks for help on the highlighted entry.
  menuHelpHook_ = InstallMenuHelpHook(&toolMenus, Site(), &menuHelp);
  StartAnimationTimer();
  return true;
}

// The progress indicator every long operation reports to: the engine's
// readers and writers, the tool host's runs through the site.
void CLumo40App::InstallProgress() {
  ProgressHost host;
  host.activeTopLevel = [this] { return GetActiveTopLevelWnd(); };
  host.mainWindow = [this] { return MainFrame() != nullptr ? MainFrame()->Handle() : nullptr; };
  host.showDialog = [this] { return settings.showProgressIndicator != 0; };
  host.addPrompt = [this] { return prompts.Add(0, 100, false); };
  host.setPrompt = [this](int handle, const std::string& text) { prompts.SetText(handle, text.c_str()); };
  host.clearPrompt = [this](int handle) { prompts.ClearText(handle, false); };
  host.programDeferred = [](UINT message) { return CMainFrame::IsDeferredWhileBusy(message); };
  for (int i = 0; i < 13; ++i) {
    const std::string name = "CUR" + std::to_string(i);
    host.frames[i] = LoadCursorA(Instance(), name.c_str());
  }
  InstallProgressIndicator(host);
}

void CLumo40App::NameWindowMenuSections() {
  constexpr UINT kSectionNames[kLUWinMenuSections] = {IDS_WINMENU_DIALOGS, IDS_WINMENU_TOOLS, IDS_WINMENU_IMAGES};
  for (int i = 0; i < kLUWinMenuSections; ++i) {
    char name[64] = {};
    lstrcpynA(name, LoadResString(kSectionNames[i]).c_str(), sizeof name);
    LUWinMenu_SetSectionName(Site(), i, name);
  }
}

void CLumo40App::SelectAreaTool() { LUSetActiveSelection(Site(), "Area_Whole"); }

// The registered tools into the image menu, once the tool host has its
// site and hooks.
void CLumo40App::BuildToolMenus() {
  HMENU documentMenu = nullptr;
  for (const auto& t : Docs().Templates()) {
    if (t->SharedMenu() != nullptr) {
      documentMenu = t->SharedMenu();
      break;
    }
  }
  if (!BuildAppToolMenus(toolMenus, documentMenu, Site())) LUPrintErrorState(Site());
  if (MainFrame() != nullptr) {
    // With no image open the default area type is chosen the same way.
    CopyDefaultAreaTypes(documentMenu, MainFrame()->Menu());
    GreyToolPlaceholders(MainFrame()->Menu());
  }
  for (const std::string& why : toolMenus.Refused()) TraceMark(("tool left out of the menus: " + why).c_str());
}

void CLumo40App::StartAnimationTimer() {
  int period = AnimationTimerPeriod(settings.animationSpeed);
  if (period == 0) return;
  timerRunning_ = SetTimer(MainFrame()->Handle(), kAnimationTimer, static_cast<UINT>(period), AnimationTimerProc) != 0;
  timerPeriod_ = timerRunning_ ? period : 0;
}

void CLumo40App::KillAnimationTimer() {
  if (!timerRunning_) return;
  if (fw::FrameWnd* frame = MainFrame(); frame != nullptr && frame->Handle() != nullptr) {
    KillTimer(frame->Handle(), kAnimationTimer);
  }
  timerRunning_ = false;
  timerPeriod_ = 0;
}

void CLumo40App::RegisterClipboardFormats() {
  for (int i = 0; i < 8; ++i) clipboardFormats_[i] = RegisterClipboardFormatA(kClipboardFormatNames[i]);
}

fw::Document* CLumo40App::OpenDocumentFile(const std::string& path) {
  if (IsWorkspaceFile(path)) {
    // A workspace answers the document of the window it made active.
    if (!OpenWorkspace(path, true)) return nullptr;
    CLumo40View* view = GetViewFromWnd(GetActiveImageWindow());
    return view != nullptr ? view->GetDoc() : nullptr;
  }
  return fw::App::OpenDocumentFile(path);
}

bool CLumo40App::PreTranslateMessage(MSG* msg) {
  // While a scanning source is open every message of the thread, thread
  // messages too (the source manager's notices), reaches it first.
  if (lumora::TwainSourceOpen() && MainFrame() != nullptr &&
      lumora::TwainProcessEvent(msg, MainFrame()->Handle()) != 0) {
    return true;
  }
  // The animation tick: one WM_TIMER to the frame, without waking the
  // whole idle sequence again.
  if (msg->message == WM_TIMER && msg->wParam == kAnimationTimer && MainFrame() != nullptr &&
      msg->hwnd == MainFrame()->Handle()) {
    tick_.pending = true;
    SendAnimationTick();
    tick_.pending = false;
    return true;
  }
  // F1 over the main window reaches it as its key (the F1 command of the
  // menu plan, translated below) and, already queued by the system, as
  // WM_KEYF1, which would ask for help a second time: the key alone
  // answers. (Menus and dialogs keep theirs.)
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1 && MainFrame() != nullptr &&
      GetAncestor(msg->hwnd, GA_ROOT) == MainFrame()->Handle()) {
    MSG queued;
    while (PeekMessageA(&queued, nullptr, kMsgKeyF1, kMsgKeyF1, PM_REMOVE)) {
    }
  }
  bool handled = false;
  if (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP || msg->message == WM_SYSKEYDOWN ||
      msg->message == WM_SYSKEYUP) {
    RefreshCursorOnKey(*msg);
  }
  if (hooksInstalled_) {
    LU_MSG offered{msg->hwnd, msg->message, msg->wParam, msg->lParam};
    handled = LUIsSomethingInterest(Site(), &offered, kLUPassQueue, nullptr) != 0;
  }
  SplashPreTranslate(*msg);
  return handled || fw::App::PreTranslateMessage(msg);
}

void CLumo40App::RefreshCursorOnKey(const MSG&) {
  POINT cursor{};
  if (!GetCursorPos(&cursor)) return;
  HWND under = WindowFromPoint(cursor);
  // Only our own windows: a send to a hung program's window would hang us.
  if (under == nullptr || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId()) return;
  if (SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) == HTCLIENT) {
    SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
}

bool CLumo40App::OnIdle(int count) { return RunIdlePass(count, tick_, *this); }

bool CLumo40App::BaseIdle(int count) {
  const bool more = fw::App::OnIdle(count);
  // The bars of an image edited in place are not the main frame's.
  if (count == 0) lumora::UpdateInPlaceBars();
  return more;
}

void CLumo40App::FlushServerItems() {
  for (fw::Document* doc : Docs().AllDocuments()) {
    if (auto* image = dynamic_cast<CLumo40Doc*>(doc)) image->FlushServerItemUpdate();
  }
}

void CLumo40App::RestoreSavedPrompts() {
  const bool restoring = prompts.HasSaved();
  prompts.RestoreSaved();
  // The panes show a restored text now, not at the next input.
  fw::FrameWnd* frame = MainFrame();
  if (restoring && frame != nullptr && frame->Handle() != nullptr && IsWindowVisible(frame->Handle())) {
    frame->OnIdleUpdateCmdUI();
  }
}

void CLumo40App::ResetToolHostError() { LUResetError(); }

void CLumo40App::SendAnimationTick() {
  if (fw::FrameWnd* frame = MainFrame(); frame != nullptr && frame->Handle() != nullptr) {
    SendMessageA(frame->Handle(), WM_TIMER, kAnimationTimer, 0);
  }
}

int DocumentImagePlacement::PlaceNewImage(VrWA2000::WA* image) {
  // A new, unsaved document: marked modified so closing it asks first.
  return lumora::PlaceNewImage(image, std::string(), nullptr, true, false) ? 1 : 0;
}

int CLumo40App::ExitInstance() {
  // The end of a session runs the exit steps before the loop ends.
  if (exited_) return exitResult_;
  exited_ = true;
  dde_.Stop();
  lumora::TwainShutdown();
  lumora::SetImagePlacement(nullptr);
  DiscardStackPreload();
  RemoveProgressIndicator();
  if (settingsLoaded_) {
    PullViewSettings(settings);
    SaveSettings(settings, Settings());
  }
  tablet.Stop();
  if (macroLanguageInstalled_) lang::RemoveMacroLanguage();
  macroLanguageInstalled_ = false;
  if (siteReady_) {
    LUSetActiveSelection(Site(), "");  // the area tool's hook goes with the views
    LUEnableMovingSelection(Site(), 0);
    LURemoveGlobalSelection(Site());
    LUPreview_Destroy(Site());
  }
  UnregisterCustomNcDialogClass(Instance());
  if (recentWorkspaces_) recentWorkspaces_->Save(Settings());
  toolMenus.Clear();
  if (menuHelpHook_ != nullptr) UnhookWindowsHookEx(menuHelpHook_);
  menuHelpHook_ = nullptr;
  if (hooksInstalled_) RemoveHostHooks(Site(), hookIds_);
  hooksInstalled_ = false;
  if (siteReady_) FreeHostSite(site_);
  if (printingReady_) endPrinting();
  printingReady_ = false;
  siteReady_ = false;
  if (oleReady_) {
    if (settings.emptyClipboardOnExit != 0) {
      OleSetClipboard(nullptr);
    } else {
      fw::WaitCursor wait;
      OleFlushClipboard();
    }
  }
  if (settingsLoaded_) {
    SaveClipboardOptions(settings, Settings());
    SaveColors(settings, Settings());
  }
  int result = fw::App::ExitInstance();
  exitResult_ = result;
  RemoveAppViewShell();
  RevokeAutomationFactory();
  RevokeEmbeddingFactory();
  if (oleReady_) OleUninitialize();
  oleReady_ = false;
  return result;
}

bool CLumo40App::ShowHelp(HWND owner, UINT command, std::uintptr_t data, const std::string& file) {
  const std::string& path = file.empty() ? helpFilePath : file;
  if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    MessageBoxA(GetActiveTopLevelWnd(), res::FormatString(IDS_HELP_FILE_MISSING, {path}).c_str(),
                LoadResString(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONINFORMATION);
    return false;
  }
  if (::WinHelpA(owner, path.c_str(), command, data) != 0) return true;
  MessageBoxA(GetActiveTopLevelWnd(), LoadResString(IDS_FW_FAILED_TO_LAUNCH_HELP).c_str(),
              LoadResString(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONEXCLAMATION);
  return false;
}

void CLumo40App::WinHelp(std::uintptr_t data, UINT command) {
  fw::WaitCursor wait;
  fw::FrameWnd* frame = MainFrame();
  HWND main = frame != nullptr ? frame->Handle() : nullptr;
  if (main != nullptr) {
    // Menus, drags and captures end before the help window comes up.
    SendMessageA(main, WM_CANCELMODE, 0, 0);
    EnumChildWindows(main, [](HWND child, LPARAM) { SendMessageA(child, WM_CANCELMODE, 0, 0); return TRUE; }, 0);
    if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  }
  ShowHelp(main, command, data);
}

HWND CLumo40App::GetActiveTopLevelWnd() const {
  HWND active = GetActiveImageWindow();
  if (active != nullptr && IsWindow(active)) return GetAncestor(active, GA_ROOT);
  return MainFrame() != nullptr ? MainFrame()->Handle() : nullptr;
}

void CLumo40App::ShowImageStatus(HWND window) {
  if (imageStatusEntry_ == 0) imageStatusEntry_ = prompts.Add(2, 0, true);
  CLumo40View* view = GetViewFromWnd(window);
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  CLayersManager* layers = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  std::string text = NoImageStatusText();
  if (layers != nullptr) {
    const int type = layers->GetImageType();
    const int bits = type == 1 ? 1 : type == 2 ? 4 : type == 16 ? 24 : 8;
    text = ImageStatusText(type, bits, layers->GetWidth(), layers->GetHeight(), view->ImageUnitsPerPixel());
  }
  // Called at every idle pass: only a change is shown.
  if (window == imageStatusWindow_ && text == imageStatusText_) return;
  // Another image, or the image's type changed: the colours follow.
  SyncColorsToActiveImage(true);
  imageStatusWindow_ = window;
  imageStatusText_ = text;
  prompts.SetText(imageStatusEntry_, text.c_str());
}

std::uint16_t CLumo40App::UILanguage() {
  if (uiLanguage_ < 0) uiLanguage_ = ReadUILanguageFrom(appFolder_);
  return static_cast<std::uint16_t>(uiLanguage_);
}

// Hook host.

bool CLumo40App::IsOpenImageView(void* window) {
  HWND w = static_cast<HWND>(window);
  return lumora::IsImageViewWnd(w) && !IsIconic(GetParent(w));
}

bool CLumo40App::ImagePointAt(void* view, std::intptr_t lParam, POINT& point) {
  CLumo40View* v = GetViewFromWnd(static_cast<HWND>(view));
  CLumo40Doc* doc = v != nullptr && v->HasDrawContext() ? v->GetDoc() : nullptr;
  CLayersManager* layers = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (layers == nullptr || layers->GetWidth() <= 0 || layers->GetHeight() <= 0) return false;
  const POINT client{static_cast<std::int16_t>(LOWORD(lParam)), static_cast<std::int16_t>(HIWORD(lParam))};
  const POINT p = v->WindowPointToImagePixel(client);
  point.x = std::clamp<LONG>(p.x, 0, layers->GetWidth() - 1);
  point.y = std::clamp<LONG>(p.y, 0, layers->GetHeight() - 1);
  return true;
}

std::string CLumo40App::PositionText(void* view, POINT point) {
  CLumo40View* v = GetViewFromWnd(static_cast<HWND>(view));
  return v != nullptr ? v->FormatPosition(point, true) : std::string();
}

void CLumo40App::OnGuidesGridPreferences() { RunPreferences(*this, 1); }

void CLumo40App::OnPreferences(std::uint32_t id) {
  switch (id) {
    case ID_OPTIONS_PREF_GENERAL: RunPreferences(*this, 0); break;
    case ID_OPTIONS_PREF_RULERS: RunPreferences(*this, 2); break;
    case ID_OPTIONS_PREF_PICKER: RunPreferences(*this, 3); break;
    case ID_OPTIONS_PREF_SELECTION: RunPreferences(*this, 4); break;
    case ID_OPTIONS_PREF_TABLET: RunPreferences(*this, 5); break;
    default: break;
  }
}

namespace {

constexpr unsigned kMonitorGammaHelpTopic = 328;

// The gamma in the settings and in every view's draw context, shown at once;
// the navigator follows.
void ApplyMonitorGamma(void* context, std::int32_t r, std::int32_t g, std::int32_t b) {
  auto* app = static_cast<CLumo40App*>(context);
  app->settings.gammaR = r;
  app->settings.gammaG = g;
  app->settings.gammaB = b;
  VR_GAMMAOPT& gamma = CurrentViewSettings().gamma;
  gamma.GammaR = r;
  gamma.GammaG = g;
  gamma.GammaB = b;
  LUSetSelColorWindowGamma(app->Site(), r, g, b);
  CLumo40View::RefreshAllViewsSettings();
  if (CMainFrame* main = app->MainFrameWnd()) {
    main->UpdateNavigator();
    main->Navigator().DisplaySettingsChanged();
  }
}

void MonitorGammaHelp(void* context) {
  auto* app = static_cast<CLumo40App*>(context);
  app->ShowHelp(app->MainFrame() != nullptr ? app->MainFrame()->Handle() : nullptr, HELP_CONTEXT,
                kMonitorGammaHelpTopic);
}

}  // namespace

void CLumo40App::OnMonitorGamma() {
  VR_GAMMAOPT gamma{settings.gammaR, settings.gammaG, settings.gammaB};
  const VR_GAMMACALLBACKS callbacks{&ApplyMonitorGamma, &MonitorGammaHelp};
  SelectGamma(MainFrame() != nullptr ? MainFrame()->Handle() : nullptr, &gamma, &callbacks, this);
}

std::string CLumo40App::ColorFolder() const {
  char system[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryA(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(system) + "\\spool\\drivers\\color";
}

void CLumo40App::ReadSystemColorManagement() {
  ColorManagementSettings& r = colorManagement;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\Monitor\\0000", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD size = sizeof r.monitorDescription - 1;
    RegQueryValueExA(key, "DriverDesc", nullptr, nullptr, reinterpret_cast<BYTE*>(r.monitorDescription), &size);
    RegCloseKey(key);
  }
  char path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {
    if (GetICMProfileA(display, &size, path)) SetField(r.monitorProfile, path);
    DeleteDC(display);
  }
  if (r.monitorProfile[0] == '\0') SetField(r.monitorProfile, kSrgbProfileName);
  // The default printer: the name before the first comma of the
  // "windows"/"device" entry.
  char device[512] = {};
  GetProfileStringA("windows", "device", "", device, sizeof device);
  std::string printer(device);
  printer = printer.substr(0, printer.find(','));
  SetField(r.printerName, printer);
  if (!printer.empty()) {
    if (HDC dc = CreateDCA(nullptr, printer.c_str(), nullptr, nullptr)) {
      size = MAX_PATH;
      path[0] = '\0';
      if (GetICMProfileA(dc, &size, path)) SetField(r.printerProfile, path);
      DeleteDC(dc);
    }
  }
  SetField(r.targetProfile, r.printerProfile);
}

void CLumo40App::SetUpColorManagement() {
  ResetColorManagementNotices();
  CurrentViewSettings().colorProfiles = DisplayProfiles(colorManagement, ColorFolder());
  CLumo40View::RefreshAllViewsSettings();
  if (CMainFrame* main = MainFrameWnd()) {
    main->UpdateNavigator();
    main->Navigator().DisplaySettingsChanged();
  }
  // The control library's swatches and the shared colour window show their
  // colours through the same profiles.
  const VR_CTLCMRECORD record = ControlsRecord(colorManagement, ColorFolder());
  VrCtlSetColorManagement(&record);
  LUSetupICMSelColorWindow(Site(), record.icmOff != 0 ? nullptr : record.monitorProfile,
                           record.icmOff != 0 || record.proofing == 0 ? nullptr : record.targetProfile,
                           static_cast<int>(record.renderIntent), static_cast<int>(record.proofingIntent));
}

void CLumo40App::OnColorManagement() {
  CColorMatchDlg dialog(&colorManagement, ColorFolder(), [this](ColorManagementSettings& record) {
    WriteColorManagementSettings(record, &settings);
    SetUpColorManagement();
  });
  dialog.DoModal();
}

void CLumo40App::SetAnimationSpeed(int speed) {
  KillAnimationTimer();
  settings.animationSpeed = speed;
  StartAnimationTimer();
}

void CLumo40App::SetMemoryPercent(int percent) {
  settings.memoryPercent = percent > 100 ? 100 : percent;
  SetMemoryLimit();
}

void CLumo40App::OnEditPasteAsNewImage() { lumora::OnEditPasteAsNewImage(); }

void CLumo40App::OnUpdateEditPasteAsNewImage(fw::CmdUI& ui) { lumora::OnUpdateEditPasteAsNewImage(ui); }

void CLumo40App::OnUpdateAlwaysOn(fw::CmdUI& ui) { ui.Enable(FilterCommandEnable(ui.Id(), true)); }

std::intptr_t CLumo40App::MainFrameHandle(const LU_MSG& msg) {
  CMainFrame* frame = MainFrameWnd();
  if (frame == nullptr || frame->Handle() == nullptr) return 0;
  return frame->OwnWindowProc(msg.message, msg.wParam, msg.lParam);
}

bool CLumo40App::OwnedByMainFrame(void* window) {
  return MainFrame() != nullptr && GetWindow(static_cast<HWND>(window), GW_OWNER) == MainFrame()->Handle();
}

void CLumo40App::SendToMainFrame(std::uint32_t message, std::uintptr_t wParam) {
  if (MainFrame() != nullptr) SendMessageA(MainFrame()->Handle(), message, wParam, 0);
}

void CLumo40App::WinMenuAddPane(void* window) { LUWinMenu_AddWnd(Site(), window, 0, 1); }

void CLumo40App::WinMenuDelete(void* window) { LUWinMenu_DeleteWnd(Site(), window); }

void CLumo40App::WinMenuSetActive(void* window) { LUWinMenu_SetActiveWnd(Site(), window); }

std::intptr_t CLumo40App::PaneDialogProc(const LU_MSG& msg) {
  return LUPaneDlgProcInternal(Site(), msg.window, msg.message, msg.wParam, msg.lParam);
}

}  // namespace lumora
