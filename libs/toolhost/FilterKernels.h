// The filters' kernels as templates over the poll they count their rows on:
// Filters.cpp makes the forms without a poll (NoPoll, compiled away) and
// FiltersPolled.cpp those with one, each in a unit of its own so that the
// compiler inlines and vectorises the first exactly as without polling.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <emmintrin.h>

#include "libs/toolhost/Filters.h"
#include "libs/toolhost/FiltersSmall.h"
#include "libs/toolhost/SlidingExtreme.h"

namespace lumora::toolhost {
namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Channel `c` of source row `y`, repeated at both ends: padded[i] is image
// column clamp(i - left).
void GatherPadded(const ConstImageView& src, int y, int c, int left, int right, std::uint8_t* padded) {
  const std::uint8_t* row = src.Row(y) + c;
  const int step = src.channels;
  std::memset(padded, row[0], static_cast<std::size_t>(left));
  for (int x = 0; x < src.width; ++x) padded[left + x] = row[x * step];
  std::memset(padded + left + src.width, row[(src.width - 1) * step], static_cast<std::size_t>(right));
}

void Scatter(const std::uint8_t* values, const ImageView& dst, int y, int c) {
  std::uint8_t* row = dst.Row(y) + c;
  const int step = dst.channels;
  for (int x = 0; x < dst.width; ++x) row[x * step] = values[x];
}

// Exact (sum + n / 2) / n for sums below 2^24 and n <= 65025: the
// reciprocal is off by less than 2^-40 per unit, below 1 / n over the range.
struct RoundedDivider {
  explicit RoundedDivider(std::uint32_t n) : half(n / 2), magic((std::uint64_t{1} << 40) / n + 1) {}
  std::uint8_t operator()(std::uint32_t sum) const {
    return static_cast<std::uint8_t>((static_cast<std::uint64_t>(sum + half) * magic) >> 40);
  }
  std::uint32_t half;
  std::uint64_t magic;
};

// Runs a separable filter channel by channel: `Across` reduces a padded row
// to `width` values, `Down` takes the reduced rows in order and gives the
// window's result once it has h of them.
template <class Across, class Down, class Poll>
bool RunSeparable(const ConstImageView& src, const ImageView& dst, int w, int h, Across across, Down& down,
                  Poll& poll) {
  const int left = (w - 1) / 2, right = w - 1 - left;
  const int top = (h - 1) / 2;
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(src.width + w - 1));
  std::vector<std::uint8_t> out(static_cast<std::size_t>(src.width));
  poll.Expect(src.channels * src.height);
  for (int c = 0; c < src.channels; ++c) {
    down.Reset();
    for (int yy = 0; yy < src.height + h - 1; ++yy) {
      GatherPadded(src, Clamp(yy - top, 0, src.height - 1), c, left, right, padded.data());
      down.Push(across(padded.data()));
      if (yy >= h - 1) {
        down.Output(out.data());
        Scatter(out.data(), dst, yy - (h - 1), c);
        if (poll.Row()) return false;
      }
    }
  }
  return true;
}

// Column sums of the last h horizontal window sums.
class ColumnSums {
 public:
  ColumnSums(int width, int h, std::uint32_t n) : width_(width), h_(h), ring_(static_cast<std::size_t>(width) * h), sums_(width), divide_(n) {}
  void Reset() {
    pushed_ = 0;
    std::fill(sums_.begin(), sums_.end(), 0u);
  }
  void Push(const std::uint32_t* row) {
    std::uint32_t* slot = ring_.data() + static_cast<std::size_t>(pushed_ % h_) * width_;
    std::uint32_t* sums = sums_.data();
    if (pushed_ >= h_) {
      for (int x = 0; x < width_; ++x) sums[x] += row[x] - slot[x];
    } else {
      for (int x = 0; x < width_; ++x) sums[x] += row[x];
    }
    std::memcpy(slot, row, static_cast<std::size_t>(width_) * sizeof(std::uint32_t));
    ++pushed_;
  }
  void Output(std::uint8_t* out) const {
    for (int x = 0; x < width_; ++x) out[x] = divide_(sums_[x]);
  }

