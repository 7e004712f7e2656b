// A push button that takes the layers dragged in the program: dropped on
// it, a layer goes to the owner's drop procedure (the layer palette's New
// and Delete buttons).
#pragma once

#include <windows.h>

#include <functional>

#include "view/win/LuDropTarget.h"

namespace lumora {

class CButtonDropTarget : public CLuDropTarget {
 public:
  // Called with the drop point in screen coordinates.
  std::function<void(POINT screen)> drop;

 protected:
  DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT client) override;
  DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT client) override;
  bool OnDrop(IDataObject* data, DWORD effect, POINT client) override;
};

class CDropButton {
 public:
  // The button control takes drops; false when OLE refuses its window.
  bool Attach(HWND button, std::function<void(POINT screen)> drop);
  void Detach() { target_.Revoke(); }

 private:
  CButtonDropTarget target_;
};

}  // namespace lumora
