// What start-up makes for the dialogs: the dialog font, the wait-dialog
// class "VR_WAITDLGCLASS32", the custom non-client dialog class
// "VR_CUSTOMNCDLG32EX" (a copy of the control library's), and the tool-host
// hook through which the modeless tool windows get their dialog keys.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "hostapi/toolhost.h"

namespace lumora {

inline constexpr char kWaitDialogClass[] = "VR_WAITDLGCLASS32";
inline constexpr char kCustomNcDialogClass[] = "VR_CUSTOMNCDLG32EX";

// "Ms Sans Serif", 11 pixels high, made before start-up runs; the effective
// font is the system font when it could not be made.
struct DialogFont {
  HFONT created = nullptr;
  HFONT effective = nullptr;
};
const DialogFont& TheDialogFont();

// The class atom, 0 when it cannot be registered (start-up then ends).
ATOM RegisterWaitDialogClass();
// A copy of the control library's "VR_CNCDLGCLASS32" under our name and our
// procedure; false (and start-up goes on) when the library is not there.
bool RegisterCustomNcDialogClass(HINSTANCE instance);
void UnregisterCustomNcDialogClass(HINSTANCE instance);

// The tool-host hook of the modeless tool windows (context: the window):
// their dialog keys (Tab, arrows, Enter, Escape) work inside the program's
// pump. Handled (1) when the window's dialog handling took the message,
// else pass (2).
int DialogMessageHook(void* unused, const LU_MSG* message, void* context, std::intptr_t* inOut);

// Gives the shared colour window back to the main window, with the
// application's colour it edits there (a dialog that held it closes); the
// application installs it.
std::function<void()>& ReturnColourWindowToMain();

// The shared colour window as a modal dialog with a colour swatch holds it:
// opened (or taken over) by the swatch, bound again whenever the dialog
// comes to the front, closed when the dialog ends with OK or Cancel and
// given back to the main window when it goes otherwise.
class DialogColourWindow {
 public:
  // Bound to this dialog and still open.
  bool Held() const;
  // The swatch's click: opens the window when none is open and binds it to
  // the dialog; false when it cannot be opened.
  bool Open(HWND dialog, COLORREF colour);
  // The dialog came to the front: an open window serves it, showing `colour`.
  void Bind(HWND dialog, COLORREF colour);
  // The dialog's colour changed (a pick-up): a held window shows it.
  void Show(COLORREF colour) const;
  // OK or Cancel: a held window closes.
  void Close();
  // WM_DESTROY: an open window goes back to the main window.
  void GiveBack();

 private:
  HWND window_ = nullptr;
};

}  // namespace lumora
