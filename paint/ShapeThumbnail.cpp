// The shape lists' pictures of custom brush shapes.
#include "paint/ShapeThumbnail.h"

#include <algorithm>
#include <memory>

#include "engine/pixels/ColorModels.h"
#include "engine/pixels/Div255.h"
#include "engine/pixels/ProductTable.h"

namespace paint {
namespace {

// The mean window of one picture pixel: the source pixels it covers, made
// odd so the window is centred on its point and its divisor counts every
// sample it holds.
int MeanWindow(int source, int target) { return std::max(1, source / std::max(1, target)) | 1; }

}  // namespace

std::optional<ShapeThumbLevels> RenderShapeThumbnail(const VrWA2000::WA* shape) {
  if (shape == nullptr || shape->GetType() != kWAType8Grey || shape->GetW() <= 0 || shape->GetH() <= 0) {
    return std::nullopt;
  }
  const int sw = shape->GetW();
  const int sh = shape->GetH();
  const int longer = std::max(sw, sh);
  const int tw = std::max(1, kShapeThumbBox * sw / longer);
  const int th = std::max(1, kShapeThumbBox * sh / longer);
  const int left = kShapeThumbMargin + (kShapeThumbBox - tw) / 2;
  const int top = kShapeThumbMargin + (kShapeThumbBox - th) / 2;
  std::unique_ptr<WAPIX> pix(NewWAPIX(const_cast<VrWA2000::WA*>(shape), false));
  if (pix == nullptr) return std::nullopt;
  const int winW = MeanWindow(sw, tw);
  const int winH = MeanWindow(sh, th);
  auto mean = [&](int x, int y) { return AverageArea(pix.get(), x, y, sw, sh, winW, winH); };
  const lumora::ProductTable& product = lumora::kProductTable;

  ShapeThumbLevels levels;
  levels.fill(255);
  for (int j = 0; j < th; ++j) {
    // The source position in sixteenths of a pixel.
    const long long y16 = static_cast<long long>(j) * sh * 16 / th;
    const int iy = static_cast<int>(y16 >> 4), fy = static_cast<int>(y16 & 15);
    const int iy1 = std::min(iy + 1, sh - 1);
    for (int i = 0; i < tw; ++i) {
      const long long x16 = static_cast<long long>(i) * sw * 16 / tw;
      const int ix = static_cast<int>(x16 >> 4), fx = static_cast<int>(x16 & 15);
      const int ix1 = std::min(ix + 1, sw - 1);
      // Weights (15 - f) and f per axis sum to 15 x 15 = 225.
      const int v = (mean(ix, iy) * product[15 - fx][15 - fy] + mean(ix1, iy) * product[fx][15 - fy] +
                     mean(ix, iy1) * product[15 - fx][fy] + mean(ix1, iy1) * product[fx][fy]) /
                    225;
      levels[static_cast<std::size_t>((top + j) * kShapeThumbSize + left + i)] =
          static_cast<std::uint8_t>(255 - std::clamp(v, 0, 255));
    }
  }
  return levels;
}

std::vector<std::uint8_t> ShapeThumbnailPixels(const ShapeThumbLevels& levels, std::uint8_t red, std::uint8_t green,
                                               std::uint8_t blue) {
  std::vector<std::uint8_t> out(levels.size() * 3);
  for (std::size_t k = 0; k < levels.size(); ++k) {
    // face x level / 255, exact for 0 (black) and 255 (the face itself).
    const std::uint32_t level = levels[k];
    out[3 * k] = static_cast<std::uint8_t>(lumora::Div255(blue * level));
    out[3 * k + 1] = static_cast<std::uint8_t>(lumora::Div255(green * level));
    out[3 * k + 2] = static_cast<std::uint8_t>(lumora::Div255(red * level));
  }
  return out;
}

}  // namespace paint
