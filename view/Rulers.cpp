// Ticks and labels of the rulers in centimetres, inches, points and pixels.
#include "view/Rulers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace lumora {
namespace {

// How a ruler divides the interval between two labels: `parts` equal parts
// (sub-ticks 1 .. parts - 1), each tick's length by its number.
struct Division {
  int parts = 1;
  std::function<int(int)> length = [](int) { return kTickL4; };
  // Whether tick i carries a half label ("%i.5" of the lower label).
  std::function<bool(int)> halfLabel = [](int) { return false; };
};

struct Scale {
  double labelSpacing = 0;    // window pixels between labels
  std::int64_t valueStep = 1; // label values
  double unitPixels = 0;      // for the label width
  Division division;
};

std::string IntText(std::int64_t v) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v));
  return text;
}

std::int64_t RoundPixel(double v) { return static_cast<std::int64_t>(std::floor(v + 0.5)); }

// Labels every k units: 1 when a unit is at least the minimum label spacing
// apart, else 30 / u rounded.
std::int64_t LabelUnits(double u) {
  if (u >= kMinLabelSpacing) return 1;
  return std::max<std::int64_t>(1, static_cast<std::int64_t>(kMinLabelSpacing / u + 0.5));
}

// The inch painter's division of a label interval that spans k inches.
Division InchDivision(double interval, std::int64_t k) {
  Division d;
  static constexpr int kParts[] = {32, 16, 8, 4, 2};
  for (int parts : kParts) {
    if (interval / parts < kMinTickSpacing) continue;
    d.parts = parts;
    // The longer the tick, the coarser the fraction of the interval it marks.
    d.length = [](int i) {
      return i % 16 == 0 ? kTickL8 : i % 8 == 0 ? kTickL6 : i % 4 == 0 ? kTickL5 : i % 2 == 0 ? kTickL4 : kTickL3;
    };
    if (parts == 16) d.length = [](int i) { return i % 8 == 0 ? kTickL8 : i % 4 == 0 ? kTickL6 : i % 2 == 0 ? kTickL5 : kTickL4; };
    if (parts == 8) d.length = [](int i) { return i % 4 == 0 ? kTickL8 : i % 2 == 0 ? kTickL6 : kTickL4; };
    if (parts == 4) d.length = [](int i) { return i % 2 == 0 ? kTickL8 : kTickL4; };
    if (parts == 2) d.length = [](int) { return kTickL8; };
    return d;
  }
  if (k > 1 && interval / static_cast<double>(k) >= kMinTickSpacing) {
    d.parts = static_cast<int>(k);
    d.length = [](int i) { return i % 5 == 0 ? kTickL6 : kTickL4; };
  }
  return d;
}

Scale CentimetreScale(const RulerInput& in) {
  Scale s;
  const double u = in.dpi / (2.54 * in.zoom);
  const std::int64_t k = LabelUnits(u);
  s.unitPixels = u;
  s.labelSpacing = static_cast<double>(k) * u;
  s.valueStep = k;
  Division& d = s.division;
  if (u / 10 >= kMinTickSpacing) {
    d.parts = static_cast<int>(10 * k);
    d.length = [](int i) { return i % 5 == 0 ? kTickL8 : kTickL3; };
    const bool room = u >= kMinLabelSpacing && u > 20.0 * in.textHeight;
    d.halfLabel = [room](int i) { return room && i % 10 == 5; };
  } else if (u / 5 >= kMinTickSpacing) {
    d.parts = static_cast<int>(5 * k);
  } else if (u / 2 >= kMinTickSpacing) {
    d.parts = static_cast<int>(2 * k);
    d.length = [](int i) { return i % 2 == 0 ? kTickL8 : kTickL3; };
  } else if (k > 1 && s.labelSpacing / static_cast<double>(k - 1) >= kMinTickSpacing) {
    d.parts = static_cast<int>(k - 1);
  }
  return s;
}

Scale InchScale(const RulerInput& in) {
  Scale s;
  const double u = in.dpi / in.zoom;
  const std::int64_t k = LabelUnits(u);
  s.unitPixels = u;
  s.labelSpacing = static_cast<double>(k) * u;
  s.valueStep = k;
  s.division = InchDivision(s.labelSpacing, k);
  return s;
}

Scale PointScale(const RulerInput& in) {
  const double u = in.dpi / in.zoom;  // pixels per inch
  int n = 1;
  for (int perInch : {72, 24, 12, 6, 2}) {
    if (u / perInch >= kMinLabelSpacing) {
      n = perInch;
      break;
    }
  }
  if (n == 1) {
    Scale s = InchScale(in);
    s.valueStep *= 72;
    return s;
  }
  Scale s;
  s.unitPixels = u;
  s.labelSpacing = u / n;
  s.valueStep = 72 / n;
  if (n == 2 || n == 72) {
    s.division = InchDivision(s.labelSpacing, 1);
    return s;
  }
  // Points per label: 3, 6 or 12, divided by the first fraction that fits.
  const int p = 72 / n;
  for (int parts : {12, 6, 4, 3, 2}) {
    if (p % parts != 0 || s.labelSpacing / parts < kMinTickSpacing) continue;
    s.division.parts = parts;
    if (parts == 4) s.division.length = [](int i) { return i % 2 == 0 ? kTickL8 : kTickL4; };
    break;
  }
  return s;
}

