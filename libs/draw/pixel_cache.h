// The pixels of the last draws, kept in coordinates relative to the image's
// window origin (so scrolling keeps them), with the list of valid rects.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win32types.h"

namespace lumora::draw {

class PixelCache {
 public:
  // Forgets every pixel.
  void Drop() { valid_.clear(); }
  // Makes the surface cover `area`, keeping the valid pixels inside it.
  void Place(const RECT& area);
  const RECT& Area() const { return area_; }
  // `need` (inside the area) minus the valid rects.
  std::vector<RECT> Missing(const RECT& need) const;
  void MarkValid(const RECT& r);
  // Pixels of `r` became stale.
  void Invalidate(const RECT& r);
  bool Empty() const { return valid_.empty(); }

  std::uint32_t* At(LONG x, LONG y) {
    return pixels_.get() + static_cast<std::ptrdiff_t>(y - area_.top) * Stride() + (x - area_.left);
  }
  std::ptrdiff_t Stride() const { return area_.right - area_.left; }

 private:
  RECT area_{0, 0, 0, 0};
  // Left uninitialised: only valid rects are read, and a whole image at a
  // high zoom is far larger than the pieces a window ever shows. Filling it
  // would touch every page of it on each zoom change.
  std::unique_ptr<std::uint32_t[]> pixels_;
  std::vector<RECT> valid_;  // disjoint
};

// `from` minus `cut` as up to four disjoint rects appended to `out`.
void SubtractRect(const RECT& from, const RECT& cut, std::vector<RECT>* out);

}  // namespace lumora::draw
