// Kept pixels of earlier draws and the rects that are still valid.
#include "libs/draw/pixel_cache.h"

#include <algorithm>
#include <cstring>

#include "platform/rect.h"

namespace lumora::draw {

// Beyond this many pieces the bookkeeping costs more than it saves.
constexpr std::size_t kMaxValidRects = 64;

void SubtractRect(const RECT& from, const RECT& cut, std::vector<RECT>* out) {
  RECT overlap;
  if (!RectIntersect(&overlap, from, cut)) {
    if (!RectIsEmpty(from)) out->push_back(from);
    return;
  }
  RECT parts[4];
  GetBorderRects(from, overlap, &parts[0], &parts[1], &parts[2], &parts[3]);
  for (const RECT& p : parts) {
    if (!RectIsEmpty(p)) out->push_back(p);
  }
}

void PixelCache::Place(const RECT& area) {
  if (RectsEqual(area, area_)) return;
  const std::ptrdiff_t width = area.right - area.left, height = area.bottom - area.top;
  std::unique_ptr<std::uint32_t[]> moved(new std::uint32_t[static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, width * height))]);
  std::vector<RECT> kept;
  for (const RECT& r : valid_) {
    RECT inside;
    if (!RectIntersect(&inside, r, area)) continue;
    for (LONG y = inside.top; y < inside.bottom; ++y) {
      std::memcpy(moved.get() + (y - area.top) * width + (inside.left - area.left), At(inside.left, y),
                  static_cast<std::size_t>(inside.right - inside.left) * 4);
    }
    kept.push_back(inside);
  }
  area_ = area;
  pixels_.swap(moved);
  valid_.swap(kept);
}

std::vector<RECT> PixelCache::Missing(const RECT& need) const {
  std::vector<RECT> pieces;
  if (!RectIsEmpty(need)) pieces.push_back(need);
  for (const RECT& v : valid_) {
    std::vector<RECT> next;
    for (const RECT& p : pieces) SubtractRect(p, v, &next);
    pieces.swap(next);
    if (pieces.empty()) break;
  }
  return pieces;
}

void PixelCache::MarkValid(const RECT& r) {
  if (RectIsEmpty(r)) return;
  if (valid_.size() >= kMaxValidRects) {
    // Keep the newest piece only: the others are computed again when needed.
    valid_.clear();
  }
  valid_.push_back(r);
}

void PixelCache::Invalidate(const RECT& r) {
  std::vector<RECT> next;
  for (const RECT& v : valid_) SubtractRect(v, r, &next);
  valid_.swap(next);
  if (valid_.size() > kMaxValidRects) valid_.clear();
}

}  // namespace lumora::draw
