// The drop targets of image views and of the main frame's empty area: a
// layer dragged from the layer palette (or another view) lands on the view
// under the pointer as a new top layer, or, dropped on the frame's
// background, becomes a new image.
#pragma once

#include "view/win/LuDropTarget.h"

namespace lumora {

class CLumo40View;

class CDropTargetView : public CLuDropTarget {
 public:
  void SetView(CLumo40View* view) { view_ = view; }

 protected:
  DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT client) override;
  // Over the view itself and only when its image takes layers; elsewhere
  // (a ruler, a scroll bar's neighbour) no feedback and no drop.
  DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT client) override;
  // The layer's content centre at the point, named uniquely, added on top
  // as one undo step; the view's frame comes forward. A stream naming no
  // layer changes nothing and still counts as dropped.
  bool OnDrop(IDataObject* data, DWORD effect, POINT client) override;

 private:
  bool TakesLayers(POINT client) const;
  CLumo40View* view_ = nullptr;
};

// Registered on the main frame: the MDI client has no target of its own, so
// drags over it arrive here too.
class CDropTargetFrame : public CLuDropTarget {
 public:
  void SetMdiClient(HWND client) { mdiClient_ = client; }

 protected:
  DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT client) override;
  DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT client) override;
  // A new document of the layer, titled with its name, at the stream's
  // resolution.
  bool OnDrop(IDataObject* data, DWORD effect, POINT client) override;

 private:
  HWND mdiClient_ = nullptr;
};

}  // namespace lumora
