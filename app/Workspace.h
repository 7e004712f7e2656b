// Workspace files (".luw"): the open images with their windows and view
// settings, each image's selection (saved beside as a selection file) and
// the open tool panes, as an INI file. This part is the file's content: the
// records, the writer and the reader; the program gathers and restores the
// windows (app/win/AppWorkspace.cpp).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/Profile.h"

namespace lumora {

// One view of an image: its frame's placement and the view's settings.
struct VIEWINFO {
  bool activate = false;
  int show = 1;  // 1 normal, 2 minimised, 3 maximised
  int minX = 0, minY = 0;
  int maxX = 0, maxY = 0;
  int left = 0, top = 0, right = 0, bottom = 0;  // the normal rectangle
  int scale = 1;                                 // percent, 1..3200
  int scrollX = 0, scrollY = 0;                  // device units
  bool rulers = false;
  int rulerUnits = 2;  // 0 cm, 1 inch, 2 pixels, 3 points
  bool grid = false;
  bool snapToGrid = true;
  bool guides = false;
  bool snapToGuides = true;
};

struct WorkspaceImage {
  std::string path;
  int activeLayer = 0;
  // Base name of the selection file ("select" or "select" and a number);
  // empty without a selection.
  std::string selection;
  int viewCount = 0;
  std::vector<VIEWINFO> views;
};

struct WorkspaceTool {
  std::string idName;
  bool minimized = false;
  bool hasPosition = false;
  int x = 0, y = 0;
};

struct WorkspaceContent {
  std::vector<WorkspaceTool> tools;
  std::vector<WorkspaceImage> images;
};

// The file's "scale" of a zoom given in image units per screen unit.
int WorkspaceScaleOfZoom(double imagePerScreen);

// An integer as the file keeps it ("%i"); reading takes at most 19
// characters and answers false (out untouched) for a missing or empty key.
bool WriteProfileIntKey(fw::Profile& file, const std::string& section, const std::string& key, int value);
bool ReadProfileIntKey(fw::Profile& file, const std::string& section, const std::string& key, int* out);

// Writes the tools, then the images, numbering images 1, 2, ... over those
// written: an image whose writing fails is dropped and its number used
// again. Answers the number of images written.
int WriteWorkspaceContent(fw::Profile& file, const WorkspaceContent& content);

// The image paths of the "images" list, up to the first missing key.
std::vector<std::string> ReadWorkspaceImagePaths(fw::Profile& file);
// The tool panes listed, up to the first missing key.
std::vector<WorkspaceTool> ReadWorkspaceTools(fw::Profile& file);
// Image `index` (1-based) with its views; false when a required key is
// missing. A selection name other than "select" and digits is ignored; a
// view's positions and sizes are held within ±2^24, beyond any screen.
bool ReadWorkspaceImage(fw::Profile& file, int index, WorkspaceImage* image);

// Places a view read from a file on a screen of that size (in 64-bit
// arithmetic, whatever the file held): the normal rectangle between 1
// pixel and the screen each way, moved wholly onto the screen; the
// minimised and maximised positions within a screen of the origin.
void FitViewToScreen(VIEWINFO& view, int screenWidth, int screenHeight);

// Whether a stored selection name is one of ours ("select" and digits).
bool IsWorkspaceSelectionName(const std::string& name);
// The first free selection name: "select" when its file does not exist,
// else "select1" .. "select511"; empty when all are taken.
std::string FreeSelectionName(const std::function<bool(const std::string&)>& exists);

// The selection name an existing workspace gave the image at `path`, so a
// save over it reuses its own selection files; empty when none.
std::string ReusableSelectionName(fw::Profile& oldFile, const std::string& path);

// Writes the workspace to `path` through a temporary file beside it that
// replaces the old file only once it is complete: a failed write leaves the
// old workspace as it was. `open` opens a profile on a file path.
bool SaveWorkspaceFile(const std::string& path, const WorkspaceContent& content,
                       const std::function<std::unique_ptr<fw::Profile>(const std::string&)>& open,
                       int* imagesWritten = nullptr);

// The folder part (drive and directory, with its last separator) of a path.
std::string WorkspaceFolderOf(const std::string& path);

}  // namespace lumora
