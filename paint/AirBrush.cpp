// The spray tool.
#include "paint/AirBrush.h"

#include <algorithm>

#include "paint/BrushRandom.h"

namespace paint {

constexpr int kAirBrushWidth = 12;

CAirBrush::CAirBrush(BrushRandom& random) : CPaintBrush(kCmdAirBrush, kAirBrushWidth, random) {}

bool CAirBrush::BeginStroke() {
  if (!CPaintBrush::BeginStroke()) return false;
  const int d = std::clamp(density_, 0, 99);
  sprayCount_ = std::max(1, DabWidth() * DabHeight() / (100 - d));
  return true;
}

bool CAirBrush::PaintAt(const RECT& dab) {
  if (strokeLock_ == 0 && !GrowLayer(dab)) return false;
  if (!EnsurePaintLayer(dab, false)) return false;
  DabJob job;
  FillJob(&job, dab, strokeLock_ != 0 && editMask_ != 0);
  return SprayStep(job);
}

bool CAirBrush::SprayStep(const DabJob& job) {
  if ((job.imageType != 8 && job.imageType != 16) || !job.paintImage.Present() || !job.paintMask.Present()) {
    return false;
  }
  const int w = DabWidth();
  const int h = DabHeight();
  const std::vector<std::uint8_t>& shape = BrushMask();
  if (w <= 0 || h <= 0 || shape.size() != static_cast<std::size_t>(w) * h) return false;
  const int channels = job.imageType == 16 ? 3 : 1;
  std::uint8_t colour[3];
  StoreColour(job.red, job.green, job.blue, channels, colour);
  const RECT& layer = job.paintRect;
  const std::uint32_t cells = static_cast<std::uint32_t>(w) * static_cast<std::uint32_t>(h);
  for (int i = 0; i < sprayCount_; ++i) {
    // Drawn from the whole 32-bit range: every cell of the largest dabs is
    // reachable.
    const std::uint32_t idx = Random().Below(cells);
    const int x = current_.x + static_cast<int>(idx % w) - w / 2;
    const int y = current_.y + static_cast<int>(idx / w) - h / 2;
    if (x < layer.left || x >= layer.right || y < layer.top || y >= layer.bottom) continue;
    const int m = shape[static_cast<std::size_t>(y - job.dab.top) * w + (x - job.dab.left)];
    if (m == 0) continue;
    const int px = x - layer.left;
    const int py = y - layer.top;
    const int lx = x - job.layerOrigin.x;
    const int ly = y - job.layerOrigin.y;
    int v = job.selection != nullptr ? job.selection->CoverageAt(lx, ly) : 255;
    if (job.paper.Present()) {
      v = static_cast<int>(Div255((255 - job.paper.Row(ly % job.paper.height)[lx % job.paper.width]) * v));
    }
    BlendPixel(job.paintImage.Row(py) + px * channels, colour, channels, m, job.paintMask.Row(py) + px);
    if (job.aux.Present()) job.aux.Row(py)[px] = static_cast<std::uint8_t>(v);
  }
  return true;
}

}  // namespace paint
