// The program's help: F1, context help, the Help buttons of dialogs and the
// help requests of tools all come to ShowProgramHelp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace lumora {

// One request for help: the window that asks (the owner of what is shown),
// the help file, and the kind of request with its value as the system's
// help takes them (HELP_CONTEXT with a help id, HELP_FINDER, ...).
struct HelpRequest {
  HWND owner = nullptr;
  std::string helpFile;
  UINT command = HELP_CONTEXT;
  std::uintptr_t data = 0;
};

// Shows the help the program has for the request. No help is installed
// yet: every request gets the one message that says so.
void ShowProgramHelp(const HelpRequest& request);

}  // namespace lumora
