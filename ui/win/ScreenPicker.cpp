// The screen colour picker.
#include "ui/win/ScreenPicker.h"

#include <algorithm>

#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "ui/ColourPick.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"
#include "view/win/ViewShell.h"

namespace lumora {
namespace {

constexpr std::uint16_t kPickerHookFlags = 0x100F;
constexpr int kBandReach = 15;

struct PickerState {
  std::uint32_t hook = 0;
  std::uint32_t mode = 0;
  HWND main = nullptr;
  HCURSOR cursor = nullptr;
  HCURSOR previous = nullptr;
  POINT start{0, 0};  // screen
  POINT end{0, 0};
  bool picking = false;
  bool band = false;   // over an image view
  HWND view = nullptr;
  bool right = false;
  int prompt = 0;
} state;

POINT ScreenPoint(const LU_MSG& msg) {
  POINT p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
  ClientToScreen(static_cast<HWND>(msg.window), &p);
  return p;
}

POINT InView(POINT screen) {
  ScreenToClient(state.view, &screen);
  return screen;
}

// The band one pixel outside the start-end rectangle, inverted in the view.
void InvertBand() {
  if (!state.band || state.view == nullptr) return;
  const POINT a = InView(state.start), b = InView(state.end);
  RECT r{std::min(a.x, b.x) - 1, std::min(a.y, b.y) - 1, std::max(a.x, b.x) + 2, std::max(a.y, b.y) + 2};
  HDC dc = GetDC(state.view);
  const int old = SetROP2(dc, R2_NOT);
  HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, brush);
  SetROP2(dc, old);
  ReleaseDC(state.view, dc);
}

std::int64_t PickedColour() {
  if (!state.band) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, state.start.x, state.start.y);
    ReleaseDC(nullptr, screen);
    return c == CLR_INVALID ? -1 : static_cast<std::int64_t>(c);
  }
  CLumo40View* view = GetViewFromWnd(state.view);
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  CLayersManager* stack = doc != nullptr ? doc->Image().GetLayers() : nullptr;
  if (stack == nullptr) return -1;
  WAPtr coverage;
  const WAPtr merged = stack->CreateMergedImage(1, 255, 255, 255, &coverage);
  if (!merged) return -1;
  const POINT a = view->WindowPointToImagePixel(InView(state.start));
  const POINT b = view->WindowPointToImagePixel(InView(state.end));
  const RECT rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  return MeanCoveredColour(*merged, coverage.get(), rect);
}

void ShowPosition() {
  CLumo40View* view = state.band ? GetViewFromWnd(state.view) : nullptr;
  ViewShell* shell = TheViewShell();
  if (view == nullptr || shell == nullptr) return;
  if (state.prompt == 0) state.prompt = shell->AddPrompt(0, 100, false);
  shell->SetPromptText(state.prompt, view->FormatPosition(InView(state.end), false));
}

}  // namespace

bool CScreenPicker::Running() { return state.hook != 0; }

bool CScreenPicker::BeginPick(std::uint32_t mode, HWND main) {
  if (state.hook != 0) return true;
  const LU_HOOK hook{&CScreenPicker::HookProc, nullptr, kPickerHookFlags, 0};
  state.hook = LUSetLUHook(nullptr, &hook);
  if (state.hook == 0) return false;
  state.mode = mode;
  state.main = main;
  state.picking = false;
  if (state.cursor == nullptr) state.cursor = LoadCursorA(nullptr, IDC_CROSS);
  SetCapture(main);
  state.previous = SetCursor(state.cursor);
  return true;
}

void CScreenPicker::EndPick() {
  if (state.hook == 0) return;
  const std::uint32_t id = state.hook;
  state.hook = 0;
  LURemoveLUHook(nullptr, id);
  ClipCursor(nullptr);
  SetCursor(state.previous);
  if (GetCapture() == state.main) ReleaseCapture();
  state.picking = false;
  if (state.prompt != 0 && TheViewShell() != nullptr) TheViewShell()->RemovePrompt(state.prompt);
  state.prompt = 0;
}

int CScreenPicker::HookProc(void*, const LU_MSG* msg, void*, std::intptr_t* inOut) {
  if (msg->message == kLUMsgHookInstalled || msg->message == kLUMsgHookRemoved) return kLUHookHandled;
  if (state.hook == 0) return kLUHookPass;
  auto taken = [inOut] {
    if (inOut != nullptr) *inOut = 0;
    return kLUHookHandled;
  };
  switch (msg->message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      state.start = state.end = ScreenPoint(*msg);
      state.right = msg->message == WM_RBUTTONDOWN;
      state.picking = true;
      HWND under = WindowFromPoint(state.start);
      state.band = under != nullptr && IsImageViewWnd(under);
      state.view = state.band ? under : nullptr;
      if (state.band) {
        RECT clip{state.start.x - kBandReach, state.start.y - kBandReach, state.start.x + kBandReach + 1,
                  state.start.y + kBandReach + 1};
        RECT client{};
        GetClientRect(state.view, &client);
        MapWindowPoints(state.view, nullptr, reinterpret_cast<POINT*>(&client), 2);
        IntersectRect(&clip, &clip, &client);
        ClipCursor(&clip);
        InvertBand();
        ShowPosition();
      }
      return taken();
    }
    case WM_MOUSEMOVE:
      if (state.picking) {
        InvertBand();
        state.end = ScreenPoint(*msg);
        InvertBand();
        ShowPosition();
      }
      return taken();
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      if (!state.picking) return taken();
      InvertBand();
      ClipCursor(nullptr);
      state.picking = false;
      const bool foreground = !state.right;
      const std::int64_t colour = PickedColour();
      EndPick();
      if (colour >= 0 && setColour) setColour(foreground, static_cast<COLORREF>(colour));
      return taken();
    }
    case WM_SETCURSOR:
      SetCursor(state.cursor);
      return taken();
    case WM_KEYDOWN:
      if (msg->wParam == VK_ESCAPE) {
        if (state.picking) InvertBand();
        EndPick();
      }
      return taken();
    case WM_USER + 200:
      return taken();
    default:
      return kLUHookPass;
  }
}

}  // namespace lumora
