// The library's Win32 faces: the failure message box, the save options
// dialog and the file-information box, all from in-memory templates.
#include <windows.h>

#include <string>

#include "libs/imgxfer/ui.h"
#include "libs/imgxfer/win/dialog_ids.h"
#include "libs/imgxfer/win/dialog_template.h"

namespace lumora::imgxfer {

namespace {

constexpr const char* kTiffChoices[] = {"None", "LZW", "Deflate", "PackBits"};

void FillOptions(HWND dialog, const ImExpSaveOptions& o) {
  SetDlgItemInt(dialog, kIdJpegQuality, static_cast<UINT>(o.jpegQuality), FALSE);
  SetDlgItemInt(dialog, kIdPngCompression, static_cast<UINT>(o.pngCompression > 0 ? o.pngCompression : 0), FALSE);
  CheckDlgButton(dialog, kIdJpegProgressive, o.jpegProgressive > 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, kIdPngInterlace, o.pngInterlace > 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, kIdBmpRle, o.bmpRle > 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, kIdTgaRle, o.tgaRle > 0 ? BST_CHECKED : BST_UNCHECKED);
  for (const char* choice : kTiffChoices) {
    SendDlgItemMessageA(dialog, kIdTiffCompression, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
  }
  SendDlgItemMessageA(dialog, kIdTiffCompression, CB_SETCURSEL, static_cast<WPARAM>(o.tiffCompression > 0 ? o.tiffCompression : 0), 0);
}

// A box as a switch of the record: 1 or kImExpOff (0 would mean the default).
std::int32_t Checked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : kImExpOff;
}

// The fields back into the record; a number out of range is brought into
// range by the caller's clamp.
void ReadOptions(HWND dialog, ImExpSaveOptions* o) {
  BOOL ok = FALSE;
  const UINT quality = GetDlgItemInt(dialog, kIdJpegQuality, &ok, FALSE);
  if (ok) o->jpegQuality = static_cast<std::int32_t>(quality > 100 ? 100 : quality);
  const UINT level = GetDlgItemInt(dialog, kIdPngCompression, &ok, FALSE);
  if (ok) o->pngCompression = level == 0 ? kImExpOff : static_cast<std::int32_t>(level > 9 ? 9 : level);
  o->jpegProgressive = Checked(dialog, kIdJpegProgressive);
  o->pngInterlace = Checked(dialog, kIdPngInterlace);
  o->bmpRle = Checked(dialog, kIdBmpRle);
  o->tgaRle = Checked(dialog, kIdTgaRle);
  const LRESULT choice = SendDlgItemMessageA(dialog, kIdTiffCompression, CB_GETCURSEL, 0, 0);
  if (choice >= 0 && choice <= 3) o->tiffCompression = choice == 0 ? kImExpTiffNone : static_cast<std::int32_t>(choice);
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    FillOptions(dialog, *reinterpret_cast<ImExpSaveOptions*>(lParam));
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    if (LOWORD(wParam) == IDOK) {
      ReadOptions(dialog, reinterpret_cast<ImExpSaveOptions*>(GetWindowLongPtrA(dialog, DWLP_USER)));
    }
    EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
    return TRUE;
  }
  return FALSE;
}

DialogTemplate OptionsTemplate() {
  using T = DialogTemplate;
  T t(kOptionsCaption, 200, 150);
  t.AddControl(0xFFFF, T::kStatic, SS_LEFT, 8, 10, 100, 10, "JPEG quality (1-100):");
  t.AddControl(kIdJpegQuality, T::kEdit, WS_BORDER | WS_TABSTOP | ES_NUMBER, 120, 8, 40, 12, "");
  t.AddControl(kIdJpegProgressive, T::kButton, BS_AUTOCHECKBOX | WS_TABSTOP, 8, 24, 180, 10, "Progressive JPEG");
  t.AddControl(0xFFFF, T::kStatic, SS_LEFT, 8, 42, 100, 10, "PNG compression (0-9):");
  t.AddControl(kIdPngCompression, T::kEdit, WS_BORDER | WS_TABSTOP | ES_NUMBER, 120, 40, 40, 12, "");
  t.AddControl(kIdPngInterlace, T::kButton, BS_AUTOCHECKBOX | WS_TABSTOP, 8, 56, 180, 10, "Interlaced PNG");
  t.AddControl(kIdBmpRle, T::kButton, BS_AUTOCHECKBOX | WS_TABSTOP, 8, 72, 180, 10, "RLE-compressed BMP");
  t.AddControl(kIdTgaRle, T::kButton, BS_AUTOCHECKBOX | WS_TABSTOP, 8, 86, 180, 10, "RLE-compressed TGA");
  t.AddControl(0xFFFF, T::kStatic, SS_LEFT, 8, 104, 100, 10, "TIFF compression:");
  t.AddControl(kIdTiffCompression, T::kComboBox, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 120, 102, 70, 80, "");
  t.AddControl(IDOK, T::kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 86, 128, 50, 14, "OK");
  t.AddControl(IDCANCEL, T::kButton, BS_PUSHBUTTON | WS_TABSTOP, 142, 128, 50, 14, "Cancel");
  return t;
}

INT_PTR CALLBACK InfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, kIdInfoText, reinterpret_cast<const char*>(lParam));
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 1);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void ShowMessageBox(void* owner, const std::string& text) {
  MessageBoxA(static_cast<HWND>(owner), text.c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
}

bool RunOptionsDialog(void* owner, ImExpSaveOptions* options) {
  const DialogTemplate t = OptionsTemplate();
  return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), static_cast<HWND>(owner), OptionsProc,
                                 reinterpret_cast<LPARAM>(options)) == 1;
}

void ShowInfoBox(void* owner, const std::string& title, const std::string& text) {
  using T = DialogTemplate;
  T t(title.c_str(), 230, 100);
  t.AddControl(kIdInfoText, T::kStatic, SS_LEFT, 8, 8, 214, 64, "");
  t.AddControl(IDOK, T::kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 90, 80, 50, 14, "OK");
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), static_cast<HWND>(owner), InfoProc,
                          reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace lumora::imgxfer
