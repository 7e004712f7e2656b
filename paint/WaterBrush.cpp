// The water drop.
#include "paint/WaterBrush.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>

#include "engine/layers/DocumentLock.h"
#include "paint/BrushTables.h"
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

CWaterBrush::CWaterBrush() : StrokeBrush(kWaterWidth) { SetPressureEnabled(false); }

bool CWaterBrush::BeginStroke() {
  StrokeBrush::BeginStroke();
  painted_ = editMask_ != 0 ? target_->GetMask() : target_->GetImage();
  if (!painted_) return false;
  // Mixing and interpolating need channels, not palette indices: both
  // manners refuse paletted and packed images.
  if (painted_->GetType() != kWAType24 && painted_->GetType() != kWAType8Grey) {
    refusal_ = kMsgNoPalettedImages;
    return false;
  }
  if (manner_ != kWaterDrop && manner_ != kWaterSmear) return true;  // dabs do nothing
  try {
    copy_ = WAPtr::Adopt(new VrWA2000::WA(*painted_, false));
  } catch (const std::exception&) {
    return false;
  }
  if (manner_ == kWaterSmear) return PrepareSmear();
  dropMask_ = BuildWaterDropMask(dabWidth_, dabHeight_, shape_);
  std::fill(&history_[0][0], &history_[0][0] + 3 * kHistory, 0);
  count_ = 0;
  return true;
}

void CWaterBrush::EndStroke() {
  StrokeBrush::EndStroke();
  dropMask_.clear();
  block_.clear();
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
  if (manner_ == kWaterSmear) return SmearDab(dab);
  if (manner_ != kWaterDrop) return false;
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

std::vector<int> SmearProfile(int size, int last) {
  std::vector<int> profile(static_cast<std::size_t>(size) + 16, 0);
  const int h = (size + 1) / 2;
  for (int i = 1; i <= last; ++i) {
    const long long a = i <= h ? static_cast<long long>(i) * i : static_cast<long long>(i - size) * (i - size);
    const long long b = static_cast<long long>(h - i) * (h - i);
    profile[i] = static_cast<int>(a * 4096 / (a + b));
  }
  return profile;
}

bool CWaterBrush::PrepareSmear() {
  SetSpacingDivisor(5);
  const int s = dabWidth_;
  if (s <= 0) return false;
  const int channels = painted_->GetType() == kWAType24 ? 3 : 1;
  block_.assign(static_cast<std::size_t>(s) * s * channels, 0);
  profileX_ = SmearProfile(s, s - 1);
  profileY_ = SmearProfile(s, s);
  return true;
}

bool CWaterBrush::SmearDab(const RECT& dab) {
  if (firstDab_) return true;  // no direction yet
  const double radians = std::atan2(static_cast<double>(lastDab_.y - current_.y),
                                    static_cast<double>(current_.x - lastDab_.x));
  const int degrees = NormalizeAngle(static_cast<int>(radians * 57.29582790879778));
  const int sine = SineTable()[degrees];
  const int cosine = CosineTable()[degrees];
  const int s = dabWidth_;
  const int length16 = 16 * std::max(1, strength_ * s * 3 / 40);
  smearX_ = -(length16 * cosine) / kTrigScale;
  smearY_ = (length16 * sine) / kTrigScale;
  if (smearX_ == 0 && smearY_ == 0) {
    if (std::abs(sine) > std::abs(cosine)) {
      smearY_ = sine > 0 ? 1 : -1;
    } else {
      smearX_ = cosine > 0 ? -1 : 1;
    }
  }
  const RECT& origin = target_->GetRect();
  const int bx = std::clamp<int>(dab.left, 0, std::max<int>(0, origin.right - 1)) - origin.left;
  const int by = std::clamp<int>(dab.top, 0, std::max<int>(0, origin.bottom - 1)) - origin.top;
  layerSelection_ = selection_;
  lumora::RectOffset(&layerSelection_.rect, -origin.left, -origin.top);
  // The render worker reads the target's buffer: write it under the lock.
  lumora::DocumentLockScope lock(document_->Layers()->GetDocument());
  SmearBlock(bx, by);
  return true;
}

void CWaterBrush::SmearBlock(int bx, int by) {
  const int s = dabWidth_;
  const int channels = painted_->GetType() == kWAType24 ? 3 : 1;
  const int width = painted_->GetW();
  const int height = painted_->GetH();
  // The block starts as the stroke-start pixels under the dab.
  for (int j = 0; j < s; ++j) {
    const int y = by + j;
    std::uint8_t* out = block_.data() + static_cast<std::size_t>(j) * s * channels;
    for (int i = 0; i < s; ++i) {
      const int x = bx + i;
      if (x < 0 || x >= width || y < 0 || y >= height) continue;
      std::copy_n(copy_->Row(y) + x * channels, channels, out + i * channels);
    }
  }
  // Each block pixel resamples the live buffer at its warped position:
  // weights out of 15 x 15 per axis pair, so the full weight is 225.
  for (int j = 0; j < s; ++j) {
    for (int i = 0; i < s; ++i) {
      const int wx = 16 * i + ((profileX_[i] * smearX_) / kTrigScale) * profileY_[j] / kTrigScale;
      const int wy = 16 * j + ((profileY_[j] * smearY_) / kTrigScale) * profileX_[i] / kTrigScale;
      const int x = bx + (wx >> 4);
      const int y = by + (wy >> 4);
      if (x <= 0 || x >= width - 1 || y <= 0 || y >= height - 1) continue;
      const int fx = wx & 15;
      const int fy = wy & 15;
      const std::uint8_t* r0 = painted_->Row(y) + x * channels;
      const std::uint8_t* r1 = painted_->Row(y + 1) + x * channels;
      std::uint8_t* out = block_.data() + (static_cast<std::size_t>(j) * s + i) * channels;
      for (int k = 0; k < channels; ++k) {
        const int v = (r0[k] * (15 - fx) * (15 - fy) + r0[k + channels] * fx * (15 - fy) + r1[k] * (15 - fx) * fy +
                       r1[k + channels] * fx * fy) /
                      225;
        out[k] = static_cast<std::uint8_t>(std::min(v, 255));
      }
    }
  }
  // Back into the buffer, only where the selection lets it.
  for (int j = 0; j < s; ++j) {
    const int y = by + j;
    if (y < 0 || y >= height) continue;
    for (int i = 0; i < s; ++i) {
      const int x = bx + i;
      if (x < 0 || x >= width || layerSelection_.CoverageAt(x, y) == 0) continue;
      std::copy_n(block_.data() + (static_cast<std::size_t>(j) * s + i) * channels, channels,
                  painted_->Row(y) + x * channels);
    }
  }
}

}  // namespace paint
