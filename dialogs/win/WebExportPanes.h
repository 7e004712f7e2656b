// What the web-export dialogs share: the two linked preview panes over
// their placeholders, the four zoom buttons with their pictures, the size
// texts and saving a map page beside an exported picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/pixels/WAccess.h"
#include "files/win/PreviewWnd.h"

class CLayersManager;

namespace lumora {

class WebExportPanes {
 public:
  WebExportPanes() = default;
  ~WebExportPanes();
  WebExportPanes(const WebExportPanes&) = delete;
  WebExportPanes& operator=(const WebExportPanes&) = delete;

  // Pictures on the zoom buttons (with `flat`, style bit 0x800 too), the
  // panes made over placeholders 1240 and 1241 (ids 100 and 101), showing
  // `source` and `result` at 1:1, linked to the dialog, and shown.
  bool Create(HWND dialog, VrWA2000::WA* source, VrWA2000::WA* result, bool flat);
  // Zoom buttons 1242..1245: the source pane's command, which every linked
  // pane follows. False for another id.
  bool OnZoomButton(std::uint32_t id);
  void Destroy();

  CPreviewWnd* Source() const { return source_.get(); }
  CPreviewWnd* Result() const { return result_.get(); }

 private:
  std::unique_ptr<CPreviewWnd> source_;
  std::unique_ptr<CPreviewWnd> result_;
  HBITMAP pictures_[4] = {};
};

// Writes the page of links beside the picture just saved at `path`; false
// after telling the user why (the picture stays).
bool SaveMapPageBeside(HWND owner, CLayersManager* stack, const std::string& path, const std::string& caption);

// A save dialog for one type: the chosen path, empty when cancelled.
std::string AskExportPath(HWND owner, const std::string& extension, const std::string& filter);

}  // namespace lumora
