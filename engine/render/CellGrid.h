// The render queue's grid of 256 x 256 cells over an image, aligned to the
// image's left and bottom edges, and the packing of a piece rectangle into
// the two 32-bit words of the "cell done" message.
//
// Rectangles and points are in the image coordinates of the engine, the
// document and the view's mapping: x grows to the right, y counts rows
// upward from the image's bottom row (row 0), and a rectangle's `top` is its
// smaller y, its lower edge on screen. So cell row r covers y 256 r up to
// 256 r + 255 (the top row stops at the image height and may be shorter),
// and the bottom row of cells is always a full 256 pixels high.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32types.h"

namespace lumora {

// A piece of damage: the part of one cell that needs compositing, in image
// pixels (y upward from the bottom row, right and bottom exclusive).
struct MapRectCell {
  std::int32_t index = -1;  // row * columns + column; -1 for none
  RECT rect{0, 0, 0, 0};
};

// The visible cells of a view: columns colMin..colMax and rows rowMin..rowMax
// (rows counted from the bottom). Empty when no cell is visible.
struct CellPriority {
  int columns = 0;
  int colMin = 0;
  int colMax = -1;
  int rowMin = 0;
  int rowMax = -1;

  bool Empty() const { return colMax < colMin || rowMax < rowMin; }
  // Number of visible rows; the pieces of invisible cells form one more
  // group after them.
  int RowGroups() const { return Empty() ? 0 : rowMax - rowMin + 1; }
  // 0 for the lowest visible row and upwards, RowGroups() for every other
  // cell.
  int GroupOf(int index) const;
  friend bool operator==(const CellPriority&, const CellPriority&) = default;
};

class CellGrid {
 public:
  static constexpr LONG kCellSize = 256;

  // A negative size counts as 0; a size whose cell count would not fit a
  // 32-bit index gives no cells.
  void SetSize(LONG width, LONG height);

  LONG Width() const { return width_; }
  LONG Height() const { return height_; }
  int Columns() const { return columns_; }
  int Rows() const { return rows_; }
  int Count() const { return columns_ * rows_; }
  RECT ImageRect() const { return RECT{0, 0, width_, height_}; }

  // Index of the cell that holds a piece (the cell of its bottom-left
  // pixel on screen, (left, top)); -1 for an empty rectangle or one outside
  // the image.
  int IndexOf(const RECT& piece) const;
  // Index of the cell holding pixel (x, y); -1 outside the image.
  int IndexOfPoint(LONG x, LONG y) const;
  // The cell's rectangle in image pixels; the top row may be shorter.
  RECT CellRect(int index) const;

  // Appends the pieces of `rect` clipped to the image: row band by row band
  // from the band holding the rectangle's lower edge on screen (its `top`)
  // upwards, and left to right within a band.
  void Split(const RECT& rect, std::vector<MapRectCell>* out) const;

  // The visible cells of a view showing `visible` (image coordinates; the
  // part outside the image is ignored).
  CellPriority PriorityFor(const RECT& visible) const;

 private:
  LONG width_ = 0;
  LONG height_ = 0;
  int columns_ = 0;
  int rows_ = 0;
};

// The rectangle as the two words of the "cell done" message:
// wParam = top << 16 | left, lParam = bottom << 16 | right, 16 bits each.
// Coordinates must lie in 0..65535 to survive the trip.
struct PackedCellRect {
  std::uint32_t wParam = 0;
  std::uint32_t lParam = 0;
};

PackedCellRect PackCellRect(const RECT& rect);
RECT UnpackCellRect(std::uint32_t wParam, std::uint32_t lParam);

}  // namespace lumora
