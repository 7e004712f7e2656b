// The crop tool ("Crop_Tool"): while its pane is open, a rectangle dragged
// on an image view marks what to keep; Enter or a double click inside it
// crops the document (through the site, as one undo step) or, with the
// pane's check box, opens the cropped picture in a new window; Escape
// drops the rectangle. Its hook sees the views' mouse and the queue's keys.
#pragma once

#include <cstdint>

#include "hostapi/toolhost.h"
#include "platform/win32types.h"

namespace lumora::toolhost {

// The rectangle as the mouse makes it, in image pixels (y up from the
// bottom row, as every image rect). A press outside the rectangle starts a
// new one there; a press inside keeps it unless the mouse then moves; a
// click that does not move drops it.
class CropTracker {
 public:
  void Press(POINT at, int imageWidth, int imageHeight);
  void Move(POINT at);
  void Release(POINT at);
  // True when a double click lands inside the rectangle: crop.
  bool DoubleClick(POINT at) const;
  void Cancel();
  bool Dragging() const { return dragging_; }
  bool HasRect() const { return hasRect_; }
  // The pixels from the press to the pointer, both included, within the
  // image.
  const RECT& Rect() const { return rect_; }

 private:
  void Span(POINT to);

  POINT start_{0, 0};
  int width_ = 0, height_ = 0;
  bool pressed_ = false;
  bool dragging_ = false;
  bool hasRect_ = false;
  RECT rect_{0, 0, 0, 0};
};

// What the crop tool needs of windows (the program's under Win32; tests
// install their own).
class CropWindows {
 public:
  virtual ~CropWindows() = default;
  // A client point of the view in image pixels; false without a mapping.
  virtual bool ToImage(const void* site, void* view, POINT client, POINT* image) = 0;
  // The frame of the image rect shown on the view (null: none).
  virtual void ShowFrame(const void* site, void* view, const RECT* imageRect) = 0;
  // Draws the frame again after the view painted over it: posts the view
  // a message of its own, which the hook then sees.
  virtual void RedrawFrameLater(void* view) = 0;
  virtual bool IsFrameMessage(std::uint32_t message) = 0;
  // Draws the frame shown last again, erasing nothing.
  virtual void RedrawFrame(void* view) = 0;
  virtual void Capture(void* view, bool on) = 0;
  // Whether a key sent to `target` belongs to the view (the view itself or
  // a window that holds it).
  virtual bool KeyReachesView(void* target, void* view) = 0;
};
// The windows in use: a test's, else the program's (Win32); null natively.
CropWindows* CurrentCropWindows();
void SetCropWindows(CropWindows* windows);
CropWindows& Win32CropWindowsInstance();

// The pane of the crop tool opened (on) or closed: its hook comes and goes.
void CropToolActivate(const void* site, LUTool* tool, bool on);
// The hook's procedure (tests call it with messages of their own).
int CropHookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);
// Crops as Enter would; false without a rectangle or when the site refuses.
bool CropToolCrop();
bool CropToolHasRect(RECT* rect);

}  // namespace lumora::toolhost
