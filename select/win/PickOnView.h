// Point and rectangle picking on an image view through a tool-host hook:
// a click hands a point to the caller's callback, a drag zooms the view to
// the dragged rectangle (shown as an inverted band, its place and size in
// the status bar, the view scrolling when the cursor leaves it). The zoom
// tool is its caller: the first left click applies the starting zoom put
// in the view's zoom target, later left clicks one step in, right clicks
// one step out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "hostapi/toolhost.h"
#include "hostapi/xform.h"
#include "select/win/AutoScroll.h"

namespace lumora {

using PickCallback = void (*)(const POINT* point, void* user, int reserved);

// What the pick needs of the image views and the status bar; the program
// installs it at start-up (without it no pick starts).
class PickViews {
 public:
  virtual ~PickViews() = default;
  virtual bool IsImageView(HWND window) = 0;
  virtual HWND ActiveImageView() = 0;
  // The view's flag that a pick runs on it.
  virtual bool PickRuns(HWND view) = 0;
  virtual void SetPickRuns(HWND view, bool runs) = 0;
  // A client point as an image pixel (rows from the bottom) and back (the
  // top-left window pixel of the pixel).
  virtual POINT WindowToImage(HWND view, POINT client) = 0;
  virtual POINT ImageToWindow(HWND view, POINT pixel) = 0;
  // The view's x factor and image size; false without an image or while
  // its frame is minimised.
  virtual bool ZoomState(HWND view, XFFACT* x, SIZE* image) = 0;
  // The zoom target the view applies next: a:b of its image.
  virtual void SetZoomTarget(HWND view, std::int32_t a, std::int32_t b) = 0;
  // The view zooms to show an image rectangle whole; the target follows.
  virtual void ZoomToRect(HWND view, const RECT& imageRect) = 0;
  // "x=.. y=.. w=.. h=.." of an image rectangle in ruler units.
  virtual std::string RectText(HWND view, const RECT& imageRect) = 0;
  // The status text's prompt entry.
  virtual int AddPrompt(int channel, int priority, bool deferred) = 0;
  virtual void SetPromptText(int handle, const std::string& text) = 0;
  virtual void RemovePrompt(int handle) = 0;
};
void SetPickViews(PickViews* views);
// The installed views (null before start-up), for other one-click hooks.
PickViews* GetPickViews();

// Starts a pick on the view window `target` (the active image view): 0
// when there is no active image view, a pick runs already, or no memory;
// else 1, with the hook installed (flags 0x1007).
int StartPickOnView(HCURSOR overView, HCURSOR elsewhere, PickCallback callback, void* user, HWND target);
// Whether a pick runs (one at a time).
bool PickRunning();

// One pick's record, in movable global memory locked while the pick lasts.
struct PickContext {
  std::uint32_t hookId;
  HCURSOR overView;
  HCURSOR elsewhere;
  HWND target;
  PickCallback callback;
  void* user;
  int prompt;
  POINT start;
  BOOL capture;
  HGLOBAL memory;
};

// The scroller of a pick's drag: the band is erased before each scroll.
class CSelPointAutoScroll : public CAutoScroll {
 public:
  static int HookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);
  static void EndPick(const POINT* point, PickContext* context);
  static void ResetPick(PickContext* context);

 protected:
  void BeforeScroll(void* owner) override;
};

}  // namespace lumora
