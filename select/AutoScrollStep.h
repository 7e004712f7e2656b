// One step of scrolling during a drag, without a window: from the cursor,
// the client rectangle and the scroll bars, which way each bar scrolls one
// line and whether the drag gets a synthetic mouse move.
#pragma once

#include "platform/win32types.h"

namespace lumora {

struct ScrollBarState {
  bool shown = false;  // the window style has the bar
  int minimum = 0, maximum = 0, position = 0;
};

struct AutoScrollStep {
  int horizontal = 0;  // -1 a line left, +1 a line right, 0 none
  int vertical = 0;    // -1 a line up, +1 a line down, 0 none
  bool postMove = false;
};

// The cursor inside the client rectangle (right and bottom edges count as
// outside) or no owner: nothing. Otherwise each bar that is shown scrolls
// toward the cursor unless it is at that end of its range; a move follows
// when anything scrolled.
AutoScrollStep DecideAutoScroll(POINT cursor, const RECT& client, bool hasOwner, const ScrollBarState& horizontal,
                                const ScrollBarState& vertical);

}  // namespace lumora
