// Custom brush shapes from images.
#include "paint/ShapeImage.h"

#include <algorithm>

#include "platform/rect.h"

namespace paint {

RECT FindShapeBounds(const VrWA2000::WA* shape) {
  if (shape == nullptr || shape->GetType() != kWAType8Grey) return RECT{};
  RECT bounds{shape->GetW(), shape->GetH(), 0, 0};
  for (int y = 0; y < shape->GetH(); ++y) {
    const std::uint8_t* row = shape->Row(y);
    for (int x = 0; x < shape->GetW(); ++x) {
      if (row[x] == 0) continue;
      bounds.left = std::min<LONG>(bounds.left, x);
      bounds.top = std::min<LONG>(bounds.top, y);
      bounds.right = std::max<LONG>(bounds.right, x + 1);
      bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
    }
  }
  return lumora::RectIsEmpty(bounds) ? RECT{} : bounds;
}

void ScaleShapeIntoMask(const VrWA2000::WA* shape, std::uint8_t* mask, int w, int h, int edge) {
  const RECT bounds = FindShapeBounds(shape);
  const int iw = w - 2 * edge;
  const int ih = h - 2 * edge;
  if (lumora::RectIsEmpty(bounds) || iw <= 0 || ih <= 0) return;
  const long long sw = lumora::RectWidth(bounds);
  const long long sh = lumora::RectHeight(bounds);
  for (int j = 0; j < ih; ++j) {
    const std::uint8_t* row = shape->Row(static_cast<int>(bounds.top + j * sh / ih));
    std::uint8_t* out = mask + static_cast<std::ptrdiff_t>(j + edge) * w + edge;
    for (int i = 0; i < iw; ++i) out[i] = row[bounds.left + i * sw / iw];
  }
}

}  // namespace paint
