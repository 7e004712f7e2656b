// Scroll-bar decisions of a scrolling view: which bars are needed for a
// total size in a client area, and where a scroll position may go.
#pragma once

#include <cstdint>

namespace fw {

struct ScrollBarsNeeded {
  bool horizontal = false;
  bool vertical = false;
  std::int32_t clientWidth = 0;  // what remains beside the bars
  std::int32_t clientHeight = 0;
};

// `width`/`height`: the client area without any bar. A bar takes room from
// the other direction, which may make the other bar needed too.
ScrollBarsNeeded NeededScrollBars(std::int32_t width, std::int32_t height, std::int32_t totalWidth,
                                  std::int32_t totalHeight, std::int32_t barWidth, std::int32_t barHeight);

// The largest position that still fills the view: total − view, at least 0.
std::int32_t MaxScrollPosition(std::int32_t total, std::int32_t view);
std::int32_t ClampScrollPosition(std::int32_t position, std::int32_t total, std::int32_t view);

}  // namespace fw
