// The modify-selection filters. Minimum and maximum are separable: each
// pushed row is reduced across the window by the van Herk / Gil-Werman
// method (prefix and suffix extremes in blocks of k), and the reduced rows
// are reduced down the window the same way, blocks of k rows at a time.
// The rank filter keeps, per column, the counts of 0 and 255 and a histogram
// of the values between, and slides a window sum of them along the row.
#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "libs/toolhost/SlidingExtreme.h"
#include "select/ModifySelection.h"

namespace {

using lumora::kernels::ColumnExtreme;
using lumora::kernels::MaxOp;
using lumora::kernels::MinOp;
using lumora::kernels::SlidingExtreme;

enum class Finish { kValue, kAnySet, kClearWhereAllSet };

// The square's minimum or maximum, finished as the kernel wants it.
template <class Op, Finish kFinish>
class ExtremeFilter final : public MaskRowFilter {
 public:
  ExtremeFilter(int width, int radius)
      : width_(width),
        radius_(radius),
        k_(2 * radius + 1),
        padded_(static_cast<std::size_t>(width) + 2 * radius, 0),
        g_(padded_.size()),
        h_(padded_.size()),
        across_(static_cast<std::size_t>(width)),
        down_(static_cast<std::size_t>(width)),
        columns_(width, 2 * radius + 1) {}

  void PushRow(const std::uint8_t* row) override {
    if (row == nullptr) {
      std::fill(across_.begin(), across_.end(), std::uint8_t{0});
    } else {
      std::memcpy(padded_.data() + radius_, row, static_cast<std::size_t>(width_));
      SlidingExtreme<Op>(padded_.data(), width_, k_, across_.data(), g_.data(), h_.data());
    }
    columns_.Push(across_.data());
  }

  void OutputRow(std::uint8_t* out) override {
    if constexpr (kFinish == Finish::kValue) {
      columns_.Output(out);
      return;
    }
    columns_.Output(down_.data());
    const std::uint8_t* v = down_.data();
    for (int x = 0; x < width_; ++x) {
      if constexpr (kFinish == Finish::kAnySet) {
        out[x] = v[x] != 0 ? 255 : 0;
      } else {
        out[x] = v[x] != 0 ? 0 : out[x];
      }
    }
  }

 private:
  int width_;
  int radius_;
  int k_;
  std::vector<std::uint8_t> padded_;  // zeros on both sides stay zero
  std::vector<std::uint8_t> g_;
  std::vector<std::uint8_t> h_;
  std::vector<std::uint8_t> across_;
  std::vector<std::uint8_t> down_;
  ColumnExtreme<Op> columns_;
};

// The rank filter. Per padded column c (image column c - r) it keeps the
// number of zeros and of 255s among the window's k rows, and, for image
// columns, a 256-bin histogram of the values 1..254 with 16 coarse bins.
// Along a row the window sums of the zero and 255 counts decide most pixels
// at once: at least n zeros give 0, fewer than n values below 255 give 255.
// Only otherwise is the answer among the partial values, found from the
// window's coarse histogram (slid along the row, skipping columns without
// partial values) and one fine bucket brought up to date on demand.
//
// The window's counts are `Tally`: 16 bits while a k x k window fits them
// (radius up to 127), so that each slide of a 16-bin bucket is two vector
// adds and subtracts; 32 bits beyond. A slide adds the entering column and
// takes away the leaving one in one pass, a column outside the row (or
// without partial values) standing in as zeros.
template <class Tally>
class RankFilter final : public MaskRowFilter {
 public:
  RankFilter(int width, int radius)
      : width_(width),
        radius_(radius),
        k_(2 * radius + 1),
        rank_(static_cast<std::int64_t>(k_) * k_ / 2),
        history_(static_cast<std::size_t>(width) * k_, 0),
        blank_(static_cast<std::size_t>(width), 0),
        // The window starts as k blank rows: every column holds k zeros (and
        // those outside the buffer always will).
        zeros_(static_cast<std::size_t>(width) + 2 * radius, static_cast<std::uint16_t>(k_)),
        fulls_(zeros_.size(), 0),
        partials_(static_cast<std::size_t>(width), 0),
        fine_(static_cast<std::size_t>(width) * 256, 0),
        coarse_(static_cast<std::size_t>(width) * 16, 0) {}

