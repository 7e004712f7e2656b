// What the document's export commands hand to the web-export dialogs. The
// dialogs live in dialogs/, which the document does not reach: the
// application installs them here at start-up (tests may install their own).
#pragma once

#include <functional>
#include <string>

#include "engine/pixels/WAccess.h"
#include "hostapi/fragment.h"

class CLayersManager;

namespace lumora {

// A flattened copy of the image composited on white (the dialogs keep
// copies of their own), the layer stack for the map page and the active
// selection (null: none). Nothing here belongs to the dialog.
struct ExportRequest {
  VrWA2000::WA* image = nullptr;
  CLayersManager* stack = nullptr;
  const Fragment* selection = nullptr;
};

// Each runs its dialog modally; an empty one is a command that does
// nothing.
struct ExportDialogs {
  std::function<void(const ExportRequest&)> jpeg;
  std::function<void(const ExportRequest&)> gif;
  std::function<void(const ExportRequest&)> png;
  // The Map command: the image's size and the selection.
  std::function<void(int width, int height, const Fragment* selection)> map;
  // Layer/WEB Link...: the active layer's link text in, the new one out;
  // true for OK.
  std::function<bool(std::string& link)> webLink;
};

ExportDialogs& TheExportDialogs();

}  // namespace lumora
