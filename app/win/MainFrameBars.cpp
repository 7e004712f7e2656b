// The main frame's toolbars: creation and docking, show and hide, large
// buttons, tips, the selection combine mode and the bars' places at start.
#include <algorithm>
#include <array>

#include "app/win/AppToolMenus.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "framework/CommandIds.h"
#include "framework/StringSource.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "ui/win/OwnerDrawControls.h"

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

void CMainFrame::OnUpdateLargeButtons(fw::CmdUI& ui) { ui.SetCheck(TheLumoApp()->settings.smallButtons == 0 ? 1 : 0); }

}  // namespace lumora
