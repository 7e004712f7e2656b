// The transform engine on a 4000 x 3000 RGB layer image: rotation by 30 and
// by 90 degrees and a four-point distort, as a layer rotates its image
// (smooth edges, edge pixels repeated).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_image.h"
#include "engine/transform/Transform.h"

namespace {

WAPtr BenchImage() { return lumora::bench::NoiseImage(4000, 3000, 12345); }

void Rotate(benchmark::State& state, double degrees) {
  const WAPtr src = BenchImage();
  std::int64_t pixels = 0;
  for (auto _ : state) {
    Transform t;
    t.SetSource(src.get(), 0, 0, 0, 0, 4000, 3000, 0, 0);
    if (t.Rotate(degrees, 0, nullptr, 0, nullptr, nullptr) != 1)
      state.SkipWithError("rotate failed");
    pixels = static_cast<std::int64_t>(t.destination->GetW()) * t.destination->GetH();
  }
  state.SetItemsProcessed(state.iterations() * pixels);
}

void BM_Rotate30(benchmark::State& state) { Rotate(state, 30); }
BENCHMARK(BM_Rotate30)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state) { Rotate(state, 90); }
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);

// A quadrilateral whose top and bottom sides are not parallel (the general,
// quadratic inverse), filling a 4000 x 3000 box.
void BM_Distort(benchmark::State& state) {
  const WAPtr src = BenchImage();
  for (auto _ : state) {
    Transform t;
    t.SetSource(src.get(), 0, 0, 0, 0, 4000, 3000, 0, 0);
    POINT quad[4] = {{200, 0}, {3900, 300}, {4000, 2800}, {0, 3000}};
    if (t.Distort(quad) != 1) state.SkipWithError("distort failed");
    benchmark::DoNotOptimize(t.destination.get());
  }
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_Distort)->Unit(benchmark::kMillisecond);

}  // namespace
