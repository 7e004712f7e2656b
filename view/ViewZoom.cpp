// Zoom factors of the image view.
#include "view/ViewZoom.h"

#include <algorithm>

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

}  // namespace lumora
