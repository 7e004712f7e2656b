// Mask fragments: bounds of the set pixels, moving, point tests and copies
// between coverage windows.
#include "libs/fragment/mask_fragment.h"

#include <algorithm>
#include <cstring>

#include "libs/fragment/shape_fragments.h"

namespace lumora::frg {

namespace {

// First and last non-zero byte of a row, or false when it has none.
bool RowExtent(const std::uint8_t* row, int width, int* first, int* last) {
  int i = 0;
  // Eight bytes at a time over the zero runs.
  while (i + 8 <= width) {
    std::uint64_t word;
    std::memcpy(&word, row + i, 8);
    if (word != 0) break;
    i += 8;
  }
  while (i < width && row[i] == 0) ++i;
  if (i == width) return false;
  int j = width - 1;
  while (j >= i + 8) {
    std::uint64_t word;
    std::memcpy(&word, row + j - 7, 8);
    if (word != 0) break;
    j -= 8;
  }
  while (row[j] == 0) --j;
  *first = i;
  *last = j;
  return true;
}

}  // namespace

MaskFrg::MaskFrg(VrWA2000::WA* buffer, std::int32_t x, std::int32_t y)
    : buffer_(lumora::RefPtr<VrWA2000::WA>::Share(buffer)), x_(x), y_(y) {}

MaskFrg::MaskFrg(const MaskFrg& other)
    : Fragment(&other),
      buffer_(lumora::RefPtr<VrWA2000::WA>::Adopt(new VrWA2000::WA(*other.buffer_, true))),
      x_(other.x_),
      y_(other.y_) {}

Window MaskFrg::AsWindow() const { return Window{Rect(), buffer_->Bits(), buffer_->GetBPLine()}; }

Box MaskFrg::ShapeBounds() const {
  const int width = buffer_->GetW(), height = buffer_->GetH();
  int minX = width, maxX = -1, minY = -1, maxY = -1;
  for (int j = 0; j < height; ++j) {
    int first, last;
    if (!RowExtent(buffer_->Row(j), width, &first, &last)) continue;
    if (minY < 0) minY = j;
    maxY = j;
    minX = std::min(minX, first);
    maxX = std::max(maxX, last);
  }
  if (minY < 0) return Box{x_, y_, x_, y_};
  return Box{std::int64_t{x_} + minX, std::int64_t{y_} + minY, std::int64_t{x_} + maxX + 1,
             std::int64_t{y_} + maxY + 1};
}

bool MaskFrg::Offset(std::int64_t dx, std::int64_t dy) {
  if (!FitsInt32(x_ + dx) || !FitsInt32(y_ + dy) || !FitsInt32(x_ + dx + buffer_->GetW()) ||
      !FitsInt32(y_ + dy + buffer_->GetH())) {
    return false;
  }
  x_ = static_cast<std::int32_t>(x_ + dx);
  y_ = static_cast<std::int32_t>(y_ + dy);
  return true;
}

bool MaskFrg::ShapeContains(std::int32_t x, std::int32_t y) const {
  const std::int64_t i = std::int64_t{x} - x_, j = std::int64_t{y} - y_;
  if (i < 0 || j < 0 || i >= buffer_->GetW() || j >= buffer_->GetH()) return false;
  return buffer_->Row(static_cast<int>(j))[i] >= 128;
}

bool MaskFrg::RenderShape(const Window& w) const {
  CopyWindow(AsWindow(), w, 0);
  return true;
}

void CopyWindow(const Window& src, const Window& dst, std::uint8_t outside) {
  const Box common = src.Bounds().Intersect(dst.Bounds());
  for (int j = 0; j < dst.rect.height; ++j) {
    const std::int64_t y = std::int64_t{dst.rect.y} + j;
    if (common.Empty() || y < common.y0 || y >= common.y1) {
      std::memset(dst.Row(j), outside, static_cast<std::size_t>(dst.rect.width));
      continue;
    }
    FillOutside(dst, j, common.x0, common.x1, outside);
    std::memcpy(dst.Row(j) + (common.x0 - dst.rect.x),
                src.Row(static_cast<int>(y - src.rect.y)) + (common.x0 - src.rect.x),
                static_cast<std::size_t>(common.x1 - common.x0));
  }
}

}  // namespace lumora::frg
