// The native build has no device to draw to: the GDI operations of the draw
// context paint nothing there, and notifications carry no regions.
#ifndef _WIN32
#include "libs/draw/draw_context.h"

namespace lumora::draw {

int DrawContext::Draw(HDC, HRGN, HWND, BOOL, BOOL, HPALETTE*) { return 0; }
UINT DrawContext::RealizePaletteForeground(HWND) { return 0; }
UINT DrawContext::RealizePaletteBackground(HWND) { return 0; }
void DrawContext::DrawMargin(HDC, HWND, const RECT*, const RECT*) {}
void DrawContext::Reactivate(HWND window) {
  window_ = window;
  cache_.Drop();
}

void DrawContext::ReleaseDeviceObjects() {}

void DrawContext::NotifyClientStale() {
  if (notifier_) notifier_->Notify(nullptr, nullptr, 1);
}

}  // namespace lumora::draw
#endif
