// The tool panes inside the library: the open pane dialogs with their tool
// instances, which pane the next tool reuses, Apply, and the live preview
// that runs a pane's tool from a saved original into the active image. The
// windows themselves are made by `PaneWindows` (Win32 in the Windows build).
#pragma once

#include <vector>

#include "hostapi/toolhost.h"

namespace VrWA2000 {
class WA;
}

// One pane dialog; it holds one pane (its data are the dialog's own).
struct LUPaneDialog {
  const void* site = nullptr;
  void* window = nullptr;  // null until the window exists
  LU_PANEDATA data{};      // data.tool: the instance the pane edits
  bool pinned = false;     // stays when the next tool opens
  bool previewOn = false;  // the pane's Preview switch
};

namespace lumora::toolhost {

// Makes and drives the pane windows.
class PaneWindows {
 public:
  virtual ~PaneWindows() = default;
  // Makes the pane's window, owned by the main window, with controls for its
  // tool, and shows it; null on failure.
  virtual void* Open(LUPaneDialog& pane) = 0;
  // Rebuilds the controls for the pane's new tool (a reused pane).
  virtual void Rebuild(LUPaneDialog& pane) = 0;
  virtual void Activate(LUPaneDialog& pane) = 0;
  // Destroys the window; the window's end calls ForgetPane.
  virtual void Close(LUPaneDialog& pane) = 0;
  virtual bool IsIconic(const LUPaneDialog& pane) = 0;
};

// The windows in use: the program's (Win32) unless a test installed others;
// null where there are none (native builds).
PaneWindows* CurrentPaneWindows();
void SetPaneWindows(PaneWindows* windows);

// The open panes, oldest first.
const std::vector<LUPaneDialog*>& OpenPanes();
LUPaneDialog* PaneOfWindow(const void* window);
// The window's end: restores a preview the pane shows, deletes its tool and
// the pane.
void ForgetPane(LUPaneDialog* pane);
// The pane last activated (or opened), null when none is open.
void SetActivePane(LUPaneDialog* pane);

// A parameter changed in the pane's controls: with Preview on, runs the
// preview. 0 or the tool's error code for an out-of-range value.
int PaneParameterChanged(LUPaneDialog& pane, int index, std::int32_t value);
// The same for a parameter of several numbers (a point's x and y).
int PaneParameterValuesChanged(LUPaneDialog& pane, int index, const std::int32_t* values);
// Preview switched on (runs it) or off (restores the original).
void PaneSetPreview(LUPaneDialog& pane, bool on);
// Restores the original when the pane's preview shows.
void PaneEndPreview(LUPaneDialog& pane);

// Runs the tool from source into output (null: in place) within the global
// selection, moved into the window's image; the changed rectangle (image
// rows) in *changed. The tool's image slots are empty again afterwards.
int RunPaneTool(LUTool* tool, const void* site, void* window, VrWA2000::WA* source, VrWA2000::WA* output,
                int backup, RECT* changed);
// Repaints a rectangle of the window's active layer image.
void RefreshImageRect(const void* site, void* window, const RECT& imageRect);

// Windows build: the Win32 pane windows.
PaneWindows& Win32PaneWindows();

}  // namespace lumora::toolhost
