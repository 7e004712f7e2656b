// BMP run-length coding: encoded runs (count, value), absolute runs
// (0, count, values, padded to 16 bits), end of line (0, 0), end of
// bitmap (0, 1) and delta moves (0, 2, dx, dy).
#include "libs/imgxfer/bmp_rle.h"

#include <algorithm>
#include <cstring>

namespace lumora::imgxfer {

bool DecodeBmpRle(const std::uint8_t* data, std::size_t size, int bits, int width, int height, std::uint8_t* row,
                  const std::function<bool(int y, const std::uint8_t* row)>& take, RleFaults faults,
                  std::uint64_t* coded) {
  const bool writing = static_cast<bool>(take);
  std::uint64_t codedPixels = 0;
  const bool refuse = faults == RleFaults::kRefuse;
  std::size_t at = 0;
  std::int64_t x = 0, y = 0;
  bool ended = false;
  if (writing) std::memset(row, 0, static_cast<std::size_t>(width));
  // Hands over the rows before `to` and starts an empty one.
  auto advance = [&](std::int64_t to) {
    if (to > height) to = height;
    if (!writing) {
      y = std::max(y, to);
      return true;
    }
    for (; y < to; ++y) {
      if (!take(static_cast<int>(y), row)) return false;
      std::memset(row, 0, static_cast<std::size_t>(width));
    }
    return true;
  };
  auto put = [&](unsigned value) {
    if (writing && x < width) row[x] = static_cast<std::uint8_t>(value);
    ++x;
  };
  // A run of n pixels from x: clipped, or refused when it leaves the row.
  auto fits = [&](std::int64_t n) { return !refuse || (y < height && x + n <= width); };
  while ((refuse || y < height) && at + 1 < size) {
    const unsigned count = data[at], value = data[at + 1];
    at += 2;
    if (count > 0) {
      if (!fits(count)) return false;
      codedPixels += count;
      if (!writing) {
        x += count;
        continue;
      }
      for (unsigned i = 0; i < count; ++i) put(bits == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 15));
      continue;
    }
    if (value == 0) {
      if (!advance(y + 1)) return false;
      x = 0;
    } else if (value == 1) {
      ended = true;
      break;
    } else if (value == 2) {
      if (at + 1 >= size) break;
      const unsigned right = data[at], down = data[at + 1];
      at += 2;
      // A move may end at the right edge or at the start of the row after
      // the last, nowhere beyond.
      if (refuse && (x + right > width || y + down > height || (y + down == height && x + right > 0))) return false;
      x += right;
      if (down > 0 && !advance(y + down)) return false;
    } else {
      const std::size_t bytes = bits == 8 ? value : (value + 1) / 2;
      if (at + bytes > size) break;
      if (!fits(value)) return false;
      codedPixels += value;
      for (unsigned i = 0; i < value; ++i) {
        put(bits == 8 ? data[at + i] : (i % 2 == 0 ? data[at + i / 2] >> 4 : data[at + i / 2] & 15));
      }
      at += (bytes + 1) & ~static_cast<std::size_t>(1);
    }
  }
  if (coded != nullptr) *coded = codedPixels;
  if (refuse) return ended && advance(height);
  // A row counts as reached once the data has put a pixel into it.
  if (y + (x > 0 ? 1 : 0) < height) return false;
  return advance(height);
}

namespace {

int RunLength(const std::uint8_t* p, int from, int width) {
  int n = 1;
  while (from + n < width && n < 255 && p[from + n] == p[from]) ++n;
  return n;
}

}  // namespace

void EncodeBmpRleRow(const std::uint8_t* p, int width, int bits, std::vector<std::uint8_t>& out) {
  int x = 0;
  while (x < width) {
    const int run = RunLength(p, x, width);
    if (run >= 3 || x + run == width || run == 2) {
      const unsigned v = bits == 8 ? p[x] : ((p[x] & 15) << 4) | (p[x] & 15);
      out.push_back(static_cast<std::uint8_t>(run));
      out.push_back(static_cast<std::uint8_t>(v));
      x += run;
      continue;
    }
    // Literal pixels up to the next run of three or more.
    int n = 1;
    while (x + n < width && n < 255 && RunLength(p, x + n, width) < 3) ++n;
    if (n < 3) {
      out.push_back(1);
      out.push_back(static_cast<std::uint8_t>(bits == 8 ? p[x] : (p[x] & 15) << 4));
      ++x;
      continue;
    }
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(n));
    std::size_t bytes = 0;
    for (int i = 0; i < n; i += bits == 8 ? 1 : 2, ++bytes) {
      const unsigned second = bits == 4 && i + 1 < n ? p[x + i + 1] & 15 : 0;
      out.push_back(static_cast<std::uint8_t>(bits == 8 ? p[x + i] : ((p[x + i] & 15) << 4) | second));
    }
    if (bytes % 2 != 0) out.push_back(0);
    x += n;
  }
}

}  // namespace lumora::imgxfer
