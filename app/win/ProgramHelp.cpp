// The program's help.
#include "app/win/ProgramHelp.h"

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

void ShowProgramHelp(const HelpRequest& request) {
  // The help file is not installed with the program: the system's help
  // viewer would only say it cannot find it.
  const std::string text(res::String(IDS_HELP_NOT_INSTALLED));
  const std::string caption(res::String(IDS_APP_CAPTION));
  MessageBoxA(request.owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace lumora
