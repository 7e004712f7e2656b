// The render queue's cell grid: indexes, cell rectangles, splitting and the
// visible-cell range of a view.
#include "engine/render/CellGrid.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/rect.h"

namespace lumora {

namespace {

// The end (exclusive) of cell `i` along an axis of `extent` pixels; 64-bit
// so that the last cell of an image near 2^31 pixels does not overflow.
LONG CellEnd(int i, LONG extent) {
  return static_cast<LONG>(std::min<std::int64_t>(extent, (std::int64_t{i} + 1) * CellGrid::kCellSize));
}

}  // namespace

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
  const int row = y / kCellSize;
  const int col = x / kCellSize;
  return row * columns_ + col;
}

int CellGrid::IndexOf(const RECT& piece) const {
  if (RectIsEmpty(piece)) return -1;
  // The bottom-left pixel on screen decides.
  return IndexOfPoint(piece.left, piece.top);
}

RECT CellGrid::CellRect(int index) const {
  if (index < 0 || index >= Count()) return RECT{0, 0, 0, 0};
  const LONG col = index % columns_;
  const LONG row = index / columns_;
  return RECT{col * kCellSize, row * kCellSize, CellEnd(col, width_), CellEnd(row, height_)};
}

void CellGrid::Split(const RECT& rect, std::vector<MapRectCell>* out) const {
  RECT clipped;
  if (!RectIntersect(&clipped, rect, ImageRect())) return;
  const int rowFirst = clipped.top / kCellSize;
  const int rowLast = (clipped.bottom - 1) / kCellSize;
  const int colFirst = clipped.left / kCellSize;
  const int colLast = (clipped.right - 1) / kCellSize;
  for (int row = rowFirst; row <= rowLast; ++row) {
    const LONG top = std::max<LONG>(clipped.top, row * kCellSize);
    const LONG bottom = std::min(clipped.bottom, CellEnd(row, height_));
    for (int col = colFirst; col <= colLast; ++col) {
      const LONG left = std::max<LONG>(clipped.left, col * kCellSize);
      const LONG right = std::min(clipped.right, CellEnd(col, width_));
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
  priority.rowMin = shown.top / kCellSize;
  priority.rowMax = (shown.bottom - 1) / kCellSize;
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
