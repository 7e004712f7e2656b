// The brush sheet's preview: a colour spectrum with two quarter-ellipse
// strokes of the brush's dabs over it.
#pragma once

#include <cstdint>
#include <vector>

#include "paint/PaintBrush.h"

namespace paint {

// A w x h 24-bit picture, rows top-down, bytes blue, green, red: hue down
// the rows; the left half rising in saturation at full value, the right
// half falling in value at full saturation.
std::vector<std::uint8_t> SpectrumImage(int w, int h);

// The background with the preview strokes of `brush` in its foreground
// colour (the brush's first-dab and pressure flags are restored after).
// The dab is the brush's dab size s; a dab is laid at a walked point when
// its row lies at least max(1, s / 10) below the last dab's.
std::vector<std::uint8_t> RenderBrushPreview(CPaintBrush& brush, const std::vector<std::uint8_t>& background, int w,
                                             int h, COLORREF foreground, COLORREF background2);

}  // namespace paint
