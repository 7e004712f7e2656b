#include "ui/CtrlViewerLayout.h"

#include <algorithm>

namespace lumora {

ViewerFlow FlowViewerItems(const std::vector<SIZE>& sizes, const std::vector<bool>& breakAfter, int clientWidth) {
  ViewerFlow flow;
  int rowsHeight = 0;  // the heights of the finished rows
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const int w = sizes[i].cx, h = sizes[i].cy;
    POINT at{2, 2};
    if (i == 0) {
      flow.rows.push_back({2, w + 2, h + 2, 0});
    } else {
      ViewerRow& row = flow.rows.back();
      const bool rowBreak = i - 1 < breakAfter.size() && breakAfter[i - 1];
      const int x = row.width + 3;
      if (!rowBreak && x + w <= clientWidth - 2) {
        at = {x, row.top};
        row.width = x + w;
        row.height = std::max(row.height, h + 3);
      } else {
        rowsHeight += row.height;
        at = {2, rowsHeight + 3};
        flow.rows.push_back({rowsHeight + 3, w + 2, h + 3, static_cast<int>(i)});
      }
    }
    flow.positions.push_back(at);
    flow.rowOf.push_back(static_cast<int>(flow.rows.size()) - 1);
    flow.content.cx = std::max<LONG>(flow.content.cx, at.x + w + 2);
    flow.content.cy = std::max<LONG>(flow.content.cy, at.y + h + 2);
  }
  return flow;
}

int ViewerScrollRange(int content, int client) { return content > client ? content - client : 0; }

int ViewerScrollTo(int position, int range, int code, int thumb) {
  int to = position;
  switch (code) {
    case 0: to = position - 1; break;   // SB_LINEUP
    case 1: to = position + 1; break;   // SB_LINEDOWN
    case 2: to = position - 10; break;  // SB_PAGEUP
    case 3: to = position + 10; break;  // SB_PAGEDOWN
    case 4:                             // SB_THUMBPOSITION
    case 5: to = thumb; break;          // SB_THUMBTRACK
    case 6: to = 0; break;              // SB_TOP
    case 7: to = range; break;          // SB_BOTTOM
    default: break;
  }
  return std::clamp(to, 0, std::max(range, 0));
}

bool IsCollectableCommand(std::uint32_t id) {
  if (id >= 57616 && id <= 57631) return false;
  if (id >= 61440 && id < 61936) return false;
  return id < 65280;
}

int ToolCategoryOfGroup(const char* group) {
  if (group == nullptr || group[0] != ':') return 5;
  switch (group[1]) {
    case '0':
    case '4': return 0;
    case '1': return 1;
    case '2': return 2;
    case '3':
    case '5': return 3;
    case '6': return 4;
    default: return 5;
  }
}

}  // namespace lumora
