// Workspaces in the running program: File/Open Workspace..., Save
// Workspace..., the recent workspaces and ".luw" files from the shell, a
// drop or a second start. The windows and views are gathered into the
// file's records (app/Workspace.h) and made again from them.
#include <algorithm>
#include <filesystem>

#include "app/Workspace.h"
#include "app/win/AppToolMenus.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/win/DocView.h"
#include "framework/win/Frame.h"
#include "framework/win/RecentFileListWin32.h"
#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "select/storeSel.h"
#include "view/Rulers.h"
#include "view/win/ChildFrame.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

std::string Str(std::uint32_t id) { return std::string(res::String(id)); }

bool IsWorkspacePath(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  return lstrcmpiA(path.c_str() + dot + 1, Str(IDS_WORKSPACE_EXTENSION).c_str()) == 0;
}

std::vector<CLumo40Doc*> ImageDocuments(CLumo40App& app) {
  std::vector<CLumo40Doc*> docs;
  for (fw::Document* doc : app.Docs().AllDocuments()) {
    if (auto* image = dynamic_cast<CLumo40Doc*>(doc)) docs.push_back(image);
  }
  return docs;
}

bool Modified(CLumo40Doc* doc) { return doc->IsModified() || doc->Image().IsModified(); }

// The open tool panes, in the window list's order.
std::vector<WorkspaceTool> CollectToolPanes(const void* site, HWND main) {
  std::vector<WorkspaceTool> tools;
  std::string last;
  for (HWND w = GetWindow(main, GW_HWNDFIRST); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!LUIsPaneDlgWindow(site, w)) continue;
    LUPaneDialog* dialog = LUHWNDToPaneDialog(site, w);
    for (LUPane* pane = LUGetNextPane(site, dialog, nullptr); pane != nullptr;
         pane = LUGetNextPane(site, dialog, pane)) {
      const LU_PANEDATA* data = LUGetPaneData(site, pane);
      if (data == nullptr || data->tool == nullptr) continue;
      const int number = LUGetToolID(data->tool) & 0xFFFF;
      LU_REGTOOLINFO info{};
      if (!LUGetRegToolInfo(site, number, 1, &info)) continue;
      const std::uint32_t kind = info.flags & 7;
      if (kind == 4 || kind == 5) continue;  // area types
      char name[64] = {};
      LUGetRegToolIDName(site, number, 1, name, sizeof name);
      if (name[0] == '\0' || lstrcmpA(name, "##lu_Area_Type") == 0 || last == name) continue;
      last = name;
      WorkspaceTool tool;
      tool.idName = name;
      tool.minimized = LUIsDlgIconic(site, dialog) != 0;
      RECT r{};
      if (GetWindowRect(w, &r)) {
        tool.hasPosition = true;
        tool.x = r.left;
        tool.y = r.top;
      }
      tools.push_back(tool);
    }
  }
  return tools;
}

VIEWINFO ViewInfoOf(CLumo40View* view, CLumo40View* active) {
  VIEWINFO info;
  fw::FrameWnd* frame = view->GetParentFrame();
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (frame != nullptr) GetWindowPlacement(frame->Handle(), &placement);
  info.show = placement.showCmd == SW_SHOWMINIMIZED ? 2 : placement.showCmd == SW_SHOWMAXIMIZED ? 3 : 1;
  info.minX = placement.ptMinPosition.x;
  info.minY = placement.ptMinPosition.y;
  info.maxX = placement.ptMaxPosition.x;
  info.maxY = placement.ptMaxPosition.y;
  info.left = placement.rcNormalPosition.left;
  info.top = placement.rcNormalPosition.top;
  info.right = placement.rcNormalPosition.right;
  info.bottom = placement.rcNormalPosition.bottom;
  auto* rulerFrame = dynamic_cast<CVarnoChildFrm*>(frame);
  info.rulers = view->showRulers;
  if (info.rulers) {
    // Reading back shows the rulers again, which grows the frame.
    info.right -= kRulerThickness;
    info.bottom -= kRulerThickness;
  }
  info.rulerUnits = rulerFrame != nullptr ? rulerFrame->RulerUnits() : 2;
  info.activate = view == active;
  info.scale = WorkspaceScaleOfZoom(view->ZoomRatio());
  const POINT scroll = view->GetDeviceScrollPosition();
  info.scrollX = scroll.x;
  info.scrollY = scroll.y;
  info.grid = view->showGrid;
  info.snapToGrid = view->snapToGrid;
  info.guides = view->showGuides;
  info.snapToGuides = view->snapToGuides;
  return info;
}

