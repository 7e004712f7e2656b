// The web-export dialogs as the document's export commands run them.
#include "dialogs/win/ExportDialogs.h"

#include "dialogs/win/HTMLMapDlg.h"
#include "dialogs/win/ImageDialogs.h"
#include "files/win/MyFileDialogs.h"
#include "dialogs/win/PrepGIF.h"
#include "dialogs/win/PrepJPEG.h"
#include "document/win/ExportDialogHooks.h"
#include "res/resource.h"

namespace lumora {

void InstallExportDialogs() {
  ExportDialogs& dialogs = TheExportDialogs();
  dialogs.jpeg = [](const ExportRequest& request) {
    CPrepJPEG dialog(1);
    dialog.SetImage(request.image);
    dialog.SetLayerStack(request.stack);
    dialog.DoModal();
  };
  auto gifOrPng = [](std::uint32_t templateId) {
    return [templateId](const ExportRequest& request) {
      CPrepGIF dialog(templateId);
      dialog.SetImage(request.image);
      dialog.SetSelection(request.selection);
      dialog.SetLayerStack(request.stack);
      dialog.DoModal();
    };
  };
  dialogs.gif = gifOrPng(IDD_PREP_GIF);
  dialogs.png = gifOrPng(IDD_PREP_PNG);
  // The open dialog's "&Info" for layered files.
  SetLayeredFileInfo([](HWND, const std::string& path) {
    CImageInfo info(nullptr, path);
    info.DoModal();
  });
  dialogs.webLink = [](std::string& link) {
    CPrompter prompt(IDS_WEB_LINK_PROMPT, nullptr);
    prompt.text = link;
    if (prompt.DoModal() != IDOK) return false;
    link = prompt.text;
    return true;
  };
  dialogs.map = [](int width, int height, const Fragment* selection) {
    CHTMLMapDlg dialog;
    dialog.SetFragment(width, height, selection);
    dialog.DoModal();
  };
}

}  // namespace lumora
