// A layer thumbnail: a 6000 x 4000 RGB layer drawn into a 60 x 40 work
// buffer over the transparency pattern (the box path, 101 x 101 boxes) and
// turned into the DIB the bitmap is set from. Items are source pixels.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_image.h"
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
