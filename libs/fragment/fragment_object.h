// The fragment object behind the library's handles: reference count,
// inversion, smoothing settings, and the virtual operations every shape
// provides (bounds, moving, point test, rendering its coverage).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "hostapi/fragment.h"

namespace lumora::frg {

// A half-open box in 64 bits, so that sums of 32-bit coordinates and sizes
// never wrap.
struct Box {
  std::int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

  bool Empty() const { return x1 <= x0 || y1 <= y0; }
  static Box Of(const LURECT& r) {
    return Box{r.x, r.y, std::int64_t{r.x} + r.width, std::int64_t{r.y} + r.height};
  }
  Box Grown(std::int64_t dx, std::int64_t dy) const {
    return Box{x0 - dx, y0 - dy, x1 + dx, y1 + dy};
  }
  Box Intersect(const Box& o) const;
  // Union that ignores empty operands.
  Box Union(const Box& o) const;
  // The library rectangle; an empty box keeps its origin with size 0.
  LURECT ToLURect() const;
};

// A window of 8-bit coverage: pixel (x, y) of the plane is byte
// x - rect.x of row y - rect.y, rows `stride` bytes apart.
struct Window {
  LURECT rect;
  std::uint8_t* base;
  std::ptrdiff_t stride;

  std::uint8_t* Row(int j) const { return base + static_cast<std::ptrdiff_t>(j) * stride; }
  Box Bounds() const { return Box::Of(rect); }
  void Fill(std::uint8_t value) const;
};

// Writes `value` to the columns of the window outside [from, to) of row j.
void FillOutside(const Window& w, int j, std::int64_t from, std::int64_t to, std::uint8_t value);

}  // namespace lumora::frg

// The handle type of hostapi/fragment.h.
class Fragment {
 public:
  Fragment(const Fragment&) = delete;
  Fragment& operator=(const Fragment&) = delete;

  void AddRef() const noexcept { refCount_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const noexcept;

  virtual int Type() const = 0;
  // A deep copy with the same inversion and smoothing settings.
  virtual Fragment* Clone() const = 0;
  // Where the shape's coverage may differ from ShapeOutside().
  virtual lumora::frg::Box ShapeBounds() const = 0;
  // The shape's coverage far away: 0, or 255 for a complex fragment whose
  // combination selects everything outside its items.
  virtual std::uint8_t ShapeOutside() const { return 0; }
  // Moves the shape; false (and nothing moved) when a coordinate would leave
  // the 32-bit range.
  virtual bool Offset(std::int64_t dx, std::int64_t dy) = 0;
  // Whether the shape covers the pixel (the point test of PointInFragment).
  virtual bool ShapeContains(std::int32_t x, std::int32_t y) const = 0;
  // Writes the shape's coverage into every pixel of the window. False when
  // memory for temporaries ran out.
  virtual bool RenderShape(const lumora::frg::Window& w) const = 0;
  // Nesting depth of complex fragments (0 for the simple shapes).
  virtual int Depth() const { return 0; }

  // The shape's coverage with the inversion applied.
  bool RenderSelection(const lumora::frg::Window& w) const;
  bool SelectionContains(std::int32_t x, std::int32_t y) const {
    return ShapeContains(x, y) != inverted_;
  }

  bool Inverted() const { return inverted_; }
  void SetInverted(bool inverted);

  int SmoothDegree() const { return smoothDegree_; }
  int SmoothType() const { return smoothType_; }
  void SetSmoothEdge(int degree, int type, void* window);
  void TerminateSmoothing();
  void EnableSwapping(bool enable);
  int SmoothAccessDepth() const { return smoothAccess_.load(std::memory_order_relaxed); }
  void BeginSmoothAccess() { smoothAccess_.fetch_add(1, std::memory_order_relaxed); }
  void EndSmoothAccess();

  // The smooth mask kept while swapping is off (a copy for the caller), or
  // null; and storing one.
  Fragment* CachedSmoothMask() const;
  void KeepSmoothMask(const Fragment* mask) const;

  // Every change of the shape calls this: cached results no longer hold.
  void Changed();

 protected:
  Fragment() = default;
  // Copies inversion and smoothing settings (not the count, window or cache).
  explicit Fragment(const Fragment* settingsFrom);
  virtual ~Fragment();

 private:
  mutable std::atomic<std::int32_t> refCount_{1};
  bool inverted_ = false;
  int smoothDegree_ = 0;
  int smoothType_ = 0;
  void* smoothWindow_ = nullptr;
  bool swapping_ = true;
  std::atomic<int> smoothAccess_{0};
  mutable std::mutex cacheMutex_;
  mutable Fragment* smoothCache_ = nullptr;
};
