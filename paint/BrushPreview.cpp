// The brush sheet's preview picture.
#include "paint/BrushPreview.h"

#include <algorithm>

#include "engine/pixels/ColorModels.h"
#include "paint/ArcWalk.h"
#include "paint/DabPixels.h"

namespace paint {

std::vector<std::uint8_t> SpectrumImage(int w, int h) {
  std::vector<std::uint8_t> image(static_cast<std::size_t>(std::max(w, 0)) * std::max(h, 0) * 3);
  const int half = w / 2;
  for (int y = 0; y < h; ++y) {
    const int hue = y * 1536 / h;
    for (int x = 0; x < w; ++x) {
      int saturation = 255, value = 255;
      if (x < half) {
        saturation = half > 0 ? x * 255 / half : 255;
      } else {
        const int right = w - half;
        value = right > 0 ? 255 - (x - half) * 255 / right : 255;
      }
      int r = 0, g = 0, b = 0;
      HSVToRGB(hue, saturation, value, r, g, b);
      std::uint8_t* p = &image[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = static_cast<std::uint8_t>(b);
      p[1] = static_cast<std::uint8_t>(g);
      p[2] = static_cast<std::uint8_t>(r);
    }
  }
  return image;
}

std::vector<std::uint8_t> RenderBrushPreview(CPaintBrush& brush, const std::vector<std::uint8_t>& background, int w,
                                             int h, COLORREF foreground, COLORREF background2) {
  std::vector<std::uint8_t> preview = background;
  if (w <= 0 || h <= 0 || preview.size() != static_cast<std::size_t>(w) * h * 3) return preview;
  brush.SetColours(foreground, background2);
  if (!brush.BeginStroke()) return preview;
  const int s = brush.DabWidth();
  brush.SetPressureToCoverage(false);
  PlaneView view{preview.data(), static_cast<std::ptrdiff_t>(w) * 3, w, h};
  const RECT whole{0, 0, w, h};
  const int red = foreground & 0xFF, green = (foreground >> 8) & 0xFF, blue = (foreground >> 16) & 0xFF;
  const int step = std::max(1, s / 10);
  int lastDabY = -s;
  auto dabAt = [&](int x, int y) {
    if (y - lastDabY < step) return;
    lastDabY = y;
    const RECT dab{x - s / 2, y - s / 2, x - s / 2 + s, y - s / 2 + s};
    brush.PaintDab(view, whole, dab, 16, red, green, blue);
  };
  WalkArc(POINT{w / 2, s}, POINT{(w - s) / 2, h - s}, POINT{0, h - s}, dabAt);
  lastDabY = -s;
  WalkArc(POINT{w / 2, s}, POINT{w - s, 0}, POINT{w - s, h - s}, dabAt);
  brush.SetPressureToCoverage(true);
  return preview;
}

}  // namespace paint
