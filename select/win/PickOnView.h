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

#include "hostapi/toolhost.h"
#include "view/win/AutoScroll.h"

namespace lumora {

using PickCallback = void (*)(const POINT* point, void* user, int reserved);

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
