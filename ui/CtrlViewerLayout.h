// The control viewer's arithmetic: items (button pictures and live
// controls) flowed into rows, the scroll ranges and positions, and the
// customise dialog's rule of which commands may join its collection.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32types.h"

namespace lumora {

struct ViewerRow {
  int top = 0;
  int width = 0;
  int height = 0;
  int first = 0;  // index of the row's first item
};

struct ViewerFlow {
  std::vector<POINT> positions;  // top-left of each item
  std::vector<int> rowOf;        // the row of each item
  std::vector<ViewerRow> rows;
  SIZE content{0, 0};            // right and bottom of everything, plus the margin
};

// Items of `sizes` in order: the first at (2, 2); each next one 3 pixels
// right of its row, unless it would end past `clientWidth` - 2 or the item
// before asked for a row break (`breakAfter`): then at x = 2, 3 pixels
// below the rows so far.
ViewerFlow FlowViewerItems(const std::vector<SIZE>& sizes, const std::vector<bool>& breakAfter, int clientWidth);

// The scroll range of one direction: what the content passes the client
// by, 0 when it fits.
int ViewerScrollRange(int content, int client);
// A scroll request (SB_* code) from `position`: a line is 1 pixel, a page
// 10, tracking goes to `thumb`; always within 0..range.
int ViewerScrollTo(int position, int range, int code, int thumb);

// Commands that never join the customise collection: the recent files,
// the system commands and the ids from 65280 up.
bool IsCollectableCommand(std::uint32_t id);

// The customise dialog's group of a registered tool from the group code
// that begins its menu path: 0 ":0"/":4", 1 ":1", 2 ":2", 3 ":3"/":5",
// 4 ":6", 5 anything else.
int ToolCategoryOfGroup(const char* group);

}  // namespace lumora
