// The smart selection's path finder: the least-cost 8-connected path over
// an image's edges, searched outward from an anchor once and then followed
// back from any pixel as the mouse moves.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win32types.h"

namespace lumora::toolhost {

class SmartPathFinder {
 public:
  // How far (pixels, each axis) a search reaches from its anchor.
  static constexpr int kReach = 512;

  // Takes the image's edge strength: per pixel, over its channels (1 or 3
  // bytes per pixel), the largest Sobel magnitude sqrt(gx^2 + gy^2) of the
  // 3x3 kernels, edge pixels repeated past the border, clamped to 255.
  // `row(y)` gives row y's bytes in pixel coordinates. False (and no image)
  // for an empty size or another channel count.
  bool SetImage(int width, int height, int channels, const std::function<const std::uint8_t*(int)>& row);
  void Clear();
  bool HasImage() const { return width_ > 0; }
  int Strength(int x, int y) const { return strength_[static_cast<std::size_t>(y) * width_ + x]; }
  // The nearest image pixel.
  POINT Clamp(POINT p) const;
  // Searches out from the anchor (clamped to the image): every pixel within
  // kReach gets its least cost to the anchor, each step into pixel q costing
  // 10 * (255 - strength(q)) plus 10 straight or 14 diagonal (so among paths
  // of equal edge cost the shorter wins). Equal totals keep the first found
  // (neighbours in a fixed order), so the path is always the same.
  void SetAnchor(POINT anchor);
  POINT Anchor() const { return anchor_; }
  // The path from the anchor to the target (clamped to the searched area),
  // both included. Without an image: the anchor and the target.
  std::vector<POINT> PathTo(POINT target) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> strength_;
  POINT anchor_{0, 0};
  RECT region_{0, 0, 0, 0};
  std::vector<std::uint8_t> from_;  // per region pixel: the step it was reached by, 255 none
};

}  // namespace lumora::toolhost