Scale PixelScale(const RulerInput& in) {
  Scale s;
  const double z = in.zoom;
  std::int64_t step = NiceStep(static_cast<std::int64_t>(std::min(50.0 * z, 1e15)));
  if (step / z < kMinLabelSpacing) step = NiceStep(2 * step);
  s.valueStep = step;
  s.labelSpacing = step / z;
  s.unitPixels = s.labelSpacing;
  std::int64_t lead = step, t = 1;
  while (lead > 99) {
    lead /= 10;
    t *= 10;
  }
  // Sub-tick choices by the leading value: image pixels between ticks.
  auto fits = [&](std::int64_t every) { return std::trunc(every / z) >= kMinTickSpacing; };
  int subTicks = 0;
  if (lead == 50) {
    subTicks = fits(5 * t) ? 9 : fits(10 * t) ? 4 : 0;
  } else if (lead == 20) {
    subTicks = fits(2 * t) ? 9 : fits(5 * t) ? 3 : 0;
  } else if (lead == 10) {
    subTicks = fits(t) ? 9 : fits(2 * t) ? 4 : fits(5 * t) ? 1 : 0;
  } else if (lead == 5) {
    subTicks = fits(t) ? 4 : 0;
  } else if (lead == 2) {
    subTicks = fits(t) ? 1 : 0;
  }
  s.division.parts = subTicks + 1;
  const bool leadFive = lead == 5 || lead == 50;
  if (subTicks == 9 && !leadFive) s.division.length = [](int i) { return i == 5 ? kTickL6 : kTickL4; };
  if (subTicks == 3) s.division.length = [](int i) { return i == 2 ? kTickL6 : kTickL4; };
  return s;
}

}  // namespace

std::int64_t NiceStep(std::int64_t v) {
  if (v < 1) return 1;
  std::int64_t power = 1;
  while (v / power >= 10) power *= 10;
  const std::int64_t f = v / power;
  if (f < 2) return power;
  if (f < 5) return 5 - f < f - 2 ? 5 * power : 2 * power;
  return 10 - f < f - 5 ? 10 * power : 5 * power;
}

std::int64_t RulerZeroPoint(std::int64_t origin, double zoom, std::int64_t scroll) {
  const double q = static_cast<double>(origin) / zoom;
  const double rounded = q < 0 ? -std::floor(-q + 0.5) : std::floor(q + 0.5);
  return static_cast<std::int64_t>(rounded) - scroll;
}

RulerMarks PaintRuler(const RulerInput& in) {
  RulerMarks marks;
  if (!(in.zoom > 0) || in.dpi <= 0 || in.span <= 0) return marks;
  Scale s;
  switch (in.unit) {
    case 0: s = CentimetreScale(in); break;
    case 1: s = InchScale(in); break;
    case 3: s = PointScale(in); break;
    default: s = PixelScale(in); break;
  }
  const double spacing = s.labelSpacing;
  if (!(spacing >= 1)) return marks;
  marks.labelWidth = static_cast<int>(std::max(std::trunc(s.unitPixels) - 6, 24.0));
  const std::int64_t zero = RulerZeroPoint(in.origin, in.zoom, in.scroll);
  // Intervals [j, j + 1] between labels that reach the visible span.
  const std::int64_t first = static_cast<std::int64_t>(std::floor((-marks.labelWidth - 2 - zero) / spacing));
  const std::int64_t last = static_cast<std::int64_t>(std::ceil((in.span - zero) / spacing));
  if (last - first > 100000) return marks;
  const Division& d = s.division;
  for (std::int64_t j = first; j <= last; ++j) {
    const double at = static_cast<double>(zero) + static_cast<double>(j) * spacing;
    const std::int64_t pos = RoundPixel(at);
    if (pos >= 0 && pos < in.span) marks.ticks.push_back({static_cast<int>(pos), kTickL15});
    if (pos >= -marks.labelWidth - 2 && pos < in.span) {
      marks.labels.push_back({static_cast<int>(pos), IntText(std::llabs(j) * s.valueStep)});
    }
    // Sub-ticks toward the next label; the lower of the two labels names a
    // half label.
    const std::int64_t lower = std::min(std::llabs(j), std::llabs(j + 1)) * s.valueStep;
    for (int i = 1; i < d.parts; ++i) {
      const std::int64_t tick = RoundPixel(at + i * spacing / d.parts);
      if (tick < 0 || tick >= in.span) continue;
      marks.ticks.push_back({static_cast<int>(tick), d.length(i)});
      if (d.halfLabel(i)) marks.labels.push_back({static_cast<int>(tick), IntText(lower + i / 10) + ".5"});
    }
  }
  return marks;
}

int RulerHitTest(int x, int y, int clientWidth, int clientHeight) {
  auto inside = [x, y](int l, int t, int r, int b) { return x >= l && x < r && y >= t && y < b; };
  if (inside(0, 0, kRulerThickness, kRulerThickness)) return 2;
  if (inside(0, 0, clientWidth, kRulerThickness)) return 0;
  if (inside(0, 0, kRulerThickness, clientHeight)) return 1;
  return 3;
}

int RulerMarkerPosition(int coordinate, int viewStart, int span, std::int64_t scroll, std::int64_t displayed) {
  if (coordinate < 0 || coordinate >= span) return -1;
  const std::int64_t onImage = std::int64_t{coordinate} + scroll;
  if (onImage < 0 || onImage >= displayed) return -1;
  return viewStart + coordinate;
}

}  // namespace lumora
