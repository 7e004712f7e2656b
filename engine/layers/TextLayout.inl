// ReduceCoverage: one pass over the picture rows per final row.
#pragma once

#include <cstring>

namespace lumora {

namespace text_detail {

inline std::uint8_t Mean2(const std::uint8_t* a, const std::uint8_t* b, int x) {
  return static_cast<std::uint8_t>((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) >> 2);
}

// Each sum is at most 36 x 255: a lookup of the quotient would not be
// faster than the compiler's multiply for a constant divisor.
inline std::uint8_t Mean3(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c,
                          int x) {
  const int i = 3 * x;
  const int centre = b[i + 1];
  const int edges = a[i + 1] + b[i] + b[i + 2] + c[i + 1];
  const int corners = a[i] + a[i + 2] + c[i] + c[i + 2];
  return static_cast<std::uint8_t>((16 * centre + 4 * edges + corners + 18) / 36);
}

}  // namespace text_detail

template <class RowSource>
void ReduceCoverage(int factor, int width, int height, RowSource row, std::uint8_t* coverage,
                    int stride) {
  const int w = width / factor, h = height / factor;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* out = coverage + static_cast<std::ptrdiff_t>(y) * stride;
    if (factor == 1) {
      std::memcpy(out, row(y), static_cast<std::size_t>(w));
    } else if (factor == 2) {
      const std::uint8_t* a = row(2 * y);
      const std::uint8_t* b = row(2 * y + 1);
      for (int x = 0; x < w; ++x) out[x] = text_detail::Mean2(a, b, x);
    } else {
      const std::uint8_t* a = row(3 * y);
      const std::uint8_t* b = row(3 * y + 1);
      const std::uint8_t* c = row(3 * y + 2);
      for (int x = 0; x < w; ++x) out[x] = text_detail::Mean3(a, b, c, x);
    }
  }
}

}  // namespace lumora
