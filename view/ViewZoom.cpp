// Zoom factors of the image view.
#include "view/ViewZoom.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace lumora {

namespace {

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

XFFACT Factor(std::int64_t displayed, std::int64_t image) {
  return XFFACT(displayed < 1 ? 1 : displayed, image < 1 ? 1 : image);
}

}  // namespace

std::int32_t EvenReduction(std::int32_t neededWidth, std::int32_t neededHeight, std::int32_t clientWidth,
                           std::int32_t clientHeight) {
  if (clientWidth <= 0 || clientHeight <= 0) return 1;
  if (neededWidth <= clientWidth && neededHeight <= clientHeight) return 1;
  std::int64_t f = std::max(CeilDiv(std::max(neededWidth, 0), clientWidth), CeilDiv(std::max(neededHeight, 0), clientHeight));
  if (f % 2 != 0) ++f;
  return static_cast<std::int32_t>(std::min<std::int64_t>(f, 1 << 30));
}

ViewZoomFactors ReductionFactors(std::int32_t width, std::int32_t height, std::int32_t reduction) {
  const std::int32_t f = std::max(reduction, 1);
  return {Factor(width / f, width), Factor(height / f, height)};
}

ViewZoomFactors RatioFactors(std::int32_t width, std::int32_t height, std::int32_t a, std::int32_t b) {
  if (a < 1) a = 1;
  if (b < 1) b = 1;
  return {Factor(std::int64_t{width} * a / b, width), Factor(std::int64_t{height} * a / b, height)};
}

int ZoomPercent(double imagePerWindow) {
  if (!(imagePerWindow > 0)) return 0;
  return static_cast<int>(100.0 / imagePerWindow + 0.5);
}

POINT ClampPointToImage(POINT p, std::int32_t width, std::int32_t height) {
  p.x = std::clamp<LONG>(p.x, 0, std::max(0, width - 1));
  p.y = std::clamp<LONG>(p.y, 0, std::max(0, height - 1));
  return p;
}

// ---- The zoom ladder

namespace {

// The ladder as magnifications a:b.
struct Rung {
  std::int32_t a, b;
};
constexpr Rung kLadder[] = {{1, 32}, {1, 16}, {1, 8}, {1, 6}, {1, 4}, {1, 2}, {1, 1},
                            {2, 1},  {4, 1},  {6, 1}, {8, 1}, {16, 1}, {32, 1}};

double ValueOfRung(const Rung& r) { return r.b > 1 ? r.b : r.a > 1 ? -r.a : 1.0; }

// The zoom-in and zoom-out tables: the first row whose bound admits s.
struct StepRow {
  double bound;
  bool inclusive;
  double result;
};
constexpr StepRow kLarger[] = {{-32, false, -32}, {-16, true, -32}, {-8, true, -16}, {-6, true, -8},
                               {-4, true, -6},    {-2, true, -4},   {1, true, -2},   {2, true, 1},
                               {4, true, 2},      {6, true, 4},     {8, true, 6},    {16, true, 8},
                               {32, true, 16}};
constexpr StepRow kSmaller[] = {{-32, false, -32}, {-16, false, -16}, {-8, false, -8}, {-6, false, -6},
                                {-4, false, -4},   {-2, false, -2},   {1, false, 1},   {2, false, 2},
                                {4, false, 4},     {6, false, 6},     {8, false, 8},   {16, false, 16}};

double NextValue(double s, bool larger) {
  for (const StepRow& row : larger ? std::span<const StepRow>(kLarger) : std::span<const StepRow>(kSmaller)) {
    if (row.inclusive ? s <= row.bound : s < row.bound) return row.result;
  }
  return 32;
}

}  // namespace

double LadderValue(double imagePerWindow) {
  if (!(imagePerWindow > 0)) return 1;
  const double s = imagePerWindow > 1 ? imagePerWindow : -1.0 / imagePerWindow;
  return s == -1 ? 1 : s;
}

double LadderValueOfFactor(const XFFACT& x, std::int32_t width) {
  if (width >= 1) {
    for (const Rung& r : kLadder) {
      if (XFFACT(std::max<std::int64_t>(1, std::int64_t{width} * r.a / r.b), width).SameRatio(x)) return ValueOfRung(r);
    }
  }
  return LadderValue(x.ImagePerWindowUnit());
}

