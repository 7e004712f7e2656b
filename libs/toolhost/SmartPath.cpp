// The smart selection's least-cost paths over the image's edge strength.
#include "libs/toolhost/SmartPath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumora::toolhost {

namespace {

// The eight steps, in the order ties are settled.
constexpr int kStepX[8] = {1, -1, 0, 0, 1, -1, 1, -1};
constexpr int kStepY[8] = {0, 0, 1, -1, 1, 1, -1, -1};
constexpr std::uint32_t kStraight = 10, kDiagonal = 14, kEdgeWeight = 10;
constexpr std::uint32_t kMaxStep = kEdgeWeight * 255 + kDiagonal;

}  // namespace

void SmartPathFinder::Clear() {
  width_ = height_ = 0;
  strength_.clear();
  from_.clear();
  region_ = RECT{0, 0, 0, 0};
}

bool SmartPathFinder::SetImage(int width, int height, int channels,
                               const std::function<const std::uint8_t*(int)>& row) {
  Clear();
  if (width <= 0 || height <= 0 || (channels != 1 && channels != 3)) return false;
  width_ = width;
  height_ = height;
  strength_.assign(static_cast<std::size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* rows[3] = {row(std::max(y - 1, 0)), row(y), row(std::min(y + 1, height - 1))};
    for (int x = 0; x < width; ++x) {
      const int xs[3] = {std::max(x - 1, 0), x, std::min(x + 1, width - 1)};
      int best = 0;
      for (int c = 0; c < channels; ++c) {
        auto v = [&](int i, int j) { return static_cast<int>(rows[j][xs[i] * channels + c]); };
        const int gx = (v(2, 0) + 2 * v(2, 1) + v(2, 2)) - (v(0, 0) + 2 * v(0, 1) + v(0, 2));
        const int gy = (v(0, 2) + 2 * v(1, 2) + v(2, 2)) - (v(0, 0) + 2 * v(1, 0) + v(2, 0));
        const int squared = gx * gx + gy * gy;
        const int magnitude = squared >= 255 * 255 ? 255 : static_cast<int>(std::sqrt(static_cast<double>(squared)));
        best = std::max(best, magnitude);
      }
      strength_[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(best);
    }
  }
  return true;
}

POINT SmartPathFinder::Clamp(POINT p) const {
  if (!HasImage()) return p;
  return POINT{std::clamp<LONG>(p.x, 0, width_ - 1), std::clamp<LONG>(p.y, 0, height_ - 1)};
}

void SmartPathFinder::SetAnchor(POINT anchor) {
  anchor_ = Clamp(anchor);
  if (!HasImage()) return;
  region_ = RECT{std::max<LONG>(anchor_.x - kReach, 0), std::max<LONG>(anchor_.y - kReach, 0),
                 std::min<LONG>(anchor_.x + kReach + 1, width_), std::min<LONG>(anchor_.y + kReach + 1, height_)};
  const int rw = region_.right - region_.left, rh = region_.bottom - region_.top;
  const std::size_t count = static_cast<std::size_t>(rw) * rh;
  std::vector<std::uint32_t> cost(count, std::numeric_limits<std::uint32_t>::max());
  from_.assign(count, 255);
  std::vector<std::uint8_t> done(count, 0);
  // A bucket queue (steps cost at most kMaxStep): buckets by cost modulo.
  std::vector<std::vector<std::uint32_t>> buckets(kMaxStep + 1);
  const std::uint32_t start = static_cast<std::uint32_t>((anchor_.y - region_.top) * rw + (anchor_.x - region_.left));
  cost[start] = 0;
  buckets[0].push_back(start);
  std::size_t pending = 1;
  for (std::uint32_t now = 0; pending > 0; ++now) {
    std::vector<std::uint32_t>& bucket = buckets[now % buckets.size()];
    for (std::size_t i = 0; i < bucket.size(); ++i) {
      const std::uint32_t at = bucket[i];
      --pending;
      if (done[at] != 0 || cost[at] != now) continue;
      done[at] = 1;
      const int x = static_cast<int>(at % rw), y = static_cast<int>(at / rw);
      for (int k = 0; k < 8; ++k) {
        const int nx = x + kStepX[k], ny = y + kStepY[k];
        if (nx < 0 || ny < 0 || nx >= rw || ny >= rh) continue;
        const std::uint32_t next = static_cast<std::uint32_t>(ny * rw + nx);
        if (done[next] != 0) continue;
        const std::uint32_t step = kEdgeWeight * (255u - Strength(nx + region_.left, ny + region_.top)) +
                                   (k < 4 ? kStraight : kDiagonal);
        if (now + step < cost[next]) {
          cost[next] = now + step;
          from_[next] = static_cast<std::uint8_t>(k);
          buckets[(now + step) % buckets.size()].push_back(next);
          ++pending;
        }
      }
    }
    bucket.clear();
  }
}

std::vector<POINT> SmartPathFinder::PathTo(POINT target) const {
  if (!HasImage()) return {anchor_, target};
  POINT p{std::clamp<LONG>(target.x, region_.left, region_.right - 1),
          std::clamp<LONG>(target.y, region_.top, region_.bottom - 1)};
  const int rw = region_.right - region_.left;
  std::vector<POINT> path{p};
  while (p.x != anchor_.x || p.y != anchor_.y) {
    const std::uint8_t k = from_[static_cast<std::size_t>(p.y - region_.top) * rw + (p.x - region_.left)];
    if (k >= 8) break;
    p = POINT{p.x - kStepX[k], p.y - kStepY[k]};
    path.push_back(p);
  }
  std::reverse(path.begin(), path.end());
  return path;
}

}  // namespace lumora::toolhost
