// Where docked control bars go: rows of bars along each side of a frame, and
// the decision where a dragged bar lands (which side, which row, before
// which bar, or floating) together with the rectangle shown while dragging.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/BarState.h"
#include "platform/win32types.h"

namespace fw {

bool IsHorizontalSide(DockSide side);

// A docked bar as the layout sees it: its size laid out for its side and
// the row it asks for. Bars asking for the same row share it as they fit.
struct DockedBar {
  std::uint32_t id = 0;
  SIZE size{0, 0};
  int row = 0;
};

struct PlacedBar {
  std::uint32_t id = 0;
  RECT rect{0, 0, 0, 0};
  int row = 0;  // the row it was laid out in, counted from the frame's edge
};

struct SideLayout {
  std::vector<PlacedBar> bars;  // in order: row by row, along each row
  std::vector<RECT> rows;       // the band of each row, from the frame's edge inwards
  LONG thickness = 0;           // of all rows together
};

// Lays the bars of `side` (in their order) into rows along the edge of
// `area`: the first row at the edge, each bar after the previous one; a bar
// starts a new row where it asks for another row or no longer fits.
SideLayout LayoutSide(DockSide side, const std::vector<DockedBar>& bars, const RECT& area);
// `area` less the band the side's rows take.
RECT AreaInside(DockSide side, const RECT& area, LONG thickness);

// Where a bar goes on a side: into row `row` before the bar at `index` of
// that row, or (`newRow`) into a row of its own inserted before row `row`.
struct DockPlace {
  DockSide side = DockSide::kTop;
  int row = 0;
  bool newRow = true;
  int index = 0;
};

struct SideSlot {
  std::uint32_t id = 0;
  int row = 0;
};

// The bars of a side in order with their rows (numbered from 0 without gaps)
// after `id` is put at `place`; `id` is first taken out if it was there.
std::vector<SideSlot> InsertIntoSide(const std::vector<SideSlot>& bars, std::uint32_t id, const DockPlace& place);

// Where bar `id` sits in `layout`: its row, its index in the row, and
// whether it has the row to itself (putting it back then makes the row
// again). A bar not there goes into a new last row.
DockPlace PlaceOf(DockSide side, const SideLayout& layout, std::uint32_t id);

// How close (pixels) a dragged bar must come to a side's bars, or to the
// edge of an empty side, to dock there.
constexpr LONG kDockSnap = 16;

struct DragQuery {
  POINT cursor{0, 0};      // screen
  POINT grabOffset{0, 0};  // cursor less the bar's top-left when the drag began
  SIZE horizontalSize{0, 0};  // the bar laid out along a top or bottom side (and floating)
  SIZE verticalSize{0, 0};    // along a left or right side
  std::uint32_t barId = 0;
  RECT dockArea{0, 0, 0, 0};  // screen: the part of the frame the rows share
  std::array<SideLayout, 4> sides;  // screen, indexed by DockSide
  std::uint32_t allowedSides = 0;   // bit (1 << DockSide) per side the bar may dock to
  bool forceFloat = false;          // the user holds the key that keeps the bar floating
};

struct DropDecision {
  bool floating = true;
  DockPlace place;
  RECT track{0, 0, 0, 0};  // screen: the rectangle shown while dragging; where a floating bar goes
};

DropDecision DecideDrop(const DragQuery& query);

constexpr std::uint32_t SideBit(DockSide side) { return 1u << static_cast<unsigned>(side); }

}  // namespace fw
