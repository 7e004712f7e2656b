// Small windows of the application shell: the splash window, the About
// box, the start-wizard question, the user-interface language and the
// hand-over of a file to the program that already runs.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32types.h"

namespace lumora {

// Splash: enabled by start-up, shown while the main frame is created,
// hidden by the first key or button press.
void EnableSplashScreen(bool enable);
void ShowSplashScreen(HWND parent);
bool IsSplashShown();
void BringSplashToTop();
// Hides the splash for a key or button press; the message goes on.
bool SplashPreTranslate(const MSG& msg);

void ShowAboutBox(HWND parent);
// [STARTWIZARD] STARTWIZARD 0 offers the wizard; Yes sends command 425.
void OfferStartWizard(HWND mainWindow, const void* site, int stored);

// The user-interface language (VRLANGSP.INI in `folder`, else the
// system's default), and a resource in it (else in any language).
std::uint16_t ReadUILanguageFrom(const std::string& folder);
HRSRC FindResourceLang(HMODULE module, const char* name, const char* type, std::uint16_t language);

// The main window of the program that already runs (by class), or null.
HWND FindRunningMainFrame();
// What became of a file handed to the running program.
enum class HandOver {
  kTaken,     // it took the file
  kGone,      // it ended (or its window went) instead: this start carries on
  kNoAnswer,  // it is there and did not take the file
};
// Sends the file name to that window as a hand-over block. A program that
// is closing refuses the block; this one then waits for it to end.
HandOver HandOverFile(HWND target, const std::string& path);
// Asks that window's program to show itself and take the user (a program
// COM started waits hidden); true when it did.
bool HandOverUser(HWND target);

}  // namespace lumora
