// The render queue's cell grid: indexes, cell rectangles, splitting and the
// visible-cell range of a view.
#include "view/CellGrid.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/rect.h"

namespace lumora {

int CellPriority::GroupOf(int index) const {
  const int groups = RowGroups();
  if (groups == 0 || columns <= 0 || index < 0) return groups;
  const int row = index / columns;
  const int col = index % columns;
  if (row < rowMin || row > rowMax || col < colMin || col > colMax) return groups;
  return row - rowMin;
}

void CellGrid::SetSize(LONG width, LONG height) {
  width_ = std::max<LONG>(width, 0);
  height_ = std::max<LONG>(height, 0);
  const std::int64_t columns = (std::int64_t{width_} + kCellSize - 1) / kCellSize;
  const std::int64_t rows = (std::int64_t{height_} + kCellSize - 1) / kCellSize;
  if (columns * rows > std::numeric_limits<std::int32_t>::max()) {
    width_ = height_ = 0;
    columns_ = rows_ = 0;
    return;
  }
  columns_ = static_cast<int>(columns);
  rows_ = static_cast<int>(rows);
}

int CellGrid::IndexOfPoint(LONG x, LONG y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
  const int row = (height_ - 1 - y) / kCellSize;
  const int col = x / kCellSize;
  return row * columns_ + col;
}

int CellGrid::IndexOf(const RECT& piece) const {
  if (RectIsEmpty(piece)) return -1;
  // The bottom-left pixel decides: (left, bottom - 1).
  return IndexOfPoint(piece.left, piece.bottom - 1);
}

RECT CellGrid::CellRect(int index) const {
  if (index < 0 || index >= Count()) return RECT{0, 0, 0, 0};
  const LONG col = index % columns_;
  const LONG row = index / columns_;
  const LONG bottom = height_ - row * kCellSize;
  return RECT{col * kCellSize, std::max<LONG>(0, bottom - kCellSize),
              std::min<LONG>(width_, (col + 1) * kCellSize), bottom};
}

void CellGrid::Split(const RECT& rect, std::vector<MapRectCell>* out) const {
  RECT clipped;
  if (!RectIntersect(&clipped, rect, ImageRect())) return;
  const int rowFirst = (height_ - clipped.bottom) / kCellSize;
  const int rowLast = (height_ - 1 - clipped.top) / kCellSize;
  const int colFirst = clipped.left / kCellSize;
  const int colLast = (clipped.right - 1) / kCellSize;
  for (int row = rowFirst; row <= rowLast; ++row) {
    const LONG cellBottom = height_ - row * kCellSize;
    const LONG top = std::max(clipped.top, cellBottom - kCellSize);
    const LONG bottom = std::min(clipped.bottom, cellBottom);
    for (int col = colFirst; col <= colLast; ++col) {
      const LONG left = std::max<LONG>(clipped.left, col * kCellSize);
      const LONG right = std::min<LONG>(clipped.right, (col + 1) * kCellSize);
      out->push_back(MapRectCell{row * columns_ + col, RECT{left, top, right, bottom}});
    }
  }
}

CellPriority CellGrid::PriorityFor(const RECT& visible) const {
  CellPriority priority;
  priority.columns = columns_;
  RECT shown;
  if (!RectIntersect(&shown, visible, ImageRect())) return priority;
  priority.colMin = shown.left / kCellSize;
  priority.colMax = (shown.right - 1) / kCellSize;
  priority.rowMin = (height_ - shown.bottom) / kCellSize;
  priority.rowMax = (height_ - shown.top - 1) / kCellSize;
  return priority;
}

PackedCellRect PackCellRect(const RECT& rect) {
  auto word = [](LONG v) { return static_cast<std::uint32_t>(v) & 0xFFFFu; };
  return PackedCellRect{(word(rect.top) << 16) | word(rect.left),
                        (word(rect.bottom) << 16) | word(rect.right)};
}

RECT UnpackCellRect(std::uint32_t wParam, std::uint32_t lParam) {
  return RECT{static_cast<LONG>(wParam & 0xFFFFu), static_cast<LONG>(wParam >> 16),
              static_cast<LONG>(lParam & 0xFFFFu), static_cast<LONG>(lParam >> 16)};
}

}  // namespace lumora
