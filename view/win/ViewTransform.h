// The view's running interactive transform: the frame, the session over the
// document, the hook that brings the view's mouse and the queue's keys to
// them, and the frame's drawing on the view.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "document/TransformSession.h"
#include "select/TransformFrame.h"
#include "select/win/AutoScroll.h"

namespace lumora {

class CLumo40View;

class ViewFrameSurface : public FrameSurface {
 public:
  explicit ViewFrameSurface(CLumo40View& view);
  ~ViewFrameSurface() override;
  const VRXFORM* Mapping() override;
  void DrawFrame(const POINT corners[4], const POINT* midpoints, bool handles) override;
  void DrawCentre(POINT centre) override;
  POINT PointerInView() override;
  void SetFrameCursor(FrameCursor cursor) override;
  void SetHint(int stringId) override;
  // Drawing goes to this context while the view paints (clipped to the
  // paint), else to a context of the window.
  HDC paintDc = nullptr;

 private:
  CLumo40View& view_;
  VRXFORM mapping_;
  int hint_ = 0;  // prompt entry
};

struct ViewTransform {
  explicit ViewTransform(CLumo40View& view) : surface(view) {}
  ViewFrameSurface surface;
  std::unique_ptr<TInterface> frame;
  std::unique_ptr<TransformSession> session;
  std::uint32_t hookId = 0;
  std::uint32_t previousTool = 0;
  bool questionOpen = false;
  POINT scroll{0, 0};
  // Scrolls the view while a handle is dragged past its edge; the frame
  // follows the scroll (the view repaints it at its new place).
  CAutoScroll scroller;
};

}  // namespace lumora
