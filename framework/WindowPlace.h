// Where a top-level window opens that nothing places otherwise: centred over
// its owner and kept on the work area.
#pragma once

#include "platform/win32types.h"

namespace fw {

// Top-left corner (screen) of a window of size `window` centred over `over`
// (half the difference of the sizes, rounded towards the top-left), then
// moved inside `workArea`: an edge past the right or bottom moves the window
// back by the excess, and the left and top edges never leave the area, so
// the caption stays within reach even of a window larger than the area.
POINT CentredPlace(const SIZE& window, const RECT& over, const RECT& workArea);

}  // namespace fw
