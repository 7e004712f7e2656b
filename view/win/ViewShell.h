// What the views, their frames, the navigator and the picking service ask
// of the application, through one interface the application installs at
// start-up (without it they go on without status texts, help or the
// navigator). The views stay below the application.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace lumora {

class CLumo40View;

// An image's place for position texts: its size, resolution and the ruler
// origin (x from the left, y in rows from the top).
struct ImagePlace {
  int width = 0, height = 0;
  double dpiX = 72, dpiY = 72;
  POINT origin{0, 0};
};

class ViewShell {
 public:
  virtual ~ViewShell() = default;
  // "(x,y)" of an image pixel (its row counted upward from the bottom),
  // padded for the status bar.
  virtual std::string CoordinatesText(const ImagePlace& place, POINT imagePixel) = 0;
  // "x=.. y=.. w=.. h=.." of an image rectangle.
  virtual std::string RectText(const ImagePlace& place, const RECT& imageRect) = 0;
  // The prompt-text stack: an entry of a channel, its text, its end.
  virtual int AddPrompt(int channel, int priority, bool deferred) = 0;
  virtual void SetPromptText(int handle, const std::string& text) = 0;
  virtual void RemovePrompt(int handle) = 0;
  // The zoom in the status bar, after a view zoomed.
  virtual void ShowViewZoomStatus(CLumo40View* view) = 0;
  // A view applied its zoom or scroll position: the navigator follows.
  virtual void OnViewZoomApplied(CLumo40View* view) = 0;
  // The active image view changed (null: none is active now), or a view
  // is going away.
  virtual void OnViewActivated(CLumo40View* view) = 0;
  virtual void OnViewGone(CLumo40View* view) = 0;
  // Whether the main frame's Layer Moving mode is on.
  virtual bool LayerMovingOn() { return false; }
  // Help on a topic of the help file.
  virtual void ShowHelp(unsigned topic) = 0;
  // A view's draw context met colour-management problems (kVrCm* bits)
  // that view had not reported yet: said once on the status bar.
  virtual void ShowColorManagementNotice(std::uint32_t problems) = 0;
  // Starts the picking service on an image view (cursors over the view
  // and elsewhere; the callback gets each clicked client point, then null
  // when the pick ends); false when it cannot start.
  using PickCallback = void (*)(const POINT* point, void* user, int reserved);
  virtual bool StartPick(HCURSOR overView, HCURSOR elsewhere, PickCallback callback, void* user, HWND view) = 0;
  // After a paint: the current tool draws what follows the mouse.
  virtual void PaintToolOverlay(CLumo40View*, HDC) {}
  // A transform starts (enable false: the tool windows are disabled and the
  // current tool or mode ends; returns the command that brings it back) or
  // ends (enable true: the windows come back and `previous` is chosen again).
  virtual std::uint32_t EnableForTransform(bool, std::uint32_t) { return 0; }
  // An unmodified letter typed in the view: true when it chose a tool.
  virtual bool ToolKey(CLumo40View*, char) { return false; }
};

void SetViewShell(ViewShell* shell);
// Null until the application installed one.
ViewShell* TheViewShell();

// The cursors of guide and origin drags, loaded once (`kind` 0 horizontal
// guide, 1 vertical guide, 2 origin).
HCURSOR GuideCursor(int kind);

}  // namespace lumora
