// The feather: the shape is rendered with a margin of the soft-edge width R,
// blurred by two box passes per axis whose radii add up to R (a tent-like
// ramp R wide on each side of a straight edge, crossing half coverage on the
// edge), then, for the inside and outside types, the ramp is moved wholly
// inside (2v - 255) or outside (2v) the selection.
#include "libs/fragment/smooth.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace lumora::frg {

namespace {

// The first i in [from, to) with row[i] != row[i - 1], or `to`; eight bytes
// at a time across the constant runs that make up most of a mask.
int NextChange(const std::uint8_t* row, int from, int to) {
  int i = from;
  while (i + 8 <= to) {
    std::uint64_t a, b;
    std::memcpy(&a, row + i, 8);
    std::memcpy(&b, row + i - 1, 8);
    if (a != b) break;
    i += 8;
  }
  while (i < to && row[i] == row[i - 1]) ++i;
  return i;
}

// One box pass along each row: out[i] = round(mean of in[i - b .. i + b]),
// with zeros beyond the row's ends (the margin keeps them away from the
// pixels that are kept). Only pixels within b of a change of value can
// change, so the pass works on the clusters of changes and leaves the
// constant runs between them alone.
void BoxRows(std::uint8_t* data, int width, int height, std::ptrdiff_t stride, int b,
             std::vector<std::uint8_t>* line) {
  const BoxDivider divide(2 * b + 1);
  line->assign(static_cast<std::size_t>(width) + 2 * static_cast<std::size_t>(b) + 1, 0);
  std::uint8_t* padded = line->data() + 1;  // padded[-1] stays 0
  for (int j = 0; j < height; ++j) {
    std::uint8_t* row = data + j * stride;
    std::memcpy(padded + b, row, static_cast<std::size_t>(width));
    // Output x is the mean of padded[x .. x + 2b]. A change at p (padded[p]
    // differs from padded[p - 1]) touches outputs p - 2b .. p - 1; changes
    // whose outputs meet share one run of sums.
    const int length = width + 2 * b;
    int p = NextChange(padded, b, length);
    while (p < length) {
      int last = p;
      for (int q = NextChange(padded, p + 1, length); q < length && q - last <= 2 * b + 1;
           q = NextChange(padded, q + 1, length)) {
        last = q;
      }
      const int from = std::max(0, p - 2 * b), to = std::min(width, last);
      std::uint32_t sum = 0;
      for (int i = from; i < from + 2 * b; ++i) sum += padded[i];
      for (int x = from; x < to; ++x) {
        sum += padded[x + 2 * b];
        row[x] = divide(sum);
        sum -= padded[x];
      }
      p = NextChange(padded, last + 1, length);
    }
  }
}

// One box pass down the columns from `src` into `dst`, with zero rows
// beyond the top and bottom. Columns are taken 64 at a time: a chunk whose
// rows do not change anywhere in the window is copied; the others keep
// running column sums (rebuilt when a chunk wakes up), so the inner loops
// run along rows.
void BoxColumns(const std::uint8_t* src, std::uint8_t* dst, int width, int height, int b,
                std::vector<std::uint32_t>* sums) {
  constexpr int kChunk = 64;
  const BoxDivider divide(2 * b + 1);
  const auto multiplier = static_cast<std::uint32_t>(divide.multiplier);
  const std::uint32_t half = divide.half;
  const int chunks = (width + kChunk - 1) / kChunk;
  const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(width), 0);
  auto row = [&](int j) {
    return (j < 0 || j >= height) ? zeros.data() : src + static_cast<std::size_t>(j) * width;
  };
  // Whether row j differs from row j - 1 within chunk c.
  auto changes = [&](int j, int c) {
    const int from = c * kChunk, n = std::min(kChunk, width - from);
    return std::memcmp(row(j) + from, row(j - 1) + from, static_cast<std::size_t>(n)) != 0 ? 1 : 0;
  };
  sums->assign(static_cast<std::size_t>(width), 0);
  std::uint32_t* s = sums->data();
  std::vector<int> changing(static_cast<std::size_t>(chunks),
                            0);  // changes among rows j - b + 1 .. j + b
  std::vector<std::uint8_t> summed(static_cast<std::size_t>(chunks), 0);
  for (int c = 0; c < chunks; ++c) {
    for (int j = 1 - b; j <= b; ++j) changing[static_cast<std::size_t>(c)] += changes(j, c);
  }
  for (int j = 0; j < height; ++j) {
    std::uint8_t* out = dst + static_cast<std::size_t>(j) * width;
    for (int c = 0; c < chunks; ++c) {
      const int from = c * kChunk, to = std::min(width, from + kChunk);
      if (j > 0) changing[static_cast<std::size_t>(c)] += changes(j + b, c) - changes(j - b, c);
      if (changing[static_cast<std::size_t>(c)] == 0) {
        std::memcpy(out + from, row(j) + from, static_cast<std::size_t>(to - from));
        summed[static_cast<std::size_t>(c)] = 0;
        continue;
      }
      if (!summed[static_cast<std::size_t>(c)]) {
        std::fill(s + from, s + to, 0u);
        for (int r = j - b; r <= j + b; ++r) {
          const std::uint8_t* in = row(r);
          for (int i = from; i < to; ++i) s[i] += in[i];
        }
        summed[static_cast<std::size_t>(c)] = 1;
      } else {
        const std::uint8_t* entering = row(j + b);
        const std::uint8_t* leaving = row(j - b - 1);
        for (int i = from; i < to; ++i) s[i] = s[i] + entering[i] - leaving[i];
      }
      for (int i = from; i < to; ++i) {
        out[i] =
            static_cast<std::uint8_t>((static_cast<std::uint64_t>(s[i] + half) * multiplier) >> 32);
      }
    }
  }
}

