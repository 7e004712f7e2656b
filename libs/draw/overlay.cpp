// Grid and guide line positions in window pixels, exact in 128-bit integers.
#include "libs/draw/overlay.h"

#include <algorithm>
#include <cmath>

namespace lumora::draw {
namespace {

using i128 = __int128;

i128 FloorDiv(i128 a, i128 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
i128 CeilDiv(i128 a, i128 b) { return -FloorDiv(-a, b); }

// A spacing in image pixels as a step in 1/32 pixel, at least 1.
std::int64_t StepOf(double spacing) {
  if (!(spacing > 0.0)) return 1;
  return std::clamp<std::int64_t>(std::llround(std::min(spacing, 1e12) * 32.0), 1, std::int64_t{1} << 50);
}

// Positions whose line lands on window pixel w: the image positions p
// (in 1/unit) with LineWindowPixel(p) == w form [lo, hi).
void PositionsOnPixel(const OverlayAxis& a, std::int64_t unit, std::int64_t w, i128* lo, i128* hi) {
  const i128 r = w - a.s;
  const i128 scale = static_cast<i128>(unit) * a.i;
  if (!a.vertical) {
    // floor(p * d / scale) == r  <=>  r * scale <= p * d < (r + 1) * scale
    *lo = CeilDiv(r * scale, a.d);
    *hi = CeilDiv((r + 1) * scale, a.d);
  } else {
    // q = unit * H - p; ceil(q * d / scale) - 1 == r  <=>  r * scale < q * d <= (r + 1) * scale
    const i128 qlo = FloorDiv(r * scale, a.d) + 1;
    const i128 qhi = FloorDiv((r + 1) * scale, a.d) + 1;
    const i128 top = static_cast<i128>(unit) * a.extent;
    *lo = top - qhi + 1;
    *hi = top - qlo + 1;
  }
}

}  // namespace

std::int64_t LineWindowPixel(const OverlayAxis& a, std::int64_t position, std::int64_t unit) {
  const i128 scale = static_cast<i128>(unit) * a.i;
  if (!a.vertical) return static_cast<std::int64_t>(FloorDiv(static_cast<i128>(position) * a.d, scale) + a.s);
  const i128 q = static_cast<i128>(unit) * a.extent - position;
  return static_cast<std::int64_t>(CeilDiv(q * a.d, scale) - 1 + a.s);
}

bool FamilyVisible(const OverlayAxis& a, const LineFamily& f) {
  // step / unit image pixels * d / i window pixels >= 4
  return static_cast<i128>(f.step) * a.d >= static_cast<i128>(4) * f.unit * a.i;
}

void FamilyPixels(const OverlayAxis& a, const LineFamily& f, std::int64_t from, std::int64_t to,
                  std::vector<std::int64_t>* out) {
  out->clear();
  if (to <= from) return;
  i128 lo, hi, lo2, hi2;
  PositionsOnPixel(a, f.unit, from, &lo, &hi);
  PositionsOnPixel(a, f.unit, to - 1, &lo2, &hi2);
  const i128 first = std::min(lo, lo2), last = std::max(hi, hi2);  // y runs the other way
  i128 k = CeilDiv(first - f.origin, f.step);
  for (i128 p = f.origin + k * f.step; p < last; p += f.step) {
    const std::int64_t w = LineWindowPixel(a, static_cast<std::int64_t>(p), f.unit);
    if (w >= from && w < to && (out->empty() || out->back() != w)) out->push_back(w);
  }
  std::sort(out->begin(), out->end());
  out->erase(std::unique(out->begin(), out->end()), out->end());
}

bool FamilyHasPixel(const OverlayAxis& a, const LineFamily& f, std::int64_t w) {
  i128 lo, hi;
  PositionsOnPixel(a, f.unit, w, &lo, &hi);
  const i128 p = f.origin + CeilDiv(lo - f.origin, f.step) * f.step;
  return p < hi;
}

std::vector<LineFamily> GridFamilies(const OverlayAxis& a, const VR_GRIDSETTINGS& grid,
                                     std::int32_t originPixels) {
  std::vector<LineFamily> families;
  const std::int64_t step = StepOf(a.vertical ? grid.spacingY : grid.spacingX);
  const std::int64_t parts = std::max<std::int32_t>(1, grid.subdivisions);
  const LineFamily major{std::int64_t{originPixels} * 32, step, 32, grid.style, grid.color};
  if (parts > 1) {
    const LineFamily sub{std::int64_t{originPixels} * 32 * parts, step, 32 * parts, kVrLineDots,
                         grid.color};
    if (FamilyVisible(a, sub)) families.push_back(sub);
  }
  if (FamilyVisible(a, major)) families.push_back(major);
  return families;
}

void GridSnapRange(const VR_GRIDSETTINGS& grid, std::int32_t originPixels, bool vertical,
                   std::int32_t position, std::int32_t* below, std::int32_t* above) {
  const std::int64_t step = StepOf(vertical ? grid.spacingY : grid.spacingX);
  const std::int64_t parts = std::max<std::int32_t>(1, grid.subdivisions);
  // Lines at (32 * origin * parts + k * step) / (32 * parts); in 1/32 pixel
  // the one below rounds down and the one above rounds up.
  const i128 origin = static_cast<i128>(originPixels) * 32 * parts;
  const i128 p = static_cast<i128>(position) * parts;
  const i128 k = FloorDiv(p - origin, step);
  const i128 lowLine = origin + k * step;
  const i128 highLine = lowLine == p ? lowLine : lowLine + step;
  *below = static_cast<std::int32_t>(FloorDiv(lowLine, parts));
  *above = static_cast<std::int32_t>(CeilDiv(highLine, parts));
}

}  // namespace lumora::draw
