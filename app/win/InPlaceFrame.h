// The frame that holds an embedded image's view inside a container's
// window while the image is edited in place. Its commands reach the view
// and the document as in the program's own window; the tool commands go
// to the hidden main frame, which keeps the tool state; the file commands
// the container answers for stay disabled; Esc (32800) ends the editing.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/win/Frame.h"

namespace lumora {

class CLumo40Doc;
class CLumo40View;

// The in-place cancel command (the frame's Esc key).
constexpr std::uint32_t kIdCancelInPlace = 32800;
// The image leaves the container for the program's own window.
constexpr std::uint32_t kIdOpenSeparately = 33068;

class CInPlaceFrame : public fw::FrameWnd {
 public:
  // A child of `parent` (the container's in-place window) at `position` in
  // its client coordinates, with a view of `doc`; null when it cannot be made.
  static CInPlaceFrame* Create(HWND parent, const RECT& position, CLumo40Doc* doc);
  ~CInPlaceFrame() override;

  // The container's rectangles changed (IOleInPlaceObject::SetObjectRects).
  void SetPosition(const RECT& position);
  CLumo40View* ImageView() const;
  // Asked to end in-place editing (Esc, 32800), or to end it and open the
  // image in the program's window (33068). Both destroy this frame.
  std::function<void()> onCancel;
  std::function<void()> onOpenSeparately;

  bool OnCmdMsg(fw::MessageArgs& args) override;

 private:
  CInPlaceFrame() = default;
};

// Commands the in-place frame hands to the main frame (tool state lives there).
bool InPlaceCommandGoesToMainFrame(std::uint32_t id);
// Commands the container answers for: always disabled in place.
bool InPlaceCommandDisabled(std::uint32_t id);

}  // namespace lumora
