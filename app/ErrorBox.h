// The program's error box: a message with an optional detail line in dark
// red, centred over its owner and kept on the screen.
#pragma once

#include "platform/win32types.h"

namespace lumora {

// Window class of the error box.
inline constexpr const char* kErrorBoxClass = "VR_ERRORMESSAGEBOX32";
// Colour of the detail text.
inline constexpr COLORREF kErrorDetailColour = 0x0000007F;  // RGB(127, 0, 0)

// Top-left corner of a box of the given size centred over `owner`, then
// pulled inside `screen`: a negative left or top becomes the screen's, an
// edge beyond the screen moves the box back by the excess.
POINT PlaceErrorBox(const SIZE& box, const RECT& owner, const RECT& screen);

#ifdef _WIN32
// Registers the window class (once); FALSE on failure.
BOOL RegisterErrorBoxClass(HINSTANCE instance);
// Runs "ERRORDLG" owned by `owner` with its thread's other windows disabled;
// the detail shows only with `showDetail`; `icon` holds MB_ICON bits.
// Returns 1.
int ShowErrorDialog(HINSTANCE instance, HWND owner, const char* message, const char* caption, const char* detail,
                    int icon, bool showDetail);
#endif

}  // namespace lumora
