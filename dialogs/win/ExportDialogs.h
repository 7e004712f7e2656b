// Installs the web-export dialogs behind the document's export commands
// and the open dialog's information on layered files.
#pragma once

namespace lumora {

void InstallExportDialogs();

}  // namespace lumora