 private:
  int width_, h_;
  std::int64_t pushed_ = 0;
  std::vector<std::uint32_t> ring_;
  std::vector<std::uint32_t> sums_;
  RoundedDivider divide_;
};

// Repeats the first and last of the `pixels` pixels of `row`, which starts
// `left` pixels into its buffer, over the buffer's `left` and `right` ends.
template <class T>
void PadEnds(T* row, int pixels, int ch, int left, int right) {
  for (int i = 0; i < left; ++i)
    for (int c = 0; c < ch; ++c) row[i * ch + c] = row[left * ch + c];
  T* last = row + (left + pixels - 1) * ch;
  for (int i = 0; i < right; ++i)
    for (int c = 0; c < ch; ++c) last[(i + 1) * ch + c] = last[c];
}

// Op over the w pixels from every byte of an interleaved row of `bytes`
// bytes: `span` holds the row padded by w - 1 pixels and is overwritten.
// Spans of 1, 2, 4 ... pixels, each pass a plain loop over the row's bytes
// that the compiler vectorises, until two overlapping spans cover the
// window: a few passes of 16 bytes a step beat the running methods, whose
// steps depend on each other.
template <class Op>
void ExtremeAcross(std::uint8_t* span, std::uint8_t* spare, int bytes, int ch, int w, std::uint8_t* out) {
  int length = bytes + (w - 1) * ch;  // bytes whose span lies inside the row
  int pixels = 1;
  while (2 * pixels <= w) {
    const int step = pixels * ch;
    length -= step;
    const std::uint8_t* __restrict from = span;
    std::uint8_t* __restrict to = spare;
    for (int i = 0; i < length; ++i) to[i] = Op::Apply(from[i], from[i + step]);
    std::swap(span, spare);
    pixels *= 2;
  }
  const std::uint8_t* __restrict from = span;
  std::uint8_t* __restrict to = out;
  const int step = (w - pixels) * ch;
  for (int i = 0; i < bytes; ++i) to[i] = Op::Apply(from[i], from[i + step]);
}

// Minimum or maximum on the interleaved rows: down the columns of whole rows
// first (van Herk / Gil-Werman, each row's work independent of h), then
// across each reduced row.
template <class Op, class Poll>
bool ExtremeFilter(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  const int ch = src.channels, bytes = src.width * ch;
  const int left = (w - 1) / 2, right = w - 1 - left, top = (h - 1) / 2;
  const std::size_t padded = static_cast<std::size_t>(src.width + w - 1) * ch;
  std::vector<std::uint8_t> span(padded), spare(padded);
  kernels::ColumnExtreme<Op> columns(bytes, h);
  poll.Expect(src.height);
  for (int yy = 0; yy < src.height + h - 1; ++yy) {
    columns.Push(src.Row(Clamp(yy - top, 0, src.height - 1)));
    if (yy < h - 1) continue;
    columns.Output(span.data() + left * ch);
    PadEnds(span.data(), src.width, ch, left, right);
    ExtremeAcross<Op>(span.data(), spare.data(), bytes, ch, w, dst.Row(yy - (h - 1)));
    if (poll.Row()) return false;
  }
  return true;
}

// The rounded quotients of eight 16-bit sums (each already holding the
// divider's half): the high half of the product with the multiplier, shifted.
inline __m128i Divide16(__m128i sums, __m128i magic, __m128i shift) {
  return _mm_srl_epi16(_mm_mulhi_epu16(sums, magic), shift);
}

