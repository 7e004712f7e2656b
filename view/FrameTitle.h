// The caption of an image child frame: "title* (WxH) Z% [layer] : n" and
// the rule that a caption is set again only when it changed.
#pragma once

#include <string>

namespace lumora {

struct FrameTitleParts {
  bool hasDocumentTitle = false;
  std::string documentTitle;
  bool modified = false;
  bool hasImage = false;  // the merged image: its size is shown
  int width = 0;
  int height = 0;
  bool hasView = false;   // an active view: its zoom is shown
  double imagePerWindow = 1.0;
  std::string layerName;  // the active layer's; empty adds nothing
  int windowNumber = 0;   // shown when above 0
  std::string frameTitle; // the frame's own string, appended
};

std::string FormatFrameTitle(const FrameTitleParts& parts);

// Whether a caption must be set: it differs from the current text, or it
// is too long (256 characters or more) to have been compared whole.
bool FrameTitleNeedsSetting(const std::string& current, const std::string& next);

}  // namespace lumora
