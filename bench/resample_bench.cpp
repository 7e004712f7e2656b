// Resampling a 4000 x 3000 RGB image: bilinear to half and to double size,
// nearest pixel to both.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_image.h"
#include "engine/geometry/Resample.h"

namespace {

WAPtr BenchImage() { return lumora::bench::NoiseImage(4000, 3000, 12345); }

void Resample(benchmark::State& state, int width, int height, bool interpolate) {
  const WAPtr src = BenchImage();
  for (auto _ : state) {
    WAPtr dst = WAPtr::Adopt(
        ResampleImage(src.get(), width, height, interpolate, false, nullptr, 0, nullptr));
    if (!dst) state.SkipWithError("resample failed");
    benchmark::DoNotOptimize(dst.get());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(width) * height);
}

void BM_ResampleDown(benchmark::State& state) { Resample(state, 2000, 1500, true); }
BENCHMARK(BM_ResampleDown)->Unit(benchmark::kMillisecond);

void BM_ResampleUp(benchmark::State& state) { Resample(state, 8000, 6000, true); }
BENCHMARK(BM_ResampleUp)->Unit(benchmark::kMillisecond);

void BM_ResampleNearest(benchmark::State& state) {
  Resample(state, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), false);
}
BENCHMARK(BM_ResampleNearest)
    ->Args({2000, 1500})
    ->Args({8000, 6000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
