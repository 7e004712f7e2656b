// Layer thumbnails: a 6000 x 4000 RGB layer drawn into a 60 x 40 work
// buffer over the transparency pattern (the box path, 101 x 101 boxes) and
// turned into the DIB the bitmap is set from (items are source pixels); and
// the layer palette's refresh of one row after a small change.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_image.h"
#include "bench/bench_stack.h"
#include "engine/layers/Layer.h"
#include "engine/layers/LayerThumbnail.h"
#include "engine/pixels/Dib.h"

namespace {

void BM_Thumbnail(benchmark::State& state) {
  const WAPtr image = lumora::bench::NoiseImage(6000, 4000, 2024);
  CLayersManagerPtr stack =
      CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, nullptr, 6000, 4000, 0x00600060u, 0, 1));
  lumora::RefPtr<CLayer> layer =
      lumora::RefPtr<CLayer>::Adopt(new CLayer(image.get(), POINT{0, 0}, 0, nullptr, 0));
  stack->AddLayer(layer.get());
  for (auto _ : state) {
    const WAPtr thumbnail = lumora::DrawThumbnailBuffer(*stack, *layer, SIZE{62, 42}, false);
    if (!thumbnail) state.SkipWithError("draw failed");
    const std::vector<std::uint8_t> dib = ImageToDIBBytes(thumbnail.get(), RECT{0, 0, 60, 40});
    benchmark::DoNotOptimize(dib.data());
  }
  state.SetItemsProcessed(state.iterations() * 6000 * 4000);
}
BENCHMARK(BM_Thumbnail)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The layer palette after a change: a 64 x 64 brush mark in one layer of the
// ten-layer 4000 x 3000 stack, composited, then that row's image and mask
// thumbnails at the largest size (rows of 84 pixels: 80-pixel boxes).
void BM_PaletteRefresh(benchmark::State& state) {
  CLayersManager* stack = lumora::bench::TenLayerStack();
  CLayer* layer = stack->GetLayer(5);
  const SIZE box = lumora::ThumbnailSize(SIZE{80, 80}, lumora::bench::kStackWidth, lumora::bench::kStackHeight);
  int round = 0;
  for (auto _ : state) {
    const RECT mark{1000 + (round % 8) * 64, 1200, 1064 + (round % 8) * 64, 1264};
    ++round;
    for (int y = mark.top; y < mark.bottom; ++y) {
      std::uint8_t* row = layer->PeekImage()->Row(y) + 3 * mark.left;
      for (int i = 0; i < 3 * 64; ++i) row[i] = static_cast<std::uint8_t>(row[i] + 17);
    }
    stack->Render(mark);
    const WAPtr image = lumora::DrawThumbnailBuffer(*stack, *layer, box, false);
    const WAPtr mask = lumora::DrawThumbnailBuffer(*stack, *layer, box, true);
    if (!image || !mask) state.SkipWithError("draw failed");
    const std::vector<std::uint8_t> a = ImageToDIBBytes(image.get(), RECT{0, 0, box.cx - 2, box.cy - 2});
    const std::vector<std::uint8_t> b = ImageToDIBBytes(mask.get(), RECT{0, 0, box.cx - 2, box.cy - 2});
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_PaletteRefresh)->Unit(benchmark::kMillisecond);

}  // namespace
