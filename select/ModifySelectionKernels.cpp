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

// The rank filter. Per padded column it keeps the number of zeros and of
// 255s among the window's k rows and, for the values 1..254 between, a
// cumulative histogram in two levels: per coarse bucket of 16 values, how
// many lie in the buckets below it, and per bucket, how many of its values
// are at most each of its 16 values. Along a row the window sums of the
// zero and 255 counts decide most pixels at once: at least n zeros give 0,
// fewer than n values below 255 give 255.
//
// Otherwise the answer m is among the partial values. The filter follows
// the last answer: how many of the window's partial values are below m and
// how many at most m change, from one pixel to the next, by what the
// entering and leaving columns hold below and at most m (four counts read
// from their cumulative histograms). While the wanted count still falls
// between the two, m stays the answer. Only when it leaves them is the
// answer searched, in the window's coarse sums and then one bucket's fine
// sums, each brought up to date from where it was last wanted (or rebuilt
// when that was long ago).
//
// The window's sums are `Tally`: 16 bits while a k x k window fits them
// (radius up to 127), so that a 16-bin slide is two vector adds and
// subtracts and a search one comparison; 32 bits beyond. Columns outside
// the row are padding whose counts stay those of blank rows.
template <class Tally>
class RankFilter final : public MaskRowFilter {
 public:
  RankFilter(int width, int radius)
      : width_(width),
        radius_(radius),
        k_(2 * radius + 1),
        columns_(width + 2 * radius + 1),
        rank_(static_cast<std::int64_t>(k_) * k_ / 2),
        history_(static_cast<std::size_t>(width) * k_, 0),
        blank_(static_cast<std::size_t>(width), 0),
        // The window starts as k blank rows: every column holds k zeros (and
        // those outside the buffer always will).
        zeros_(static_cast<std::size_t>(columns_), static_cast<std::uint16_t>(k_)),
        fulls_(zeros_.size(), 0),
        below_(static_cast<std::size_t>(columns_) * 16, 0),
        fine_(static_cast<std::size_t>(columns_) * 256, 0) {}

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
    // Padded column p is image column p - r - 1; the window at x holds the
    // columns x + 1 .. x + k.
    std::int64_t zeros = 0, fulls = 0;
    for (int p = 1; p <= k_; ++p) {
      zeros += zeros_[static_cast<std::size_t>(p)];
      fulls += fulls_[static_cast<std::size_t>(p)];
    }
    coarseAt_ = kStale;
    std::fill(std::begin(fineAt_), std::end(fineAt_), kStale);
    following_ = false;
    const std::int64_t below255Limit = static_cast<std::int64_t>(k_) * k_;
    for (int x = 0; x < width_; ++x) {
      if (x > 0) {
        const std::size_t in = static_cast<std::size_t>(x + k_), gone = static_cast<std::size_t>(x);
        zeros += zeros_[in] - zeros_[gone];
        fulls += fulls_[in] - fulls_[gone];
        if (following_) {
          atMostAnswer_ += AtMost(atMostAt_, in) - AtMost(atMostAt_, gone);
          belowAnswer_ += AtMost(belowAt_, in) - AtMost(belowAt_, gone);
        }
      }
      if (zeros >= rank_) {
        out[x] = 0;
      } else if (below255Limit - fulls < rank_) {
        out[x] = 255;
      } else {
        const std::int64_t target = rank_ - zeros;
        if (!following_ || belowAnswer_ >= target || atMostAnswer_ < target) Search(x, target);
        out[x] = static_cast<std::uint8_t>(answer_);
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
  static constexpr bool kVector =
#ifdef __SSE2__
      sizeof(Tally) == 2;
#else
      false;
#endif

  // Where a column's cumulative counts of a value are read: the column's
  // count of values below the value's bucket plus its bucket's count at
  // most the value, 16 bins apart from one column to the next.
  struct Reading {
    const Bin* below;
    const Bin* fine;
  };
  Reading ReadingOf(int value) const {
    return {below_.data() + (value >> 4), fine_.data() + FineIndex(value >> 4, 0) + (value & 15)};
  }
  static std::int64_t AtMost(const Reading& r, std::size_t column) {
    return std::int64_t{r.below[column * 16]} + r.fine[column * 16];
  }

  // Takes one row's pixels out of the column counts and puts another's in.
  void Replace(const std::uint8_t* __restrict leaving, const std::uint8_t* __restrict entering) {
    const int width = width_;
    std::uint16_t* __restrict z = zeros_.data() + radius_ + 1;
    std::uint16_t* __restrict f = fulls_.data() + radius_ + 1;
    for (int x = 0; x < width; ++x) {
      z[x] = static_cast<std::uint16_t>(z[x] + (entering[x] == 0) - (leaving[x] == 0));
      f[x] = static_cast<std::uint16_t>(f[x] + (entering[x] == 255) - (leaving[x] == 255));
    }
    // 0 and 255 are counted above: only the values between are binned.
    auto partial = [](std::uint8_t v) { return static_cast<std::uint8_t>(v - 1) < 254; };
    for (int x = 0; x < width; ++x) {
      const std::size_t p = static_cast<std::size_t>(x + radius_ + 1);
      const std::uint8_t out = leaving[x], in = entering[x];
      if (out == in) continue;
      Bin* below = below_.data() + p * 16;
      if (partial(out)) {
        Count(below, (out >> 4) + 1, -1);
        Count(fine_.data() + FineIndex(out >> 4, static_cast<int>(p)), out & 15, -1);
      }
      if (partial(in)) {
        Count(below, (in >> 4) + 1, 1);
        Count(fine_.data() + FineIndex(in >> 4, static_cast<int>(p)), in & 15, 1);
      }
    }
  }

  // Adds `delta` to the bins from `first` to the 16th.
  static void Count(Bin* bins, int first, int delta) {
#ifdef __SSE2__
    if constexpr (sizeof(Bin) == 1) {
      alignas(16) static constexpr std::uint8_t kFrom[17][16] = {
#define LUMORA_FROM(n) \
  {0 >= n, 1 >= n, 2 >= n, 3 >= n, 4 >= n, 5 >= n, 6 >= n, 7 >= n, 8 >= n, 9 >= n, 10 >= n, 11 >= n, 12 >= n, 13 >= n, 14 >= n, 15 >= n}
          LUMORA_FROM(0),  LUMORA_FROM(1),  LUMORA_FROM(2),  LUMORA_FROM(3),  LUMORA_FROM(4),  LUMORA_FROM(5),
          LUMORA_FROM(6),  LUMORA_FROM(7),  LUMORA_FROM(8),  LUMORA_FROM(9),  LUMORA_FROM(10), LUMORA_FROM(11),
          LUMORA_FROM(12), LUMORA_FROM(13), LUMORA_FROM(14), LUMORA_FROM(15), LUMORA_FROM(16)};
#undef LUMORA_FROM
      __m128i* v = reinterpret_cast<__m128i*>(bins);
      const __m128i ones = _mm_load_si128(reinterpret_cast<const __m128i*>(kFrom[first]));
      _mm_storeu_si128(v, delta > 0 ? _mm_add_epi8(_mm_loadu_si128(v), ones) : _mm_sub_epi8(_mm_loadu_si128(v), ones));
      return;
    }
#endif
    for (int i = first; i < 16; ++i) bins[i] = static_cast<Bin>(bins[i] + delta);
  }

  // window[i] += add[i] - remove[i] over 16 bins.
  static void Slide16(Tally* __restrict window, const Bin* __restrict add, const Bin* __restrict remove) {
#ifdef __SSE2__
    if constexpr (kVector) {
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

  // How many of sixteen rising sums are below `target` (at least 1).
  static int CountBelow(const Tally* sums, std::int64_t target) {
#ifdef __SSE2__
    if constexpr (kVector) {
      // sum < target where the saturated difference sum - (target - 1) is
      // zero; the sums and the target fit 16 bits on this path.
      const __m128i limit = _mm_set1_epi16(static_cast<short>(target - 1)), zero = _mm_setzero_si128();
      const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(sums));
      const __m128i hi = _mm_load_si128(reinterpret_cast<const __m128i*>(sums + 8));
      const __m128i shortLo = _mm_cmpeq_epi16(_mm_subs_epu16(lo, limit), zero);
      const __m128i shortHi = _mm_cmpeq_epi16(_mm_subs_epu16(hi, limit), zero);
      const unsigned below = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(shortLo, shortHi)));
      return __builtin_ctz(~below);  // the sums rise: the ones below come first
    }
#endif
    int n = 0;
    while (n < 16 && sums[n] < target) ++n;
    return n;
  }

  // Where a column's 16 fine bins of a bucket start. The bins lie bucket by
  // bucket, columns in order within each: a slide along the row reads them
  // in sequence instead of a column's whole histogram apart.
  std::size_t FineIndex(int bucket, int column) const {
    return (static_cast<std::size_t>(bucket) * columns_ + column) * 16;
  }

  // The window's sums at x: `sums` was last brought to `at`.
  void BringTo(Tally* sums, int& at, int x, const Bin* columnsData) {
    auto column = [&](int p) { return columnsData + static_cast<std::size_t>(p) * 16; };
#ifdef __SSE2__
    if constexpr (kVector) {
      // The sums stay in registers while the columns stream past.
      auto load = [](const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); };
      const __m128i zero = _mm_setzero_si128();
      __m128i lo = zero, hi = zero;
      if (x - at > k_ / 2) {
        for (int p = x + 1; p <= x + k_; ++p) {
          const __m128i in = load(column(p));
          lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(in, zero));
          hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(in, zero));
        }
      } else {
        lo = load(sums);
        hi = load(sums + 8);
        for (int q = at + 1; q <= x; ++q) {
          const __m128i in = load(column(q + k_)), out = load(column(q));
          lo = _mm_sub_epi16(_mm_add_epi16(lo, _mm_unpacklo_epi8(in, zero)), _mm_unpacklo_epi8(out, zero));
          hi = _mm_sub_epi16(_mm_add_epi16(hi, _mm_unpackhi_epi8(in, zero)), _mm_unpackhi_epi8(out, zero));
        }
      }
      _mm_store_si128(reinterpret_cast<__m128i*>(sums), lo);
      _mm_store_si128(reinterpret_cast<__m128i*>(sums + 8), hi);
      at = x;
      return;
    }
