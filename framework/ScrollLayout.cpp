// Scroll-bar decisions.
#include "framework/ScrollLayout.h"

#include <algorithm>

namespace fw {

ScrollBarsNeeded NeededScrollBars(std::int32_t width, std::int32_t height, std::int32_t totalWidth,
                                  std::int32_t totalHeight, std::int32_t barWidth, std::int32_t barHeight) {
  ScrollBarsNeeded n;
  n.horizontal = totalWidth > width;
  n.vertical = totalHeight > height;
  // Each bar narrows the other direction; two passes settle it.
  for (int pass = 0; pass < 2; ++pass) {
    if (n.vertical && totalWidth > width - barWidth) n.horizontal = true;
    if (n.horizontal && totalHeight > height - barHeight) n.vertical = true;
  }
  n.clientWidth = std::max(0, width - (n.vertical ? barWidth : 0));
  n.clientHeight = std::max(0, height - (n.horizontal ? barHeight : 0));
  return n;
}

std::int32_t MaxScrollPosition(std::int32_t total, std::int32_t view) { return std::max(0, total - view); }

std::int32_t ClampScrollPosition(std::int32_t position, std::int32_t total, std::int32_t view) {
  return std::clamp(position, 0, MaxScrollPosition(total, view));
}

}  // namespace fw
