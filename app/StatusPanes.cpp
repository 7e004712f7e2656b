// Status-pane layout and texts.
#include "app/StatusPanes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

StatusPaneWidths LayoutStatusPanes(int clientWidth, int coordinatesWidth) {
  constexpr int kMinMessageWidth = 300;
  StatusPaneWidths w;
  w.message = clientWidth <= kMinMessageWidth ? clientWidth : std::max(clientWidth / 2, kMinMessageWidth);
  w.coordinates = coordinatesWidth;
  if (w.message + w.coordinates > clientWidth) w.coordinates = clientWidth - w.message;
  w.image = clientWidth - w.message - w.coordinates;
  return w;
}

std::string ImagePaneText(const std::string& channel2) {
  return channel2.empty() ? std::string(res::String(IDS_NO_IMAGES_LOADED)) : channel2;
}

std::string ImageStatusText(int type, int bitsPerPixel, int width, int height, double imageUnitsPerPixel) {
  std::uint32_t format = IDS_IMAGE_STATUS;
  if (type == 2 || type == 4) format = IDS_IMAGE_STATUS_PALETTE;
  if (type == 8) format = IDS_IMAGE_STATUS_GREY;
  char text[128];
  std::snprintf(text, sizeof text, std::string(res::String(format)).c_str(), bitsPerPixel, width, height);
  char zoom[32];
  if (imageUnitsPerPixel > 1) {
    std::snprintf(zoom, sizeof zoom, ", 1:%u", static_cast<unsigned>(std::lround(imageUnitsPerPixel)));
  } else {
    std::snprintf(zoom, sizeof zoom, ", %u:1", static_cast<unsigned>(std::lround(1.0 / imageUnitsPerPixel)));
  }
  return std::string(text) + zoom;
}

std::string NoImageStatusText() { return std::string(res::String(IDS_NO_IMAGES_STATUS)); }

}  // namespace lumora
