// Installs the web-export dialogs behind the document's export commands.
#pragma once

namespace lumora {

void InstallExportDialogs();

}  // namespace lumora
