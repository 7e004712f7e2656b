// The foreground and background colours on screen: the two-swatch colour
// control that sits on a toolbar (dialog 212, class "WND_MCOLOR"), its swap
// button, the one-colour swatch button of the dialogs, and the opening of
// the shared colour window for the application's colours.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "dialogs/win/HelpSupport.h"
#include "framework/win/Window.h"

namespace lumora {

// What the colour controls ask of the application (installed at start).
struct ColourControlServices {
  std::function<COLORREF(bool foreground)> colour;
  // The colour window now edits the foreground (true) or the background.
  std::function<void(bool foreground)> setEdited;
  std::function<void()> swap;
};
ColourControlServices& TheColourControlServices();

// The id a colour control has on a toolbar, and its class name.
constexpr int kColourControlId = 33117;
inline constexpr char kColourControlClass[] = "WND_MCOLOR";
// Sent to a colour control: show the application's colours again.
constexpr UINT kColourControlUpdate = WM_USER + 0x60;

// Opens the shared colour window for the main window (when it is closed)
// and shows it with the foreground or background colour, which it edits from
// now on. False when the window could not be opened.
bool EditMainColour(bool foreground);

}  // namespace lumora
