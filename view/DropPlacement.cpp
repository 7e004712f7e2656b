// Feedback and placement of dropped layers.
#include "view/DropPlacement.h"

namespace lumora {

RECT DropFeedbackRect(POINT entry) {
  RECT r{0, 0, kDropFeedbackWidth, kDropFeedbackHeight};
  const bool inside = entry.x >= r.left && entry.x < r.right && entry.y >= r.top && entry.y < r.bottom;
  if (inside) return r;
  // Integer division halves toward zero, as the feedback always has.
  const int dx = entry.x - kDropFeedbackWidth / 2, dy = entry.y - kDropFeedbackHeight / 2;
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

POINT DropOffset(POINT contentCentre, POINT dropPoint) {
  return POINT{dropPoint.x - contentCentre.x, dropPoint.y - contentCentre.y};
}

std::uint32_t DropResolutionWord(const std::uint8_t* bytes, std::uint32_t count) {
  if (bytes == nullptr || count < 4) return kDefaultDropResolution;
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace lumora
