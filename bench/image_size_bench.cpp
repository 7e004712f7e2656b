// BM_ImageSize: Image/Image Size... at 50 % on the shared ten-layer
// 4000 x 3000 stack with masks: every layer's image and mask resampled to
// 2000 x 1500 on one thread. Each run works on a stack that shares the
// source's buffers (made outside the timing); the resize builds new ones.
#include <benchmark/benchmark.h>

#include "bench/bench_stack.h"

namespace lumora::bench {
namespace {

void BM_ImageSize(benchmark::State& state) {
  CLayersManager* source = TenLayerStack();
  ReentrantDocumentLock lock;
  for (auto _ : state) {
    state.PauseTiming();
    CLayersManagerPtr copy = CLayersManagerPtr::Adopt(new CLayersManager(*source, LayerBuffers::kShare));
    copy->SetDocument(&lock);
    state.ResumeTiming();
    if (copy->ResizeImage(SIZE{kStackWidth / 2, kStackHeight / 2}) != 1) state.SkipWithError("resize failed");
    state.PauseTiming();
    copy = nullptr;  // freeing the result is not part of the resize
    state.ResumeTiming();
  }
  // Source pixels read: every layer's image and mask.
  state.SetItemsProcessed(state.iterations() * 2 * kStackLayers * std::int64_t{kStackWidth} * kStackHeight);
}
BENCHMARK(BM_ImageSize)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace lumora::bench
