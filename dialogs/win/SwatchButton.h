// A dialog's one-colour swatch button (owner-drawn): the colour framed by
// the black pen, a focus rectangle while it has the focus.
#pragma once

#include <windows.h>

#include "framework/win/Window.h"

namespace lumora {

class CSelColBtn : public fw::Window {
 public:
  // A button of the dialog taken over (made owner-drawn).
  bool Attach(HWND dialog, int id);
  void SetColor(COLORREF colour);
  COLORREF GetColor() const { return colour_; }
  // The dialog's WM_DRAWITEM for this button.
  void DrawItem(const DRAWITEMSTRUCT& item) const;

 private:
  COLORREF colour_ = 0x00FF0000;  // blue until set
};

}  // namespace lumora
