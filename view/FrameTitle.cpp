// The image child frame's caption.
#include "view/FrameTitle.h"

#include "view/ViewZoom.h"

namespace lumora {

std::string FormatFrameTitle(const FrameTitleParts& parts) {
  if (!parts.hasDocumentTitle) return parts.frameTitle;
  std::string title = parts.documentTitle;
  if (parts.modified) title += "*";
  if (parts.hasImage) title += " (" + std::to_string(parts.width) + "x" + std::to_string(parts.height) + ")";
  if (parts.hasView) title += " " + std::to_string(ZoomPercent(parts.imagePerWindow)) + "%";
  if (!parts.layerName.empty()) title += " [" + parts.layerName + "]";
  if (parts.windowNumber > 0) title += " : " + std::to_string(parts.windowNumber);
  return title + parts.frameTitle;
}

bool FrameTitleNeedsSetting(const std::string& current, const std::string& next) {
  return next.size() >= 256 || current != next;
}

}  // namespace lumora