  void PushRow(const std::uint8_t* row) override {
    std::uint8_t* slot = history_.data() + static_cast<std::size_t>(pushed_ % k_) * width_;
    const std::uint8_t* entering = row != nullptr ? row : blank_.data();
    // The row leaving the window (a blank one before the window is full)
    // gives way to the entering one, column by column in one pass.
    Replace(slot, entering);
    std::memcpy(slot, entering, static_cast<std::size_t>(width_));
    ++pushed_;
  }

  void OutputRow(std::uint8_t* out) override {
    std::int64_t zeros = 0, fulls = 0;
    for (int c = 0; c < k_; ++c) {
      zeros += zeros_[static_cast<std::size_t>(c)];
      fulls += fulls_[static_cast<std::size_t>(c)];
    }
    std::fill(std::begin(windowCoarse_), std::end(windowCoarse_), Tally{0});
    for (int c = 0; c <= std::min(radius_, width_ - 1); ++c) Slide16(windowCoarse_, CoarseOf(c), kNoCounts);
    std::fill(std::begin(fineAt_), std::end(fineAt_), kStale);
    const std::int64_t below255Limit = static_cast<std::int64_t>(k_) * k_;
    for (int x = 0; x < width_; ++x) {
      if (x > 0) {
        zeros +=
            zeros_[static_cast<std::size_t>(x + k_ - 1)] - zeros_[static_cast<std::size_t>(x - 1)];
        fulls +=
            fulls_[static_cast<std::size_t>(x + k_ - 1)] - fulls_[static_cast<std::size_t>(x - 1)];
        Slide16(windowCoarse_, CoarseOf(x + radius_), CoarseOf(x - radius_ - 1));
      }
      if (zeros >= rank_) {
        out[x] = 0;
      } else if (below255Limit - fulls < rank_) {
        out[x] = 255;
      } else {
        out[x] = PartialRank(x, rank_ - zeros);
      }
    }
  }

 private:
  static constexpr int kStale = std::numeric_limits<int>::min() / 2;
  // A column's counts reach k: bytes while the window's fit 16 bits (k up to
  // 255), so that the column histograms take half the memory and stay in
  // the cache; 16 bits beyond.
  using Bin = std::conditional_t<sizeof(Tally) == 2, std::uint8_t, std::uint16_t>;
  static constexpr Bin kNoCounts[16] = {};

  // Takes one row's pixels out of the column counts and puts another's in.
  void Replace(const std::uint8_t* __restrict leaving, const std::uint8_t* __restrict entering) {
    std::uint16_t* __restrict z = zeros_.data() + radius_;
    std::uint16_t* __restrict f = fulls_.data() + radius_;
    const int width = width_;
    for (int x = 0; x < width; ++x) {
      z[x] = static_cast<std::uint16_t>(z[x] + (entering[x] == 0) - (leaving[x] == 0));
      f[x] = static_cast<std::uint16_t>(f[x] + (entering[x] == 255) - (leaving[x] == 255));
    }
    Bin* __restrict fine = fine_.data();
    Bin* __restrict coarse = coarse_.data();
    std::uint16_t* __restrict partials = partials_.data();
    // 0 and 255 are counted above: only the values between are binned.
    auto partial = [](std::uint8_t v) { return static_cast<std::uint8_t>(v - 1) < 254; };
    for (int x = 0; x < width; ++x) {
      const std::uint8_t out = leaving[x], in = entering[x];
      if (partial(out)) {
        --fine[FineIndex(out >> 4, x) + (out & 15)];
        --coarse[static_cast<std::size_t>(x) * 16 + (out >> 4)];
        --partials[x];
      }
      if (partial(in)) {
        ++fine[FineIndex(in >> 4, x) + (in & 15)];
        ++coarse[static_cast<std::size_t>(x) * 16 + (in >> 4)];
        ++partials[x];
      }
    }
  }

