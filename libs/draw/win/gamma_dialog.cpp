// The monitor gamma dialog: three gamma values typed, shown at once by
// Apply or OK, taken back by Cancel.
#include <windows.h>

#include <array>

#include "hostapi/draw.h"
#include "platform/win/dialog_template.h"

namespace {

using lumora::platform::TemplateWriter;

constexpr int kIdRed = 201;
constexpr int kIdGreen = 202;
constexpr int kIdBlue = 203;
constexpr int kIdApply = 204;
// The labels have ids of their own (a test rig tells message boxes by a
// static -1).
constexpr int kIdRedLabel = 211;
constexpr int kIdGreenLabel = 212;
constexpr int kIdBlueLabel = 213;
constexpr int kMinGamma = 1;
constexpr int kMaxGamma = 1000;

struct Session {
  VR_GAMMAOPT start;
  VR_GAMMAOPT typed;
  const VR_GAMMACALLBACKS* callbacks;
  void* context;
  bool applied;
};

// The three fields within 1 .. 1000, or the message, the focus on the
// first field outside and false.
bool ReadFields(HWND dialog, VR_GAMMAOPT* out) {
  std::array<std::int32_t, 3> values{};
  const std::array<int, 3> ids{kIdRed, kIdGreen, kIdBlue};
  for (std::size_t i = 0; i < ids.size(); ++i) {
    BOOL ok = FALSE;
    const int v = static_cast<int>(GetDlgItemInt(dialog, ids[i], &ok, TRUE));
    if (!ok || v < kMinGamma || v > kMaxGamma) {
      MessageBoxA(dialog, "Please enter an integer between 1 and 1000.", "Monitor Gamma", MB_OK | MB_ICONEXCLAMATION);
      HWND field = GetDlgItem(dialog, ids[i]);
      SetFocus(field);
      SendMessageA(field, EM_SETSEL, 0, -1);
      return false;
    }
    values[i] = v;
  }
  out->GammaR = values[0];
  out->GammaG = values[1];
  out->GammaB = values[2];
  return true;
}

void Apply(Session& s, const VR_GAMMAOPT& g) {
  if (s.callbacks->apply != nullptr) s.callbacks->apply(s.context, g.GammaR, g.GammaG, g.GammaB);
}

INT_PTR CALLBACK GammaDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<Session*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    const auto* start = reinterpret_cast<Session*>(lParam);
    SetDlgItemInt(dialog, kIdRed, static_cast<UINT>(start->start.GammaR), TRUE);
    SetDlgItemInt(dialog, kIdGreen, static_cast<UINT>(start->start.GammaG), TRUE);
    SetDlgItemInt(dialog, kIdBlue, static_cast<UINT>(start->start.GammaB), TRUE);
    return TRUE;
  }
  if (message != WM_COMMAND || s == nullptr) return FALSE;
  switch (LOWORD(wParam)) {
    case kIdApply:
      if (ReadFields(dialog, &s->typed)) {
        Apply(*s, s->typed);
        s->applied = true;
      }
      return TRUE;
    case IDOK:
      if (ReadFields(dialog, &s->typed)) {
        Apply(*s, s->typed);
        EndDialog(dialog, IDOK);
      }
      return TRUE;
    case IDCANCEL:
      if (s->applied) Apply(*s, s->start);
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case IDHELP:
      if (s->callbacks->help != nullptr) s->callbacks->help(s->context);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int SelectGamma(HWND owner, VR_GAMMAOPT* gamma, const VR_GAMMACALLBACKS* callbacks, void* context) {
  if (gamma == nullptr || callbacks == nullptr) return 0;
  Session session{*gamma, *gamma, callbacks, context, false};
  TemplateWriter t;
  t.Header("Monitor Gamma", 10, 176, 80);
  t.Item(SS_LEFT, 8, 10, 60, 9, kIdRedLabel, 0x82, "&Red (x 100):");
  t.Item(ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 72, 8, 36, 12, kIdRed, 0x81, "");
  t.Item(SS_LEFT, 8, 26, 60, 9, kIdGreenLabel, 0x82, "&Green (x 100):");
  t.Item(ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 72, 24, 36, 12, kIdGreen, 0x81, "");
  t.Item(SS_LEFT, 8, 42, 60, 9, kIdBlueLabel, 0x82, "&Blue (x 100):");
  t.Item(ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 72, 40, 36, 12, kIdBlue, 0x81, "");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 120, 6, 50, 14, IDOK, 0x80, "OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 120, 22, 50, 14, IDCANCEL, 0x80, "Cancel");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 120, 38, 50, 14, kIdApply, 0x80, "&Apply");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 120, 58, 50, 14, IDHELP, 0x80, "&Help");
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), owner, &GammaDialogProc,
                                                 reinterpret_cast<LPARAM>(&session));
  if (result == IDOK) *gamma = session.typed;
  return result == IDOK || result == IDCANCEL ? static_cast<int>(result) : 0;
}