ViewZoomFactors KeptZoomFactors(const XFFACT& x, std::int32_t oldWidth, std::int32_t newWidth, std::int32_t newHeight) {
  if (oldWidth >= 1) {
    for (const Rung& r : kLadder) {
      if (XFFACT(std::max<std::int64_t>(1, std::int64_t{oldWidth} * r.a / r.b), oldWidth).SameRatio(x))
        return RatioFactors(newWidth, newHeight, r.a, r.b);
    }
  }
  const std::int64_t d = x.DisplayedExtent(), i = x.ImageExtent();
  return {Factor(std::int64_t{newWidth} * d / i, newWidth), Factor(std::int64_t{newHeight} * d / i, newHeight)};
}

bool GetZoomStep(double s, bool larger, std::int32_t* a, std::int32_t* b) {
  if (s == -1) s = 1;
  const double next = NextValue(s, larger);
  if (next == s) return false;
  const std::int32_t n = static_cast<std::int32_t>(std::fabs(next));
  if (a != nullptr) *a = next < 0 ? n : 1;
  if (b != nullptr) *b = next < 0 ? 1 : n;
  return true;
}

void ZoomToolTarget(double imagePerWindow, std::int32_t* p, std::int32_t* q) {
  std::int32_t num = 2, den = 1;
  if (imagePerWindow >= 1) {
    const auto n = static_cast<std::int32_t>(std::min<long long>(std::llround(imagePerWindow), 1LL << 30));
    if (n == 2) {
      num = 1;
    } else if (n >= 3) {
      num = 1;
      den = n < 16 ? n - 2 : n - 4;
    }
  } else if (imagePerWindow > 0) {
    const auto n = static_cast<std::int32_t>(std::min<long long>(std::llround(1.0 / imagePerWindow), 1LL << 30));
    if (n != 1) num = n < 17 ? n + 2 : n + 4 < 33 ? n + 4 : n;
  }
  *p = num;
  *q = den;
}

bool WindowSizeCommandRatio(std::uint32_t id, std::int32_t* a, std::int32_t* b) {
  if (id < kFirstWindowSizeCommand || id > kLastWindowSizeCommand) return false;
  const Rung& r = kLadder[id - kFirstWindowSizeCommand];
  *a = r.a;
  *b = r.b;
  return true;
}

ZoomCommandState ZoomCommandUpdate(std::uint32_t id, double imagePerWindow, bool hasDrawContext, bool embedded) {
  ZoomCommandState state;
  if (!hasDrawContext || !(imagePerWindow > 0)) return state;
  // Magnifications count up from 1, reductions down from -1.
  long long current = imagePerWindow > 1 ? -std::llround(imagePerWindow) : std::llround(1.0 / imagePerWindow);
  if (current == -1) current = 1;
  constexpr std::uint32_t kOriginalSizeButton = 32805, kOriginalSize = 32979;
  if (id == kOriginalSizeButton) {
    state.enabled = imagePerWindow != 1.0;
  } else if (id == kOriginalSize) {
    state.checked = current == 1;
    state.enabled = !state.checked;
  } else if (std::int32_t a = 0, b = 0; WindowSizeCommandRatio(id, &a, &b)) {
    state.checked = a > 1 ? current == a : b > 1 ? current == -b : current == 1;
    state.enabled = !embedded;
  }
  return state;
}

bool ZoomToRectFactors(std::int32_t width, std::int32_t height, double rectWidth, double rectHeight,
                       std::int32_t clientWidth, std::int32_t clientHeight, ViewZoomFactors* out) {
  if (!(rectWidth > 0) || !(rectHeight > 0) || clientWidth <= 0 || clientHeight <= 0 || width <= 0 || height <= 0) {
    return false;
  }
  // The whole rectangle fits: the tighter axis decides.
  const double m = std::min({clientWidth / rectWidth, clientHeight / rectHeight, 32.0});
  auto extent = [m](std::int32_t size) {
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(std::floor(size * m + 0.5)), 1, 0x7FFFFFFF);
  };
  *out = {Factor(extent(width), width), Factor(extent(height), height)};
  return true;
}

std::int32_t CentringScrollOrigin(std::int64_t point, std::int32_t client, std::int64_t displayed) {
  std::int64_t origin = std::max<std::int64_t>(0, point - (std::int64_t{client} + 1) / 2);
  const std::int64_t excess = origin + client - displayed;
  if (excess > 0) origin = std::max<std::int64_t>(0, origin - excess);
  return static_cast<std::int32_t>(std::min<std::int64_t>(origin, 0x7FFFFFFF));
}

}  // namespace lumora