void ApplyViewInfo(CLumo40View* view, const VIEWINFO& info) {
  fw::FrameWnd* frame = view->GetParentFrame();
  if (frame != nullptr) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.flags = WPF_SETMINPOSITION;
    placement.showCmd = info.show == 2 ? SW_SHOWMINIMIZED : info.show == 3 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement.ptMinPosition = POINT{info.minX, info.minY};
    placement.ptMaxPosition = POINT{info.maxX, info.maxY};
    placement.rcNormalPosition = RECT{info.left, info.top, info.right, info.bottom};
    SetWindowPlacement(frame->Handle(), &placement);
  }
  if (auto* rulerFrame = dynamic_cast<CVarnoChildFrm*>(frame)) rulerFrame->SetRulerUnits(info.rulerUnits);
  if (view->showRulers != info.rulers) view->SetRulersVisible(info.rulers);
  view->SetZoom(info.scale, 100);
  view->ScrollToDevicePosition(POINT{info.scrollX, info.scrollY});
  view->SetShowGrid(info.grid);
  view->SetSnapToGrid(info.snapToGrid);
  view->SetShowGuides(info.guides);
  view->SetSnapToGuides(info.snapToGuides);
}

}  // namespace

bool IsWorkspaceFile(const std::string& path) { return IsWorkspacePath(path); }

std::string CLumo40App::SelectionsFolder() const { return appFolder_ + Str(IDS_SELECTIONS_FOLDER); }

// Modified images and images without a file are saved first (the user may
// refuse, which stops the workspace command).
bool CLumo40App::PrepareWorkspace(bool saving) {
  std::vector<CLumo40Doc*> pending;
  for (CLumo40Doc* doc : ImageDocuments(*this)) {
    if (!doc->embedded && (Modified(doc) || doc->GetPathName().empty())) pending.push_back(doc);
  }
  if (pending.empty()) return true;
  if (DoMessageBox(Str(saving ? IDS_SAVE_BEFORE_SAVING_WORKSPACE : IDS_SAVE_BEFORE_OPENING_WORKSPACE), MB_OKCANCEL,
                   0) != IDOK) {
    return false;
  }
  for (CLumo40Doc* doc : pending) {
    if (doc->GetPathName().empty()) {
      if (!doc->Views().empty() && doc->Views().front()->GetParentFrame() != nullptr) {
        doc->Views().front()->GetParentFrame()->ActivateFrame();
      }
      SendMessageA(MainFrame()->Handle(), WM_COMMAND, ID_FILE_SAVE_AS, 0);
      if (doc->GetPathName().empty()) return false;
    } else if (!doc->DoFileSave()) {
      return false;
    }
  }
  return true;
}

bool CLumo40App::AskWorkspacePath(bool open, std::string* path) {
  char buffer[260] = {};
  lstrcpynA(buffer, path->c_str(), sizeof buffer);
  const std::string title = Str(open ? IDS_OPEN_WORKSPACE_TITLE : IDS_SAVE_WORKSPACE_TITLE);
  const std::string folder = Str(IDS_WORKSPACES_FOLDER);
  const std::string extension = Str(IDS_WORKSPACE_EXTENSION);
  LU_GADGETDLG record{title.c_str(), open ? 1 : 0, folder.c_str(), extension.c_str(), buffer, sizeof buffer};
  if (LUOpenGadgetDialog(Site(), MainFrame()->Handle(), &record) != 1) return false;
  *path = buffer;
  return true;
}

void CLumo40App::ReportWorkspaceFailure(const std::string& path, int code) {
  LUSetErrorStringExt(Site(), 0, path.c_str(), 0);
  LUSetErrorCode(Site(), code, "Lumo40", __LINE__, 0);
  LUPrintErrorState(Site());
}

