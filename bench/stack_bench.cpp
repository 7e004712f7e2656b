// Rendering a layer stack and committing a brush stroke, on one thread.
// BM_RenderFull: Render over the whole of a 4000 x 3000 RGB stack of ten
// full-size layers, each with a mask (opaque inside a shape per layer,
// transparent outside, with soft edges), alternately Normal and Multiply.
// BM_RenderCell: one 256 x 256 cell of the same stack. BM_CommitStroke: the
// merge of a 2000 x 2000 work layer into a 4000 x 3000 masked layer;
// argument 0 a normal stroke, 1 the eraser (its pixels replace the
// target's), 2 a stroke on the target's mask. items_per_second is pixels
// per second (for the renders, composite pixels).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "engine/LayerMng.h"
#include "engine/PaintLayer.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kLayers = 10;

// Seeded pixel content without a random generator per byte.
std::uint8_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  return static_cast<std::uint8_t>(x >> 8);
}

void FillImage(VrWA2000::WA* image, int seed) {
  for (int y = 0; y < image->GetH(); ++y) {
    std::uint8_t* row = image->Row(y);
    const int bytes = image->GetType() == kWAType24 ? 3 * image->GetW() : image->GetW();
    for (int i = 0; i < bytes; ++i) {
      row[i] = static_cast<std::uint8_t>((i / 3 + y + seed * 37) & 255) ^
               (Hash(static_cast<std::uint32_t>(y * 131 + i / 64 + seed)) & 15);
    }
  }
}

// Opaque inside an ellipse, transparent outside, a 32-pixel ramp between.
void FillMask(VrWA2000::WA* mask, double cx, double cy, double rx, double ry) {
  for (int y = 0; y < mask->GetH(); ++y) {
    std::uint8_t* row = mask->Row(y);
    for (int x = 0; x < mask->GetW(); ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      const double d = (std::sqrt(dx * dx + dy * dy) - 1.0) * std::min(rx, ry);
      row[x] = static_cast<std::uint8_t>(std::clamp(128.0 - d * 4.0, 0.0, 255.0));
    }
  }
}

CLayersManager* Stack() {
  static CLayersManager* stack = [] {
    auto* s = new CLayersManager(kWAType24, nullptr, kWidth, kHeight, 0x00600060u, 0xFFFFFFu, 1);
    for (int i = 0; i < kLayers; ++i) {
      LAYER_INFO info;
      info.name = "Layer";
      InitLayerInfo(info);
      info.mergeMode = i % 2 == 0 ? lumora::kMergeNormal : lumora::kMergeMultiply;
      const RECT rect{0, 0, kWidth, kHeight};
      CLayer* layer = new CLayer(&rect, info, kWAType24, 1);
      FillImage(layer->PeekImage(), i);
      FillMask(layer->PeekMask(), kWidth * (0.35 + 0.03 * i), kHeight * (0.4 + 0.02 * i),
               kWidth * (0.45 - 0.01 * i), kHeight * (0.5 - 0.015 * i));
      s->AddLayer(layer);
      layer->Release();
    }
    s->SetActiveLayerByIndex(0);
    s->Render(RECT{0, 0, kWidth, kHeight});
    return s;
  }();
  return stack;
}

void BM_RenderFull(benchmark::State& state) {
  CLayersManager* stack = Stack();
  for (auto _ : state) {
    stack->Render(RECT{0, 0, kWidth, kHeight});
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_RenderFull)->Unit(benchmark::kMillisecond);

void BM_RenderCell(benchmark::State& state) {
  CLayersManager* stack = Stack();
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
