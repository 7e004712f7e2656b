// The layer palette without its windows: the zones of a row, which row a
// point falls on, row heights by thumbnail size, where a dropped row goes,
// the opacity field's text, and the palette's placement and expanded size.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32types.h"

namespace lumora {

// Left strip width, icon cell size and thumbnail margin of a row.
inline constexpr int kRowStrip = 70;
inline constexpr int kRowCell = 18;
inline constexpr int kRowMargin = 2;
// Rows of a clipping group move their thumbnails and name right by this.
inline constexpr int kGroupIndent = 12;
// Below this row height a row shows no image thumbnail.
inline constexpr int kMinThumbnailRow = 31;

// The zones a click or a tip is asked about.
enum RowZone : int {
  kZoneNone = 0,
  kZoneVisibility = 1,
  kZoneLinkOther = 2,
  kZoneLinkCurrent = 3,
  kZonePaintTarget = 4,
  kZoneImage = 5,
  kZoneMask = 6,
  kZoneTextMark = 7,
  kZonePositionLock = 8,
  kZoneTransparencyLock = 9,
};

// What a row's geometry depends on.
struct RowShape {
  int height = 44;      // the row height
  int width = 200;      // the list's client width
  bool hasMask = false;
  bool grouped = false;  // in a clipping group
  bool text = false;     // a text layer
  bool positionLocked = false;
  bool transparencyLocked = false;
};

// Every zone of a row, in row coordinates (empty when the row has none).
struct RowZones {
  RECT visibility{};
  RECT paintTarget{};
  RECT link{};
  RECT image{};
  RECT mask{};
  RECT name{};
  RECT textMark{};
  RECT positionLock{};
  RECT transparencyLock{};
};

RowZones ComputeRowZones(const RowShape& shape);
// The zone under a row point; `current` picks which link zone answers.
RowZone ZoneAt(const RowZones& zones, POINT p, bool current);

// The string id of a zone's tool tip (0: none, which shows "????????").
std::uint32_t ZoneTipId(RowZone zone);
// A tool tip's text cut to 79 characters (UTF-8 in, UTF-8 out; a
// character is never split).
std::string CutTipText(const std::string& text);

// Thumbnail size index (0 none .. 3 large) to row height: 24, 44, 64, 84;
// an index out of range is taken as 1.
int RowHeightForIndex(int index);
// Back: below 25 is 0, below 45 is 1, below 65 is 2, else 3.
int IndexForRowHeight(int height);

// The row a list point falls on (may be past the last row); -1 above the
// first.
int RowAtPoint(int y, int scroll, int rowHeight);
// Row i's band in list coordinates.
RECT RowRect(int index, int scroll, int rowHeight, int width);
// The scroll range's upper end: max(0, rows * H - client height).
int ScrollLimit(int rows, int rowHeight, int clientHeight);

// Where the current row goes when dropped on `target` (rows counted from
// the top, 0 = top layer): `move` false when nothing changes (the target is
// the current row); `referenceRow` the row whose layer the moved layer goes
// directly above (-1: to the bottom); `newRow` where its row then is.
struct RowDrop {
  bool move = false;
  int referenceRow = -1;
  int newRow = -1;
};
RowDrop DropRow(int target, int current, int rows);

// The opacity field's text read as the palette reads it: a leading integer
// (none reads 0), clamped to 1..100.
int ReadOpacityText(const std::string& text);
// "%i%%".
std::string OpacityText(int percent);

// Where the palette opens: a saved place pulled onto the screen, or, with
// none saved, at the main frame's client right edge minus its width minus
// 3, one pixel below `topOffset` (the navigator's bottom edge, which the
// main frame stores; 200 before it does).
POINT PalettePlacement(bool saved, POINT savedAt, SIZE window, SIZE screen, int mainClientRight, int topOffset = 200);

// A caption double click that fits every row: the window's new height.
// `bottomLimit` is the screen height - 10 (or the maximised main frame's
// client bottom - 2).
int ExpandedHeight(const RECT& window, int listHeight, int rows, int rowHeight, int bottomLimit, int minimumHeight);

}  // namespace lumora
