// pixman on the draw benchmarks' scene: BM_PixmanPaint/<s> composites the
// RGB composite (r8g8b8) OVER a checker-filled a8r8g8b8 client through the
// coverage (a8) at the same scale: nearest at 1:1 and 4:1, bilinear at 1:4
// and 1:2.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <vector>

#include "bench/draw_scene.h"

namespace lumora::bench {
namespace {

void BM_PixmanPaint(benchmark::State& state) {
  const int s = static_cast<int>(state.range(0));
  const DrawScene& scene = SharedDrawScene();
  const ScenePlacement p = PlaceScene(s);
  // Row order does not matter for the timing: the buffers are used as they lie.
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_r8g8b8, kSceneWidth, kSceneHeight,
                                                 reinterpret_cast<uint32_t*>(scene.image->Bits()),
                                                 scene.image->GetBPLine());
  pixman_image_t* mask = pixman_image_create_bits(PIXMAN_a8, kSceneWidth, kSceneHeight,
                                                  reinterpret_cast<uint32_t*>(scene.coverage->Bits()),
                                                  scene.coverage->GetBPLine());
  std::vector<uint32_t> client(static_cast<std::size_t>(kClientWidth) * kClientHeight);
  for (int y = 0; y < kClientHeight; ++y)
    for (int x = 0; x < kClientWidth; ++x)
      client[y * kClientWidth + x] = (((x - p.originX) >> 3 ^ (y - p.originY) >> 3) & 1) ? 0xFFCCCCCC : 0xFFFFFFFF;
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kClientWidth, kClientHeight, client.data(),
                                                 kClientWidth * 4);
  // Destination pixel (x, y) samples source ((x - originX) * image / displayed, ...).
  const double scale = static_cast<double>(p.image) / static_cast<double>(p.displayed);
  if (s != 1) {
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(scale), pixman_double_to_fixed(scale));
    pixman_image_set_transform(src, &t);
    pixman_image_set_transform(mask, &t);
  }
  const pixman_filter_t filter = s > 1 ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST;
  pixman_image_set_filter(src, filter, nullptr, 0);
  pixman_image_set_filter(mask, filter, nullptr, 0);
  const int left = std::max(0, p.originX), top = std::max(0, p.originY);
  const int right = std::min<int>(kClientWidth, p.originX + kSceneWidth * p.displayed / p.image);
  const int bottom = std::min<int>(kClientHeight, p.originY + kSceneHeight * p.displayed / p.image);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, left - p.originX, top - p.originY,
                             left - p.originX, top - p.originY, left, top, right - left, bottom - top);
    benchmark::DoNotOptimize(client.data());
  }
  state.SetItemsProcessed(state.iterations() * (right - left) * (bottom - top));
  pixman_image_unref(dst);
  pixman_image_unref(mask);
  pixman_image_unref(src);
}
BENCHMARK(BM_PixmanPaint)->Arg(4)->Arg(2)->Arg(1)->Arg(-4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora::bench
