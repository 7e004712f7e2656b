// The drop push button: a focus rectangle inside the button while a layer
// is over it; the drop goes to the owner.
#include "ui/win/DropButton.h"

namespace lumora {

DWORD CButtonDropTarget::OnDragEnter(IDataObject* data, DWORD keyState, POINT client) {
  RECT r{};
  GetClientRect(Window(), &r);
  InflateRect(&r, -3, -3);
  if (!PtInRect(&r, client)) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    r = RECT{client.x - w / 2, client.y - h / 2, client.x - w / 2 + w, client.y - h / 2 + h};
  }
  feedback_ = r;
  last_ = client;
  return CLuDropTarget::OnDragEnter(data, keyState, client) != DROPEFFECT_NONE ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
}

DWORD CButtonDropTarget::OnDragOver(IDataObject* data, DWORD keyState, POINT client) {
  return CLuDropTarget::OnDragOver(data, keyState, client) != DROPEFFECT_NONE ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
}

bool CButtonDropTarget::OnDrop(IDataObject*, DWORD, POINT client) {
  OnDragLeave();
  POINT screen = client;
  ClientToScreen(Window(), &screen);
  if (drop) drop(screen);
  return true;
}

bool CDropButton::Attach(HWND button, std::function<void(POINT screen)> drop) {
  target_.drop = std::move(drop);
  return target_.Register(button);
}

}  // namespace lumora
