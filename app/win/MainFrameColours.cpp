// The main frame's colour commands (the swatches, the colour controls on
// the bars, the colours the colour window chooses for the main window) and
// the tablet's messages.
#include <windows.h>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/win/DialogSupport.h"
#include "res/resource.h"
#include "ui/win/ColourControls.h"

namespace lumora {
namespace {

struct ControlSearch {
  HWND found = nullptr;
  bool all = false;  // every control, not only the first
  UINT message = 0;
  WPARAM wParam = 0;
};

bool IsColourControl(HWND window) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  return GetDlgCtrlID(window) == kColourControlId && lstrcmpA(name, kColourControlClass) == 0;
}

BOOL CALLBACK VisitColourControl(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ControlSearch*>(data);
  if (!IsColourControl(window)) return TRUE;
  if (search->found == nullptr) search->found = window;
  SendMessageA(window, search->message, search->wParam, 0);
  return search->all ? TRUE : FALSE;
}

}  // namespace

void InstallColourControlServices(CLumo40App& app) {
  ColourControlServices& s = TheColourControlServices();
  s.colour = [&app](bool foreground) { return foreground ? app.settings.foreColor : app.settings.backColor; };
  s.setEdited = [&app](bool foreground) { app.colourWindowEditsFore = foreground; };
  s.swap = [&app]() {
    app.SwapColors();
    if (app.MainFrameWnd() != nullptr) PostMessageA(app.MainFrameWnd()->Handle(), WM_COMMAND, ID_UPDATE_COLOURS, 0);
  };
  ReturnColourWindowToMain() = [&app]() { EditMainColour(app.colourWindowEditsFore); };
}

void CMainFrame::OnColourSwatch(std::uint32_t id) {
  ControlSearch search;
  search.message = WM_COMMAND;
  search.wParam = MAKEWPARAM(id, BN_CLICKED);
  EnumChildWindows(Handle(), VisitColourControl, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) EditMainColour(id == IDC_FORE_SWATCH);
}

void CMainFrame::OnUpdateColours() {
  ControlSearch search;
  search.all = true;
  search.message = kColourControlUpdate;
  EnumChildWindows(Handle(), VisitColourControl, reinterpret_cast<LPARAM>(&search));
}

LRESULT CMainFrame::OnColourWindowColour(WPARAM, LPARAM lParam) {
  CLumo40App* app = TheLumoApp();
  const auto colour = static_cast<COLORREF>(lParam) & 0xFFFFFF;
  if (app->colourWindowEditsFore) {
    app->SetForeColor(colour, true);
  } else {
    app->SetBackColor(colour, true);
  }
  return 1;
}

LRESULT CMainFrame::OnTabletProximity(WPARAM wParam, LPARAM lParam) {
  TheLumoApp()->tablet.OnProximity(reinterpret_cast<void*>(wParam), LOWORD(lParam) != 0);
  return 0;
}

LRESULT CMainFrame::OnTabletInfoChange(WPARAM, LPARAM) {
  TheLumoApp()->tablet.OnInfoChanged();
  return 1;
}

LRESULT CMainFrame::OnTabletCursorChange(WPARAM wParam, LPARAM lParam) {
  TheLumoApp()->HandleTabletCursor(wParam, lParam);
  return 0;
}

}  // namespace lumora
