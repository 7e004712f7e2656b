// The main frame's toolbars: creation and docking, show and hide, large
// buttons, tips, the selection combine mode and the bars' places at start.
#include <algorithm>
#include <array>

#include "app/win/AppToolMenus.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "document/win/TextTool.h"
#include "framework/CommandIds.h"
#include "framework/StringSource.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "ui/CtrlViewerLayout.h"
#include "ui/win/CustomizeDlg.h"
#include "ui/win/OwnerDrawControls.h"
#include "ui/win/ToolbarImages.h"

namespace lumora {

bool CMainFrame::CreateBars() {
  CLumo40App* app = TheLumoApp();
  const bool small = app->settings.smallButtons != 0;
  const ToolbarSizes sizes = ToolbarSizesFor(small);
  EnableDocking(fw::kAlignAny);
  auto nameOf = [this](std::uint32_t id) { return AreaOrToolName(id); };
  struct Plan {
    CLUToolBar* bar;
    std::uint32_t id;
    std::uint32_t smallResource, largeResource;
    bool visible;
  };
  const Plan plans[] = {
      {&mainBar_, ID_VIEW_TOOLBAR, kMainBarSmall, kMainBarLarge, true},
      {&brushBar_, IDW_BRUSH_BAR, kBrushBarSmall, kBrushBarLarge, true},
      // Shown once the area tools are known.
      {&selectBar_, ID_VIEW_SELECTION_BAR, kSelectBarSmall, kSelectBarLarge, false},
      // The user's tools only: shown when there are some.
      {&toolsBar_, IDW_TOOLS_BAR, 0, 0, false},
  };
  for (const Plan& p : plans) {
    p.bar->SetDefaultResource(small ? p.smallResource : p.largeResource);
    p.bar->toolName = nameOf;
    p.bar->openOptions = [this](std::uint32_t id) { OpenToolOptions(id); };
    if (!p.bar->CreateBar(this, WS_CHILD | (p.visible ? WS_VISIBLE : 0), p.id)) return false;
    p.bar->ApplySizes(sizes);
    p.bar->EnableDocking(fw::kAlignAny);
  }
  toolsBar_.readTools = [app] {
    return ReadDefTools(*app->Settings().Snapshot(), [app](const std::string& name) -> std::uint32_t {
      const int tool = LUGetRegToolIDNumber(app->Site(), name.c_str(), 0);
      return tool != 0 && app->toolMenus.Built() ? app->toolMenus.FindToolCommand(tool) : 0;
    });
  };
  toolsBar_.toolIcon = [app](std::uint32_t command, SIZE size, const ResourceModules& libraries) -> HBITMAP {
    const int tool = app->toolMenus.ToolOfCommand(command, true);
    return tool != 0 ? GetRegToolIcon(app->Site(), tool, size, libraries) : nullptr;
  };
  SetSelectionModeHandlers([this](int mode) { SetSelectionMode(mode); }, [this] { return selectionMode_; });
  if (!mainBar_.ResetButtons() || !brushBar_.ResetButtons() || !selectBar_.ResetButtons()) return false;
  DockControlBar(&mainBar_, fw::DockSide::kTop);
  DockControlBar(&brushBar_, fw::DockSide::kLeft);
  DockControlBar(&selectBar_, fw::DockSide::kTop);
  DockControlBar(&toolsBar_, fw::DockSide::kRight);
  return true;
}

void CMainFrame::RestoreBars() {
  CLumo40App* app = TheLumoApp();
  std::vector<AreaToolButton> tools;
  for (const RegisteredAreaTool& t : app->areaTools.Tools()) tools.push_back({t.command, t.name});
  selectBar_.AddAreaToolButtons(tools);
  ShowControlBar(&selectBar_, !tools.empty(), true);
  toolsBar_.ResetButtons();
  // The button layouts of layout files 1 to 4.
  int file = 0;
  for (CCToolBar* bar : Bars()) bar->LoadState(app->ToolbarStateFile(file++));
  DockSelectBarBesideToolbar();
  LoadBarState(app->SettingsPath());
  // The start-up benchmark measures the start without bars against with them.
  char off[4] = {};
  if (GetEnvironmentVariableA("LUMORA_BENCH_BARS_OFF", off, sizeof off) > 0 && off[0] == '1') {
    for (CCToolBar* bar : Bars()) ShowControlBar(bar, false, true);
  }
  RecalcLayout();
}

std::array<CCToolBar*, 4> CMainFrame::Bars() { return {&mainBar_, &brushBar_, &selectBar_, &toolsBar_}; }

void CMainFrame::SaveBarLayouts() {
  int file = 0;
  for (CCToolBar* bar : Bars()) {
    if (bar->Handle() != nullptr) bar->SaveState(TheLumoApp()->ToolbarStateFile(file));
    ++file;
  }
}

void CMainFrame::DockSelectBarBesideToolbar() {
  const fw::DockedBarsLayout layout = CurrentBarLayout();
  const fw::SideLayout& top = layout.sides[static_cast<std::size_t>(fw::DockSide::kTop)];
  const auto main = std::find_if(top.bars.begin(), top.bars.end(),
                                 [](const fw::PlacedBar& b) { return b.id == ID_VIEW_TOOLBAR; });
  if (main == top.bars.end() || !selectBar_.IsVisible()) return;
  // Beside the main bar only when it fits within the frame.
  const SIZE size = selectBar_.CalcFixedLayout(true);
  RECT client{};
  GetClientRect(Handle(), &client);
  if (main->rect.right - 2 + size.cx > client.right) return;
  fw::DockPlace place = fw::PlaceOf(fw::DockSide::kTop, top, ID_VIEW_TOOLBAR);
  place.newRow = false;
  place.index += 1;
  DockControlBarAt(&selectBar_, place);
}

void CMainFrame::SetSelectionMode(int mode) {
  static bool inProgress = false;
  selectionMode_ = mode == 0 ? 1 : mode;
  if (!inProgress) {
    inProgress = true;
    for (HWND combo : CCToolBar::FindControlButtons(ID_SELECTION_MODE_COMBO)) {
      if (auto* control = dynamic_cast<CMySBComboBox*>(fw::Window::FromHandle(combo))) control->SelectMode(selectionMode_);
    }
    inProgress = false;
  }
  LUSetSelectionMode(TheLumoApp()->Site(), selectionMode_);
}

std::string CMainFrame::AreaOrToolName(std::uint32_t id) {
  CLumo40App* app = TheLumoApp();
  if (id >= kFirstAreaCommand && id <= kLastAreaCommand) {
    const RegisteredAreaTool* tool = app->areaTools.ByCommand(id);
    return tool != nullptr ? tool->name : std::string();
  }
  if (id >= 500 && id <= 899) {
    std::string name;
    const int tool = app->toolMenus.ToolOfCommand(id, true);
    if (tool != 0) LoadRegToolString(app->Site(), tool, &name, 4);
    return name;
  }
  return {};
}

std::string CMainFrame::GetToolTipText(std::uint32_t id) {
  if ((id >= kFirstAreaCommand && id <= kLastAreaCommand) || (id >= 500 && id <= 899)) {
    return ClipToolTip(AreaOrToolName(id));
  }
  return ClipToolTip(fw::MdiFrame::GetToolTipText(id));
}

void CMainFrame::OnViewPaintBar() { ShowControlBar(&brushBar_, !brushBar_.IsVisible(), false); }

void CMainFrame::OnUpdateViewPaintBar(fw::CmdUI& ui) { ui.SetCheck(brushBar_.IsVisible() ? 1 : 0); }

void CMainFrame::OnViewSelectionBar() { ShowControlBar(&selectBar_, !selectBar_.IsVisible(), false); }

void CMainFrame::OnUpdateViewSelectionBar(fw::CmdUI& ui) {
  const bool areaTools = !TheLumoApp()->areaTools.Empty();
  ui.Enable(areaTools);
  ui.SetCheck(areaTools && selectBar_.IsVisible() ? 1 : 0);
}

void CMainFrame::OnLargeButtons() {
  CLumo40App* app = TheLumoApp();
  if (app->MessageBoxFromId(IDS_RESET_ALL_TOOLBARS, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  app->settings.smallButtons = app->settings.smallButtons != 0 ? 0 : 1;
  const bool small = app->settings.smallButtons != 0;
  const ToolbarSizes sizes = ToolbarSizesFor(small);
  for (CLUToolBar* bar : {static_cast<CLUToolBar*>(&mainBar_), static_cast<CLUToolBar*>(&brushBar_),
                          static_cast<CLUToolBar*>(&selectBar_), static_cast<CLUToolBar*>(&toolsBar_)}) {
    bar->ApplySizes(sizes);
    bar->SetLargeButtons(!small);
    if (bar->CanReset()) bar->ResetButtons();
    bar->UpdateLayout();
  }
}

void CMainFrame::OpenToolOptions(std::uint32_t command) {
  CLumo40App* app = TheLumoApp();
  switch (command) {
    case 32835: case 32889: case 32891: case 32892: case 32894:
    case 32895: case 32896: case 32898: case 32902: case 32903:
      if (paintAttributes_.Exists() && !IsWindowVisible(paintAttributes_.Handle())) paintAttributes_.ShowWindowState(true);
      return;
    case 32945:
      // The colour window for the swatch it was last opened from.
      SendMessageA(Handle(), WM_COMMAND, app->colourWindowEditsFore ? IDC_FORE_SWATCH : IDC_BACK_SWATCH, 0);
      return;
    case 40031: case 40035: case 40036:
      LUOpenGSelectionTunerDlg(app->Site(), nullptr);
      return;
    case ID_IMAGE_TEXT: case ID_IMAGE_TEXT_SELECTION: {
      // The text dialog on the active image window's layer.
      fw::FrameWnd* active = GetActiveFrame();
      auto* doc = active != nullptr && active != this ? dynamic_cast<CLumo40Doc*>(active->GetActiveDocument()) : nullptr;
      ShowTextDialog(doc);
      return;
    }
    default: break;
  }
  if (command >= kFirstAreaCommand && command <= kLastAreaCommand) {
    if (const RegisteredAreaTool* tool = app->areaTools.ByCommand(command)) {
      LUOpenGSelectionTunerDlg(app->Site(), tool->name.c_str());
    }
  }
}

void CMainFrame::OnCustomizeToolbars() { CustomizeToolbars(this, {&mainBar_, &brushBar_, &toolsBar_, &selectBar_}); }

void CMainFrame::CustomizeToolbars(fw::Window* frame, const std::vector<CCToolBar*>& bars) {
  if (CCustomizeDlg::Open() != nullptr) return;
  CLumo40App* app = TheLumoApp();
  const bool small = app->settings.smallButtons != 0;
  const ToolbarSizes sizes = ToolbarSizesFor(small);
  CCustomizeDlg* dialog = CreateCustomizeDlg(fw::ResourceString(IDS_CUSTOMIZE), frame, bars);
  // Hidden bars with all their buttons lend the collection its buttons.
  auto nameOf = [this](std::uint32_t id) { return AreaOrToolName(id); };
  auto make = [&](std::unique_ptr<CLUToolBar> bar, std::uint32_t id, std::uint32_t smallId, std::uint32_t largeId) {
    bar->SetDefaultResource(small ? smallId : largeId);
    bar->toolName = nameOf;
    if (!bar->CreateBar(this, WS_CHILD, id)) return std::unique_ptr<CLUToolBar>();
    bar->ApplySizes(sizes);
    bar->ResetButtons();
    return bar;
  };
  std::unique_ptr<CLUToolBar> brush =
      make(std::make_unique<CBrushBar>(IDS_BAR_PAINT, 0), 59502, kBrushBarSmall, kBrushBarLarge);
  std::unique_ptr<CLUToolBar> main =
      make(std::make_unique<CLUToolBar>(IDS_BAR_STANDARD, 0), 59492, kMainBarSmall, kMainBarLarge);
  std::unique_ptr<CLUToolBar> select =
      make(std::make_unique<CSelectBar>(IDS_BAR_SELECTION, 0), 59503, kSelectBarSmall, kSelectBarLarge);
  std::unique_ptr<CLUToolBar> tools =
      make(std::make_unique<CLUToolBar>(IDS_BAR_TOOLS, 0), 59504, kToolsBarSmall, kToolsBarLarge);
  if (auto* s = dynamic_cast<CSelectBar*>(select.get())) {
    std::vector<AreaToolButton> area;
    for (const RegisteredAreaTool& t : app->areaTools.Tools()) area.push_back({t.command, t.name});
    s->AddAreaToolButtons(area);
  }
  auto add = [&](std::uint32_t category, std::initializer_list<std::uint32_t> ids, CLUToolBar* bar) {
    const std::string name = fw::ResourceString(category);
    CustomizeDlgAddCategory(dialog, name);
    for (std::uint32_t id : ids) CustomizeDlgAddToolBarButton(dialog, id, bar, name);
  };
  add(IDS_CAT_FILE, {57600, 57601, 57603, 57607}, main.get());
  add(IDS_CAT_EDIT, {57635, 57634, 57637, 57643, 57644, 32944}, main.get());
  add(IDS_CAT_EDIT, {32826}, select.get());
  add(IDS_CAT_VIEW, {33114, 32805, 32977}, main.get());
  add(IDS_CAT_VIEW, {33108}, tools.get());
  CustomizeDlgAddToolBarButtons(dialog, brush.get(), fw::ResourceString(IDS_CAT_BRUSHES));
  CustomizeDlgAddToolBarButtons(dialog, select.get(), fw::ResourceString(IDS_CAT_SELECTION));
  CustomizeDlgRemoveButton(dialog, fw::ResourceString(IDS_CAT_SELECTION), 32826);
  AddToolsToCustomize(dialog, sizes);
  add(IDS_CAT_TRANSFORMATION, {33109, 32954}, tools.get());
  add(IDS_CAT_HELP, {57664, 57669}, main.get());
  for (auto* bar : {brush.get(), main.get(), select.get(), tools.get()}) {
    if (bar != nullptr && bar->Handle() != nullptr) bar->DestroyWindow();
  }
  if (!CustomizeDlgCreateWindow(dialog)) delete dialog;
}

void CMainFrame::AddToolsToCustomize(CCustomizeDlg* dialog, const ToolbarSizes& sizes) {
  CLumo40App* app = TheLumoApp();
  if (!app->toolMenus.Built()) return;
  static constexpr std::uint32_t kGroups[] = {IDS_CAT_COLOR,      IDS_CAT_EFFECT,      IDS_CAT_TRANSFORMATION,
                                              IDS_CAT_PROCESSING, IDS_CAT_ENHANCEMENT, IDS_CAT_MISCELLANEOUS};
  // Tools without a picture of their own show bitmap 245 on the face.
  HBITMAP plain = CreateMappedBitmap(GetModuleHandleA(nullptr), IDB_TOOL_BUTTON, 0, nullptr, 0);
  ResourceModules libraries;
  LoadResourceModules(ProgramFilePath(), libraries);
  for (int tool = LUGetRegToolItem(app->Site(), 0); tool != 0; tool = LUGetRegToolItem(app->Site(), tool)) {
    const std::uint32_t command = app->toolMenus.FindToolCommand(tool);
    if (command == 0) continue;
    char group[64] = {};
    LUGetRegToolGroupName(app->Site(), tool, 0, group, sizeof group);
    std::string name, prompt;
    LoadRegToolString(app->Site(), tool, &name, 4);
    LoadRegToolString(app->Site(), tool, &prompt, 3);
    TBBUTTON b{};
    b.idCommand = static_cast<int>(command);
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = BTNS_BUTTON;
    b.iString = -1;
    HBITMAP image = GetRegToolIcon(app->Site(), tool, SIZE{sizes.imageWidth, sizes.imageHeight}, libraries);
    if (image == nullptr && plain != nullptr) {
      BITMAP info{};
      GetObjectA(plain, sizeof info, &info);
      HDC screen = GetDC(nullptr);
      HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
      image = CreateCompatibleBitmap(screen, sizes.imageWidth, sizes.imageHeight);
      HGDIOBJ a = SelectObject(from, plain), c = SelectObject(to, image);
      RECT all{0, 0, sizes.imageWidth, sizes.imageHeight};
      FillRect(to, &all, GetSysColorBrush(COLOR_BTNFACE));
      BitBlt(to, (sizes.imageWidth - info.bmWidth) / 2, (sizes.imageHeight - info.bmHeight) / 2, info.bmWidth,
             info.bmHeight, from, 0, 0, SRCCOPY);
      SelectObject(from, a);
      SelectObject(to, c);
      DeleteDC(from);
      DeleteDC(to);
      ReleaseDC(nullptr, screen);
    }
    const std::uint32_t category = kGroups[ToolCategoryOfGroup(group)];
    CustomizeDlgAddButton(dialog, fw::ResourceString(category), b, name, prompt, image);
  }
  if (plain != nullptr) DeleteObject(plain);
}

void CMainFrame::OnUpdateCustomizeToolbars(fw::CmdUI& ui) {
  const bool open = CCustomizeDlg::Open() != nullptr;
  ui.SetCheck(open ? 1 : 0);
  ui.Enable(!open);
}

void CMainFrame::OnUpdateLargeButtons(fw::CmdUI& ui) { ui.SetCheck(TheLumoApp()->settings.smallButtons == 0 ? 1 : 0); }

}  // namespace lumora
