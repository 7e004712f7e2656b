// The scene the draw benchmarks and their pixman counterparts share: a
// 4000 x 3000 RGB composite with an elliptical coverage (opaque inside,
// transparent outside, a soft ramp between) seen in a 1280 x 1024 client
// area at a ladder value s (4 = 1:4, 2 = 1:2, 1 = 1:1, -4 = 4:1), one
// thread.
#pragma once

#include <cstdint>

#include "bench/bench_image.h"

namespace lumora::bench {

constexpr int kSceneWidth = 4000, kSceneHeight = 3000;
constexpr int kClientWidth = 1280, kClientHeight = 1024;

struct DrawScene {
  WAPtr image;
  WAPtr coverage;
};

inline const DrawScene& SharedDrawScene() {
  static const DrawScene scene = [] {
    DrawScene s{NoiseImage(kSceneWidth, kSceneHeight, 77), WAPtr::Adopt(NewWA(kWAType8Grey, kSceneWidth, kSceneHeight, nullptr))};
    FillMask(s.coverage.get(), 2000, 1500, 1900, 1400);
    return s;
  }();
  return scene;
}

// Window units per image unit (displayed : image) and the window position
// of the image's top-left corner for a ladder value. 1:4 shows the whole
// image centred; 1:1 and 4:1 show a part the ellipse's edge crosses, so the
// client holds opaque, partial and transparent coverage.
struct ScenePlacement {
  std::int64_t displayed, image;
  std::int32_t originX, originY;  // window position of image pixel (0, top row)
};

inline ScenePlacement PlaceScene(int s) {
  if (s == 4) return {1, 4, (kClientWidth - kSceneWidth / 4) / 2, (kClientHeight - kSceneHeight / 4) / 2};
  if (s == -4) return {4, 1, -4 * 20, -4 * 1350};
  if (s == 2) return {1, 2, (kClientWidth - kSceneWidth / 2) / 2, (kClientHeight - kSceneHeight / 2) / 2};
  return {1, 1, -300, -200};
}

}  // namespace lumora::bench