  // window[i] += add[i] - remove[i] over 16 bins.
  static void Slide16(Tally* __restrict window, const Bin* __restrict add, const Bin* __restrict remove) {
#ifdef __SSE2__
    if constexpr (sizeof(Tally) == 2) {
      // Sixteen byte counts widened to two vectors of eight: the compiler
      // would gather the lanes one by one.
      auto load = [](const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); };
      const __m128i zero = _mm_setzero_si128(), in = load(add), out = load(remove);
      __m128i* w = reinterpret_cast<__m128i*>(window);
      _mm_storeu_si128(w, _mm_sub_epi16(_mm_add_epi16(load(window), _mm_unpacklo_epi8(in, zero)),
                                        _mm_unpacklo_epi8(out, zero)));
      _mm_storeu_si128(w + 1, _mm_sub_epi16(_mm_add_epi16(load(window + 8), _mm_unpackhi_epi8(in, zero)),
                                            _mm_unpackhi_epi8(out, zero)));
      return;
    }
#endif
    for (int i = 0; i < 16; ++i) window[i] = static_cast<Tally>(window[i] + add[i] - remove[i]);
  }

  // The coarse counts of a column: zeros outside the row or without partial values.
  const Bin* CoarseOf(int column) const {
    if (column < 0 || column >= width_ || partials_[static_cast<std::size_t>(column)] == 0) return kNoCounts;
    return coarse_.data() + static_cast<std::size_t>(column) * 16;
  }

  // The fine counts of one coarse bucket of a column, zeros likewise.
  const Bin* FineOf(int bucket, int column) const {
    if (column < 0 || column >= width_ || coarse_[static_cast<std::size_t>(column) * 16 + bucket] == 0)
      return kNoCounts;
    return fine_.data() + FineIndex(bucket, column);
  }

  // Where a column's 16 fine bins of a bucket start. The bins lie bucket by
  // bucket, columns in order within each: a slide along the row reads them
  // in sequence instead of a column's whole histogram apart.
  std::size_t FineIndex(int bucket, int column) const {
    return (static_cast<std::size_t>(bucket) * width_ + column) * 16;
  }

  // The answer among the partial values: the smallest m whose cumulative
  // count of partial values reaches `target`.
  std::uint8_t PartialRank(int x, std::int64_t target) {
    int bucket = 0;
    std::int64_t before = 0;
    while (bucket < 15 && before + windowCoarse_[bucket] < target)
      before += windowCoarse_[bucket++];
    const Tally* fine = FineBucket(bucket, x);
    for (int i = 0; i < 16; ++i) {
      before += fine[i];
      if (before >= target) return static_cast<std::uint8_t>(bucket * 16 + i);
    }
    return static_cast<std::uint8_t>(bucket * 16 + 15);  // not reached: the counts add up
  }

  // The window's fine counts of one coarse bucket at position x, updated
  // from where they were last wanted, or rebuilt when that was long ago.
  const Tally* FineBucket(int bucket, int x) {
    Tally* fine = windowFine_ + bucket * 16;
    int& at = fineAt_[bucket];
    if (at < x - k_) {
      std::fill(fine, fine + 16, Tally{0});
      for (int c = std::max(0, x - radius_); c <= std::min(width_ - 1, x + radius_); ++c)
        Slide16(fine, FineOf(bucket, c), kNoCounts);
    } else {
      for (int p = at + 1; p <= x; ++p) Slide16(fine, FineOf(bucket, p + radius_), FineOf(bucket, p - radius_ - 1));
    }
    at = x;
    return fine;
  }

  int width_;
  int radius_;
  int k_;
  std::int64_t rank_;
  std::int64_t pushed_ = 0;
  std::vector<std::uint8_t> history_;    // the window's k rows, a ring
  std::vector<std::uint8_t> blank_;      // a row of zeros (rows outside the buffer)
  std::vector<std::uint16_t> zeros_;     // per padded column
  std::vector<std::uint16_t> fulls_;     // per padded column
  std::vector<std::uint16_t> partials_;  // per image column
  std::vector<Bin> fine_;                // 256 bins per image column (FineIndex)
  std::vector<Bin> coarse_;              // per image column, 16 bins
  alignas(16) Tally windowCoarse_[16] = {};
  alignas(16) Tally windowFine_[256] = {};
  int fineAt_[16] = {};
};

