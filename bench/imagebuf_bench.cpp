// Image buffers: clipped block copies between two 4000 x 3000 RGB buffers.
#include <benchmark/benchmark.h>

#include "engine/pixels/WAccess.h"

namespace {

void BM_CopyRect(benchmark::State& state) {
  WAPtr src = WAPtr::Adopt(NewWA(kWAType24, 4000, 3000, nullptr));
  WAPtr dst = WAPtr::Adopt(NewWA(kWAType24, 4000, 3000, nullptr));
  // Touch every page: untouched zero pages would all map one physical page.
  for (int y = 0; y < 3000; ++y) {
    for (int i = 0; i < src->GetBPLine(); ++i) src->Row(y)[i] = static_cast<std::uint8_t>(i + y);
  }
  for (auto _ : state) {
    VrWA2000::ReadWriteWA::Copy(dst.get(), {10, 10}, src.get(), {0, 0}, 4000, 3000, 12);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 3990 * 2990);
}
BENCHMARK(BM_CopyRect)->Unit(benchmark::kMillisecond);

}  // namespace
