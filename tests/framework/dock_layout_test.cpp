// Rows of docked bars and where a dragged bar lands.
#include <gtest/gtest.h>

#include "framework/DockLayout.h"

namespace {

using fw::DockSide;

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r) {
  return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "}";
}

constexpr RECT kArea{0, 0, 800, 600};

TEST(DockLayout, BarsShareRowsAsTheyFitAndBreakWhereAsked) {
  struct Case {
    const char* name;
    DockSide side;
    std::vector<fw::DockedBar> bars;
    std::vector<RECT> expected;
    LONG thickness;
  };
  const Case cases[] = {
      {"top: two fit, the third wraps", DockSide::kTop, {{1, {300, 30}, 0}, {2, {300, 26}, 0}, {3, {300, 30}, 0}},
       {{0, 0, 300, 30}, {300, 0, 600, 26}, {0, 30, 300, 60}}, 60},
      {"top: a row asked for", DockSide::kTop, {{1, {300, 30}, 0}, {2, {100, 20}, 1}}, {{0, 0, 300, 30}, {0, 30, 100, 50}}, 50},
      {"bottom: rows grow upwards", DockSide::kBottom, {{1, {300, 30}, 0}, {2, {100, 20}, 1}},
       {{0, 570, 300, 600}, {0, 550, 100, 570}}, 50},
      {"left: along y, rows inwards", DockSide::kLeft, {{1, {30, 300}, 0}, {2, {26, 300}, 0}, {3, {30, 100}, 0}},
       {{0, 0, 30, 300}, {0, 300, 26, 600}, {30, 0, 60, 100}}, 60},
      {"right: from the right edge", DockSide::kRight, {{1, {30, 300}, 0}, {2, {20, 100}, 0}},
       {{770, 0, 800, 300}, {780, 300, 800, 400}}, 30},
      {"a bar longer than the side gets a row of its own", DockSide::kTop, {{1, {900, 30}, 0}, {2, {100, 30}, 0}},
       {{0, 0, 900, 30}, {0, 30, 100, 60}}, 60},
      {"no bars", DockSide::kLeft, {}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fw::SideLayout layout = fw::LayoutSide(c.side, c.bars, kArea);
    ASSERT_EQ(layout.bars.size(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(layout.bars[i].id, c.bars[i].id);
      EXPECT_TRUE(Same(layout.bars[i].rect, c.expected[i])) << i << ": " << Show(layout.bars[i].rect);
    }
    EXPECT_EQ(layout.thickness, c.thickness);
    RECT inside = fw::AreaInside(c.side, kArea, layout.thickness);
    EXPECT_EQ((inside.right - inside.left) * (inside.bottom - inside.top),
              (fw::IsHorizontalSide(c.side) ? 800 * (600 - c.thickness) : 600 * (800 - c.thickness)));
  }
}

TEST(DockLayout, InsertingKeepsTheOrderAndRenumbersRows) {
  const std::vector<fw::SideSlot> bars = {{1, 0}, {2, 0}, {3, 1}};
  struct Case {
    const char* name;
    std::uint32_t id;
    fw::DockPlace place;
    std::vector<fw::SideSlot> expected;
  };
  const Case cases[] = {
      {"into a row", 4, {DockSide::kTop, 0, false, 1}, {{1, 0}, {4, 0}, {2, 0}, {3, 1}}},
      {"a new row between", 4, {DockSide::kTop, 1, true, 0}, {{1, 0}, {2, 0}, {4, 1}, {3, 2}}},
      {"a bar leaves its row empty", 3, {DockSide::kTop, 0, false, 0}, {{3, 0}, {1, 0}, {2, 0}}},
      {"a bar moves to a new first row", 1, {DockSide::kTop, 0, true, 0}, {{1, 0}, {2, 1}, {3, 2}}},
      {"within its own row, counted without it", 2, {DockSide::kTop, 0, false, 0}, {{2, 0}, {1, 0}, {3, 1}}},
      {"a row past the last appends one", 4, {DockSide::kTop, 9, false, 0}, {{1, 0}, {2, 0}, {3, 1}, {4, 2}}},
      {"an index past the end appends", 4, {DockSide::kTop, 1, false, 7}, {{1, 0}, {2, 0}, {3, 1}, {4, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<fw::SideSlot> out = fw::InsertIntoSide(bars, c.id, c.place);
    ASSERT_EQ(out.size(), c.expected.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
      EXPECT_EQ(out[i].id, c.expected[i].id) << i;
      EXPECT_EQ(out[i].row, c.expected[i].row) << i;
    }
  }
  EXPECT_EQ(fw::InsertIntoSide({}, 5, {DockSide::kLeft, 3, false, 2}).size(), 1u);
}

// A bar taken out and put back where PlaceOf saw it is where it was.
TEST(DockLayout, PlaceOfPutsABarBackWhereItWas) {
  const std::vector<fw::DockedBar> bars = {{1, {300, 30}, 0}, {2, {300, 30}, 0}, {3, {300, 30}, 1}, {4, {300, 30}, 2}};
  fw::SideLayout layout = fw::LayoutSide(DockSide::kTop, bars, kArea);
  std::vector<fw::SideSlot> slots;
  for (const fw::PlacedBar& p : layout.bars) slots.push_back({p.id, p.row});
  for (std::uint32_t id : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(id);
    fw::DockPlace place = fw::PlaceOf(DockSide::kTop, layout, id);
    std::vector<fw::SideSlot> without;
    for (const fw::SideSlot& s : fw::InsertIntoSide(slots, id, {DockSide::kTop, 99, true, 0})) {
      if (s.id != id) without.push_back(s);
    }
    std::vector<fw::SideSlot> back = fw::InsertIntoSide(without, id, place);
    ASSERT_EQ(back.size(), slots.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
      EXPECT_EQ(back[i].id, slots[i].id);
      EXPECT_EQ(back[i].row, slots[i].row);
    }
  }
  EXPECT_TRUE(fw::PlaceOf(DockSide::kTop, layout, 3).newRow);
  EXPECT_FALSE(fw::PlaceOf(DockSide::kTop, layout, 2).newRow);
  EXPECT_EQ(fw::PlaceOf(DockSide::kTop, layout, 2).index, 1);
  EXPECT_EQ(fw::PlaceOf(DockSide::kTop, layout, 7).row, 3) << "a bar not there goes after the rows";
}

// A frame 800 x 600 with two bars in the top row; a 200 x 30 bar (30 x 200
// upright) is dragged, held 5 pixels in from its corner.
fw::DragQuery Query(POINT cursor, std::uint32_t barId = 9) {
  fw::DragQuery q;
  q.cursor = cursor;
  q.grabOffset = {5, 5};
  q.horizontalSize = {200, 30};
  q.verticalSize = {30, 200};
  q.barId = barId;
  q.dockArea = kArea;
  q.sides[static_cast<std::size_t>(DockSide::kTop)] =
      fw::LayoutSide(DockSide::kTop, {{1, {300, 30}, 0}, {2, {200, 30}, 0}}, kArea);
  q.allowedSides = 0xF;
  return q;
}

TEST(DockLayout, DropDecidesSideRowAndInsertionPoint) {
  struct Case {
    const char* name;
    fw::DragQuery query;
    bool floating;
    fw::DockPlace place;
    RECT track;
  };
  fw::DragQuery noLeft = Query({5, 300});
  noLeft.allowedSides = fw::SideBit(DockSide::kTop);
  fw::DragQuery ctrl = Query({650, 10});
  ctrl.forceFloat = true;
  fw::DragQuery grabbedLow = Query({400, 60});
  grabbedLow.grabOffset = {5, 25};
  const Case cases[] = {
      {"after the bars of the top row", Query({650, 10}), false, {DockSide::kTop, 0, false, 2}, {645, 5, 845, 35}},
      {"before the first bar", Query({20, 10}), false, {DockSide::kTop, 0, false, 0}, {15, 5, 215, 35}},
      {"between the two", Query({300, 10}), false, {DockSide::kTop, 0, false, 1}, {295, 5, 495, 35}},
      {"the bar itself is not counted", Query({650, 10}, 2), false, {DockSide::kTop, 0, false, 1}, {645, 5, 845, 35}},
      {"below the row: a new last row", Query({400, 40}), false, {DockSide::kTop, 1, true, 0}, {395, 35, 595, 65}},
      {"above the row: a new first row", Query({400, -14}), false, {DockSide::kTop, 0, true, 0}, {395, -19, 595, 11}},
      {"the rectangle near the rows, the cursor not", grabbedLow, false, {DockSide::kTop, 1, true, 0}, {395, 35, 595, 65}},
      {"left edge: upright", Query({5, 300}), false, {DockSide::kLeft, 0, true, 0}, {0, 295, 30, 495}},
      {"right edge", Query({795, 300}), false, {DockSide::kRight, 0, true, 0}, {790, 295, 820, 495}},
      {"bottom edge", Query({400, 595}), false, {DockSide::kBottom, 0, true, 0}, {395, 590, 595, 620}},
      {"the corner goes to the top", Query({5, 5}), false, {DockSide::kTop, 0, false, 0}, {0, 0, 200, 30}},
      {"the middle floats", Query({400, 300}), true, {}, {395, 295, 595, 325}},
      {"a side the bar refuses", noLeft, true, {}, {0, 295, 200, 325}},
      {"held key floats", ctrl, true, {}, {645, 5, 845, 35}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fw::DropDecision d = fw::DecideDrop(c.query);
    EXPECT_EQ(d.floating, c.floating);
    EXPECT_TRUE(Same(d.track, c.track)) << Show(d.track);
    if (c.floating || d.floating) continue;
    EXPECT_EQ(d.place.side, c.place.side);
    EXPECT_EQ(d.place.row, c.place.row);
    EXPECT_EQ(d.place.newRow, c.place.newRow);
    EXPECT_EQ(d.place.index, c.place.index);
  }
}

}  // namespace
