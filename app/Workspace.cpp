#include "app/Workspace.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/file_replace.h"
#include "platform/safe_write.h"

namespace lumora {
namespace {

std::string Key(const char* format, int i) {
  char text[32];
  std::snprintf(text, sizeof text, format, i);
  return text;
}

std::string ViewSection(int image, int view) {
  char text[48];
  std::snprintf(text, sizeof text, "image%i_view%i", image, view);
  return text;
}

const char* const kUnitNames[4] = {"cm", "inch", "pixels", "points"};

int UnitOfName(const std::string& name) {
  for (int i = 0; i < 4; ++i) {
    if (name == kUnitNames[i]) return i;
  }
  return 2;
}

bool WriteImage(fw::Profile& file, int index, const WorkspaceImage& image) {
  const std::string section = Key("image%i", index);
  if (!file.WriteString("images", section, image.path)) return false;
  if (!WriteProfileIntKey(file, section, "active_layer", image.activeLayer)) return false;
  if (!WriteProfileIntKey(file, section, "views", image.viewCount)) return false;
  if (!image.selection.empty() && !file.WriteString(section, "selection", image.selection)) return false;
  for (std::size_t v = 0; v < image.views.size(); ++v) {
    const VIEWINFO& w = image.views[v];
    const std::string s = ViewSection(index, static_cast<int>(v) + 1);
    const char* show = w.show == 2 ? "minimized" : w.show == 3 ? "maximised" : "normal";
    char scale[16], scroll[32];
    std::snprintf(scale, sizeof scale, "%i%%", w.scale);
    std::snprintf(scroll, sizeof scroll, "%i,%i", w.scrollX, w.scrollY);
    const bool ok = file.WriteString(s, "activate", w.activate ? "yes" : "no") &&
                    WriteProfileIntKey(file, s, "min_x", w.minX) && WriteProfileIntKey(file, s, "min_y", w.minY) &&
                    WriteProfileIntKey(file, s, "max_x", w.maxX) && WriteProfileIntKey(file, s, "max_y", w.maxY) &&
                    WriteProfileIntKey(file, s, "x", w.left) && WriteProfileIntKey(file, s, "y", w.top) &&
                    WriteProfileIntKey(file, s, "cx", w.right - w.left) &&
                    WriteProfileIntKey(file, s, "cy", w.bottom - w.top) && file.WriteString(s, "show", show) &&
                    file.WriteString(s, "scale", scale) && file.WriteString(s, "scroll_pos", scroll) &&
                    file.WriteString(s, "rulers", w.rulers ? "yes" : "no") &&
                    file.WriteString(s, "ruler_unit", kUnitNames[w.rulerUnits >= 0 && w.rulerUnits < 4 ? w.rulerUnits : 2]) &&
                    file.WriteString(s, "grid", w.grid ? "show" : "hide") &&
                    file.WriteString(s, "snap_to_grid", w.snapToGrid ? "yes" : "no") &&
                    file.WriteString(s, "guides", w.guides ? "show" : "hide") &&
                    file.WriteString(s, "snap_to_guides", w.snapToGuides ? "yes" : "no");
    if (!ok) return false;
  }
  return true;
}

// A key that must be there; false when it is missing.
bool Required(fw::Profile& file, const std::string& section, const char* key, int* out) {
  return ReadProfileIntKey(file, section, key, out);
}

// Positions and sizes of a view beyond this lie off any screen.
constexpr std::int64_t kWorkspaceReach = std::int64_t{1} << 24;

// A coordinate within ±`reach`.
int Within(int value, std::int64_t reach) { return static_cast<int>(std::clamp<std::int64_t>(value, -reach, reach)); }

std::string Text(fw::Profile& file, const std::string& section, const char* key) {
  return file.GetString(section, key, "");
}

}  // namespace

int WorkspaceScaleOfZoom(double imagePerScreen) {
  if (!(imagePerScreen > 0)) return 1;
  const double scale = 100.0 / imagePerScreen + 0.5;
  if (scale >= 3200) return 3200;
  return std::max(1, static_cast<int>(scale));
}

bool WriteProfileIntKey(fw::Profile& file, const std::string& section, const std::string& key, int value) {
  return file.WriteString(section, key, std::to_string(value));
}

bool ReadProfileIntKey(fw::Profile& file, const std::string& section, const std::string& key, int* out) {
  std::string text = file.GetString(section, key, "");
  if (text.empty()) return false;
  if (text.size() > 19) text.resize(19);
  *out = std::atoi(text.c_str());
  return true;
}

int WriteWorkspaceContent(fw::Profile& file, const WorkspaceContent& content) {
  int written = 0;
  for (std::size_t i = 0; i < content.tools.size(); ++i) {
    const WorkspaceTool& t = content.tools[i];
    const std::string section = Key("tool%i", static_cast<int>(i) + 1);
    file.WriteString("tools", section, t.idName);
    file.WriteString(section, "show", t.minimized ? "minimized" : "normal");
    if (t.hasPosition) {
      WriteProfileIntKey(file, section, "x", t.x);
      WriteProfileIntKey(file, section, "y", t.y);
    }
  }
  for (const WorkspaceImage& image : content.images) {
    if (WriteImage(file, written + 1, image)) ++written;
  }
  return written;
}

std::vector<std::string> ReadWorkspaceImagePaths(fw::Profile& file) {
  std::vector<std::string> paths;
  for (int i = 1;; ++i) {
    std::string path = file.GetString("images", Key("image%i", i), "");
    if (path.empty()) break;
    if (path.size() > 259) path.resize(259);
    paths.push_back(path);
  }
  return paths;
}

std::vector<WorkspaceTool> ReadWorkspaceTools(fw::Profile& file) {
  std::vector<WorkspaceTool> tools;
  for (int i = 1;; ++i) {
    const std::string section = Key("tool%i", i);
    std::string name = file.GetString("tools", section, "");
    if (name.empty()) break;
    if (name.size() > 63) name.resize(63);
    WorkspaceTool t;
    t.idName = name;
    t.minimized = Text(file, section, "show") == "minimized";
    t.hasPosition = ReadProfileIntKey(file, section, "x", &t.x) && ReadProfileIntKey(file, section, "y", &t.y);
    tools.push_back(t);
  }
  return tools;
}

bool ReadWorkspaceImage(fw::Profile& file, int index, WorkspaceImage* image) {
  const std::string section = Key("image%i", index);
  *image = WorkspaceImage{};
  image->path = file.GetString("images", section, "");
  if (image->path.empty()) return false;
  if (!Required(file, section, "active_layer", &image->activeLayer)) return false;
  image->activeLayer = std::max(0, image->activeLayer);
  if (!Required(file, section, "views", &image->viewCount)) return false;
  image->viewCount = std::clamp(image->viewCount, 0, 50);
  const std::string selection = Text(file, section, "selection");
  // Only our own names: anything else could name a file outside the
  // selections folder.
  if (IsWorkspaceSelectionName(selection)) image->selection = selection;
  for (int v = 1; v <= image->viewCount; ++v) {
    const std::string s = ViewSection(index, v);
    VIEWINFO w;
    w.activate = Text(file, s, "activate") == "yes";
    int cx = 0, cy = 0;
    if (!Required(file, s, "min_x", &w.minX) || !Required(file, s, "min_y", &w.minY) ||
        !Required(file, s, "max_x", &w.maxX) || !Required(file, s, "max_y", &w.maxY) ||
        !Required(file, s, "x", &w.left) || !Required(file, s, "y", &w.top) || !Required(file, s, "cx", &cx) ||
        !Required(file, s, "cy", &cy)) {
      return false;
    }
    // The file may hold any numbers: each is held within a reach no screen
    // has, so the edges' sums stay numbers a rectangle can hold.
    for (int* value : {&w.minX, &w.minY, &w.maxX, &w.maxY, &w.left, &w.top, &cx, &cy}) {
      *value = Within(*value, kWorkspaceReach);
    }
    w.right = w.left + cx;
    w.bottom = w.top + cy;
    const std::string show = Text(file, s, "show");
    if (show.empty()) return false;
    w.show = show == "minimized" ? 2 : show == "maximised" ? 3 : 1;
    if (!Required(file, s, "scale", &w.scale)) return false;
    w.scale = std::clamp(w.scale, 1, 3200);
    const std::string scroll = Text(file, s, "scroll_pos");
    if (scroll.empty()) return false;
    const std::size_t comma = scroll.find(',');
    w.scrollX = std::atoi(scroll.c_str());
    w.scrollY = comma == std::string::npos ? 0 : std::atoi(scroll.c_str() + comma + 1);
    w.rulers = file.GetString(s, "rulers", "yes") == "yes";
    w.rulerUnits = UnitOfName(file.GetString(s, "ruler_unit", "pixels"));
    w.grid = file.GetString(s, "grid", "hide") == "show";
    w.snapToGrid = file.GetString(s, "snap_to_grid", "yes") == "yes";
    w.guides = file.GetString(s, "guides", "hide") == "show";
    w.snapToGuides = file.GetString(s, "snap_to_guides", "yes") == "yes";
    image->views.push_back(w);
  }
  return true;
}

void FitViewToScreen(VIEWINFO& view, int screenWidth, int screenHeight) {
  const std::int64_t sw = std::max(1, screenWidth), sh = std::max(1, screenHeight);
  // The normal rectangle: at least a pixel and at most the screen each
  // way, moved so that all of it lies on the screen.
  const std::int64_t width = std::clamp<std::int64_t>(std::int64_t{view.right} - view.left, 1, sw);
  const std::int64_t height = std::clamp<std::int64_t>(std::int64_t{view.bottom} - view.top, 1, sh);
  const std::int64_t left = std::clamp<std::int64_t>(view.left, 0, sw - width);
  const std::int64_t top = std::clamp<std::int64_t>(view.top, 0, sh - height);
  view.left = static_cast<int>(left);
  view.top = static_cast<int>(top);
  view.right = static_cast<int>(left + width);
  view.bottom = static_cast<int>(top + height);
  // The minimised and maximised positions stay within a screen of the
  // origin (-1, -1, "none", among them).
  view.minX = Within(view.minX, sw);
  view.minY = Within(view.minY, sh);
  view.maxX = Within(view.maxX, sw);
  view.maxY = Within(view.maxY, sh);
}

bool IsWorkspaceSelectionName(const std::string& name) {
  if (name.rfind("select", 0) != 0) return false;
  if (name.size() > 6 + 3) return false;
  return std::all_of(name.begin() + 6, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string FreeSelectionName(const std::function<bool(const std::string&)>& exists) {
  if (!exists("select")) return "select";
  for (int i = 1; i <= 511; ++i) {
    const std::string name = "select" + std::to_string(i);
    if (!exists(name)) return name;
  }
  return std::string();
}

std::string ReusableSelectionName(fw::Profile& oldFile, const std::string& path) {
  const std::vector<std::string> paths = ReadWorkspaceImagePaths(oldFile);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (paths[i] != path) continue;
    const std::string name = oldFile.GetString(Key("image%i", static_cast<int>(i) + 1), "selection", "");
    if (IsWorkspaceSelectionName(name)) return name;
  }
  return std::string();
}

bool SaveWorkspaceFile(const std::string& path, const WorkspaceContent& content,
                       const std::function<std::unique_ptr<fw::Profile>(const std::string&)>& open,
                       int* imagesWritten) {
  // Saves before this one went through "<file>.tmp": one a kill left goes.
  RemoveFile(path + ".tmp");
  int written = 0;
  std::string error;
  const bool ok = WriteFileSafelyByName(
      path,
      [&](const std::string& temporary, std::string*) {
        std::unique_ptr<fw::Profile> file = open(temporary);
        if (file == nullptr) return false;
        // The file must hold the list even when nothing is open.
        if (!file->WriteString("images", "image0", "") || !file->Remove("images", std::string_view("image0"))) {
          return false;
        }
        written = WriteWorkspaceContent(*file, content);
        // A failed write keeps the old workspace as it was.
        return written == static_cast<int>(content.images.size());
      },
      &error);
  if (imagesWritten != nullptr) *imagesWritten = written;
  return ok;
}

std::string WorkspaceFolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace lumora
