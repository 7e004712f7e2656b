// The foreground and background colours in the forms of the active image:
// converted again whenever they or the active image change, announced to
// the main window (33119) and to the panes that show them (1249).
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "engine/pixels/WAccess.h"
#include "framework/win/Frame.h"
#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "view/win/ImageViewWnd.h"

namespace lumora {
namespace {

constexpr UINT kMsgColoursChanged = 1249;
constexpr UINT kCmdUpdateColours = 33119;

struct PaneSearch {
  CLumo40App* app;
  HWND main;
};

BOOL CALLBACK TellPane(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<PaneSearch*>(data);
  if (window != search->main && LUIsPaneDlgWindow(search->app->Site(), window)) {
    SendMessageA(window, kMsgColoursChanged, 0, 0);
  }
  return TRUE;
}

}  // namespace

void CLumo40App::NotifyColorPanes() {
  fw::FrameWnd* frame = MainFrame();
  if (frame == nullptr || frame->Handle() == nullptr) return;
  SendMessageA(frame->Handle(), kMsgColoursChanged, 0, 0);
  PaneSearch search{this, frame->Handle()};
  EnumThreadWindows(GetWindowThreadProcessId(frame->Handle(), nullptr), TellPane, reinterpret_cast<LPARAM>(&search));
}

void CLumo40App::SetForeColor(COLORREF rgb, bool notify) {
  fore_ = ConvertColour(rgb, colourMode_);
  settings.foreColor = fore_.rgb;
  if (notify && MainFrame() != nullptr) PostMessageA(MainFrame()->Handle(), WM_COMMAND, kCmdUpdateColours, 0);
  NotifyColorPanes();
}

void CLumo40App::SetBackColor(COLORREF rgb, bool notify) {
  back_ = ConvertColour(rgb, colourMode_);
  settings.backColor = back_.rgb;
  if (notify && MainFrame() != nullptr) PostMessageA(MainFrame()->Handle(), WM_COMMAND, kCmdUpdateColours, 0);
  NotifyColorPanes();
}

void CLumo40App::SwapColors() {
  std::swap(fore_, back_);
  settings.foreColor = fore_.rgb;
  settings.backColor = back_.rgb;
  NotifyColorPanes();
}

void CLumo40App::SyncColorsToActiveImage(bool notify) {
  ImageColourMode mode;
  CLumo40Doc* doc = GetDocFromWnd(GetActiveImageWindow());
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  const WAPtr composite = stack != nullptr ? stack->GetCompositeImage() : WAPtr();
  if (composite) {
    const VrWA2000::WA* image = composite.get();
    mode.mode = image->GetType();
    if (IsIndexedMode(mode.mode)) {
      const int entries = 1 << image->GetBPP();
      for (int i = 0; i < entries && i < 256; ++i) {
        const PALETTEENTRY& e = image->Palette()[i];
        mode.palette.push_back(static_cast<COLORREF>(e.peRed) | (static_cast<COLORREF>(e.peGreen) << 8) |
                               (static_cast<COLORREF>(e.peBlue) << 16));
      }
    }
  }
  colourMode_ = mode;
  fore_ = ConvertColour(settings.foreColor, colourMode_);
  back_ = ConvertColour(settings.backColor, colourMode_);
  if (notify && MainFrame() != nullptr) {
    SendMessageA(MainFrame()->Handle(), WM_COMMAND, kCmdUpdateColours, 0);
    NotifyColorPanes();
  }
}

int CLumo40App::GetForeColorValue(COLORREF* display) const {
  if (display != nullptr) *display = fore_.display;
  return fore_.index;
}

int CLumo40App::GetBackColorValue(COLORREF* display) const {
  if (display != nullptr) *display = back_.display;
  return back_.index;
}

}  // namespace lumora
