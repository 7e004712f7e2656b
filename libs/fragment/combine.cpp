// Combine tables: a code's four corner results blended by coverage.
#include "libs/fragment/combine.h"

#include <array>
#include <cstring>
#include <memory>
#include <mutex>

namespace lumora::frg {

namespace {

// result = (T00 (255-s)(255-n) + T10 s(255-n) + T01 (255-s)n + T11 sn) / 255,
// rounded half up. The numerator is at most 255 * 255, so the rounded
// quotient is (num + 127) / 255; for n or s at 0 or 255 it is exact, which
// keeps "add nothing" and "intersect with everything" identities.
void BuildTable(int code, std::uint8_t* table) {
  const int t00 = CombineBits(code, 0, 0), t10 = CombineBits(code, 1, 0);
  const int t01 = CombineBits(code, 0, 1), t11 = CombineBits(code, 1, 1);
  for (int s = 0; s < 256; ++s) {
    for (int n = 0; n < 256; ++n) {
      const int num =
          t00 * (255 - s) * (255 - n) + t10 * s * (255 - n) + t01 * (255 - s) * n + t11 * s * n;
      table[s * 256 + n] = static_cast<std::uint8_t>((num + 127) / 255);
    }
  }
}

}  // namespace

const std::uint8_t* CombineTable(int code) {
  static std::array<std::once_flag, 16> once;
  static std::array<std::unique_ptr<std::uint8_t[]>, 16> tables;
  const int c = code & 15;
  std::call_once(once[static_cast<std::size_t>(c)], [c] {
    tables[static_cast<std::size_t>(c)] = std::make_unique<std::uint8_t[]>(65536);
    BuildTable(c, tables[static_cast<std::size_t>(c)].get());
  });
  return tables[static_cast<std::size_t>(c)].get();
}

// Shapes are mostly runs of 0 and 255, and for those a code either keeps
// the current value, sets 0 or 255, or inverts it: eight bytes at a time
// take that shortcut, the rest goes through the table.
void CombineRow(std::uint8_t* acc, const std::uint8_t* n, int count, const std::uint8_t* table) {
  const std::uint8_t* full = table + 255;  // table[s * 256 + 255]: the code's row for n = 255
  const int onZero = table[0] != 0 ? 1 : 0, onZeroFull = table[255 * 256] != 0 ? 1 : 0;
  const int onFull = full[0] != 0 ? 1 : 0, onFullFull = full[255 * 256] != 0 ? 1 : 0;
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, n + i, 8);
    int low, high;  // the results for s = 0 and s = 255
    if (word == 0) {
      low = onZero;
      high = onZeroFull;
    } else if (word == ~std::uint64_t{0}) {
      low = onFull;
      high = onFullFull;
    } else {
      for (int j = i; j < i + 8; ++j) acc[j] = table[(acc[j] << 8) | n[j]];
      continue;
    }
    if (low == 0 && high == 1) continue;  // keeps the current value
    if (low == high) {
      std::memset(acc + i, low != 0 ? 255 : 0, 8);
      continue;
    }
    for (int j = i; j < i + 8; ++j) acc[j] = table[(acc[j] << 8) | n[j]];
  }
  for (; i < count; ++i) acc[i] = table[(acc[i] << 8) | n[i]];
}

}  // namespace lumora::frg