// Window sums across an interleaved row of 16-bit column sums: `span`
// holds the row padded by w - 1 pixels and is overwritten. Spans of 1, 2,
// 4 ... pixels, those of w's bits added up in 16-bit lanes (the window's
// sum fits), then divided.
inline void MeanAcross16(std::uint16_t* span, std::uint16_t* spare, std::uint16_t* sums, int bytes, int ch, int w,
                         const Divider16& divider, std::uint8_t* out) {
  int length = bytes + (w - 1) * ch;
  int offset = 0;  // pixels summed so far
  std::uint16_t* __restrict total = sums;
  for (int i = 0; i < bytes; ++i) total[i] = divider.half;
  for (int pixels = 1;; pixels *= 2) {
    if (w & pixels) {
      const std::uint16_t* __restrict from = span + offset * ch;
      for (int i = 0; i < bytes; ++i) total[i] = static_cast<std::uint16_t>(total[i] + from[i]);
      offset += pixels;
    }
    if (2 * pixels > w) break;
    const int step = pixels * ch;
    length -= step;
    const std::uint16_t* __restrict from = span;
    std::uint16_t* __restrict to = spare;
    for (int i = 0; i < length; ++i) to[i] = static_cast<std::uint16_t>(from[i] + from[i + step]);
    std::swap(span, spare);
  }
  const __m128i magic = _mm_set1_epi16(static_cast<short>(divider.magic));
  const __m128i shift = _mm_cvtsi32_si128(divider.shift);
  int i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(total + i));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(total + i + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_packus_epi16(Divide16(low, magic, shift), Divide16(high, magic, shift)));
  }
  for (; i < bytes; ++i)
    out[i] = static_cast<std::uint8_t>(((static_cast<std::uint32_t>(total[i]) * divider.magic) >> 16) >> divider.shift);
}

