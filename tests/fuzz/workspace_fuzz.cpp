// Fuzz target of a workspace file (".luw") as File/Open Workspace reads it:
// the image list, the tool panes and each image's views, every view then
// placed on a screen. Whatever the file holds, each read stays within its
// limits and every placed view lies wholly on the screen.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Workspace.h"
#include "framework/Profile.h"
#include "fuzz/fuzz_target.h"

namespace {

using namespace lumora;

void CheckPlaced(const VIEWINFO& view, int sw, int sh) {
  if (view.left < 0 || view.top < 0 || view.right <= view.left || view.bottom <= view.top || view.right > sw ||
      view.bottom > sh) {
    __builtin_trap();
  }
  for (const int v : {view.minX, view.maxX}) {
    if (v < -sw || v > sw) __builtin_trap();
  }
  for (const int v : {view.minY, view.maxY}) {
    if (v < -sh || v > sh) __builtin_trap();
  }
}

}  // namespace

LUMORA_FUZZ_TARGET(workspace)(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  fw::ProfileSnapshot file(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::vector<std::string> paths = ReadWorkspaceImagePaths(file);
  for (const std::string& path : paths) {
    if (path.empty() || path.size() > 259) __builtin_trap();
  }
  for (const WorkspaceTool& tool : ReadWorkspaceTools(file)) {
    if (tool.idName.empty() || tool.idName.size() > 63) __builtin_trap();
  }
  for (std::size_t i = 0; i < paths.size(); ++i) {
    WorkspaceImage image;
    if (!ReadWorkspaceImage(file, static_cast<int>(i) + 1, &image)) continue;
    if (image.activeLayer < 0 || image.viewCount < 0 || image.viewCount > 50 ||
        image.views.size() != static_cast<std::size_t>(image.viewCount)) {
      __builtin_trap();
    }
    if (!image.selection.empty() && !IsWorkspaceSelectionName(image.selection)) __builtin_trap();
    for (const VIEWINFO& read : image.views) {
      if (read.scale < 1 || read.scale > 3200) __builtin_trap();
      for (const auto& [sw, sh] : {std::pair{1920, 1080}, std::pair{640, 480}, std::pair{1, 1}}) {
        VIEWINFO view = read;
        FitViewToScreen(view, sw, sh);
        CheckPlaced(view, sw, sh);
      }
    }
  }
  return 0;
}
