// The rulers' arithmetic without a window: where the ticks and labels of a
// ruler go for its units, zoom, origin and scroll position, the ruler strip
// a point is on, and whether a cursor marker shows. The frame only draws
// what these give.
//
// Positions along a ruler are window pixels from the first pixel of the
// view's client area; the horizontal ruler counts image columns from the
// left, the vertical one image rows from the top (as the status bar's
// coordinates do), each from the ruler origin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// Thickness of the rulers (and the side of the corner box), pixels.
constexpr int kRulerThickness = 15;
// Tick lengths: label ticks L15, then the sub-tick lengths.
constexpr int kTickL15 = 15, kTickL8 = 8, kTickL6 = 6, kTickL5 = 5, kTickL4 = 4, kTickL3 = 3;
// Sub-ticks closer than this are not drawn; labels at least this far apart.
constexpr int kMinTickSpacing = 5;
constexpr int kMinLabelSpacing = 30;

struct RulerInput {
  int unit = 2;               // 0 cm, 1 inch, 2 pixels, 3 points
  double zoom = 1.0;          // image units per window unit
  int dpi = 72;               // along this ruler's axis
  std::int64_t origin = 0;    // image pixels
  std::int64_t scroll = 0;    // the view's device scroll position
  int span = 0;               // the view's client extent along the ruler
  int textHeight = 8;         // of the label font (half labels need room)
};

struct RulerTick {
  int pos;
  int length;
};

struct RulerLabel {
  int pos;           // of its tick; the text starts 2 pixels past it
  std::string text;  // "12", or a half label "1.5"
};

struct RulerMarks {
  std::vector<RulerTick> ticks;  // labels' L15 ticks included
  std::vector<RulerLabel> labels;
  int labelWidth = 24;           // max(trunc(pixels per unit) - 6, 24)
};

// The ticks and labels that fall on 0 .. span - 1 (nothing for a zoom,
// resolution or span that is not positive).
RulerMarks PaintRuler(const RulerInput& in);

// The label step of the pixel rulers: 1, 2 or 5 times a power of ten
// nearest v.
std::int64_t NiceStep(std::int64_t v);

// The window pixel of the ruler origin: round(origin / zoom) - scroll, the
// division rounded half away from zero.
std::int64_t RulerZeroPoint(std::int64_t origin, double zoom, std::int64_t scroll);

// The part of a frame's rulers at a client point: 2 corner box, 0 top
// ruler, 1 left ruler, 3 elsewhere (the corner is tested first).
int RulerHitTest(int x, int y, int clientWidth, int clientHeight);

// Where the cursor marker for a view client coordinate goes on a ruler
// strip whose view area starts at `viewStart`: viewStart + coordinate when
// it lies in the view's client span and on the image's displayed span
// (-scroll .. displayed - scroll); else -1 (no marker).
int RulerMarkerPosition(int coordinate, int viewStart, int span, std::int64_t scroll, std::int64_t displayed);

}  // namespace lumora
