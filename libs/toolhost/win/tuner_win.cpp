// The selection tuner window "Selection Attributes": modeless over the main
// window, each setting applied and kept in the profile as it changes.
#include <windows.h>

#include <algorithm>
#include <string>

#include "libs/toolhost/SelectionTuner.h"
#include "platform/win/dialog_template.h"

namespace lumora::toolhost {
namespace {

using platform::TemplateWriter;

// Labels have ids of their own (test rigs tell message boxes by a static -1).
enum : WORD { kIdLabelFeather = 1101, kIdLabelPixels, kIdLabelAspect, kIdLabelColon, kIdLabelTolerance,
              kIdLabelLineWidth, kIdLabelLineStyle, kIdLabelFill };

struct Tuner {
  HWND window = nullptr;
  const void* site = nullptr;
  std::string tool;
  std::uint32_t hook = 0;
  bool filling = false;  // the controls are being set: no change to take
};

Tuner& State() {
  static Tuner tuner;
  return tuner;
}

const TunerField* FieldOf(int control) {
  for (const TunerField& f : TunerFields()) {
    if (f.control == control) return &f;
  }
  return nullptr;
}

void EnableGroups(HWND dialog, unsigned groups) {
  const AreaSettings& settings = CurrentAreaSettings();
  for (const TunerField& f : TunerFields()) {
    bool on = (groups & f.group) != 0;
    if (f.control == kLUTunerAspectWidth || f.control == kLUTunerAspectHeight) on = on && settings.aspectFixed != 0;
    EnableWindow(GetDlgItem(dialog, f.control), on ? TRUE : FALSE);
  }
}

void ShowSettings(HWND dialog) {
  Tuner& t = State();
  t.filling = true;
  const AreaSettings& settings = CurrentAreaSettings();
  SetDlgItemTextA(dialog, kLUTunerTool, TunerToolText(t.tool.c_str()));
  for (const TunerField& f : TunerFields()) {
    const int value = settings.*f.member;
    switch (f.kind) {
      case TunerField::kNumber: SetDlgItemInt(dialog, f.control, static_cast<UINT>(value), TRUE); break;
      case TunerField::kCheck: CheckDlgButton(dialog, f.control, value != 0 ? BST_CHECKED : BST_UNCHECKED); break;
      case TunerField::kChoice:
        SendDlgItemMessageA(dialog, f.control, CB_SETCURSEL, static_cast<WPARAM>(value - f.minimum), 0);
        break;
    }
  }
  EnableGroups(dialog, TunerGroupsOf(t.tool.c_str()));
  t.filling = false;
}

void Take(const TunerField& f, int value) {
  Tuner& t = State();
  CurrentAreaSettings().*f.member = value;
  SaveAreaSettings(t.site);
}

// A number as typed: taken when it is in range; leaving the field with one
// outside puts the nearest allowed value in its place.
void OnNumber(HWND dialog, const TunerField& f, WORD code) {
  BOOL ok = FALSE;
  const int typed = static_cast<int>(GetDlgItemInt(dialog, f.control, &ok, TRUE));
  if (code == EN_CHANGE) {
    if (ok && typed == ClampTunerValue(f, typed)) Take(f, typed);
    return;
  }
  if (code != EN_KILLFOCUS || (ok && typed == ClampTunerValue(f, typed))) return;
  const int value = ok ? ClampTunerValue(f, typed) : CurrentAreaSettings().*f.member;
  MessageBeep(MB_ICONEXCLAMATION);
  Take(f, value);
  State().filling = true;
  SetDlgItemInt(dialog, f.control, static_cast<UINT>(value), TRUE);
  State().filling = false;
}

void OnCommand(HWND dialog, WORD control, WORD code) {
  if (control == IDCANCEL) {
    DestroyWindow(dialog);
    return;
  }
  const TunerField* f = FieldOf(control);
  if (f == nullptr || State().filling) return;
  switch (f->kind) {
    case TunerField::kNumber: OnNumber(dialog, *f, code); break;
    case TunerField::kCheck:
      if (code != BN_CLICKED) return;
      Take(*f, IsDlgButtonChecked(dialog, control) == BST_CHECKED ? 1 : 0);
      EnableGroups(dialog, TunerGroupsOf(State().tool.c_str()));
      break;
    case TunerField::kChoice: {
      if (code != CBN_SELCHANGE) return;
      const LRESULT index = SendDlgItemMessageA(dialog, control, CB_GETCURSEL, 0, 0);
      if (index >= 0) Take(*f, ClampTunerValue(*f, f->minimum + static_cast<int>(index)));
      break;
    }
  }
}

void FillChoices(HWND dialog) {
  for (const char* text : {"Round", "Square", "Flat"}) {
    SendDlgItemMessageA(dialog, kLUTunerLineStyle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  for (const char* text : {"Alternate", "Winding"}) {
    SendDlgItemMessageA(dialog, kLUTunerFillMode, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
}

INT_PTR CALLBACK TunerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      State().window = dialog;
      FillChoices(dialog);
      ShowSettings(dialog);
      return TRUE;
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_DESTROY: {
      Tuner& t = State();
      if (t.hook != 0) LURemoveLUHook(t.site, t.hook);
      t.hook = 0;
      t.window = nullptr;
      return FALSE;
    }
    default: return FALSE;
  }
}

// The queue's keys reach the window's controls as in a dialog (Tab,
// Escape, mnemonics).
int TunerKeysHook(void*, const LU_MSG* msg, void*, std::intptr_t* inOut) {
  HWND window = State().window;
  if (msg == nullptr || inOut == nullptr || *inOut != kLUPassQueue || window == nullptr) return kLUHookPass;
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return kLUHookPass;
  HWND target = static_cast<HWND>(msg->window);
  if (target != window && !IsChild(window, target)) return kLUHookPass;
  MSG m{target, msg->message, static_cast<WPARAM>(msg->wParam), static_cast<LPARAM>(msg->lParam), 0, {}};
  if (!IsDialogMessageA(window, &m)) return kLUHookPass;
  *inOut = 0;
  return kLUHookHandled;
}

const DLGTEMPLATE* Template(TemplateWriter& t) {
  constexpr DWORD kEdit = ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
  constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
  constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  t.Header(kTunerCaption, 19, 172, 174);
  t.Item(SS_LEFT, 8, 6, 156, 9, kLUTunerTool, 0x82, "");
  t.Item(SS_LEFT, 8, 24, 64, 9, kIdLabelFeather, 0x82, "&Feather:");
  t.Item(kEdit, 76, 22, 36, 12, kLUTunerFeather, 0x81, "");
  t.Item(SS_LEFT, 116, 24, 40, 9, kIdLabelPixels, 0x82, "pixels");
  t.Item(kCheck, 8, 40, 120, 10, kLUTunerAspectFixed, 0x80, "Fixed &aspect ratio");
  t.Item(SS_LEFT, 8, 56, 64, 9, kIdLabelAspect, 0x82, "Width : Height:");
  t.Item(kEdit, 76, 54, 30, 12, kLUTunerAspectWidth, 0x81, "");
  t.Item(SS_CENTER, 106, 56, 8, 9, kIdLabelColon, 0x82, ":");
  t.Item(kEdit, 114, 54, 30, 12, kLUTunerAspectHeight, 0x81, "");
  t.Item(SS_LEFT, 8, 74, 64, 9, kIdLabelTolerance, 0x82, "&Tolerance:");
  t.Item(kEdit, 76, 72, 36, 12, kLUTunerTolerance, 0x81, "");
  t.Item(kCheck, 8, 88, 64, 10, kLUTunerContiguous, 0x80, "&Contiguous");
  t.Item(kCheck, 76, 88, 90, 10, kLUTunerMergedImage, 0x80, "&Merged image");
  t.Item(SS_LEFT, 8, 106, 64, 9, kIdLabelLineWidth, 0x82, "Line &width:");
  t.Item(kEdit, 76, 104, 36, 12, kLUTunerLineWidth, 0x81, "");
  t.Item(SS_LEFT, 8, 122, 64, 9, kIdLabelLineStyle, 0x82, "Line &style:");
  t.Item(kList, 76, 120, 68, 60, kLUTunerLineStyle, 0x85, "");
  t.Item(SS_LEFT, 8, 140, 64, 9, kIdLabelFill, 0x82, "F&ill mode:");
  t.Item(kList, 76, 138, 68, 60, kLUTunerFillMode, 0x85, "");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 114, 156, 50, 14, IDCANCEL, 0x80, "Close");
  return t.Get();
}

}  // namespace
}  // namespace lumora::toolhost

using namespace lumora::toolhost;

int LUOpenGSelectionTunerDlg(const void* site, const char* toolName) {
  if (!IsTunerTool(toolName)) return 0;
  Tuner& t = State();
  // A caller without the site (a view) keeps the one the window has.
  if (site != nullptr || t.window == nullptr) t.site = site;
  t.tool = toolName != nullptr ? toolName : "";
  if (t.window == nullptr) {
    TemplateWriter writer;
    HWND owner = static_cast<HWND>(LUGetMainWnd(site));
    HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), Template(writer), owner, &TunerProc, 0);
    if (window == nullptr) return 0;
    // Over the main window's right side, clear of the image views' corner.
    RECT frame{}, own{};
    if (owner != nullptr && GetWindowRect(owner, &frame) && GetWindowRect(window, &own)) {
      SetWindowPos(window, nullptr, std::max(frame.left, frame.right - (own.right - own.left) - 24), frame.top + 96, 0,
                   0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const LU_HOOK hook{&TunerKeysHook, nullptr, kLUPassQueue, 0};
    t.hook = LUSetLUHook(site, &hook);
  } else {
    ShowSettings(t.window);
  }
  ShowWindow(t.window, SW_SHOW);
  return 1;
}

int LUIsGSelectionTunerDlgOpen(const void*) { return State().window != nullptr ? 1 : 0; }

void* LUGetGSelectionTunerDlg(const void*) { return State().window; }
