// The selection's marching ants: which window pixels of a view lie on the
// selection's edge at the view's zoom and scroll position, and their
// black-and-white dashes at each phase of the animation.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32types.h"

class Fragment;

namespace lumora {

// A selection's coverage over the whole image (rows from the bottom, as
// every image buffer), 0 .. 255.
struct SelectionCoverage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bits;  // empty: nothing selected
  bool Selected(int x, int y) const { return !bits.empty() && bits[static_cast<std::size_t>(y) * width + x] >= 128; }
};

// The coverage of a fragment over a width x height image (inversion
// included); false when the fragment cannot be rendered.
bool SelectionCoverageOf(const Fragment* selection, int width, int height, SelectionCoverage* out);

// The image column shown by each window column and the image row shown by
// each window row, -1 outside the image, for window columns -1 .. width and
// rows -1 .. height (index 0 is the column or row -1).
struct WindowSampling {
  std::vector<int> columns;
  std::vector<int> rows;
  bool operator==(const WindowSampling&) const = default;
};

class SelectionEdge {
 public:
  // The window pixels that show selected image pixels (coverage 128 or
  // more) next to one that does not (or to no image) on a side.
  void Build(const SelectionCoverage& coverage, const WindowSampling& sampling);
  void Clear() { pixels_.clear(); }
  // In window coordinates, row by row from the top, left to right.
  const std::vector<POINT>& Pixels() const { return pixels_; }
  bool Empty() const { return pixels_.empty(); }
  // Dashes 4 pixels on, 4 off along rows and columns; each phase step
  // moves them one pixel.
  static bool IsBlack(POINT p, int phase) { return ((p.x + p.y + phase) & 7) < 4; }
  // The edge pixels of one colour at a phase as horizontal runs (window
  // rects, banded as a region wants them).
  std::vector<RECT> Runs(int phase, bool black) const;
  // Every edge pixel as horizontal runs.
  std::vector<RECT> AllRuns() const;
  // The same with the rows whose runs are alike joined into bands (runs
  // taller than a pixel): far fewer rects for a region to fill.
  std::vector<RECT> AllRunsBanded() const;

 private:
  // which: 0 white, 1 black, 2 both.
  std::vector<RECT> RunsOf(int phase, int which) const;
  std::vector<POINT> pixels_;
};

}  // namespace lumora
