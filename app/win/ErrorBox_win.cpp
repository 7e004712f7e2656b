// The error box window: class "VR_ERRORMESSAGEBOX32" running dialog
// "ERRORDLG" (message 102, icon 103, detail 104, OK).
#include <vector>

#include "app/ErrorBox.h"
#include "res/toolhost_ids.h"

namespace lumora {
namespace {

struct ErrorBoxParams {
  const char* message;
  const char* caption;
  const char* detail;
  int icon;
  bool showDetail;
};

LPCSTR IconOfStyle(int icon) {
  switch (icon & MB_ICONMASK) {
    case MB_ICONQUESTION: return IDI_QUESTION;
    case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
    case MB_ICONASTERISK: return IDI_ASTERISK;
    default: return IDI_HAND;
  }
}

void CentreOverOwner(HWND box, const CREATESTRUCTA& create) {
  HWND owner = create.hwndParent != nullptr ? GetAncestor(create.hwndParent, GA_ROOT) : nullptr;
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT over = screen;
  if (owner != nullptr) GetWindowRect(owner, &over);
  const POINT at = PlaceErrorBox(SIZE{create.cx, create.cy}, over, screen);
  SetWindowPos(box, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK ErrorBoxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    CentreOverOwner(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
  } else if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC &&
             GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_ERRORDLG_DETAIL) {
    const LRESULT brush = DefDlgProcA(window, message, wParam, lParam);
    SetTextColor(reinterpret_cast<HDC>(wParam), kErrorDetailColour);
    return brush;
  }
  return DefDlgProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK ErrorDlgProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* p = reinterpret_cast<const ErrorBoxParams*>(lParam);
    if (p->caption != nullptr && p->caption[0] != 0) SetWindowTextA(dialog, p->caption);
    SetDlgItemTextA(dialog, IDC_ERRORDLG_MESSAGE, p->message != nullptr ? p->message : "");
    if (p->showDetail && p->detail != nullptr) SetDlgItemTextA(dialog, IDC_ERRORDLG_DETAIL, p->detail);
    SendDlgItemMessageA(dialog, IDC_ERRORDLG_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, IconOfStyle(p->icon))), 0);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    EndDialog(dialog, 1);
    return TRUE;
  }
  return FALSE;
}

BOOL CALLBACK CollectEnabled(HWND window, LPARAM list) {
  if (IsWindowEnabled(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

BOOL RegisterErrorBoxClass(HINSTANCE instance) {
  WNDCLASSA existing{};
  if (GetClassInfoA(instance, kErrorBoxClass, &existing)) return TRUE;
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
  wc.lpfnWndProc = ErrorBoxWndProc;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kErrorBoxClass;
  return RegisterClassA(&wc) != 0;
}

int ShowErrorDialog(HINSTANCE instance, HWND owner, const char* message, const char* caption, const char* detail,
                    int icon, bool showDetail) {
  RegisterErrorBoxClass(instance);
  // The box is modal for the whole thread: its other windows wait for it.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (HWND w : disabled) EnableWindow(w, FALSE);
  ErrorBoxParams params{message, caption, detail, icon, showDetail};
  DialogBoxParamA(instance, "ERRORDLG", owner, ErrorDlgProc, reinterpret_cast<LPARAM>(&params));
  for (HWND w : disabled) EnableWindow(w, TRUE);
  return 1;
}

}  // namespace lumora
