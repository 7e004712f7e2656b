// Customising toolbars by dragging buttons: where a dragged button would be
// inserted (and the 6-pixel mark that shows it), and the 24-byte block a
// dragged button travels in (clipboard format "Lumo40 W32 Toolbar Button").
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/win32types.h"

namespace lumora {

inline constexpr char kToolbarButtonFormat[] = "Lumo40 W32 Toolbar Button";

struct InsertMark {
  int index = -1;
  RECT mark{0, 0, 0, 0};
};

// The insertion index for a client point among the bar's buttons (their
// rectangles in order) and the mark: an empty bar gives 0 and the whole
// client area; a vertical bar goes by the buttons' tops, the nearer edge
// inside a button; a horizontal bar finds the row (point y over the row
// height plus the gap), then the first button right of the point, the
// nearer edge inside one, or the end of the row. The mark is 6 pixels
// thick, centred on the edge, kept inside the client area.
InsertMark ComputeInsertMark(const std::vector<RECT>& buttons, bool vertical, POINT point, const RECT& client,
                             int rowGap);

// The dragged button: a TBBUTTON's fields and the address of the embedded
// control in the process that started the drag (0 for a plain button).
struct DraggedButton {
  std::int32_t bitmap = 0;
  std::int32_t command = 0;
  std::uint8_t state = 0;
  std::uint8_t style = 0;
  std::uint32_t data = 0;
  std::int32_t string = 0;
  std::uint32_t control = 0;
};
std::array<std::uint8_t, 24> EncodeDraggedButton(const DraggedButton& button);
// Null for a block shorter than 24 bytes (global blocks may be longer).
std::optional<DraggedButton> DecodeDraggedButton(const std::uint8_t* data, std::size_t size);

// What a drop of a dragged button may do: a control counts only when it
// names a live control of this process (the format is system-wide: another
// instance's address means nothing here); otherwise its picture makes it a
// plain button; with neither the drop is refused.
enum class DropKind { kRefused, kPlainButton, kControl };
DropKind ClassifyDrop(const DraggedButton& button, bool controlIsLive, bool hasBitmap);

// The cursor a drag shows: by what the bar under it would do (nothing when
// no bar is under it) and by what is dragged, a plain button or a control.
enum class DragFeedback { kNone, kMove, kCopy };
int DragCursorId(DragFeedback feedback, bool overBar, bool control);

// Resizing an embedded control by its right edge: a press at most 4 pixels
// left of that edge (and not past it) grabs it.
bool OnControlResizeEdge(int x, int controlRight);
// The button under a point among the bar's buttons (their rectangles in
// order): searched from `first` (clamped to the last button, 0 when
// negative) through `count` buttons (clamped to the button count); the
// first whose rectangle holds the point, -1 when none.
int ButtonIndexFromPoint(const std::vector<RECT>& buttons, int first, int count, POINT point);

// The width a release at x gives a control spanning left..right: none when
// it would be narrower than 5 pixels or the edge moved 4 pixels or less.
std::optional<int> ResizedControlWidth(int x, int left, int right);

}  // namespace lumora
