// The colour-dither options dialog: a small modal dialog built in memory
// (the library has no resources of its own) whose every change is applied
// at once through the caller's callbacks.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostapi/draw.h"
#include "platform/win/dialog_template.h"

namespace {

using lumora::platform::TemplateWriter;

constexpr int kIdDither = 101;
constexpr int kIdOwnPalette = 102;
constexpr int kIdPalette = 103;
constexpr int kIdPaletteLabel = 105;

const char* PaletteName(std::int32_t kind) {
  switch (kind) {
    case 0: return "Greys";
    case 1: return "Halftone colours";
    case 2: return "The image's two colours";
    default: return "The image's colours";
  }
}

struct Session {
  int type;
  VR_CDOPTFV start;
  const VR_DITHERCALLBACKS* callbacks;
  void* context;
  std::int32_t kinds[4];
  int kindCount;
};

bool Offered(const Session& s, int option) {
  return s.callbacks->isAvailable == nullptr || s.callbacks->isAvailable(s.context, s.type, option) != 0;
}

void Apply(const Session& s, int option, std::int32_t value) {
  if (s.callbacks->apply != nullptr) s.callbacks->apply(s.context, option, value);
  if (s.callbacks->refresh != nullptr) s.callbacks->refresh(s.context);
}

void Fill(HWND dialog, Session& s) {
  CheckDlgButton(dialog, kIdDither, s.start.dither != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, kIdOwnPalette, s.start.ownPalette != 0 ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(dialog, kIdDither), Offered(s, kVrDitherOptionDither));
  EnableWindow(GetDlgItem(dialog, kIdOwnPalette), Offered(s, kVrDitherOptionOwnPalette));
  HWND combo = GetDlgItem(dialog, kIdPalette);
  s.kindCount = VrDitherPaletteKinds(s.type, s.kinds);
  for (int i = 0; i < s.kindCount; ++i) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PaletteName(s.kinds[i])));
    if (s.kinds[i] == s.start.paletteKind) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  }
  const BOOL palette = Offered(s, kVrDitherOptionPalette);
  EnableWindow(combo, palette);
  EnableWindow(GetDlgItem(dialog, kIdPaletteLabel), palette);
}

INT_PTR CALLBACK DitherDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<Session*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    Fill(dialog, *reinterpret_cast<Session*>(lParam));
    return TRUE;
  }
  if (message != WM_COMMAND || s == nullptr) return FALSE;
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  switch (id) {
    case kIdDither:
    case kIdOwnPalette:
      if (code == BN_CLICKED) {
        Apply(*s, id == kIdDither ? kVrDitherOptionDither : kVrDitherOptionOwnPalette,
              IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0);
      }
      return TRUE;
    case kIdPalette:
      if (code == CBN_SELCHANGE) {
        const auto index = static_cast<int>(SendMessageA(GetDlgItem(dialog, kIdPalette), CB_GETCURSEL, 0, 0));
        if (index >= 0 && index < s->kindCount) Apply(*s, kVrDitherOptionPalette, s->kinds[index]);
      }
      return TRUE;
    case IDOK:
      EndDialog(dialog, IDOK);
      return TRUE;
    case IDCANCEL:
      // The values the dialog started with, as they were.
      for (int option : {kVrDitherOptionDither, kVrDitherOptionOwnPalette, kVrDitherOptionPalette}) {
        if (!Offered(*s, option) || s->callbacks->apply == nullptr) continue;
        const std::int32_t value = option == kVrDitherOptionDither      ? s->start.dither
                                   : option == kVrDitherOptionOwnPalette ? s->start.ownPalette
                                                                         : s->start.paletteKind;
        s->callbacks->apply(s->context, option, value);
      }
      if (s->callbacks->refresh != nullptr) s->callbacks->refresh(s->context);
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

int SelectColorDitherOptions(HWND owner, int imageType, const VR_CDOPTFV* current,
                             const VR_DITHERCALLBACKS* callbacks, void* context) {
  if (current == nullptr || callbacks == nullptr) return 0;
  Session session{imageType, *current, callbacks, context, {}, 0};
  TemplateWriter t;
  t.Header("Dither Options", 7, 200, 92);
  t.Item(BS_AUTOCHECKBOX | WS_TABSTOP, 8, 8, 184, 10, kIdDither, 0x80, "&Dither the colours a palette lacks");
  t.Item(BS_AUTOCHECKBOX | WS_TABSTOP, 8, 22, 184, 10, kIdOwnPalette, 0x80, "Use the image's own &palette");
  t.Item(SS_LEFT, 8, 38, 184, 9, kIdPaletteLabel, 0x82, "Palette on palette &displays:");
  t.Item(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 8, 49, 184, 60, kIdPalette, 0x85, "");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 34, 72, 50, 14, IDOK, 0x80, "OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 88, 72, 50, 14, IDCANCEL, 0x80, "Cancel");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 142, 72, 50, 14, IDHELP, 0x80, "&Help");
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), owner, &DitherDialogProc,
                                                 reinterpret_cast<LPARAM>(&session));
  return result == IDOK || result == IDCANCEL ? static_cast<int>(result) : 0;
}
