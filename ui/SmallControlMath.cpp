// The ball button's values and the selection-combination combo's record.
#include "ui/SmallControlMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumora {

int BallRadius(int clientWidth) { return std::max(1, (clientWidth - 3 * (clientWidth / 10)) / 2); }

BallValues BallValuesAt(int dx, int dy, int clientWidth, int max1, int max2) {
  // 6.283, not 2 pi: a full turn reads a hair past max2 before rounding.
  double theta = std::atan2(static_cast<double>(dy), static_cast<double>(dx));
  if (theta < 0) theta += 6.283;
  BallValues v;
  v.second = static_cast<int>(std::lround(max2 * theta / 6.283));
  const int r = BallRadius(clientWidth);
  const double d = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
  v.first = std::min(max1, static_cast<int>((d * max1 + r / 2) / r));
  return v;
}

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t Get(const std::uint8_t* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return v;
}

}  // namespace

std::vector<std::uint8_t> WriteSBComboRecord(const SBComboRecord& record) {
  std::vector<std::uint8_t> out;
  const std::size_t n = std::strlen(kSBComboClass);
  // The class name as the toolbar's archive writes a string: its length, then its bytes.
  Put(out, static_cast<std::uint32_t>(n), 1);
  out.insert(out.end(), kSBComboClass, kSBComboClass + n);
  Put(out, record.width, 2);
  Put(out, record.height, 2);
  Put(out, record.id, 4);
  return out;
}

bool ReadSBComboRecord(const std::vector<std::uint8_t>& bytes, SBComboRecord* record) {
  const std::size_t n = std::strlen(kSBComboClass);
  if (record == nullptr || bytes.size() < 1 + n + 8 || bytes[0] != n ||
      std::memcmp(bytes.data() + 1, kSBComboClass, n) != 0) {
    return false;
  }
  const std::uint8_t* p = bytes.data() + 1 + n;
  record->width = static_cast<std::uint16_t>(Get(p, 2));
  record->height = static_cast<std::uint16_t>(Get(p + 2, 2));
  record->id = Get(p + 4, 4);
  return true;
}

}  // namespace lumora
