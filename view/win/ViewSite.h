// The view entries the tool host's site forwards to, by image-view window:
// the application's SiteHost calls these for its "Views" entries.
#pragma once

#include <windows.h>

#include "hostapi/draw.h"

namespace lumora {

class CLumo40Doc;

namespace viewsite {

bool HasDrawContext(HWND view);
// Refreshes the draw context after the image changed in place, then fits
// the frame (fitFrame) or the scroll sizes.
void UpdateImageWndSize(HWND view, int fitFrame);
void RefreshDrawContext(HWND view);
// Invalidates the whole view (erasing) and updates it at once.
void RedrawImageWnd(HWND view);
VR_DRAWCONTEXT* DrawContext(HWND view);
// The document's notice `code` (1245) to all its views.
void NotifyViews(HWND view, int code);
void PostPaint(HWND view);
// Mode 1: the next window (activation order) whose document floats the
// image; other modes: whose document's active image it is.
HWND FindNextImageWnd(void* image, HWND after, int mode);
void SnapRect(HWND view, RECT& rect, POINT& offset);
void SnapWindowRect(HWND view, RECT& rect, POINT& offset);
CLumo40Doc* DocOfWnd(HWND view);

}  // namespace viewsite

// The application's image-view hook (kind 4): hands every message of an
// image view, but the hook set-up messages, to the view's private-message
// handling. Returns the hook's id (0 on failure).
std::uint32_t InstallImageViewHook();

}  // namespace lumora
