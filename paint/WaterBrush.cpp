// The water drop.
#include "paint/WaterBrush.h"

#include <algorithm>
#include <exception>

#include "engine/layers/DocumentLock.h"
#include "platform/rect.h"

namespace paint {

const char kMsgNoPalettedImages[] =
    "Sorry, but this tool can't work with paletted images.\nUse Image-Convert commands to convert images to "
    "greyscale or truecolor type.\n(Truecolor prefered)";

namespace {

constexpr int kWaterCommand = 32903;
constexpr int kWaterWidth = 20;

// ((S / my) / mx) / 4 over the window of rows y - my .. y + my - 1 and
// columns x - mx .. x + mx - 1, cells outside counting 0.
void BoxSoften(std::vector<std::uint8_t>& mask, int w, int h, int mx, int my) {
  // Summed-area table: one pass, any window in four reads.
  std::vector<std::int64_t> sum(static_cast<std::size_t>(w + 1) * (h + 1), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      sum[(y + 1) * (w + 1) + x + 1] =
          mask[y * w + x] + sum[y * (w + 1) + x + 1] + sum[(y + 1) * (w + 1) + x] - sum[y * (w + 1) + x];
  auto at = [&](int x, int y) {
    x = std::clamp(x, 0, w);
    y = std::clamp(y, 0, h);
    return sum[y * (w + 1) + x];
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::int64_t s = at(x + mx, y + my) - at(x - mx, y + my) - at(x + mx, y - my) + at(x - mx, y - my);
      mask[y * w + x] = static_cast<std::uint8_t>(((s / my) / mx) / 4);
    }
  }
}

}  // namespace

std::vector<std::uint8_t> BuildWaterDropMask(int w, int h, int shape) {
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(w) * h, 0);
  const int mx = w * 40 / 200;
  const int my = h * 40 / 200;
  const bool square = w < 4 || h < 4 || shape == 0;
  const int cx = w / 2, cy = h / 2, rx = w / 2 - mx, ry = h / 2 - my;
  for (int y = my; y < h - my; ++y) {
    for (int x = mx; x < w - mx; ++x) {
      const bool in = square || (shape == 1 && (x - cx) * (x - cx) + (y - cy) * (y - cy) < (rx * rx + ry * ry) / 2);
      if (in) mask[y * w + x] = 255;
    }
  }
  if (mx != 0 && my != 0) BoxSoften(mask, w, h, mx, my);
  return mask;
}

CWaterBrush::CWaterBrush() : StrokeBrush(kWaterWidth) {}

bool CWaterBrush::BeginStroke() {
  StrokeBrush::BeginStroke();
  painted_ = editMask_ != 0 ? target_->GetMask() : target_->GetImage();
  if (!painted_) return false;
  if (manner_ != kWaterDrop) return false;  // the smear is not available
  if (painted_->GetType() != kWAType24 && painted_->GetType() != kWAType8Grey) {
    refusal_ = kMsgNoPalettedImages;
    return false;
  }
  try {
    copy_ = WAPtr::Adopt(new VrWA2000::WA(*painted_, false));
  } catch (const std::exception&) {
    return false;
  }
  dropMask_ = BuildWaterDropMask(dabWidth_, dabHeight_, shape_);
  std::fill(&history_[0][0], &history_[0][0] + 3 * kHistory, 0);
  count_ = 0;
  return true;
}

void CWaterBrush::EndStroke() {
  StrokeBrush::EndStroke();
  dropMask_.clear();
  painted_.Reset();
  copy_.Reset();
}

void CWaterBrush::MixDab(const RECT& r, const RECT& dab, const int average[3]) {
  const int channels = painted_->GetType() == kWAType24 ? 3 : 1;
  // Buffer byte k holds blue, green, red (or grey, which mixes with red).
  const int avg[3] = {channels == 3 ? average[2] : average[0], average[1], average[0]};
  const int pressure = pressureSource_ ? std::clamp(pressureSource_(), 0, 255) : 255;
  const RECT& origin = target_->GetRect();
  const int dabWidth = dab.right - dab.left;
  for (int y = r.top; y < r.bottom; ++y) {
    std::uint8_t* row = painted_->Row(y - origin.top);
    for (int x = r.left; x < r.right; ++x) {
      const int s = layerSelection_.CoverageAt(x - origin.left, y - origin.top);
      if (s == 0) continue;
      const int m = static_cast<int>(Div255(dropMask_[(y - dab.top) * dabWidth + (x - dab.left)] * pressure));
      std::uint8_t* p = row + (x - origin.left) * channels;
      for (int k = 0; k < channels; ++k) {
        const int v = ((m * avg[k] + (255 - m) * p[k]) / 255) & 0xFF;
        p[k] = static_cast<std::uint8_t>((v * s + (255 - s) * p[k]) / 255);
      }
    }
  }
}

bool CWaterBrush::PaintAt(const RECT& dab) {
  if (!painted_ || !copy_) return false;
  const RECT& origin = target_->GetRect();
  const RECT r{std::clamp(dab.left, origin.left, origin.right), std::clamp(dab.top, origin.top, origin.bottom),
               std::clamp(dab.right, origin.left, origin.right), std::clamp(dab.bottom, origin.top, origin.bottom)};
  layerSelection_ = selection_;
  lumora::RectOffset(&layerSelection_.rect, -origin.left, -origin.top);
  const int channels = painted_->GetType() == kWAType24 ? 3 : 1;
  const int k = count_;
  int average[3] = {0, 0, 0};
  for (int c = 0; c < 3 && k > 0; ++c) {
    for (int i = 0; i < k; ++i) average[c] += history_[c][i];
    average[c] /= k;
  }
  // The render worker reads the target's buffer: write it under the lock.
  lumora::DocumentLockScope lock(document_->Layers()->GetDocument());
  if (k > 0) MixDab(r, dab, average);
  int counted = 0;
  int picked[3] = {0, 0, 0};
  for (int y = r.top; y < r.bottom; ++y) {
    const std::uint8_t* row = copy_->Row(y - origin.top);
    for (int x = r.left; x < r.right; ++x) {
      if (layerSelection_.CoverageAt(x - origin.left, y - origin.top) == 0) continue;
      const std::uint8_t* p = row + (x - origin.left) * channels;
      if (channels == 3) {
        picked[0] += p[2], picked[1] += p[1], picked[2] += p[0];
      } else {
        picked[0] += p[0];
      }
      ++counted;
    }
  }
  for (int c = 0; c < 3; ++c) {
    history_[c][k] = counted > 0 ? std::min(picked[c] / counted, 255) : 0;
  }
  if (k < strength_ * 5) {
    ++count_;
  } else {
    for (int c = 0; c < 3; ++c) std::copy(&history_[c][1], &history_[c][k + 1], &history_[c][0]);
  }
  if (count_ == 1) {
    const int first[3] = {history_[0][0], history_[1][0], history_[2][0]};
    MixDab(r, dab, first);
  }
  return true;
}

}  // namespace paint
