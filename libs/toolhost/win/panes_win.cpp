// The pane dialogs under Win32: a modeless dialog owned by the main window,
// built in code from the tool's parameters and labels, with Preview, Apply
// and Close. Its procedure offers every message to the hooks of the pane
// pass first; what they pass goes to LUPaneDlgProcInternal.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "libs/toolhost/Panes.h"
#include "libs/toolhost/Registry.h"
#include "res/StringTable.h"

namespace lumora::toolhost {
namespace {

constexpr int kIdEditFirst = 1000;
constexpr int kIdLabelFirst = 1100;
constexpr int kIdSwatchFirst = 1200;
constexpr int kIdPreview = 1300;
constexpr int kIdApply = 1301;

// Layout, in pixels.
constexpr int kMargin = 8;
constexpr int kLabelWidth = 96;
constexpr int kEditWidth = 64;
constexpr int kSwatchSide = 20;
constexpr int kRowHeight = 26;
constexpr int kButtonWidth = 72;
constexpr int kButtonHeight = 24;
constexpr int kClientWidth = kMargin + kLabelWidth + 4 + kEditWidth + 4 + kSwatchSide + kMargin;

// What a pane window keeps beside its pane.
struct PaneWindowState {
  LUPaneDialog* pane = nullptr;
  bool filling = false;              // controls are being written, not typed in
  std::vector<HWND> paramControls;   // remade for a new tool
  std::vector<HBRUSH> swatches;      // per parameter; null for non-colours
};

PaneWindowState* StateOf(HWND window) {
  return reinterpret_cast<PaneWindowState*>(GetWindowLongPtrA(window, DWLP_USER));
}

const ToolDescriptor* DescriptorOf(const LUPaneDialog& pane) { return FindTool(pane.data.toolNumber); }

std::string PlainName(const char* menuName) {
  std::string name;
  for (const char* c = menuName; *c != 0; ++c) {
    if (*c != '&') name += *c;
  }
  return name;
}

// The parameter's numbers: one, or a point's two (a rectangle's four).
struct ParamNumbers {
  std::int32_t v[4] = {};
};

ParamNumbers ParameterNumbers(const LUPaneDialog& pane, int index) {
  ParamNumbers numbers;
  LUGetParameter(pane.data.tool, index, 0, numbers.v);
  return numbers;
}

std::int32_t ParameterValue(const LUPaneDialog& pane, int index) { return ParameterNumbers(pane, index).v[0]; }

// Colours read and write as RRGGBB; integers in decimal; points as "x,y".
std::string ValueText(char format, const ParamNumbers& numbers) {
  char text[32];
  const std::int32_t value = numbers.v[0];
  if (format == 'p') {
    std::snprintf(text, sizeof text, "%d,%d", numbers.v[0], numbers.v[1]);
  } else if (format == 'c') {
    const auto c = static_cast<std::uint32_t>(value);
    std::snprintf(text, sizeof text, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  } else {
    std::snprintf(text, sizeof text, "%d", value);
  }
  return text;
}

bool ParseValue(char format, const char* text, std::int32_t* value) {
  char* end = nullptr;
  if (format == 'p') {
    const long x = std::strtol(text, &end, 10);
    if (end == text || *end != ',') return false;
    const char* second = end + 1;
    const long y = std::strtol(second, &end, 10);
    if (end == second || *end != 0) return false;
    value[0] = static_cast<std::int32_t>(x);
    value[1] = static_cast<std::int32_t>(y);
    return true;
  }
  if (format == 'c') {
    const unsigned long rgb = std::strtoul(text, &end, 16);
    if (end == text || *end != 0 || rgb > 0xFFFFFF) return false;
    *value = static_cast<std::int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    return true;
  }
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != 0) return false;
  *value = static_cast<std::int32_t>(v);
  return true;
}

HWND MakeControl(HWND dialog, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
  HWND control = CreateWindowExA(std::string(cls) == "Edit" ? WS_EX_CLIENTEDGE : 0, cls, text,
                                 WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return control;
}

void ReleaseSwatches(PaneWindowState& state) {
  for (HBRUSH b : state.swatches) {
    if (b != nullptr) DeleteObject(b);
  }
  state.swatches.clear();
}

void SetSwatch(PaneWindowState& state, int index, COLORREF colour) {
  if (state.swatches[index] != nullptr) DeleteObject(state.swatches[index]);
  state.swatches[index] = CreateSolidBrush(colour);
}

// Writes the parameters' values into their controls.
void FillValues(HWND dialog, PaneWindowState& state) {
  const ToolDescriptor* d = DescriptorOf(*state.pane);
  state.filling = true;
  for (int i = 0; i < d->paramCount; ++i) {
    const std::int32_t value = ParameterValue(*state.pane, i);
    if (IsInteractiveTool(*d)) {
      CheckDlgButton(dialog, kIdEditFirst + i, value != 0 ? BST_CHECKED : BST_UNCHECKED);
      continue;
    }
    SetDlgItemTextA(dialog, kIdEditFirst + i, ValueText(d->params[i].format, ParameterNumbers(*state.pane, i)).c_str());
    if (d->params[i].format == 'c') SetSwatch(state, i, static_cast<COLORREF>(value));
  }
  state.filling = false;
  InvalidateRect(dialog, nullptr, TRUE);
}

// Makes the controls of the pane's tool and fits the window around them.
void BuildControls(HWND dialog, PaneWindowState& state) {
  for (HWND c : state.paramControls) DestroyWindow(c);
  state.paramControls.clear();
  ReleaseSwatches(state);
  const ToolDescriptor* d = DescriptorOf(*state.pane);
  SetWindowTextA(dialog, PlainName(d->menuName).c_str());
  state.swatches.assign(static_cast<std::size_t>(d->paramCount), nullptr);
  int y = kMargin;
  const bool interactive = IsInteractiveTool(*d);
  for (int i = 0; i < d->paramCount; ++i, y += kRowHeight) {
    const std::string_view label = res::String(static_cast<std::uint32_t>(d->baseStringId + 5 + i));
    if (interactive) {
      // An interactive tool's parameters are switches.
      state.paramControls.push_back(MakeControl(dialog, "Button", std::string(label).c_str(),
                                                BS_AUTOCHECKBOX | WS_TABSTOP, kMargin, y + 2,
                                                kClientWidth - 2 * kMargin, 20, kIdEditFirst + i));
      continue;
    }
    const std::string labelText = label.empty() ? "Parameter " + std::to_string(i + 1) : std::string(label) + ":";
    state.paramControls.push_back(
        MakeControl(dialog, "Static", labelText.c_str(), SS_LEFT, kMargin, y + 3, kLabelWidth, 18, kIdLabelFirst + i));
    state.paramControls.push_back(MakeControl(dialog, "Edit", "", ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER,
                                              kMargin + kLabelWidth + 4, y, kEditWidth, 22, kIdEditFirst + i));
    if (d->params[i].format == 'c') {
      state.paramControls.push_back(MakeControl(dialog, "Static", "", SS_LEFT | WS_BORDER,
                                                kMargin + kLabelWidth + 8 + kEditWidth, y + 1, kSwatchSide, kSwatchSide,
                                                kIdSwatchFirst + i));
    }
  }
  HWND preview = GetDlgItem(dialog, kIdPreview);
  HWND apply = GetDlgItem(dialog, kIdApply);
  HWND close = GetDlgItem(dialog, IDCANCEL);
  // An interactive tool has nothing to preview or apply: it acts through
  // the mouse.
  ShowWindow(preview, interactive ? SW_HIDE : SW_SHOW);
  ShowWindow(apply, interactive ? SW_HIDE : SW_SHOW);
  SetWindowPos(preview, nullptr, kMargin, y + 2, kClientWidth - 2 * kMargin, 20, SWP_NOZORDER);
  if (!interactive) y += kRowHeight;
  y += 4;
  SetWindowPos(apply, nullptr, kClientWidth - 2 * kButtonWidth - kMargin - 6, y, kButtonWidth, kButtonHeight,
               SWP_NOZORDER);
  SetWindowPos(close, nullptr, kClientWidth - kButtonWidth - kMargin, y, kButtonWidth, kButtonHeight, SWP_NOZORDER);
  RECT frame{0, 0, kClientWidth, y + kButtonHeight + kMargin};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
  CheckDlgButton(dialog, kIdPreview, state.pane->previewOn ? BST_CHECKED : BST_UNCHECKED);
  FillValues(dialog, state);
}

void MakeFixedControls(HWND dialog) {
  MakeControl(dialog, "Button", "Preview", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 0, 10, 10, kIdPreview);
  MakeControl(dialog, "Button", "Apply", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 0, 10, 10, kIdApply);
  MakeControl(dialog, "Button", "Close", BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 10, 10, IDCANCEL);
}

// A typed value that parses and lies in range takes effect at once; other
// text waits, and leaving the field puts the value in force back.
void OnEditChange(HWND dialog, PaneWindowState& state, int index, int notification) {
  const ToolDescriptor* d = DescriptorOf(*state.pane);
  const char format = d->params[index].format;
  if (notification == EN_KILLFOCUS) {
    state.filling = true;
    SetDlgItemTextA(dialog, kIdEditFirst + index, ValueText(format, ParameterNumbers(*state.pane, index)).c_str());
    state.filling = false;
    return;
  }
  if (notification != EN_CHANGE || state.filling) return;
  char text[32] = {};
  GetDlgItemTextA(dialog, kIdEditFirst + index, text, sizeof text);
  std::int32_t values[2] = {};
  if (!ParseValue(format, text, values)) return;
  const std::int32_t value = values[0];
  // Half-typed numbers are out of range on the way: no error to keep.
  LUFreezeError();
  const int code = PaneParameterValuesChanged(*state.pane, index, values);
  LUUnfreezeError();
  if (code == 0 && format == 'c') {
    SetSwatch(state, index, static_cast<COLORREF>(value));
    InvalidateRect(GetDlgItem(dialog, kIdSwatchFirst + index), nullptr, TRUE);
  }
}

INT_PTR OnCommand(HWND dialog, PaneWindowState& state, int id, int notification) {
  if (id >= kIdEditFirst && id < kIdEditFirst + kMaxToolParams) {
    if (IsInteractiveTool(*DescriptorOf(*state.pane))) {
      if (notification == BN_CLICKED) {
        PaneParameterChanged(*state.pane, id - kIdEditFirst, IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0);
      }
      return TRUE;
    }
    OnEditChange(dialog, state, id - kIdEditFirst, notification);
    return TRUE;
  }
  switch (id) {
    case kIdPreview:
      PaneSetPreview(*state.pane, IsDlgButtonChecked(dialog, kIdPreview) == BST_CHECKED);
      return TRUE;
    case kIdApply:
      if (LUPaneApply(state.pane) != 0) LUPrintErrorState(state.pane->site);
      return TRUE;
    case IDCANCEL:
      DestroyWindow(dialog);
      return TRUE;
    default: return FALSE;
  }
}

void OnActivate(HWND dialog, PaneWindowState& state, bool active) {
  if (!active) {
    SendMessageA(dialog, kLUMsgPaneStatusClear, 0, 0);
    return;
  }
  SetActivePane(state.pane);
  SendMessageA(dialog, kLUMsgPaneActivated, 1, 0);
  const std::string_view prompt = res::String(static_cast<std::uint32_t>(DescriptorOf(*state.pane)->baseStringId + 3));
  const std::string text(prompt);
  SendMessageA(dialog, kLUMsgPaneStatusText, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

INT_PTR CALLBACK PaneDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* state = new PaneWindowState;
    state->pane = reinterpret_cast<LUPaneDialog*>(lParam);
    state->pane->window = dialog;
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  }
  PaneWindowState* state = StateOf(dialog);
  const void* site = state != nullptr ? state->pane->site : nullptr;
  const LU_MSG msg{dialog, message, wParam, lParam};
  std::intptr_t result = 0;
  if (message != WM_NCDESTROY && LUIsSomethingInterest(site, &msg, kLUPassPane, &result)) return result;
  return LUPaneDlgProcInternal(site, dialog, message, wParam, lParam);
}

// A dialog template without items: the controls are made in code.
std::vector<DWORD> EmptyTemplate() {
  std::vector<DWORD> words(16, 0);
  auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
  t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_3DLOOK;
  t->cdit = 0;
  t->cx = 120;
  t->cy = 80;
  // Menu, class and title follow as empty words.
  return words;
}

class Win32Panes : public PaneWindows {
 public:
  void* Open(LUPaneDialog& pane) override {
    HWND owner = static_cast<HWND>(LUGetMainWnd(pane.site));
    const std::vector<DWORD> words = EmptyTemplate();
    HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(words.data()),
                                             owner, PaneDlgProc, reinterpret_cast<LPARAM>(&pane));
    if (window == nullptr) return nullptr;
    Place(window, owner);
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    return window;
  }
  void Rebuild(LUPaneDialog& pane) override {
    HWND window = static_cast<HWND>(pane.window);
    if (PaneWindowState* state = StateOf(window)) BuildControls(window, *state);
  }
  void Activate(LUPaneDialog& pane) override {
    HWND window = static_cast<HWND>(pane.window);
    if (::IsIconic(window)) ShowWindow(window, SW_RESTORE);
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    BringWindowToTop(window);
  }
  void Close(LUPaneDialog& pane) override { DestroyWindow(static_cast<HWND>(pane.window)); }
  bool IsIconic(const LUPaneDialog& pane) override { return ::IsIconic(static_cast<HWND>(pane.window)) != 0; }

 private:
  // Panes open over the owner's top-left, each a step below the last.
  static void Place(HWND window, HWND owner) {
    RECT over{0, 0, 0, 0};
    if (owner != nullptr) GetWindowRect(owner, &over);
    const int step = 24 * static_cast<int>(OpenPanes().size() % 8);
    SetWindowPos(window, nullptr, over.left + 40 + step, over.top + 60 + step, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
};

}  // namespace

PaneWindows& Win32PaneWindows() {
  static Win32Panes panes;
  return panes;
}

}  // namespace lumora::toolhost

using namespace lumora::toolhost;

std::intptr_t LUPaneDlgProcInternal(const void* site, void* window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
  HWND dialog = static_cast<HWND>(window);
  PaneWindowState* state = StateOf(dialog);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      MakeFixedControls(dialog);
      BuildControls(dialog, *state);
      return TRUE;
    case WM_COMMAND: return OnCommand(dialog, *state, LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_ACTIVATE:
      OnActivate(dialog, *state, LOWORD(wParam) != WA_INACTIVE);
      return FALSE;
    case kLUMsgPaneActivated:
      if (wParam != 0) {
        LUWinMenu_AddWnd(site, dialog, 0, 1);
        LUWinMenu_SetActiveWnd(site, dialog);
      }
      return TRUE;
    case kLUMsgColoursChanged:
      RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      const int index = id - kIdSwatchFirst;
      if (index >= 0 && index < static_cast<int>(state->swatches.size()) && state->swatches[index] != nullptr) {
        return reinterpret_cast<INT_PTR>(state->swatches[index]);
      }
      return FALSE;
    }
    case WM_SHOWWINDOW:
      if (wParam != 0) {
        LUWinMenu_AddWnd(site, dialog, 0, 1);
      } else {
        LUWinMenu_DeleteWnd(site, dialog);
      }
      return FALSE;
    case WM_DESTROY:
      LUWinMenu_DeleteWnd(site, dialog);
      return FALSE;
    case WM_NCDESTROY:
      SetWindowLongPtrA(dialog, DWLP_USER, 0);
      ReleaseSwatches(*state);
      ForgetPane(state->pane);
      delete state;
      return FALSE;
    default: return FALSE;
  }
}
