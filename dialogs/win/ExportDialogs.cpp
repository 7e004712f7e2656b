// The web-export dialogs as the document's export commands run them.
#include "dialogs/win/ExportDialogs.h"

#include "dialogs/win/PrepJPEG.h"
#include "document/win/ExportDialogHooks.h"

namespace lumora {

void InstallExportDialogs() {
  ExportDialogs& dialogs = TheExportDialogs();
  dialogs.jpeg = [](const ExportRequest& request) {
    CPrepJPEG dialog(1);
    dialog.SetImage(request.image);
    dialog.SetLayerStack(request.stack);
    dialog.DoModal();
  };
}

}  // namespace lumora
