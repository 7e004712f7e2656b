// The preferences pages' arithmetic.
#include "dialogs/PreferencesForm.h"

#include <algorithm>

namespace lumora {

int MemoryPercentLowerBound(std::uint64_t totalPhysicalBytes) {
  if (totalPhysicalBytes == 0) return 1;
  const std::uint64_t bound = 104857600ull / totalPhysicalBytes;
  return bound < 1 ? 1 : static_cast<int>(std::min<std::uint64_t>(bound, kMemoryPercentUpperBound));
}

std::string KilobytesText(std::uint64_t bytes) {
  const std::string digits = std::to_string(bytes / 1024);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped += ' ';
    grouped += digits[i];
  }
  return grouped + " KB";
}

std::string MemoryShareText(std::uint64_t totalPhysicalBytes, int percent) {
  const std::uint64_t p = static_cast<std::uint64_t>(ClampToRange(percent, 0, kMemoryPercentUpperBound));
  // Split so that no total of a 64-bit machine overflows.
  const std::uint64_t share = totalPhysicalBytes / 100 * p + totalPhysicalBytes % 100 * p / 100;
  return KilobytesText(share);
}

int ClampToRange(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

int ClampUndoDepth(int depth) { return ClampToRange(depth, kMinUndoDepth, kMaxUndoDepth); }

int ClampPickerChoice(int index) { return ClampToRange(index, 0, kPickerChoices - 1); }

int ClampAnimationSpeed(int speed) { return ClampToRange(speed, 0, kAnimationSpeeds - 1); }

}  // namespace lumora