// The rank filter of radius 1, the smallest sample radius, as a fast path:
// the fourth smallest of nine, for a whole row at once, by sorting the nine
// shifted rows with an odd-even transposition network (nine rounds of
// compare-exchange sort nine values), so the inner loops are branch-free
// minima and maxima along the row.
class Rank3Filter final : public MaskRowFilter {
 public:
  explicit Rank3Filter(int width)
      : width_(width),
        rows_(3 * (static_cast<std::size_t>(width) + 2), 0),
        sorted_(9 * static_cast<std::size_t>(width)) {}

  void PushRow(const std::uint8_t* row) override {
    std::uint8_t* slot = Row(static_cast<int>(pushed_++ % 3)) + 1;  // a zero on each side
    if (row == nullptr) {
      std::memset(slot, 0, static_cast<std::size_t>(width_));
    } else {
      std::memcpy(slot, row, static_cast<std::size_t>(width_));
    }
  }

  void OutputRow(std::uint8_t* out) override {
    std::uint8_t* t[9];
    for (int i = 0; i < 9; ++i) {
      t[i] = sorted_.data() + static_cast<std::size_t>(i) * width_;
      std::memcpy(t[i], Row(i / 3) + i % 3,
                  static_cast<std::size_t>(width_));  // column x - 1 + i % 3
    }
    for (int round = 0; round < 9; ++round) {
      for (int i = round & 1; i + 1 < 9; i += 2) {
        CompareExchange(t[i], t[i + 1], width_);
      }
    }
    std::memcpy(out, t[3], static_cast<std::size_t>(width_));  // n = 9 / 2 = 4: the fourth smallest
  }

 private:
  // lo[x], hi[x] = min, max of the two, sixteen bytes a step where SSE2 is
  // there (every x86-64 processor).
  static void CompareExchange(std::uint8_t* lo, std::uint8_t* hi, int n) {
    int x = 0;
#ifdef __SSE2__
    for (; x + 16 <= n; x += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lo + x));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi + x));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(lo + x), _mm_min_epu8(a, b));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(hi + x), _mm_max_epu8(a, b));
    }
#endif
    for (; x < n; ++x) {
      const std::uint8_t a = lo[x], b = hi[x];
      lo[x] = std::min(a, b);
      hi[x] = std::max(a, b);
    }
  }
  std::uint8_t* Row(int i) { return rows_.data() + static_cast<std::size_t>(i) * (width_ + 2); }

  int width_;
  std::int64_t pushed_ = 0;
  std::vector<std::uint8_t> rows_;    // the window's three rows, padded
  std::vector<std::uint8_t> sorted_;  // nine rows being sorted
};

std::unique_ptr<MaskRowFilter> MakeRank(int width, int radius) {
  if (radius == 1) return std::make_unique<Rank3Filter>(width);
  // A window's counts reach k * k.
  const std::int64_t k = 2 * static_cast<std::int64_t>(radius) + 1;
  if (k * k <= std::numeric_limits<std::uint16_t>::max()) return std::make_unique<RankFilter<std::uint16_t>>(width, radius);
  return std::make_unique<RankFilter<std::int32_t>>(width, radius);
}

template <class Filter>
std::unique_ptr<MaskRowFilter> Make(int width, int radius) {
  return std::make_unique<Filter>(width, radius);
}

}  // namespace

const MaskRowKernel ExpandMaskRow = {"ExpandMaskRow", Make<ExtremeFilter<MaxOp, Finish::kValue>>};
const MaskRowKernel ContractMaskRow = {"ContractMaskRow",
                                       Make<ExtremeFilter<MinOp, Finish::kValue>>};
const MaskRowKernel BorderGrowRow = {"BorderGrowRow", Make<ExtremeFilter<MaxOp, Finish::kAnySet>>};
const MaskRowKernel BorderClearRow = {"BorderClearRow",
                                      Make<ExtremeFilter<MinOp, Finish::kClearWhereAllSet>>};
const MaskRowKernel SmoothMaskRow = {"SmoothMaskRow", MakeRank};
