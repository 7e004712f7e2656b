// What the small owner-drawn controls compute without a window: the ball
// button's two values from the pointer, and the selection-combination
// combo's record on a customisable toolbar.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// The ball of a client w pixels wide: its radius, (w - 3 (w / 10)) / 2, at
// least 1 (a radius of 0 would divide by zero).
int BallRadius(int clientWidth);

// The values a pointer at (dx, dy) from the centre gives: the second is
// max2 * theta / 6.283 rounded, theta = atan2(dy, dx) plus 6.283 when
// negative; the first is min(max1, (d * max1 + r / 2) / r) truncated,
// d = sqrt(dx^2 + dy^2).
struct BallValues {
  int first = 0;
  int second = 0;
};
BallValues BallValuesAt(int dx, int dy, int clientWidth, int max1, int max2);

// The selection-combination combo on a toolbar: its class name, width and
// height (16 bits each) and control id (32 bits), stored as a toolbar
// stores its controls.
struct SBComboRecord {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint32_t id = 0;
};
inline constexpr char kSBComboClass[] = "WND_SCOMBOBOX";
std::vector<std::uint8_t> WriteSBComboRecord(const SBComboRecord& record);
// False (and nothing read) for a record of another class or one cut short.
bool ReadSBComboRecord(const std::vector<std::uint8_t>& bytes, SBComboRecord* record);
// The combo's mode for a selected item's data: 0 counts as 1.
inline int SBComboMode(std::intptr_t itemData) { return itemData == 0 ? 1 : static_cast<int>(itemData); }

}  // namespace lumora
