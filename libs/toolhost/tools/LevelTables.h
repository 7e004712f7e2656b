// The Image/Convert and Image/Adjust tools change each channel by a table
// of 256 values (grey mixing by a table over the value and its grey),
// counting their rows on the run's poll.
#pragma once

#include <array>
#include <cstdint>

#include "libs/toolhost/Filters.h"

namespace lumora::toolhost {

using LevelTable = std::array<std::uint8_t, 256>;

// dst = table[src] per channel; false when the poll stopped the run.
inline bool ApplyLevelTable(const ConstImageView& src, const ImageView& dst, const LevelTable& table, RowPoll& poll) {
  poll.Expect(src.height);
  const int bytes = src.width * src.channels;
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* s = src.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int i = 0; i < bytes; ++i) d[i] = table[s[i]];
    if (poll.Row()) return false;
  }
  return true;
}

// a + (b - a) * percent / 100, rounded half away from zero.
inline int MixPercent(int a, int b, int percent) {
  const int q = (b - a) * percent;
  return a + (q >= 0 ? (q + 50) / 100 : -((-q + 50) / 100));
}

inline std::uint8_t ClampByte(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace lumora::toolhost
