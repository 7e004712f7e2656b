// Grid and guide snapping.
#include "view/SnapRect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "hostapi/draw.h"

namespace lumora {

namespace {

constexpr std::int64_t kSub = 32;  // 1/32 pixel

// Whole pixels of a 1/32 distance, halves away from zero.
std::int32_t RoundSub(std::int64_t delta) {
  const std::int64_t magnitude = (std::llabs(delta) + kSub / 2) / kSub;
  return static_cast<std::int32_t>(delta < 0 ? -magnitude : magnitude);
}

// The nearest candidate delta (1/32) for one edge within reach.
void Consider(std::int64_t delta, std::int64_t reach, std::optional<std::int64_t>* best) {
  if (std::llabs(delta) > reach) return;
  if (!*best || std::llabs(delta) < std::llabs(**best)) *best = delta;
}

// The best correction of one axis: edges a and b (whole pixels).
std::optional<std::int64_t> SnapAxis(bool vertical, std::int64_t a, std::int64_t b, std::int64_t reach,
                                     const SnapSettings& s) {
  std::optional<std::int64_t> best;
  for (const std::int64_t edge : {a, b}) {
    const std::int64_t at = edge * kSub;
    std::int32_t below = 0, above = 0;
    if (s.toGrid && s.grid && at >= INT32_MIN && at <= INT32_MAX &&
        s.grid(vertical, static_cast<std::int32_t>(at), &below, &above)) {
      Consider(below - at, reach, &best);
      Consider(above - at, reach, &best);
    }
    if (!s.toGuides) continue;
    const std::int32_t wanted = vertical ? kVrGuideHorizontal : kVrGuideVertical;
    for (const SnapGuide& g : s.guides) {
      if (g.orientation == wanted) Consider(g.position - at, reach, &best);
    }
  }
  return best;
}

}  // namespace

std::int64_t SnapReach(double imagePerWindow) {
  constexpr double kWindowPixels = 8;
  // Beyond any image the format holds; also keeps a bad ratio finite.
  constexpr double kFarthest = double{INT32_MAX};
  if (!(imagePerWindow > 0)) return 0;
  return static_cast<std::int64_t>(std::min(std::trunc(kWindowPixels * kSub * imagePerWindow), kFarthest));
}

bool SnapRectOffset(const RECT& rect, POINT* offset, const SnapSettings& settings) {
  if (offset == nullptr || (!settings.toGrid && !settings.toGuides)) return false;
  const std::int64_t reach = SnapReach(settings.imagePerWindow);
  const std::optional<std::int64_t> dx = SnapAxis(false, std::int64_t{rect.left} + offset->x,
                                                  std::int64_t{rect.right} + offset->x, reach, settings);
  const std::optional<std::int64_t> dy = SnapAxis(true, std::int64_t{rect.top} + offset->y,
                                                  std::int64_t{rect.bottom} + offset->y, reach, settings);
  bool moved = false;
  if (dx && RoundSub(*dx) != 0) {
    offset->x += RoundSub(*dx);
    moved = true;
  }
  if (dy && RoundSub(*dy) != 0) {
    offset->y += RoundSub(*dy);
    moved = true;
  }
  return moved;
}

}  // namespace lumora