bool CLumo40App::OpenWorkspace(std::string path, bool addToRecent) {
  if (!path.empty() && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::string name = fs::path(path).stem().string();
    MessageBoxA(GetActiveTopLevelWnd(), FillMessage(IDS_CANT_OPEN_WORKSPACE, name).c_str(),
                Str(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (!PrepareWorkspace(false)) return false;
  if (path.empty() && !AskWorkspacePath(true, &path)) return false;
  CloseAllDocuments(true);
  currentWorkspace_.clear();
  LUDestroyPaneDialogs(Site());
  bool ok = false;
  {
    fw::WaitCursor wait;
    SetCapture(MainFrame()->Handle());
    ok = LoadWorkspace(path);
    ReleaseCapture();
  }
  if (!ok) {
    ReportWorkspaceFailure(path, 19);
    return false;
  }
  currentWorkspace_ = path;
  Settings().WriteString("FILES", "DEFAULWORKSPACEDIR", WorkspaceFolderOf(path));
  if (addToRecent && recentWorkspaces_) recentWorkspaces_->Add(path);
  return true;
}

bool CLumo40App::LoadWorkspace(const std::string& path) {
  std::unique_ptr<fw::Profile> file = fw::OpenProfile(path);
  const std::vector<std::string> paths = ReadWorkspaceImagePaths(*file);
  HWND main = MainFrame()->Handle();
  LUPreview_Enable(Site(), 0, 1);
  EnableWindow(main, FALSE);

  // Tool panes open pinned, so each keeps a pane of its own.
  const int pin = settings.drawingPinPressed;
  settings.drawingPinPressed = 1;
  Settings().WriteInt("PinState", "DrawingPinPressed", 1);
  for (const WorkspaceTool& tool : ReadWorkspaceTools(*file)) {
    const int number = LUGetRegToolIDNumber(Site(), tool.idName.c_str(), 0);
    if (number == 0 || LUCreateToolInstanceByIDNumber(Site(), number, 0) == 0) continue;
    HWND pane = static_cast<HWND>(LUGetPaneDialogWindow(Site(), LUGetActivePaneDialog(Site())));
    if (pane == nullptr || !LUIsPaneDlgWindow(Site(), pane)) continue;
    if (tool.hasPosition) SetWindowPos(pane, nullptr, tool.x, tool.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (tool.minimized) SendMessageA(pane, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  }
  settings.drawingPinPressed = pin;
  Settings().WriteInt("PinState", "DrawingPinPressed", pin);

  CLumo40View* activeView = nullptr;
  int activeShow = 1;
  workspaceFailures_.clear();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    WorkspaceImage image;
    if (!ReadWorkspaceImage(*file, static_cast<int>(i) + 1, &image) ||
        image.viewCount != static_cast<int>(image.views.size()) || image.views.empty()) {
      workspaceFailures_.push_back(paths[i]);
      continue;
    }
    for (VIEWINFO& view : image.views) FitViewToScreen(view, screenWidth, screenHeight);
    Fragment* selection = nullptr;
    if (!image.selection.empty()) {
      int status = 0;
      const std::string file = SelectionsFolder() + "\\" + image.selection + Str(IDS_SELECTION_EXTENSION);
      selection = LoadSelectionFromFile(&status, file.c_str());
    }
    const RECT keep = CChildFrame::placement;
    const VIEWINFO& first = image.views[0];
    CChildFrame::placement = RECT{first.left, first.top, first.right, first.bottom};
    auto* doc = dynamic_cast<CLumo40Doc*>(fw::App::OpenDocumentFile(image.path));
    if (doc == nullptr || doc->Views().empty()) {
      CChildFrame::placement = keep;
      if (selection != nullptr) DeleteFragment(selection);
      workspaceFailures_.push_back(image.path);
      continue;
    }
    if (CLayersManager* stack = doc->Image().GetLayers(); image.activeLayer < stack->GetLayerCount()) {
      doc->Image().SetActiveLayerByIndex(image.activeLayer, true, false);
    }
    for (std::size_t v = 1; v < image.views.size(); ++v) {
      const VIEWINFO& next = image.views[v];
      CChildFrame::placement = RECT{next.left, next.top, next.right, next.bottom};
      if (doc->Views().front()->GetParentFrame() != nullptr) doc->Views().front()->GetParentFrame()->ActivateFrame();
      MainFrameWnd()->OnWindowNew();
    }
    CChildFrame::placement = keep;
    const std::vector<fw::View*> views = doc->Views();
    for (std::size_t v = 0; v < views.size() && v < image.views.size(); ++v) {
      auto* view = dynamic_cast<CLumo40View*>(views[v]);
      if (view == nullptr) continue;
      ApplyViewInfo(view, image.views[v]);
      if (activeView == nullptr && image.views[v].activate) {
        activeView = view;
        activeShow = image.views[v].show;
      }
    }
    if (selection != nullptr) {
      doc->Image().SetSelection(selection, false);
      DeleteFragment(selection);
      LUUpdateGSelection(Site());
    }
  }
  if (activeView != nullptr && activeView->GetParentFrame() != nullptr) {
    activeView->GetParentFrame()->ActivateFrame(activeShow == 2 ? SW_SHOWMINIMIZED
                                                : activeShow == 3 ? SW_SHOWMAXIMIZED
                                                                  : SW_SHOWNORMAL);
  }
  EnableWindow(main, TRUE);
  SetActiveWindow(main);
  SetFocus(main);
  LUPreview_Enable(Site(), 1, 1);
  return true;
}

bool CLumo40App::SaveWorkspaceCmd(std::string path) {
  if (!PrepareWorkspace(true)) return false;
  if (path.empty()) path = currentWorkspace_;
  if (!AskWorkspacePath(false, &path)) return false;
  bool ok = false;
  {
    fw::WaitCursor wait;
    SetCapture(MainFrame()->Handle());
    ok = WriteWorkspace(path);
    ReleaseCapture();
  }
  if (!ok) {
    ReportWorkspaceFailure(path, 21);
    return false;
  }
  currentWorkspace_ = path;
  Settings().WriteString("FILES", "DEFAULWORKSPACEDIR", WorkspaceFolderOf(path));
  if (recentWorkspaces_) recentWorkspaces_->Add(path);
  return true;
}

bool CLumo40App::WriteWorkspace(const std::string& path) {
  CLumo40View* active = GetViewFromWnd(GetActiveImageWindow());
  WorkspaceContent content;
  content.tools = CollectToolPanes(Site(), MainFrame()->Handle());
  std::unique_ptr<fw::Profile> old = fw::OpenProfile(path);
  std::vector<std::string> used;
  const std::string folder = SelectionsFolder();
  const std::string extension = Str(IDS_SELECTION_EXTENSION);
  for (CLumo40Doc* doc : ImageDocuments(*this)) {
    if (doc->embedded || doc->GetPathName().empty()) continue;
    WorkspaceImage image;
    image.path = doc->GetPathName();
    CLayersManager* stack = doc->Image().GetLayers();
    image.activeLayer = stack != nullptr && stack->GetActiveLayer() != nullptr
                            ? std::max(0, stack->GetLayerIndex(stack->GetActiveLayer()))
                            : 0;
    const int count = std::min(50, std::max(1, static_cast<int>(doc->Views().size())));
    image.viewCount = count;
    for (fw::View* v : doc->Views()) {
      auto* view = dynamic_cast<CLumo40View*>(v);
      if (view == nullptr || static_cast<int>(image.views.size()) >= count) continue;
      image.views.push_back(ViewInfoOf(view, active));
    }
    if (Fragment* selection = doc->Image().GetSelection()) {
      // An image saved here before keeps its selection file's name.
      std::string name = ReusableSelectionName(*old, image.path);
      if (name.empty() || std::find(used.begin(), used.end(), name) != used.end()) {
        name = FreeSelectionName([&](const std::string& n) {
          return std::find(used.begin(), used.end(), n) != used.end() ||
                 GetFileAttributesA((folder + "\\" + n + extension).c_str()) != INVALID_FILE_ATTRIBUTES;
        });
      }
      CreateDirectoryA(folder.c_str(), nullptr);
      if (!name.empty() && SaveSelectionToFile(selection, (folder + "\\" + name + extension).c_str()) == 1) {
        image.selection = name;
        used.push_back(name);
      }
    }
    content.images.push_back(image);
  }
  return SaveWorkspaceFile(path, content, [](const std::string& p) { return fw::OpenProfile(p); });
}

void CLumo40App::OnOpenWorkspace() { OpenWorkspace(std::string(), true); }

void CLumo40App::OnSaveWorkspace() { SaveWorkspaceCmd(std::string()); }

void CLumo40App::OnUpdateSaveWorkspace(fw::CmdUI& ui) {
  const bool enable = IsImageViewWnd(GetActiveImageWindow()) || HasPaneDialog();
  ui.Enable(FilterCommandEnable(ui.Id(), enable));
}

bool CLumo40App::OnOpenRecentWorkspace(std::uint32_t id) {
  if (!recentWorkspaces_ || !recentWorkspaces_->OwnsId(id)) return false;
  const int index = recentWorkspaces_->IndexOfId(id);
  if (index >= recentWorkspaces_->size()) return true;
  const std::string path = (*recentWorkspaces_)[index];
  if (!OpenWorkspace(path, false)) {
    // The list may have changed meanwhile: remove the path, not the slot.
    for (int i = 0; i < recentWorkspaces_->size(); ++i) {
      if ((*recentWorkspaces_)[i] == path) {
        recentWorkspaces_->Remove(i);
        break;
      }
    }
  }
  return true;
}

void CLumo40App::OnUpdateRecentWorkspaces(fw::CmdUI& ui) {
  ui.Enable(FilterCommandEnable(ui.Id(), recentWorkspaces_ && recentWorkspaces_->size() > 0));
}

void CLumo40App::OnInitMenuPopup(HMENU popup) {
  fw::App::OnInitMenuPopup(popup);
  if (recentWorkspaces_) fw::RefillRecentFileMenu(popup, *recentWorkspaces_, "Recent Workspace");
}

}  // namespace lumora
