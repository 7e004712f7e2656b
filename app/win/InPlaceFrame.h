// The frame that holds an embedded image's view inside a container's
// window while the image is edited in place. Its commands reach the view
// and the document as in the program's own window; the tool commands go
// to the hidden main frame, which keeps the tool state; the file commands
// the container answers for stay disabled; Esc (32800) ends the editing.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "framework/win/ControlBars.h"
#include "framework/win/Frame.h"
#include "framework/win/OleResizeBar.h"
#include "res/resource.h"
#include "ui/win/ProgramBars.h"

namespace lumora {

class CInPlaceBars;
class CLumo40Doc;
class CLumo40View;

// The in-place cancel command (the frame's Esc key).
constexpr std::uint32_t kIdCancelInPlace = 32800;
// The image leaves the container for the program's own window.
constexpr std::uint32_t kIdOpenSeparately = 33068;

class CInPlaceFrame : public fw::FrameWnd {
 public:
  // A child of `parent` (the container's in-place window) with a view of
  // `doc` at `position` in its client coordinates, and the resize bar's
  // hatched border around it, all within `clip`; null when it cannot be
  // made.
  static CInPlaceFrame* Create(HWND parent, const RECT& position, const RECT& clip, CLumo40Doc* doc);
  ~CInPlaceFrame() override;

  // The container's rectangles changed (IOleInPlaceObject::SetObjectRects).
  void SetPosition(const RECT& position, const RECT& clip);
  // Where the frame goes for the object at `position`: the position with
  // the border around it, within `clip` (when it is not empty).
  static RECT FrameRect(const RECT& position, const RECT& clip, int border);
  CLumo40View* ImageView() const;
  HWND ResizeBar() const { return resizeBar_.Handle(); }
  // A handle of the resize bar was dragged: the object's rectangle asked
  // for, in the container window's client coordinates.
  std::function<void(const RECT&)> onPosRectRequest;
  // Asked to end in-place editing (Esc, 32800), or to end it and open the
  // image in the program's window (33068). Both destroy this frame.
  std::function<void()> onCancel;
  std::function<void()> onOpenSeparately;
  // A bar was shown or hidden: the border space is asked for again.
  std::function<void()> onBarsChanged;
  // A key this frame's table did not take: true when the container's keys
  // took it.
  std::function<bool(MSG*)> translateContainerKey;

  bool PreTranslateMessage(MSG* msg) override;

  bool OnCmdMsg(fw::MessageArgs& args) override;
  // The registered tools' and area types' prompts are the main frame's.
  std::string GetMessageString(std::uint32_t id) override;
  // The view at the object's place, the resize bar around it.
  void RecalcLayout() override;
  // This frame's bars in the container's frame, or null.
  CInPlaceBars* Bars() const;

 private:
  CInPlaceFrame() = default;
  // The paint bar (32833) and selection bar (59403) toggles and Customize
  // Toolbars (33106), on this frame's bars.
  bool OnBarCommand(fw::MessageArgs& args);
  RECT position_{0, 0, 0, 0};  // the object's rectangle in the container window's coordinates
  RECT placed_{0, 0, 0, 0};    // the frame's own rectangle there
  fw::OleResizeBar resizeBar_;
};

// The in-place frame's bars in the container's frame window: the main bar
// (59392, top), the paint bar (59402, left), the selection bar (59403,
// top, with the area tools), the tools bar (59404, right) and the status
// bar (59393, bottom), docked in a frame of ours laid over the border space
// the container grants; a window region leaves the middle to the
// container. Their commands go to the in-place frame; their button layouts
// are kept in toolbar-state files 5 to 8.
class CInPlaceBars : public fw::FrameWnd {
 public:
  // Made in `containerFrame` over `border` (its client coordinates); null
  // when a bar cannot be made.
  static CInPlaceBars* Create(HWND containerFrame, const RECT& border, CInPlaceFrame* commands);
  ~CInPlaceBars() override;
  // The border widths the bars take.
  BORDERWIDTHS Needed();
  // Laid over `border`; the middle left to the container.
  void Place(const RECT& border);
  // Saves the layouts (files 5-8) and destroys the window.
  void Close();
  fw::StatusBar& Status() { return statusBar_; }
  CInPlaceFrame* Commands() const { return commands_; }
  CBrushBar& PaintBar() { return brushBar_; }
  CSelectBar& SelectionBar() { return selectBar_; }
  // The bars in the order toolbar customisation takes them: main, paint,
  // tools, selection.
  std::vector<CCToolBar*> CustomizableBars();

  bool OnCmdMsg(fw::MessageArgs& args) override;
  std::string GetMessageString(std::uint32_t id) override;

 private:
  CInPlaceBars() = default;
  bool CreateBars();
  CInPlaceFrame* commands_ = nullptr;
  CLUToolBar mainBar_{IDS_BAR_STANDARD, 0};
  CBrushBar brushBar_{IDS_BAR_PAINT, 0};
  CSelectBar selectBar_{IDS_BAR_SELECTION, 0};
  CToolsBar toolsBar_{IDS_BAR_TOOLS, 0};
  fw::StatusBar statusBar_;
};

// The enabling of every in-place bar's buttons, at the start of idle work.
void UpdateInPlaceBars();
// The status bar of the image edited in place, or null.
fw::StatusBar* InPlaceStatusBar();

// Commands the in-place frame hands to the main frame (tool state lives there).
bool InPlaceCommandGoesToMainFrame(std::uint32_t id);
// Commands the container answers for: always disabled in place.
bool InPlaceCommandDisabled(std::uint32_t id);

}  // namespace lumora
