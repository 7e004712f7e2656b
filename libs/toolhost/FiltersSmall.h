// Fast paths of the window filters for small windows: the interleaved rows
// are reduced directly (every pixel of the window, in simple loops over the
// row's bytes that the compiler turns into vector code), which for windows
// of a few pixels beats the running methods of the general paths. Each
// returns false (and writes nothing) when the window is not one it takes,
// and counts its rows on the poll, stopping early when it says so.
// Templates over the poll, made by each unit that includes them (see
// FilterKernels.h).
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "libs/toolhost/Filters.h"

namespace lumora::toolhost {
namespace {

// The source row with (w - 1) / 2 pixels repeated before it and the rest
// after it, pixel by pixel.
void PadRow(const ConstImageView& src, int y, int left, int right, std::uint8_t* out) {
  const int ch = src.channels;
  const std::uint8_t* row = src.Row(y);
  std::memcpy(out + left * ch, row, static_cast<std::size_t>(src.width) * ch);
  for (int i = 0; i < left; ++i) std::memcpy(out + i * ch, row, static_cast<std::size_t>(ch));
  const std::uint8_t* last = row + (src.width - 1) * ch;
  for (int i = 0; i < right; ++i) std::memcpy(out + (left + src.width + i) * ch, last, static_cast<std::size_t>(ch));
}

int ClampRow(int y, int height) { return y < 0 ? 0 : (y >= height ? height - 1 : y); }

// Feeds `consume(y, rows)` the h padded rows of every output row y; rows[0]
// is the window's top row. Stops when the poll says so.
template <class Poll, class Consume>
void ForEachWindowRows(const ConstImageView& src, int w, int h, Poll& poll, Consume consume) {
  poll.Expect(src.height);
  const int left = (w - 1) / 2, right = w - 1 - left, top = (h - 1) / 2;
  const std::size_t rowBytes = static_cast<std::size_t>(src.width + w - 1) * src.channels;
  std::vector<std::uint8_t> ring(rowBytes * h);
  std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(h));
  for (int yy = 0; yy < src.height + h - 1; ++yy) {
    PadRow(src, ClampRow(yy - top, src.height), left, right, ring.data() + (yy % h) * rowBytes);
    if (yy < h - 1) continue;
    for (int i = 0; i < h; ++i) rows[i] = ring.data() + ((yy - h + 1 + i) % h) * rowBytes;
    consume(yy - (h - 1), rows.data());
    if (poll.Row()) return;
  }
}

struct Min8 {
  static std::uint8_t Apply(std::uint8_t a, std::uint8_t b) { return a < b ? a : b; }
};
struct Max8 {
  static std::uint8_t Apply(std::uint8_t a, std::uint8_t b) { return a > b ? a : b; }
};

// Down the window's rows into a buffer, then across it: a few reads and
// one write a byte, where reducing every window pixel into the destination
// row reads and writes it w * h times.
template <class Op, class Poll>
void SmallExtreme(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  const int ch = src.channels;
  const int bytes = src.width * ch;
  const int paddedBytes = (src.width + w - 1) * ch;
  std::vector<std::uint8_t> down(static_cast<std::size_t>(paddedBytes)), across(static_cast<std::size_t>(bytes));
  ForEachWindowRows(src, w, h, poll, [&](int y, const std::uint8_t* const* rows) {
    std::uint8_t* __restrict column = down.data();
    std::memcpy(column, rows[0], static_cast<std::size_t>(paddedBytes));
    for (int r = 1; r < h; ++r) {
      const std::uint8_t* __restrict in = rows[r];
      for (int i = 0; i < paddedBytes; ++i) column[i] = Op::Apply(column[i], in[i]);
    }
    std::uint8_t* __restrict out = across.data();
    std::memcpy(out, column, static_cast<std::size_t>(bytes));
    for (int j = 1; j < w; ++j) {
      const std::uint8_t* in = column + j * ch;
      for (int i = 0; i < bytes; ++i) out[i] = Op::Apply(out[i], in[i]);
    }
    std::memcpy(dst.Row(y), out, static_cast<std::size_t>(bytes));
  });
}

inline void Sort2(std::uint8_t& a, std::uint8_t& b) {
  const std::uint8_t lo = a < b ? a : b, hi = a < b ? b : a;
  a = lo;
  b = hi;
}

template <class Poll>
bool SmallMinimum(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  if (w * h > 16) return false;
  SmallExtreme<Min8>(src, dst, w, h, poll);
  return true;
}

template <class Poll>
bool SmallMaximum(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  if (w * h > 16) return false;
  SmallExtreme<Max8>(src, dst, w, h, poll);
  return true;
}

// Horizontal sums of W pixels for every byte of a row.
template <int W>
void SumAcross(const std::uint8_t* __restrict in, int ch, int bytes, std::uint16_t* __restrict out) {
  for (int i = 0; i < bytes; ++i) {
    std::uint16_t sum = 0;
    for (int j = 0; j < W; ++j) sum = static_cast<std::uint16_t>(sum + in[i + j * ch]);
    out[i] = sum;
  }
}

// Sums H rows of horizontal sums and divides: (sum + half) * magic >> 16 >> s.
template <int H>
void SumDownAndDivide(const std::uint16_t* const* rows, int bytes, std::uint16_t half, std::uint16_t magic, int s,
                      std::uint8_t* __restrict out) {
  const std::uint16_t* r[H];
  for (int k = 0; k < H; ++k) r[k] = rows[k];
  for (int i = 0; i < bytes; ++i) {
    std::uint16_t sum = half;
    for (int k = 0; k < H; ++k) sum = static_cast<std::uint16_t>(sum + r[k][i]);
    const std::uint16_t high = static_cast<std::uint16_t>((static_cast<std::uint32_t>(sum) * magic) >> 16);
    out[i] = static_cast<std::uint8_t>(high >> s);
  }
}

using SumAcrossFn = void (*)(const std::uint8_t*, int, int, std::uint16_t*);
using SumDownFn = void (*)(const std::uint16_t* const*, int, std::uint16_t, std::uint16_t, int, std::uint8_t*);
constexpr SumAcrossFn kSumAcross[] = {SumAcross<1>, SumAcross<2>, SumAcross<3>, SumAcross<4>,
                                      SumAcross<5>, SumAcross<6>, SumAcross<7>, SumAcross<8>};
constexpr SumDownFn kSumDown[] = {SumDownAndDivide<1>, SumDownAndDivide<2>, SumDownAndDivide<3>, SumDownAndDivide<4>,
                                  SumDownAndDivide<5>, SumDownAndDivide<6>, SumDownAndDivide<7>, SumDownAndDivide<8>};

// (sum + n / 2) / n of 16-bit window sums of n bytes as a 16-bit high
// multiply: ((sum + half) * magic >> 16) >> shift with magic =
// floor(2^(16 + shift) / n) + 1, exact while (sum + n / 2) * n < 2^(16 + shift).
struct Divider16 {
  std::uint16_t half = 0, magic = 0;
  int shift = 0;
};

// False when the sums or the multiplier do not fit 16 bits.
inline bool MakeDivider16(int n, Divider16& divider) {
  const std::uint32_t maxSum = 255u * n + n / 2;
  if (maxSum > 0xFFFF) return false;
  int s = 0;
  while (static_cast<std::uint64_t>(maxSum) * n >= (std::uint64_t{1} << (16 + s))) ++s;
  const std::uint32_t magic = static_cast<std::uint32_t>((std::uint64_t{1} << (16 + s)) / n + 1);
  if (magic > 0xFFFF) return false;
  divider = {static_cast<std::uint16_t>(n / 2), static_cast<std::uint16_t>(magic), s};
  return true;
}

template <class Poll>
bool SmallMean(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  Divider16 divider;
  if (w > 8 || h > 8 || !MakeDivider16(w * h, divider)) return false;
  const int ch = src.channels;
  const int bytes = src.width * ch;
  const int left = (w - 1) / 2, right = w - 1 - left, top = (h - 1) / 2;
  // Each source row is padded and summed across once; its sums wait in a
  // ring for the h output rows that use them.
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(src.width + w - 1) * ch);
  std::vector<std::uint16_t> ring(static_cast<std::size_t>(bytes) * h);
  std::vector<const std::uint16_t*> rows(static_cast<std::size_t>(h));
  poll.Expect(src.height);
  for (int yy = 0; yy < src.height + h - 1; ++yy) {
    PadRow(src, ClampRow(yy - top, src.height), left, right, padded.data());
    kSumAcross[w - 1](padded.data(), ch, bytes, ring.data() + static_cast<std::size_t>(yy % h) * bytes);
    if (yy < h - 1) continue;
    for (int i = 0; i < h; ++i) rows[i] = ring.data() + static_cast<std::size_t>((yy - h + 1 + i) % h) * bytes;
    kSumDown[h - 1](rows.data(), bytes, divider.half, divider.magic, divider.shift, dst.Row(yy - (h - 1)));
    if (poll.Row()) break;
  }
  return true;
}