int EffectiveType(const Fragment& f) {
  const int type = f.SmoothType();
  if (!f.Inverted()) return type;
  if (type == kFrgSmoothInside) return kFrgSmoothOutside;
  if (type == kFrgSmoothOutside) return kFrgSmoothInside;
  return type;
}

}  // namespace

int SmoothRadius(int degree) { return (std::clamp(degree, 0, kFrgMaxSmoothDegree) + 5) / 10; }

// m = ceil(2^32 / k) = (2^32 + e) / k with 0 <= e < k, so N * m / 2^32 =
// N / k + N e / (k 2^32). The floor equals floor(N / k) when N e < 2^32, which
// holds for every numerator here (N < 256 k) as long as 256 k^2 <= 2^32,
// that is k <= 4096.
BoxDivider::BoxDivider(int k)
    : multiplier(((std::uint64_t{1} << 32) + static_cast<std::uint64_t>(k) - 1) /
                 static_cast<std::uint64_t>(k)),
      half(static_cast<std::uint32_t>(k / 2)) {}

bool RenderSmoothedShape(const Fragment& f, const Window& w) {
  const int r = SmoothRadius(f.SmoothDegree());
  if (r == 0) return f.RenderShape(w);
  const int width = w.rect.width + 2 * r, height = w.rect.height + 2 * r;
  const std::size_t bytes = static_cast<std::size_t>(width) * height;
  std::unique_ptr<std::uint8_t[]> padded = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
  const Window big{LURECT{w.rect.x - r, w.rect.y - r, width, height}, padded.get(), width};
  if (!f.RenderShape(big)) return false;
  const int b1 = r / 2, b2 = r - b1;
  std::unique_ptr<std::uint8_t[]> other = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
  std::vector<std::uint8_t> line;
  std::vector<std::uint32_t> sums;
  for (int b : {b1, b2}) {
    if (b == 0) continue;
    BoxRows(padded.get(), width, height, width, b, &line);
    BoxColumns(padded.get(), other.get(), width, height, b, &sums);
    padded.swap(other);
  }
  const int type = EffectiveType(f);
  for (int j = 0; j < w.rect.height; ++j) {
    const std::uint8_t* src = padded.get() + static_cast<std::size_t>(j + r) * width + r;
    std::uint8_t* dst = w.Row(j);
    if (type == kFrgSmoothInside) {
      for (int i = 0; i < w.rect.width; ++i)
        dst[i] = static_cast<std::uint8_t>(std::max(0, 2 * src[i] - 255));
    } else if (type == kFrgSmoothOutside) {
      for (int i = 0; i < w.rect.width; ++i)
        dst[i] = static_cast<std::uint8_t>(std::min(255, 2 * src[i]));
    } else {
      std::memcpy(dst, src, static_cast<std::size_t>(w.rect.width));
    }
  }
  return true;
}

}  // namespace lumora::frg
