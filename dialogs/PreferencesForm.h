// What the preferences pages compute without a window: the memory share's
// bounds and its labels, the undo depth's bounds, the colour-picker and
// animation choices. (The rulers page's unit list is the grid's, in
// GuideGridForm.)
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

// The lowest memory share offered: the whole percentage that 1 MB is of the
// physical memory, at least 1.
int MemoryPercentLowerBound(std::uint64_t totalPhysicalBytes);
constexpr int kMemoryPercentUpperBound = 100;

// "%s KB" with the number of kilobytes grouped by threes with spaces
// (268435456 bytes show as "262 144 KB").
std::string KilobytesText(std::uint64_t bytes);
// The share of the memory in use at `percent`, in the same form.
std::string MemoryShareText(std::uint64_t totalPhysicalBytes, int percent);

constexpr int kMinUndoDepth = 1;
constexpr int kMaxUndoDepth = 100;
// 0 and below become 1, above 100 become 100.
int ClampUndoDepth(int depth);
int ClampToRange(int value, int low, int high);

// The colour-picker page's three entries; a stored value outside them
// shows the first (negative) or the last.
constexpr int kPickerChoices = 3;
int ClampPickerChoice(int index);

// The selection page's entries are the animation speeds 0 .. 3.
constexpr int kAnimationSpeeds = 4;
int ClampAnimationSpeed(int speed);

}  // namespace lumora
