// The layer palette's arithmetic: row zones at every row height, rows at
// points while scrolled, size indexes, where a dropped row goes, the
// opacity field's text, placement and the expanded height.
#include <gtest/gtest.h>

#include <string>

#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "ui/LayerRows.h"

namespace lumora {
namespace {

bool Same(const RECT& a, const RECT& b) { return RectsEqual(a, b); }

TEST(LayerRows, ZonesAtEveryRowHeight) {
  struct Case {
    int height;
    bool mask, grouped;
    RECT visibility, image, mask_, name;
  };
  const Case cases[] = {
      // Below 31 pixels: no thumbnails; the name right after the strip.
      {24, false, false, {4, 3, 22, 21}, {0, 0, 0, 0}, {0, 0, 0, 0}, {75, 0, 200, 24}},
      {24, true, true, {4, 3, 22, 21}, {0, 0, 0, 0}, {0, 0, 0, 0}, {87, 0, 200, 24}},
      {44, false, false, {4, 13, 22, 31}, {72, 2, 112, 42}, {0, 0, 0, 0}, {115, 0, 200, 44}},
      {44, true, false, {4, 13, 22, 31}, {72, 2, 112, 42}, {117, 2, 157, 42}, {160, 0, 200, 44}},
      {64, true, true, {4, 23, 22, 41}, {84, 2, 144, 62}, {149, 2, 209, 62}, {212, 0, 212, 64}},
      {84, false, true, {4, 33, 22, 51}, {84, 2, 164, 82}, {0, 0, 0, 0}, {167, 0, 200, 84}},
      {84, true, false, {4, 33, 22, 51}, {72, 2, 152, 82}, {157, 2, 237, 82}, {240, 0, 240, 84}},
  };
  for (const Case& c : cases) {
    RowShape shape;
    shape.height = c.height;
    shape.hasMask = c.mask;
    shape.grouped = c.grouped;
    const RowZones z = ComputeRowZones(shape);
    SCOPED_TRACE(testing::Message() << "H " << c.height << " mask " << c.mask << " group " << c.grouped);
    EXPECT_TRUE(Same(z.visibility, c.visibility));
    EXPECT_EQ(z.paintTarget.left, 26);
    EXPECT_EQ(z.paintTarget.right, 44);
    EXPECT_EQ(z.link.left, 48);
    EXPECT_EQ(z.link.right, 66);
    EXPECT_TRUE(Same(z.image, c.image)) << z.image.left << "," << z.image.right;
    EXPECT_TRUE(Same(z.mask, c.mask_)) << z.mask.left << "," << z.mask.right;
    EXPECT_TRUE(Same(z.name, c.name)) << z.name.left << "," << z.name.right;
  }
}

TEST(LayerRows, ZonesAnswerPoints) {
  RowShape shape;
  shape.height = 44;
  shape.hasMask = true;
  shape.text = true;
  shape.positionLocked = true;
  shape.transparencyLocked = true;
  const RowZones z = ComputeRowZones(shape);
  EXPECT_EQ(ZoneAt(z, POINT{10, 20}, false), kZoneVisibility);
  EXPECT_EQ(ZoneAt(z, POINT{30, 20}, false), kZonePaintTarget);
  EXPECT_EQ(ZoneAt(z, POINT{50, 20}, false), kZoneLinkOther);
  EXPECT_EQ(ZoneAt(z, POINT{50, 20}, true), kZoneLinkCurrent);
  EXPECT_EQ(ZoneAt(z, POINT{80, 20}, false), kZoneImage);
  EXPECT_EQ(ZoneAt(z, POINT{120, 20}, false), kZoneMask);
  EXPECT_EQ(ZoneAt(z, POINT{200 - 30, 20}, false), kZoneTextMark);
  EXPECT_EQ(ZoneAt(z, POINT{200 - 15, 20}, false), kZonePositionLock);
  EXPECT_EQ(ZoneAt(z, POINT{200 - 5, 20}, false), kZoneTransparencyLock);
  EXPECT_EQ(ZoneAt(z, POINT{2, 20}, false), kZoneNone);
  EXPECT_EQ(ZoneAt(z, POINT{10, 2}, false), kZoneNone) << "above the cell";
  EXPECT_EQ(z.name.right, 200 - 32) << "a text layer's name stops before its mark";
}

TEST(LayerRows, EachZoneHasItsTip) {
  const struct {
    RowZone zone;
    const char* text;
  } tips[] = {{kZoneVisibility, "Indicates layer visibility"},
              {kZoneLinkOther, "Indicates if layer is linked with selected one"},
              {kZoneLinkCurrent, "Indicates if layer is linked"},
              {kZonePaintTarget, "Indicates painting on layer or layer mask"},
              {kZoneImage, "Layer thumbnail"},
              {kZoneMask, "Mask thumbnail"},
              {kZoneTextMark, "Indicates layer is text layer"},
              {kZonePositionLock, "Indicates position is locked"},
              {kZoneTransparencyLock, "Indicates transparency is locked"}};
  for (const auto& t : tips) EXPECT_EQ(std::string(res::String(ZoneTipId(t.zone))), t.text);
  EXPECT_EQ(ZoneTipId(kZoneNone), 0u);
}

TEST(LayerRows, TipsAreCutTo79CharactersNeverInsideOne) {
  EXPECT_EQ(CutTipText("Layer thumbnail"), "Layer thumbnail");
  const std::string ascii(100, 'a');
  EXPECT_EQ(CutTipText(ascii), std::string(79, 'a'));
  // Characters, not bytes: 79 of a Greek or Japanese name are kept whole.
  std::string greek, japanese;
  for (int i = 0; i < 90; ++i) greek += "\xCE\xB1";         // U+03B1
  for (int i = 0; i < 90; ++i) japanese += "\xE6\x97\xA5";  // U+65E5
  EXPECT_EQ(CutTipText(greek), greek.substr(0, 79 * 2));
  EXPECT_EQ(CutTipText(japanese), japanese.substr(0, 79 * 3));
  // A character beyond the first plane (two UTF-16 units) at the cut goes
  // whole.
  const std::string emoji = std::string(78, 'b') + "\xF0\x9F\x98\x80" + "c";
  EXPECT_EQ(CutTipText(emoji), std::string(78, 'b'));
}

TEST(LayerRows, RowsAtPointsWhileScrolled) {
  EXPECT_EQ(RowAtPoint(0, 0, 44), 0);
  EXPECT_EQ(RowAtPoint(43, 0, 44), 0);
  EXPECT_EQ(RowAtPoint(44, 0, 44), 1);
  EXPECT_EQ(RowAtPoint(10, 80, 44), 2);
  EXPECT_EQ(RowAtPoint(-5, 0, 44), -1);
  const RECT r = RowRect(2, 80, 44, 150);
  EXPECT_TRUE(Same(r, RECT{0, 8, 150, 52}));
  EXPECT_EQ(ScrollLimit(10, 44, 300), 140);
  EXPECT_EQ(ScrollLimit(3, 44, 300), 0);
}

TEST(LayerRows, SizeIndexesAndRowHeights) {
  const int heights[] = {24, 44, 64, 84};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(RowHeightForIndex(i), heights[i]);
    EXPECT_EQ(IndexForRowHeight(heights[i]), i);
  }
  const struct {
    int height, index;
  } back[] = {{24, 0}, {25, 1}, {44, 1}, {45, 2}, {65, 3}};
  for (const auto& b : back) EXPECT_EQ(IndexForRowHeight(b.height), b.index) << b.height;
  EXPECT_EQ(RowHeightForIndex(7), 44);
}

TEST(LayerRows, DroppedRowsGoAboveTheReference) {
  const struct {
    int target, current, rows;
    bool move;
    int reference, row;
  } cases[] = {
      {2, 2, 5, false, -1, -1},  // on itself: nothing
      {1, 3, 5, true, 1, 1},     // target above the current row: above the target's layer
      {3, 1, 5, true, 4, 3},     // below: above the layer of the row after the target
      {2, 2 + 1, 5, true, 2, 2}, // current just below the target
      {4, 1, 5, true, -1, 4},    // the last row: to the bottom
      {9, 0, 5, true, -1, 4},    // beyond the rows
      {-3, 2, 5, true, 0, 0},    // above the first row counts as the first
  };
  for (const auto& c : cases) {
    const RowDrop d = DropRow(c.target, c.current, c.rows);
    SCOPED_TRACE(testing::Message() << "target " << c.target << " current " << c.current);
    EXPECT_EQ(d.move, c.move);
    if (!c.move) continue;
    EXPECT_EQ(d.referenceRow, c.reference);
    EXPECT_EQ(d.newRow, c.row);
  }
}

TEST(LayerRows, OpacityTexts) {
  EXPECT_EQ(ReadOpacityText("250"), 100);
  EXPECT_EQ(ReadOpacityText("0"), 1);
  EXPECT_EQ(ReadOpacityText("x"), 1);
  EXPECT_EQ(ReadOpacityText("55%"), 55);
  EXPECT_EQ(OpacityText(100), "100%");
  EXPECT_EQ(OpacityText(7), "7%");
}

TEST(LayerRows, PlacementAndExpandedHeight) {
  const SIZE window{200, 300}, screen{1024, 768};
  const POINT fresh = PalettePlacement(false, POINT{0, 0}, window, screen, 1000);
  EXPECT_EQ(fresh.x, 1000 - 200 - 3);
  EXPECT_EQ(fresh.y, 201);
  // Under the navigator, whose bottom edge the main frame gives.
  EXPECT_EQ(PalettePlacement(false, POINT{0, 0}, window, screen, 1000, 403).y, 404);
  const POINT off = PalettePlacement(true, POINT{5000, -40}, window, screen, 1000);
  EXPECT_EQ(off.x, 1024 - 200);
  EXPECT_EQ(off.y, 0);
  const POINT kept = PalettePlacement(true, POINT{10, 20}, window, screen, 1000);
  EXPECT_EQ(kept.x, 10);
  EXPECT_EQ(kept.y, 20);
  // Window 100..400 with a 200-pixel list: ten 44-pixel rows want 442.
  const RECT w{0, 100, 200, 400};
  EXPECT_EQ(ExpandedHeight(w, 200, 10, 44, 758, 250), 400 - 200 + 440 + 2 - 100);
  EXPECT_EQ(ExpandedHeight(w, 200, 30, 44, 758, 250), 758 - 100) << "stops at the limit";
  EXPECT_EQ(ExpandedHeight(w, 200, 1, 24, 758, 250), 250) << "never below the minimum";
}

}  // namespace
}  // namespace lumora