#endif
    if (x - at > k_ / 2) {
      std::fill(sums, sums + 16, Tally{0});
      for (int p = x + 1; p <= x + k_; ++p) Slide16(sums, column(p), kNoCounts);
    } else {
      for (int q = at + 1; q <= x; ++q) Slide16(sums, column(q + k_), column(q));
    }
    at = x;
  }

  // The answer at x: the smallest m whose count of partial values at most m
  // reaches `target`; what follows it is set up from there.
  void Search(int x, std::int64_t target) {
    BringTo(windowBelow_, coarseAt_, x, below_.data());
    const int bucket = CountBelow(windowBelow_, target) - 1;  // bucket 0's sum is 0
    const std::int64_t before = windowBelow_[bucket];
    Tally* fine = windowFine_ + bucket * 16;
    BringTo(fine, fineAt_[bucket], x, fine_.data() + FineIndex(bucket, 0));
    const int i = std::min(CountBelow(fine, target - before), 15);  // not above 15: the counts add up
    answer_ = bucket * 16 + i;
    atMostAnswer_ = before + fine[i];
    belowAnswer_ = before + (i > 0 ? fine[i - 1] : 0);
    atMostAt_ = ReadingOf(answer_);
    belowAt_ = ReadingOf(answer_ - 1);
    following_ = true;
  }

  int width_;
  int radius_;
  int k_;
  int columns_;  // padded: r + 1 on the left, r on the right
  std::int64_t rank_;
  std::int64_t pushed_ = 0;
  std::vector<std::uint8_t> history_;  // the window's k rows, a ring
  std::vector<std::uint8_t> blank_;    // a row of zeros (rows outside the buffer)
  std::vector<std::uint16_t> zeros_;   // per padded column
  std::vector<std::uint16_t> fulls_;   // per padded column
  std::vector<Bin> below_;             // per padded column, per bucket: partial values in the buckets below
  std::vector<Bin> fine_;              // per bucket and padded column (FineIndex): values at most each
  alignas(16) Tally windowBelow_[16] = {};
  alignas(16) Tally windowFine_[256] = {};
  int coarseAt_ = kStale;
  int fineAt_[16] = {};
  // The answer followed along the row and the window's partial values
  // below it and at most it.
  bool following_ = false;
  int answer_ = 0;
  std::int64_t atMostAnswer_ = 0;
  std::int64_t belowAnswer_ = 0;
  Reading atMostAt_{};
  Reading belowAt_{};
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
