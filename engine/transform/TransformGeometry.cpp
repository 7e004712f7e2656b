// Transform geometry: rotated points and bounds, rectangles through a
// four-point mapping, handle squares, clearing a buffer rectangle.
#include "engine/transform/TransformGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/pixels/ImageLimits.h"

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;

// Truncation toward zero into 32 bits; NaN gives 0, out-of-range saturates.
std::int32_t TruncateSaturated(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::int32_t AddSaturated(std::int32_t a, std::int32_t b) {
  const std::int64_t sum = static_cast<std::int64_t>(a) + b;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::int32_t RoundHalfAway(double value) {
  return TruncateSaturated(value >= 0.0 ? value + 0.5 : value - 0.5);
}

RotationAngle ResolveRotationAngle(double angle, int inRadians) {
  RotationAngle r;
  if (inRadians != 0) {
    r.radians = angle;
    r.cosine = std::cos(angle);
    r.sine = std::sin(angle);
    return r;
  }
  const double turns = std::trunc(angle * (1.0 / 360.0));
  const double a = angle - 360.0 * turns;
  if (a == std::trunc(a) && std::fmod(a, 90.0) == 0.0 && std::fabs(a) < 360.0) {
    // Quarter turns 0..3 counterclockwise; -90 is the third.
    static constexpr double kCos[4] = {1.0, 0.0, -1.0, 0.0};
    static constexpr double kSin[4] = {0.0, 1.0, 0.0, -1.0};
    const int quarter = ((static_cast<int>(a / 90.0) % 4) + 4) % 4;
    r.cosine = kCos[quarter];
    r.sine = kSin[quarter];
    r.radians = a * kDegreesToRadians;
    r.exact = true;
    return r;
  }
  r.radians = a * kDegreesToRadians;
  r.cosine = std::cos(r.radians);
  r.sine = std::sin(r.radians);
  return r;
}

namespace {

POINT TurnAbout(std::int64_t x, std::int64_t y, std::int64_t cx, std::int64_t cy, double c,
                double s) {
  const double dx = static_cast<double>(x - cx);
  const double dy = static_cast<double>(y - cy);
  return POINT{AddSaturated(static_cast<std::int32_t>(cx), RoundHalfAway(dx * c - dy * s)),
               AddSaturated(static_cast<std::int32_t>(cy), RoundHalfAway(dy * c + dx * s))};
}

}  // namespace

POINT* RotatePoint(POINT* out, int x, int y, int cx, int cy, double radians) {
  *out = TurnAbout(x, y, cx, cy, std::cos(radians), std::sin(radians));
  return out;
}

RECT* GetRotatedCorners(RECT* out, int left, int top, int right, int bottom, int cx, int cy,
                        double angle, int inRadians) {
  const RotationAngle a = ResolveRotationAngle(angle, inRadians);
  const POINT corners[4] = {TurnAbout(left, top, cx, cy, a.cosine, a.sine),
                            TurnAbout(right, top, cx, cy, a.cosine, a.sine),
                            TurnAbout(right, bottom, cx, cy, a.cosine, a.sine),
                            TurnAbout(left, bottom, cx, cy, a.cosine, a.sine)};
  RECT r = {corners[0].x, corners[0].y, corners[0].x, corners[0].y};
  for (const POINT& p : corners) {
    r.left = std::min(r.left, p.x);
    r.top = std::min(r.top, p.y);
    r.right = std::max(r.right, p.x);
    r.bottom = std::max(r.bottom, p.y);
  }
  *out = r;
  return out;
}

RECT* GetRotatedCorners(RECT* out, const RECT& rect, int cx, int cy, double angle, int inRadians) {
  return GetRotatedCorners(out, rect.left, rect.top, rect.right, rect.bottom, cx, cy, angle,
                           inRadians);
}

int MapRectThroughQuad(const POINT* points, RECT reference, RECT rect, POINT* out, int relative) {
  // Outside the layer limits the products below would leave 64 bits.
  if (!lumora::HasLayerCoordinates(reference) || !lumora::HasLayerCoordinates(rect)) return 0;
  for (int i = 0; i < 4; ++i) {
    if (!lumora::IsLayerPoint(points[i])) return 0;
  }
  if (reference.left == rect.left && reference.top == rect.top && reference.right == rect.right &&
      reference.bottom == rect.bottom) {
    std::memcpy(out, points, 4 * sizeof(POINT));
    return 1;
  }
  std::int64_t px[4];
  std::int64_t py[4];
  for (int i = 0; i < 4; ++i) {
    px[i] = points[i].x - (relative != 0 ? std::int64_t{reference.left} : 0);
    py[i] = points[i].y - (relative != 0 ? std::int64_t{reference.top} : 0);
  }
  for (int i = 1; i < 4; ++i) {
    px[i] -= px[0];
    py[i] -= py[0];
  }
  const std::int64_t w = std::int64_t{reference.right} - reference.left;
  const std::int64_t h = std::int64_t{reference.bottom} - reference.top;
  if (w == 0 || h == 0) return 0;
  const double W = static_cast<double>(w);
  const double H = static_cast<double>(h);
  const double a = static_cast<double>(px[1]) / W;
  const double b = static_cast<double>(py[1]) / W;
  const double c = static_cast<double>(px[3]) / H;
  const double d = static_cast<double>(py[3]) / H;
  const double e = (static_cast<double>(px[2]) - W * a - H * c) / (W * H);
  const double f = (static_cast<double>(py[2]) - W * b - H * d) / (W * H);
  const std::int64_t l = std::int64_t{rect.left} - reference.left;
  const std::int64_t t = std::int64_t{rect.top} - reference.top;
  const std::int64_t r = std::int64_t{rect.right} - reference.left;
  const std::int64_t btm = std::int64_t{rect.bottom} - reference.top;
  const std::int64_t corners[4][2] = {{l, t}, {r, t}, {r, btm}, {l, btm}};
  for (int i = 0; i < 4; ++i) {
    const double X = static_cast<double>(corners[i][0]);
    const double Y = static_cast<double>(corners[i][1]);
    const double XY = static_cast<double>(corners[i][0] * corners[i][1]);
    const double x = X * a + Y * c + XY * e;
    const double y = X * b + Y * d + XY * f;
    out[i].x =
        AddSaturated(TruncateSaturated(x + 0.5), TruncateSaturated(static_cast<double>(px[0])));
    out[i].y =
        AddSaturated(TruncateSaturated(y + 0.5), TruncateSaturated(static_cast<double>(py[0])));
  }
  return 1;
}

RECT* GetHandleRect(RECT* out, POINT point, int half) {
  *out = RECT{point.x - half, point.y - half, point.x + half + 1, point.y + half + 1};
  return out;
}

void ClearBufferRect(VrWA2000::WA* buffer, const RECT& rect) {
  if (buffer == nullptr) return;
  const int left = std::max<LONG>(rect.left, 0);
  const int right = std::min<LONG>(rect.right, buffer->GetBPLine());
  const int top = std::max<LONG>(rect.top, 0);
  const int bottom = std::min<LONG>(rect.bottom, buffer->GetH());
  if (left >= right || top >= bottom) return;
  WAPIX* pix = NewWAPIX(buffer, true);
  if (pix == nullptr) return;
  for (int y = top; y < bottom; ++y) {
    if (std::uint8_t* row = GetWARow(y, pix)) {
      std::memset(row + left, 0, static_cast<std::size_t>(right - left));
    }
  }
  delete pix;
}