// Window sums across an interleaved row of 16-bit column sums for windows
// of up to kDirectAcross pixels, read straight from the padded row: w
// vector adds per sixteen bytes, nothing stored but the result.
constexpr int kDirectAcross = 16;
inline void MeanAcrossDirect16(const std::uint16_t* span, int bytes, int ch, int w, const Divider16& divider,
                               std::uint8_t* out) {
  const __m128i half = _mm_set1_epi16(static_cast<short>(divider.half));
  const __m128i magic = _mm_set1_epi16(static_cast<short>(divider.magic));
  const __m128i shift = _mm_cvtsi32_si128(divider.shift);
  int i = 0;
  for (; i + 16 <= bytes; i += 16) {
    __m128i low = half, high = half;
    const std::uint16_t* p = span + i;
    for (int j = 0; j < w; ++j, p += ch) {
      low = _mm_add_epi16(low, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
      high = _mm_add_epi16(high, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_packus_epi16(Divide16(low, magic, shift), Divide16(high, magic, shift)));
  }
  for (; i < bytes; ++i) {
    std::uint32_t total = divider.half;
    for (int j = 0; j < w; ++j) total += span[i + j * ch];
    out[i] = static_cast<std::uint8_t>(((total * divider.magic) >> 16) >> divider.shift);
  }
}

// The mean of windows whose sums fit 16 bits, on the interleaved rows
// (false, writing nothing, for larger ones; stops when the poll says so):
// running column sums of whole rows (one add and one subtract a byte
// whatever h), kept in the middle of the padded row, then across it.
template <class Poll>
bool Mean16(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  Divider16 divider;
  if (!MakeDivider16(w * h, divider)) return false;
  const int ch = src.channels, bytes = src.width * ch;
  const int left = (w - 1) / 2, right = w - 1 - left, top = (h - 1) / 2;
  const std::size_t padded = static_cast<std::size_t>(src.width + w - 1) * ch;
  std::vector<std::uint16_t> span(padded, 0), spare, sums;
  if (w > kDirectAcross) {
    spare.resize(padded);
    sums.resize(static_cast<std::size_t>(bytes));
  }
  // The running column sums live in the padded row; a direct pass across
  // leaves them there, the doubling pass of wider windows works on a copy.
  std::uint16_t* __restrict column = span.data() + left * ch;
  std::vector<std::uint16_t> copy(w > kDirectAcross ? padded : 0);
  auto row = [&](int y) { return src.Row(Clamp(y, 0, src.height - 1)); };
  poll.Expect(src.height);
  for (int j = 0; j < h; ++j) {
    const std::uint8_t* __restrict in = row(j - top);
    for (int i = 0; i < bytes; ++i) column[i] = static_cast<std::uint16_t>(column[i] + in[i]);
  }
  for (int y = 0; y < src.height; ++y) {
    if (y > 0) {
      const std::uint8_t* __restrict leaving = row(y - 1 - top);
      const std::uint8_t* __restrict entering = row(y - 1 - top + h);
      for (int i = 0; i < bytes; ++i) column[i] = static_cast<std::uint16_t>(column[i] + entering[i] - leaving[i]);
    }
    PadEnds(span.data(), src.width, ch, left, right);
    if (w <= kDirectAcross) {
      MeanAcrossDirect16(span.data(), bytes, ch, w, divider, dst.Row(y));
    } else {
      std::memcpy(copy.data(), span.data(), padded * sizeof(std::uint16_t));
      MeanAcross16(copy.data(), spare.data(), sums.data(), bytes, ch, w, divider, dst.Row(y));
    }
    if (poll.Row()) break;
  }
  return true;
}

// The bins' running totals change by kFromBin[k] (1 in bins k to 15) when
// a value in bin k arrives.
template <class Count>
struct FromBinTable {
  alignas(16) Count rows[16][16];
};
template <class Count>
constexpr FromBinTable<Count> kFromBin = [] {
  FromBinTable<Count> table{};
  for (int k = 0; k < 16; ++k)
    for (int j = k; j < 16; ++j) table.rows[k][j] = 1;
  return table;
}();

inline __m128i LoadVector(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// 16 histogram bins of 16-bit counts, in two vectors: any window.
struct WideBins {
  using Count = std::uint16_t;
  __m128i lo, hi;

  static WideBins Zero() { return {_mm_setzero_si128(), _mm_setzero_si128()}; }
  static WideBins Load(const Count* p) { return {LoadVector(p), LoadVector(p + 8)}; }
  void Add(const Count* p) {
    const WideBins b = Load(p);
    lo = _mm_add_epi16(lo, b.lo);
    hi = _mm_add_epi16(hi, b.hi);
  }
  void Slide(const Count* add, const Count* remove) {
    const WideBins a = Load(add), r = Load(remove);
    lo = _mm_sub_epi16(_mm_add_epi16(lo, a.lo), r.lo);
    hi = _mm_sub_epi16(_mm_add_epi16(hi, a.hi), r.hi);
  }
  // Running totals at `totals` after a value in bin `in` arrived and one in
  // bin `out` left.
  static void Move(Count* totals, int in, int out) {
    WideBins t = Load(totals);
    t.Slide(kFromBin<Count>.rows[in], kFromBin<Count>.rows[out]);
    t.Store(totals);
  }
  static void Arrive(Count* totals, int in) {
    WideBins t = Load(totals);
    t.Add(kFromBin<Count>.rows[in]);
    t.Store(totals);
  }
  static void Leave(Count* totals, int out) {
    const WideBins t = Load(totals), d = Load(kFromBin<Count>.rows[out]);
    WideBins{_mm_sub_epi16(t.lo, d.lo), _mm_sub_epi16(t.hi, d.hi)}.Store(totals);
  }
  void Store(Count* p) const {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 8), hi);
  }
  // With running totals in the bins: the first bin at which the total
  // passes `rank`; `below` becomes the count before that bin, in every lane.
  int FindAndCount(int rank, __m128i& below) const {
    const int bin = Passed(rank, lo, hi);
    Count totals[17];  // totals[k]: the count before bin k
    totals[0] = 0;
    Store(totals + 1);
    below = _mm_set1_epi16(static_cast<short>(totals[bin]));
    return bin;
  }
  // The same, counting `below` before the first bin.
  int Find(int rank, __m128i below) const { return Passed(rank, _mm_add_epi16(lo, below), _mm_add_epi16(hi, below)); }

 private:
  static int Passed(int rank, __m128i l, __m128i h) {
    // Totals reach 65025: compare as unsigned by flipping the sign bits.
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i limit = _mm_set1_epi16(static_cast<short>(rank ^ 0x8000));
    const __m128i passed = _mm_packs_epi16(_mm_cmpgt_epi16(_mm_xor_si128(l, flip), limit),
                                           _mm_cmpgt_epi16(_mm_xor_si128(h, flip), limit));
    return __builtin_ctz(static_cast<unsigned>(_mm_movemask_epi8(passed)));
  }
};

// 16 bins of 8-bit counts in one vector: windows of at most 255 pixels,
// whose counts and totals all fit a byte. Half the memory and the work.
struct NarrowBins {
  using Count = std::uint8_t;
  __m128i v;

  static NarrowBins Zero() { return {_mm_setzero_si128()}; }
  void Add(const Count* p) { v = _mm_add_epi8(v, LoadVector(p)); }
  void Slide(const Count* add, const Count* remove) { v = _mm_sub_epi8(_mm_add_epi8(v, LoadVector(add)), LoadVector(remove)); }
  static void Move(Count* totals, int in, int out) {
    NarrowBins t{LoadVector(totals)};
    t.Slide(kFromBin<Count>.rows[in], kFromBin<Count>.rows[out]);
    t.Store(totals);
  }
  static void Arrive(Count* totals, int in) {
    NarrowBins t{LoadVector(totals)};
    t.Add(kFromBin<Count>.rows[in]);
    t.Store(totals);
  }
  static void Leave(Count* totals, int out) {
    NarrowBins{_mm_sub_epi8(LoadVector(totals), LoadVector(kFromBin<Count>.rows[out]))}.Store(totals);
  }
  void Store(Count* p) const { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  int FindAndCount(int rank, __m128i& below) const {
    const int bin = Passed(rank, v);
    Count totals[17];
    totals[0] = 0;
    Store(totals + 1);
    below = _mm_set1_epi8(static_cast<char>(totals[bin]));
    return bin;
  }
  int Find(int rank, __m128i below) const { return Passed(rank, _mm_add_epi8(v, below)); }

 private:
  static int Passed(int rank, __m128i t) {
    // t > rank, unsigned: max(t, rank + 1) == t.
    const __m128i limit = _mm_set1_epi8(static_cast<char>(rank + 1));
    const __m128i passed = _mm_cmpeq_epi8(_mm_max_epu8(t, limit), t);
    return __builtin_ctz(static_cast<unsigned>(_mm_movemask_epi8(passed)));
  }
};

// The median in time independent of the window: every column keeps the
// histogram of its h window rows, 16 coarse bins of 16 fine bins each, as
// running totals so that finding a bin needs no summing at search time. The
// window's coarse histogram slides along the row by adding one column's and
// subtracting another's; a fine bin is brought up to date only when the
// median falls in it, from the columns the window passed since it was last
// used. The image is walked in strips of columns so that the strip's
// histograms stay in the processor's cache.
template <class Bins, class Poll>
class ConstantTimeMedian {
 public:
  using Count = typename Bins::Count;
  static constexpr int kStripWidth = 256;
  // Widest window whose fine bins are summed afresh at every step.
  static constexpr int kSummedWindow = 16;

  ConstantTimeMedian(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll)
      : poll_(poll), src_(src), dst_(dst), w_(w), h_(h), left_((w - 1) / 2), top_((h - 1) / 2), rank_((w * h - 1) / 2) {}

  bool Run() {
    poll_.Expect((src_.width + kStripWidth - 1) / kStripWidth * src_.height);
    for (int x0 = 0; x0 < src_.width; x0 += kStripWidth) {
      if (!RunStrip(x0, std::min(x0 + kStripWidth, src_.width))) return false;
    }
    return true;
  }

 private:
  // The window's fine histogram of one channel at the current position.
  struct Window {
    Bins fine[16];   // per coarse bin, brought up to date when used
    int fineAt[16];  // window position each coarse bin's fine bins are at
  };

  bool RunStrip(int x0, int x1) {
    const int ch = src_.channels;
    firstColumn_ = std::max(x0 - left_, 0);
    const int lastColumn = std::min(x1 - 1 + (w_ - 1 - left_), src_.width - 1);
    const int bytes = (lastColumn - firstColumn_ + 1) * ch;
    coarse_.assign(static_cast<std::size_t>(bytes) * 16, 0);
    fine_.assign(static_cast<std::size_t>(bytes) * 256, 0);
    // offsets_[p]: histogram index of channel 0 of the column at window
    // position p, counted from the left end of output column x0's window.
    offsets_.resize(static_cast<std::size_t>(x1 - x0 + w_ - 1));
    for (int p = 0; p < static_cast<int>(offsets_.size()); ++p) {
      offsets_[p] = (Clamp(x0 + p - left_, 0, src_.width - 1) - firstColumn_) * ch;
    }
    for (int j = 0; j < h_; ++j) AddRow(Clamp(j - top_, 0, src_.height - 1), bytes);
    for (int y = 0; y < src_.height; ++y) {
      if (y > 0) {
        ReplaceRow(Clamp(y - 1 - top_, 0, src_.height - 1), Clamp(y - 1 - top_ + h_, 0, src_.height - 1), bytes);
      }
      SweepRow(y, x0, x1);
      if (poll_.Row()) return false;
    }
    return true;
  }

  // Puts source row y into every column of the strip.
  void AddRow(int y, int bytes) {
    const std::uint8_t* row = src_.Row(y) + firstColumn_ * src_.channels;
    Count* coarse = coarse_.data();
    Count* fine = fine_.data();
    for (int i = 0; i < bytes; ++i) {
      const int v = row[i];
      Bins::Arrive(coarse + i * 16, v >> 4);
      Bins::Arrive(fine + i * 256 + (v & 0xF0), v & 15);
    }
  }

  // Takes source row `leaving` out of every column of the strip and puts
  // row `entering` in.
  void ReplaceRow(int leaving, int entering, int bytes) {
    if (leaving == entering) return;  // at the image's ends the window repeats a row
    const std::uint8_t* out = src_.Row(leaving) + firstColumn_ * src_.channels;
    const std::uint8_t* in = src_.Row(entering) + firstColumn_ * src_.channels;
    Count* coarse = coarse_.data();
    Count* fine = fine_.data();
    for (int i = 0; i < bytes; ++i) {
      const int o = out[i], n = in[i];
      Bins::Move(coarse + i * 16, n >> 4, o >> 4);
      // The two fine steps may fall in the same bins, so one after the other.
      Bins::Leave(fine + i * 256 + (o & 0xF0), o & 15);
      Bins::Arrive(fine + i * 256 + (n & 0xF0), n & 15);
    }
  }

  // The window's fine bins of coarse bin b at window position p; `fine` is
  // the strip's fine bins of the channel. Small windows sum their w columns
  // afresh: a fixed amount of work, cheaper than sliding a bin by however
  // far the window went since the median last fell in it, a distance that
  // changes from step to step and whose loop the processor mispredicts.
  // Larger windows slide the bin from where it was last used.
  static Bins FineAt(Window& window, int b, int p, int w, const Count* fine, const int* offsets) {
    fine += b * 16;
    if (w <= kSummedWindow) {
      Bins sum = Bins::Zero();
      for (int q = p; q < p + w; ++q) sum.Add(fine + offsets[q] * 256);
      return sum;
    }
    Bins& bins = window.fine[b];
    const int from = window.fineAt[b];
    if (p - from >= w) {
      bins = Bins::Zero();
      for (int q = p; q < p + w; ++q) bins.Add(fine + offsets[q] * 256);
    } else {
      for (int q = from; q < p; ++q) bins.Slide(fine + offsets[q + w] * 256, fine + offsets[q] * 256);
    }
    window.fineAt[b] = p;
    return bins;
  }

  // One output row, channel by channel. Everything the loop reads is in
  // locals: the byte stores of the result could alias members.
  void SweepRow(int y, int x0, int x1) {
    const int ch = src_.channels, w = w_, rank = rank_, count = x1 - x0;
    const int* offsets = offsets_.data();
    std::uint8_t* out = dst_.Row(y) + x0 * ch;
    for (int c = 0; c < ch; ++c) {
      Window& window = windows_[c];
      const Count* coarse = coarse_.data() + c * 16;
      const Count* fine = fine_.data() + c * 256;
      Bins sliding = Bins::Zero();
      for (int q = 0; q < w; ++q) sliding.Add(coarse + offsets[q] * 16);
      for (int& at : window.fineAt) at = -kMaxWindow - 1;  // stale: rebuilt on first use
      for (int p = 0; p < count; ++p) {
        if (p > 0) sliding.Slide(coarse + offsets[p + w - 1] * 16, coarse + offsets[p - 1] * 16);
        __m128i below;
        const int b = sliding.FindAndCount(rank, below);
        const int f = FineAt(window, b, p, w, fine, offsets).Find(rank, below);
        out[p * ch + c] = static_cast<std::uint8_t>(b * 16 + f);
      }
    }
  }

  Poll& poll_;
  ConstImageView src_;
  ImageView dst_;
  int w_, h_, left_, top_, rank_;
  int firstColumn_ = 0;
  // Running totals per column: coarse_[i * 16 + k] counts column i's values
  // in coarse bins 0 to k; fine_[i * 256 + b * 16 + j] those in coarse bin b
  // with fine bins 0 to j.
  std::vector<Count> coarse_;
  std::vector<Count> fine_;
  std::vector<int> offsets_;
  Window windows_[3] = {};
};

template <class Poll>
bool MeanImpl(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  if (SmallMean(src, dst, w, h, poll)) return !poll.Stopped();
  if (Mean16(src, dst, w, h, poll)) return !poll.Stopped();
  std::vector<std::uint32_t> sums(static_cast<std::size_t>(src.width));
  ColumnSums down(src.width, h, static_cast<std::uint32_t>(w * h));
  return RunSeparable(src, dst, w, h, [&](const std::uint8_t* row) {
    std::uint32_t s = 0;
    for (int i = 0; i < w; ++i) s += row[i];
    sums[0] = s;
    for (int x = 1; x < src.width; ++x) {
      s += static_cast<std::uint32_t>(row[x + w - 1]) - row[x - 1];
      sums[x] = s;
    }
    return sums.data();
  }, down, poll);
}

template <class Poll>
bool MinimumImpl(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  if (SmallMinimum(src, dst, w, h, poll)) return !poll.Stopped();
  return ExtremeFilter<kernels::MinOp, Poll>(src, dst, w, h, poll);
}

template <class Poll>
bool MaximumImpl(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  if (SmallMaximum(src, dst, w, h, poll)) return !poll.Stopped();
  return ExtremeFilter<kernels::MaxOp, Poll>(src, dst, w, h, poll);
}

template <class Poll>
bool MedianImpl(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  if (Median3x3(src, dst, w, h, poll)) return !poll.Stopped();
  if (w * h <= 255) return ConstantTimeMedian<NarrowBins, Poll>(src, dst, w, h, poll).Run();
  return ConstantTimeMedian<WideBins, Poll>(src, dst, w, h, poll).Run();
}

template <class Poll>
bool UnsharpImpl(const ConstImageView& src, const ImageView& dst, int w, int h, int amountQuarters, Poll& poll) {
  if (!MeanImpl(src, dst, w, h, poll)) return false;
  // src + round_half_away((src - mean) * amount / 4), in 16-bit lanes.
  const int bytes = src.width * src.channels;
  const std::int16_t amount = static_cast<std::int16_t>(amountQuarters);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* __restrict s = src.Row(y);
    std::uint8_t* __restrict d = dst.Row(y);
    for (int i = 0; i < bytes; ++i) {
      const std::int16_t t = static_cast<std::int16_t>((s[i] - d[i]) * amount);
      const std::int16_t sign = static_cast<std::int16_t>(t >> 15);  // 0 or -1
      const std::int16_t magnitude = static_cast<std::int16_t>(((t ^ sign) - sign + 2) >> 2);
      const int v = s[i] + ((magnitude ^ sign) - sign);
      d[i] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
  }
  return true;
}

template <class Poll>
bool OutlineImpl(const ConstImageView& src, const ImageView& dst, int w, int h, Poll& poll) {
  const std::size_t size = static_cast<std::size_t>(src.stride) * src.height;
  std::vector<std::uint8_t> meanBits(size);
  const ImageView mean{meanBits.data(), src.width, src.height, src.stride, src.channels};
  if (!MeanImpl(src, mean, w, h, poll)) return false;
  poll.Expect(src.height);
  const int ch = src.channels;
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* up = mean.Row(std::max(y - 1, 0));
    const std::uint8_t* mid = mean.Row(y);
    const std::uint8_t* down = mean.Row(std::min(y + 1, src.height - 1));
    std::uint8_t* out = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const int l = std::max(x - 1, 0) * ch, r = std::min(x + 1, src.width - 1) * ch;
      for (int c = 0; c < ch; ++c) {
        const int gx = (up[r + c] + 2 * mid[r + c] + down[r + c]) - (up[l + c] + 2 * mid[l + c] + down[l + c]);
        const int gy = (down[l + c] + 2 * down[x * ch + c] + down[r + c]) - (up[l + c] + 2 * up[x * ch + c] + up[r + c]);
        // |g| / 4 = sqrt((gx^2 + gy^2) / 16), truncated.
        const int magnitude = static_cast<int>(std::sqrt(static_cast<double>(gx * gx + gy * gy) / 16.0));
        out[x * ch + c] = static_cast<std::uint8_t>(255 - std::min(magnitude, 255));
      }
    }
    if (poll.Row()) return false;
  }
  return true;
}

