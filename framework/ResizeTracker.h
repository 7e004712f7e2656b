// The geometry of the hatched border with eight handles that surrounds an
// object edited in place (the resize bar): where the handles are, what a
// point over the border hits, the cursor each handle shows, and the
// rectangle a drag of a handle asks for. The border and the handles lie
// outside the object's rectangle.
#pragma once

#include "platform/win32types.h"

namespace fw {

enum class TrackerHit {
  kNothing = -1,
  kTopLeft = 0,
  kTopRight,
  kBottomRight,
  kBottomLeft,
  kTop,
  kRight,
  kBottom,
  kLeft,
  kBorder,  // on the hatched border between handles
};

enum class TrackerCursor { kArrow, kSizeNWSE, kSizeNESW, kSizeNS, kSizeWE };

// The border's width (and the handles' size) when the system sets none.
constexpr int kDefaultInPlaceBorder = 4;

// `inner` grown by `width` on every side.
RECT OutsetRect(const RECT& inner, int width);
// The handle's square (width x width) outside `inner`: the corners at the
// corners, the others centred on their edges.
RECT TrackerHandleRect(const RECT& inner, int width, TrackerHit handle);
// What (x, y) hits: a handle first, then the border; kNothing inside the
// object and outside the border.
TrackerHit HitTestTracker(const RECT& inner, int width, POINT point);
TrackerCursor CursorForHit(TrackerHit hit);
// The object's rectangle after its handle moved by (dx, dy): the handle's
// edges follow, the others stay; dragged past the opposite edge the
// rectangle turns over; never narrower or lower than one pixel. The
// border and nothing change it.
RECT DragTrackerHandle(const RECT& inner, TrackerHit handle, int dx, int dy);

}  // namespace fw
