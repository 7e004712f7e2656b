// A layer thumbnail: a 6000 x 4000 RGB layer drawn into 60 x 40 pixels with
// DrawScaled24 (the box path, 101 x 101 boxes). Items are source pixels.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_image.h"
#include "engine/layers/Layer.h"

namespace {

void BM_Thumbnail(benchmark::State& state) {
  const WAPtr image = lumora::bench::NoiseImage(6000, 4000, 2024);
  lumora::RefPtr<CLayer> layer =
      lumora::RefPtr<CLayer>::Adopt(new CLayer(image.get(), POINT{0, 0}, 0, nullptr, 0));
  WAPtr thumbnail = WAPtr::Adopt(NewWA(kWAType24, 60, 40, nullptr));
  for (auto _ : state) {
    if (layer->DrawScaled24(thumbnail.get(), RECT{0, 0, 60, 40}) != 0) {
      state.SkipWithError("draw failed");
    }
    benchmark::DoNotOptimize(thumbnail->Row(0));
  }
  state.SetItemsProcessed(state.iterations() * 6000 * 4000);
}
BENCHMARK(BM_Thumbnail)->Unit(benchmark::kMillisecond);

}  // namespace
