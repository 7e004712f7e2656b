// Minimum and maximum over a sliding window in time independent of the
// window's size (van Herk / Gil-Werman): along a row by prefix and suffix
// extremes in blocks of k, and down whole rows the same way.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumora::kernels {

struct MaxOp {
  static std::uint8_t Apply(std::uint8_t a, std::uint8_t b) { return a > b ? a : b; }
};
struct MinOp {
  static std::uint8_t Apply(std::uint8_t a, std::uint8_t b) { return a < b ? a : b; }
};

// out[x] = Op over in[x .. x + k - 1] for x < n; `in` holds n + k - 1 values.
template <class Op>
void SlidingExtreme(const std::uint8_t* in, int n, int k, std::uint8_t* out, std::uint8_t* g,
                    std::uint8_t* h) {
  const int length = n + k - 1;
  for (int start = 0; start < length; start += k) {
    const int end = std::min(start + k, length);
    g[start] = in[start];
    for (int i = start + 1; i < end; ++i) g[i] = Op::Apply(g[i - 1], in[i]);
    h[end - 1] = in[end - 1];
    for (int i = end - 2; i >= start; --i) h[i] = Op::Apply(h[i + 1], in[i]);
  }
  for (int x = 0; x < n; ++x) out[x] = Op::Apply(h[x], g[x + k - 1]);
}

// Reduces whole rows down a window of the last k rows pushed. Rows come in
// blocks of k: the current block's rows and running prefix, and the
// previous block's suffix extremes, give any window as the extreme of one
// suffix row and the prefix.
template <class Op>
class ColumnExtreme {
 public:
  ColumnExtreme(int width, int k)
      : width_(width),
        k_(k),
        current_(static_cast<std::size_t>(width) * k),
        previous_(static_cast<std::size_t>(width) * k),
        prefix_(static_cast<std::size_t>(width)) {}

  void Push(const std::uint8_t* row) {
    const int j = static_cast<int>(pushed_ % k_);
    std::memcpy(Current(j), row, static_cast<std::size_t>(width_));
    std::uint8_t* prefix = prefix_.data();
    if (j == 0) {
      std::memcpy(prefix, row, static_cast<std::size_t>(width_));
    } else {
      for (int x = 0; x < width_; ++x) prefix[x] = Op::Apply(prefix[x], row[x]);
    }
    if (j == k_ - 1) {
      // The block is complete: its suffix extremes replace the old block's.
      std::memcpy(Previous(k_ - 1), Current(k_ - 1), static_cast<std::size_t>(width_));
      for (int i = k_ - 2; i >= 0; --i) {
        const std::uint8_t* next = Previous(i + 1);
        const std::uint8_t* cur = Current(i);
        std::uint8_t* out = Previous(i);
        for (int x = 0; x < width_; ++x) out[x] = Op::Apply(next[x], cur[x]);
      }
    }
    ++pushed_;
  }

  // The extreme of the last k rows pushed.
  void Output(std::uint8_t* out) const {
    const int js = static_cast<int>((pushed_ - k_) % k_);
    const std::uint8_t* prefix = prefix_.data();
    if (js == 0) {
      std::memcpy(out, prefix, static_cast<std::size_t>(width_));
      return;
    }
    const std::uint8_t* suffix = Previous(js);
    for (int x = 0; x < width_; ++x) out[x] = Op::Apply(suffix[x], prefix[x]);
  }

 private:
  std::uint8_t* Current(int i) { return current_.data() + static_cast<std::size_t>(i) * width_; }
  std::uint8_t* Previous(int i) { return previous_.data() + static_cast<std::size_t>(i) * width_; }
  const std::uint8_t* Previous(int i) const {
    return previous_.data() + static_cast<std::size_t>(i) * width_;
  }

  int width_;
  int k_;
  std::int64_t pushed_ = 0;
  std::vector<std::uint8_t> current_;
  std::vector<std::uint8_t> previous_;
  std::vector<std::uint8_t> prefix_;
};

}  // namespace lumora::kernels
