// BM_Flatten: the Layer menu's Flatten Image core on the shared ten-layer
// 4000 x 3000 stack (bench_stack.h), its composite current as the screen
// leaves it. Each iteration flattens a fresh copy of the stack that holds
// the shared stack's buffers (made outside the timing); items_per_second
// is image pixels per second, one thread.
#include <benchmark/benchmark.h>

#include "bench/bench_stack.h"
#include "document/LayerMerge.h"
#include "engine/layers/LayerMng.h"

namespace {

void BM_Flatten(benchmark::State& state) {
  CLayersManager* shared = lumora::bench::TenLayerStack();
  const RECT whole{0, 0, lumora::bench::kStackWidth, lumora::bench::kStackHeight};
  for (auto _ : state) {
    state.PauseTiming();
    CLayersManagerPtr copy =
        CLayersManagerPtr::Adopt(new CLayersManager(*shared, lumora::LayerBuffers::kShare));
    copy->Render(whole);
    state.ResumeTiming();
    if (lumora::FlattenCore(*copy, true) != 0) state.SkipWithError("flatten failed");
    benchmark::ClobberMemory();
    state.PauseTiming();
    copy.Reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * lumora::bench::kStackWidth * lumora::bench::kStackHeight);
}
BENCHMARK(BM_Flatten)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
