// The fragment object: counting, inversion, smoothing settings and the
// cached smooth mask.
#include "libs/fragment/fragment_object.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace lumora::frg {

Box Box::Intersect(const Box& o) const {
  Box r{std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
  return r.Empty() ? Box{} : r;
}

Box Box::Union(const Box& o) const {
  if (Empty()) return o.Empty() ? Box{} : o;
  if (o.Empty()) return *this;
  return Box{std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
}

LURECT Box::ToLURect() const {
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::int64_t x = std::clamp(x0, kMin, kMax);
  const std::int64_t y = std::clamp(y0, kMin, kMax);
  if (Empty()) return LURECT{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0, 0};
  return LURECT{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                static_cast<std::int32_t>(std::min(x1 - x, kMax)),
                static_cast<std::int32_t>(std::min(y1 - y, kMax))};
}

void Window::Fill(std::uint8_t value) const {
  for (int j = 0; j < rect.height; ++j)
    std::memset(Row(j), value, static_cast<std::size_t>(rect.width));
}

void FillOutside(const Window& w, int j, std::int64_t from, std::int64_t to, std::uint8_t value) {
  const std::int64_t a = std::clamp<std::int64_t>(from - w.rect.x, 0, w.rect.width);
  const std::int64_t b = std::clamp<std::int64_t>(to - w.rect.x, a, w.rect.width);
  std::uint8_t* row = w.Row(j);
  std::memset(row, value, static_cast<std::size_t>(a));
  std::memset(row + b, value, static_cast<std::size_t>(w.rect.width - b));
}

}  // namespace lumora::frg

Fragment::Fragment(const Fragment* settingsFrom)
    : inverted_(settingsFrom->inverted_),
      smoothDegree_(settingsFrom->smoothDegree_),
      smoothType_(settingsFrom->smoothType_) {}

Fragment::~Fragment() {
  if (smoothCache_ != nullptr) smoothCache_->Release();
}

void Fragment::Release() const noexcept {
  if (refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

bool Fragment::RenderSelection(const lumora::frg::Window& w) const {
  if (!RenderShape(w)) return false;
  if (inverted_) {
    for (int j = 0; j < w.rect.height; ++j) {
      std::uint8_t* row = w.Row(j);
      for (int i = 0; i < w.rect.width; ++i) row[i] = static_cast<std::uint8_t>(255 - row[i]);
    }
  }
  return true;
}

void Fragment::SetInverted(bool inverted) {
  inverted_ = inverted;
  Changed();
}

void Fragment::SetSmoothEdge(int degree, int type, void* window) {
  smoothDegree_ = std::clamp(degree, 0, kFrgMaxSmoothDegree);
  smoothType_ = type;
  smoothWindow_ = window;
  Changed();
}

void Fragment::TerminateSmoothing() {
  smoothWindow_ = nullptr;
  Changed();
}

void Fragment::EnableSwapping(bool enable) {
  swapping_ = enable;
  if (enable) Changed();
}

void Fragment::EndSmoothAccess() {
  int depth = smoothAccess_.load(std::memory_order_relaxed);
  while (depth > 0 &&
         !smoothAccess_.compare_exchange_weak(depth, depth - 1, std::memory_order_relaxed)) {
  }
}

Fragment* Fragment::CachedSmoothMask() const {
  std::lock_guard<std::mutex> guard(cacheMutex_);
  return smoothCache_ != nullptr ? smoothCache_->Clone() : nullptr;
}

void Fragment::KeepSmoothMask(const Fragment* mask) const {
  // A mask's buffer can be changed through GetMaskWA behind the fragment's
  // back, so only the other shapes keep what was computed for them.
  if (swapping_ || Type() == kFrgMask || mask == nullptr) return;
  Fragment* copy = nullptr;
  try {
    copy = mask->Clone();
  } catch (const std::bad_alloc&) {
    return;  // keeping a copy is only a saving
  }
  std::lock_guard<std::mutex> guard(cacheMutex_);
  if (smoothCache_ != nullptr) smoothCache_->Release();
  smoothCache_ = copy;
}

void Fragment::Changed() {
  std::lock_guard<std::mutex> guard(cacheMutex_);
  if (smoothCache_ != nullptr) {
    smoothCache_->Release();
    smoothCache_ = nullptr;
  }
}
