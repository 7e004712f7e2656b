// Rendering a layer stack and committing a brush stroke, on one thread.
// BM_RenderFull: Render over the whole of the shared ten-layer 4000 x 3000
// RGB stack (bench_stack.h: masked layers, alternately Normal and Multiply).
// BM_RenderCell: one 256 x 256 cell of the same stack. BM_CommitStroke: the
// merge of a 2000 x 2000 work layer into a 4000 x 3000 masked layer;
// argument 0 a normal stroke, 1 the eraser (its pixels replace the
// target's), 2 a stroke on the target's mask. items_per_second is pixels
// per second (for the renders, composite pixels).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/bench_stack.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/PaintLayer.h"

namespace {

using lumora::bench::FillImage;
using lumora::bench::FillMask;
using lumora::bench::TenLayerStack;
constexpr int kWidth = lumora::bench::kStackWidth;
constexpr int kHeight = lumora::bench::kStackHeight;

void BM_RenderFull(benchmark::State& state) {
  CLayersManager* stack = TenLayerStack();
  for (auto _ : state) {
    stack->Render(RECT{0, 0, kWidth, kHeight});
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_RenderFull)->Unit(benchmark::kMillisecond);

void BM_RenderCell(benchmark::State& state) {
  CLayersManager* stack = TenLayerStack();
  const RECT cell{1024, 1280, 1280, 1536};
  for (auto _ : state) {
    stack->Render(cell);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_RenderCell)->Unit(benchmark::kMicrosecond);

// A brush that fills its work layer like a stroke: pixels, and a mask that
// is opaque in a band with soft edges.
void PaintStroke(CLayer* work) {
  FillImage(work->PeekImage(), 99);
  FillMask(work->PeekMask(), 1000, 1000, 900, 600);
}

void BM_CommitStroke(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  lumora::ReentrantDocumentLock lock;
  CLayersManager stack(kWAType24, &lock, kWidth, kHeight, 0x00600060u, 0xFFFFFFu, 1);
  LAYER_INFO info;
  InitLayerInfo(info);
  const RECT full{0, 0, kWidth, kHeight};
  CLayer* target = new CLayer(&full, info, kWAType24, 1);
  FillImage(target->PeekImage(), 5);
  FillMask(target->PeekMask(), 2000, 1500, 1800, 1300);
  stack.AddLayer(target);
  target->Release();
  brush stroke;
  const RECT area{1000, 500, 3000, 2500};
  for (auto _ : state) {
    state.PauseTiming();
    CLayer* work = CreatePaintLayer(&stack, kWAType24, area, 200, target, 0, kind == 2 ? 1 : 0,
                                    lumora::kMergeNormal);
    work->SetReplace(kind == 1 ? 1 : 0);
    PaintStroke(work);
    stroke.SetStroke(work, lumora::kMergeNormal, kind == 2 ? 1 : 0);
    state.ResumeTiming();
    stroke.CommitStroke(&stack, target, 0);
  }
  state.SetItemsProcessed(state.iterations() * 2000 * 2000);
}
BENCHMARK(BM_CommitStroke)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
