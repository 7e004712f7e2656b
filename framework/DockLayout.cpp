// Rows of docked bars and the drop decision of a dragged bar.
#include "framework/DockLayout.h"

#include <algorithm>

namespace fw {
namespace {

// Each side is handled in its own coordinates: "along" the edge (x for top
// and bottom, y for left and right) and "cross", the distance inwards from
// the edge of the area.
RECT FromSideCoords(DockSide side, const RECT& area, LONG along0, LONG along1, LONG cross0, LONG cross1) {
  switch (side) {
    case DockSide::kTop: return {along0, area.top + cross0, along1, area.top + cross1};
    case DockSide::kBottom: return {along0, area.bottom - cross1, along1, area.bottom - cross0};
    case DockSide::kLeft: return {area.left + cross0, along0, area.left + cross1, along1};
    default: return {area.right - cross1, along0, area.right - cross0, along1};
  }
}

LONG CrossOf(DockSide side, const RECT& area, POINT p) {
  switch (side) {
    case DockSide::kTop: return p.y - area.top;
    case DockSide::kBottom: return area.bottom - p.y;
    case DockSide::kLeft: return p.x - area.left;
    default: return area.right - p.x;
  }
}

POINT CentreOf(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

LONG AlongOf(DockSide side, POINT p) { return IsHorizontalSide(side) ? p.x : p.y; }

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

std::int64_t OverlapArea(const RECT& a, const RECT& b) {
  LONG w = std::min(a.right, b.right) - std::max(a.left, b.left);
  LONG h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return (w > 0 && h > 0) ? static_cast<std::int64_t>(w) * h : 0;
}

// The rectangle of a bar of `size` under the cursor, held where it was
// grabbed; a grab point outside the new shape moves to its nearest edge.
RECT TrackAt(POINT cursor, POINT grab, SIZE size) {
  LONG gx = std::clamp<LONG>(grab.x, 0, std::max<LONG>(0, size.cx - 1));
  LONG gy = std::clamp<LONG>(grab.y, 0, std::max<LONG>(0, size.cy - 1));
  return {cursor.x - gx, cursor.y - gy, cursor.x - gx + size.cx, cursor.y - gy + size.cy};
}

// The band of a side where a bar docks: its rows, widened by the snap distance.
RECT DockZone(DockSide side, const RECT& area, LONG thickness) {
  LONG along0 = IsHorizontalSide(side) ? area.left : area.top;
  LONG along1 = IsHorizontalSide(side) ? area.right : area.bottom;
  return FromSideCoords(side, area, along0, along1, -kDockSnap, thickness + kDockSnap);
}

DockPlace PlaceOnSide(DockSide side, const DragQuery& q, const RECT& track) {
  const SideLayout& layout = q.sides[static_cast<std::size_t>(side)];
  POINT centre = CentreOf(track);
  LONG cross = CrossOf(side, q.dockArea, centre);
  DockPlace place;
  place.side = side;
  if (cross < 0 || layout.rows.empty()) return place;  // a new first row
  for (std::size_t r = 0; r < layout.rows.size(); ++r) {
    const RECT& band = layout.rows[r];
    LONG outer = std::min(CrossOf(side, q.dockArea, {band.left, band.top}),
                          CrossOf(side, q.dockArea, {band.right - 1, band.bottom - 1}));
    LONG inner = std::max(CrossOf(side, q.dockArea, {band.left, band.top}),
                          CrossOf(side, q.dockArea, {band.right - 1, band.bottom - 1}));
    if (cross < outer || cross > inner) continue;
    place.row = static_cast<int>(r);
    place.newRow = false;
    for (const PlacedBar& b : layout.bars) {
      if (b.row == place.row && b.id != q.barId && AlongOf(side, CentreOf(b.rect)) < AlongOf(side, centre)) {
        ++place.index;
      }
    }
    return place;
  }
  place.row = static_cast<int>(layout.rows.size());  // a new last row
  return place;
}

}  // namespace

bool IsHorizontalSide(DockSide side) { return side == DockSide::kTop || side == DockSide::kBottom; }

SideLayout LayoutSide(DockSide side, const std::vector<DockedBar>& bars, const RECT& area) {
  bool horizontal = IsHorizontalSide(side);
  LONG alongStart = horizontal ? area.left : area.top;
  LONG alongEnd = horizontal ? area.right : area.bottom;
  SideLayout out;
  LONG along = alongStart;
  LONG rowThickness = 0;
  int asked = 0;
  auto closeRow = [&] {
    out.rows.push_back(FromSideCoords(side, area, alongStart, alongEnd, out.thickness, out.thickness + rowThickness));
    out.thickness += rowThickness;
  };
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const DockedBar& bar = bars[i];
    LONG length = horizontal ? bar.size.cx : bar.size.cy;
    LONG thick = horizontal ? bar.size.cy : bar.size.cx;
    bool fits = along == alongStart || along + length <= alongEnd;
    if (i == 0 || bar.row != asked || !fits) {
      if (i != 0) closeRow();
      along = alongStart;
      rowThickness = 0;
    }
    PlacedBar placed;
    placed.id = bar.id;
    placed.row = static_cast<int>(out.rows.size());
    placed.rect = FromSideCoords(side, area, along, along + length, out.thickness, out.thickness + thick);
    out.bars.push_back(placed);
    along += length;
    rowThickness = std::max(rowThickness, thick);
    asked = bar.row;
  }
  if (!bars.empty()) closeRow();
  return out;
}

RECT AreaInside(DockSide side, const RECT& area, LONG thickness) {
  RECT r = area;
  switch (side) {
    case DockSide::kTop: r.top = std::min(area.bottom, area.top + thickness); break;
    case DockSide::kBottom: r.bottom = std::max(area.top, area.bottom - thickness); break;
    case DockSide::kLeft: r.left = std::min(area.right, area.left + thickness); break;
    default: r.right = std::max(area.left, area.right - thickness); break;
  }
  return r;
}

std::vector<SideSlot> InsertIntoSide(const std::vector<SideSlot>& bars, std::uint32_t id, const DockPlace& place) {
  std::vector<std::vector<std::uint32_t>> rows;
  for (const SideSlot& s : bars) {
    std::size_t row = static_cast<std::size_t>(std::max(0, s.row));
    if (rows.size() <= row) rows.resize(row + 1);
    if (s.id != id) rows[row].push_back(s.id);
  }
  std::size_t row = static_cast<std::size_t>(std::clamp<int>(place.row, 0, static_cast<int>(rows.size())));
  if (place.newRow || row == rows.size()) {
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(row), {id});
  } else {
    std::vector<std::uint32_t>& target = rows[row];
    int index = std::clamp<int>(place.index, 0, static_cast<int>(target.size()));
    target.insert(target.begin() + index, id);
  }
  std::vector<SideSlot> out;
  int number = 0;
  for (const std::vector<std::uint32_t>& r : rows) {
    if (r.empty()) continue;  // the row the bar left
    for (std::uint32_t barId : r) out.push_back({barId, number});
    ++number;
  }
  return out;
}