template <class Poll>
bool EmbossImpl(const ConstImageView& src, const ImageView& dst, int angle, std::uint32_t colour, Poll& poll) {
  const double radians = angle * 3.14159265358979323846 / 180.0;
  const int dx = static_cast<int>(std::lround(std::cos(radians)));
  const int dy = static_cast<int>(std::lround(-std::sin(radians)));
  const int red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
  // Rows hold blue, green, red; grey uses the colour's luminance.
  const int base[3] = {src.channels == 1 ? (red * 77 + green * 150 + blue * 29 + 128) >> 8 : blue, green, red};
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* ahead = src.Row(Clamp(y + dy, 0, src.height - 1));
    const std::uint8_t* behind = src.Row(Clamp(y - dy, 0, src.height - 1));
    std::uint8_t* out = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const int xa = Clamp(x + dx, 0, src.width - 1) * ch, xb = Clamp(x - dx, 0, src.width - 1) * ch;
      for (int c = 0; c < ch; ++c) {
        out[x * ch + c] = static_cast<std::uint8_t>(Clamp(base[c] + ahead[xa + c] - behind[xb + c], 0, 255));
      }
    }
    if (poll.Row()) return false;
  }
  return true;
}

template <class Poll>
bool NoiseImpl(const ConstImageView& src, const ImageView& dst, int amount, int share, int colour, Poll& poll) {
  // splitmix64, seeded from the parameters and the size.
  std::uint64_t state = (static_cast<std::uint64_t>(amount) << 48) ^ (static_cast<std::uint64_t>(share) << 40) ^
                        (static_cast<std::uint64_t>(colour) << 32) ^
                        (static_cast<std::uint64_t>(src.width) << 16) ^ static_cast<std::uint64_t>(src.height);
  auto next = [&state] {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  };
  const int spread = Clamp(amount, 0, 100) * 255 / 100;
  const std::uint64_t range = static_cast<std::uint64_t>(2 * spread + 1);
  auto draw = [&](std::uint64_t bits) { return static_cast<int>(((bits & 0xFFFF) * range) >> 16) - spread; };
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* s = src.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      const std::uint64_t r = next();
      const bool touched = ((r >> 48) * 100) < static_cast<std::uint64_t>(share) << 16;
      if (!touched) {
        for (int c = 0; c < ch; ++c) d[x * ch + c] = s[x * ch + c];
        continue;
      }
      const bool perChannel = ch > 1 && (((r >> 32) & 0xFFFF) * 100) < static_cast<std::uint64_t>(colour) << 16;
      const int mono = draw(r);
      for (int c = 0; c < ch; ++c) {
        const int n = perChannel ? draw(next()) : mono;
        d[x * ch + c] = static_cast<std::uint8_t>(Clamp(s[x * ch + c] + n, 0, 255));
      }
    }
    if (poll.Row()) return false;
  }
  return true;
}

}  // namespace
}  // namespace lumora::toolhost
