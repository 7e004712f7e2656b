// The navigator's slider, thumbnail and view-rectangle arithmetic.
#include "view/NavigatorMath.h"

#include <algorithm>
#include <cmath>

namespace lumora {

SliderRange SliderRangeForChannel(int channelWidth) {
  SliderRange r;
  r.m = std::max(channelWidth, 0) / 2;
  r.widen = channelWidth > 0 && channelWidth % 2 == 0;
  return r;
}

// Integer arithmetic truncating toward zero, as the slider has always
// rounded.
int PercentToSlider(int percent, int m, int maximum, int lower) {
  if (m <= 0) return 0;
  const std::int64_t p = percent, mm = m, top = maximum - 100, low = 100 - lower;
  if (p >= 100) return static_cast<int>(std::min<std::int64_t>(((p - 100) * mm + top / 2) / top, mm));
  if (p > lower) return static_cast<int>(-mm - ((p - lower) * (-mm) + low / 2) / low);
  return -m;
}

int SliderToPercent(int position, int m, int maximum, int lower) {
  if (m <= 0) return 100;
  const std::int64_t pos = position, mm = m;
  if (pos < 0) {
    const std::int64_t h = (-mm) >> 1;  // halved toward minus infinity
    return static_cast<int>(100 - ((100 - lower) * pos + h) / (-mm));
  }
  return static_cast<int>(((maximum - 100) * pos + mm * 100 + mm / 2) / mm);
}

int NavigatorPercent(double imagePerWindow) {
  if (!(imagePerWindow > 0)) return 100;
  const double p = std::trunc(100.0 / imagePerWindow + 0.5);
  return static_cast<int>(std::clamp(p, double{kNavigatorMinPercent}, double{kNavigatorMaxPercent}));
}

RECT FitThumbnail(const RECT& area, std::int64_t dw, std::int64_t dh) {
  const std::int64_t aw = area.right - area.left, ah = area.bottom - area.top;
  if (dw <= 0 || dh <= 0 || aw <= 0 || ah <= 0) return RECT{0, 0, 0, 0};
  std::int64_t tw = aw, th = ah;
  if (dw * ah >= dh * aw) {
    th = std::max<std::int64_t>(1, dh * aw / dw);
  } else {
    tw = std::max<std::int64_t>(1, dw * ah / dh);
  }
  const LONG left = static_cast<LONG>(area.left + (aw - tw) / 2);
  const LONG top = static_cast<LONG>(area.top + (ah - th) / 2);
  return RECT{left, top, static_cast<LONG>(left + tw), static_cast<LONG>(top + th)};
}

namespace {

void SpanAxis(LONG thumbStart, LONG thumbEnd, std::int64_t c, std::int64_t d, std::int64_t s, LONG* start, LONG* end) {
  const std::int64_t t = thumbEnd - thumbStart;
  if (c < d && d > 0) {
    *start = static_cast<LONG>(thumbStart + s * t / d);
    *end = static_cast<LONG>(thumbStart + (c + s) * t / d);
  } else {
    *start = thumbStart;
    *end = thumbEnd;
  }
}

LONG KeepInside(LONG start, LONG length, LONG low, LONG high) {
  if (start + length > high) start = high - length;
  return std::max(start, low);
}

}  // namespace

RECT NavigatorViewRect(const RECT& thumb, const ViewGeometry& v) {
  RECT r{};
  SpanAxis(thumb.left, thumb.right, v.clientWidth, v.displayedWidth, v.scrollX, &r.left, &r.right);
  SpanAxis(thumb.top, thumb.bottom, v.clientHeight, v.displayedHeight, v.scrollY, &r.top, &r.bottom);
  return r;
}

RECT CentreRectInside(const RECT& rect, POINT centre, const RECT& thumb) {
  const LONG w = rect.right - rect.left, h = rect.bottom - rect.top;
  const LONG left = KeepInside(centre.x - w / 2, w, thumb.left, thumb.right);
  const LONG top = KeepInside(centre.y - h / 2, h, thumb.top, thumb.bottom);
  return RECT{left, top, left + w, top + h};
}

POINT NavigatorScrollFor(const RECT& rect, const RECT& thumb, std::int64_t dw, std::int64_t dh) {
  const std::int64_t tw = thumb.right - thumb.left, th = thumb.bottom - thumb.top;
  POINT p{0, 0};
  if (tw > 0) p.x = static_cast<LONG>((rect.left - thumb.left) * dw / tw);
  if (th > 0) p.y = static_cast<LONG>((rect.top - thumb.top) * dh / th);
  return p;
}

}  // namespace lumora