DockPlace PlaceOf(DockSide side, const SideLayout& layout, std::uint32_t id) {
  DockPlace place{side, static_cast<int>(layout.rows.size()), true, 0};
  auto it = std::find_if(layout.bars.begin(), layout.bars.end(), [&](const PlacedBar& b) { return b.id == id; });
  if (it == layout.bars.end()) return place;
  place.row = it->row;
  int others = 0;
  for (const PlacedBar& b : layout.bars) {
    if (b.row != place.row || b.id == id) continue;
    ++others;
    if (&b < &*it) ++place.index;
  }
  place.newRow = others == 0;
  return place;
}

DropDecision DecideDrop(const DragQuery& q) {
  DropDecision d;
  RECT horizontal = TrackAt(q.cursor, q.grabOffset, q.horizontalSize);
  RECT vertical = TrackAt(q.cursor, q.grabOffset, q.verticalSize);
  d.track = horizontal;
  if (q.forceFloat) return d;
  // The side under the cursor wins; else the side the rectangle overlaps most.
  const DockSide sides[] = {DockSide::kTop, DockSide::kBottom, DockSide::kLeft, DockSide::kRight};
  std::int64_t best = 0;
  for (DockSide side : sides) {
    if ((q.allowedSides & SideBit(side)) == 0) continue;
    const RECT& track = IsHorizontalSide(side) ? horizontal : vertical;
    RECT zone = DockZone(side, q.dockArea, q.sides[static_cast<std::size_t>(side)].thickness);
    std::int64_t score = Contains(zone, q.cursor) ? INT64_MAX : OverlapArea(zone, track);
    if (score <= best) continue;
    best = score;
    d.floating = false;
    d.track = track;
    d.place = PlaceOnSide(side, q, track);
  }
  return d;
}

}  // namespace fw