template <class Poll>
bool Median3x3(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  if (w != 3 || h != 3) return false;
  const int ch = src.channels;
  const int bytes = src.width * ch;
  ForEachWindowRows(src, 3, 3, poll, [&](int y, const std::uint8_t* const* rows) {
    const std::uint8_t* __restrict r0 = rows[0];
    const std::uint8_t* __restrict r1 = rows[1];
    const std::uint8_t* __restrict r2 = rows[2];
    std::uint8_t* __restrict out = dst.Row(y);
    for (int i = 0; i < bytes; ++i) {
      std::uint8_t p0 = r0[i], p1 = r0[i + ch], p2 = r0[i + 2 * ch];
      std::uint8_t p3 = r1[i], p4 = r1[i + ch], p5 = r1[i + 2 * ch];
      std::uint8_t p6 = r2[i], p7 = r2[i + ch], p8 = r2[i + 2 * ch];
      // The median of nine by the 19-exchange network (Paeth).
      Sort2(p1, p2); Sort2(p4, p5); Sort2(p7, p8);
      Sort2(p0, p1); Sort2(p3, p4); Sort2(p6, p7);
      Sort2(p1, p2); Sort2(p4, p5); Sort2(p7, p8);
      Sort2(p0, p3); Sort2(p5, p8); Sort2(p4, p7);
      Sort2(p3, p6); Sort2(p1, p4); Sort2(p2, p5);
      Sort2(p4, p7); Sort2(p4, p2); Sort2(p6, p4);
      Sort2(p4, p2);
      out[i] = p4;
    }
  });
  return true;
}

}  // namespace
}  // namespace lumora::toolhost
