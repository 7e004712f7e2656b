// The painting engine: one dab, a whole stroke with its commit, the air
// brush, and building the brush mask.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/layers/DocumentLock.h"
#include "engine/layers/LayerMng.h"
#include "paint/AirBrush.h"
#include "paint/BrushRandom.h"
#include "paint/PaintBrush.h"
#include "paint/WaterBrush.h"

namespace {

// A document of one opaque RGB layer; no undo, no views.
class BenchDocument final : public paint::StrokeDocument {
 public:
  BenchDocument(int width, int height) {
    stack_ = CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, &lock_, width, height, 0x00600060u, 0, 1));
    RECT rect{0, 0, width, height};
    LAYER_INFO info;
    InitLayerInfo(info);
    CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, info, kWAType24, 1));
    layer->CreateMask(1);
    stack_->AddLayer(layer.get());
    stack_->SetActiveLayer(layer.get());
  }
  CLayersManager* Layers() override { return stack_.get(); }
  void OpenUndoStep(int) override {}
  void InvalidateImageRect(const RECT&) override {}
  bool ResizeLayer(CLayer* layer, const RECT& rect) override { return layer->SetLayerRect(rect); }
  CLayer* FindUndoSnapshotLayer(std::uint64_t) override { return nullptr; }

 private:
  lumora::ReentrantDocumentLock lock_;
  CLayersManagerPtr stack_;
};

// A soft brush whose dab is `size` wide: a quarter of it is edge.
void SoftBrush(paint::CPaintBrush& brush, int size, int shape) {
  const int edge = size / 4;
  brush.SetWidth(size - edge, edge, 0);
  brush.SetShape(shape);
  brush.BeginStroke();
}

void BM_Dab(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdAirBrush, size, random);  // no pressure
  SoftBrush(brush, size, paint::kShapeRound);
  const int side = size + 16;
  std::vector<std::uint8_t> image(static_cast<std::size_t>(side) * side * 3), mask(static_cast<std::size_t>(side) * side);
  paint::DabJob job;
  job.imageType = 16;
  job.paintImage = paint::PlaneView{image.data(), side * 3, side, side};
  job.paintMask = paint::PlaneView{mask.data(), side, side, side};
  job.paintRect = RECT{0, 0, side, side};
  job.dab = RECT{8, 8, 8 + size, 8 + size};
  job.mask = brush.WorkingMask().data();
  job.red = 200, job.green = 100, job.blue = 50;
  for (auto _ : state) {
    paint::PaintDabPixels(job);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_Dab)->Arg(9)->Arg(49)->Arg(299);

// Horizontal strokes of `length` pixels, each into a fresh document (made
// outside the timing), press to release with the commit.
void RunStrokes(benchmark::State& state, paint::StrokeBrush& brush, int length) {
  for (auto _ : state) {
    state.PauseTiming();
    BenchDocument doc(length + 200, 200);
    state.ResumeTiming();
    brush.ButtonDown(&doc, 100, 100);
    brush.MoveTo(100 + length, 100);
    brush.ButtonUp();
  }
  state.SetItemsProcessed(state.iterations() * length);
}

void BM_Stroke(benchmark::State& state) {
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdAirBrush, 50, random);
  brush.SetColours(0x00336699, 0);
  SoftBrush(brush, 50, paint::kShapeRound);
  RunStrokes(state, brush, 2000);
}
BENCHMARK(BM_Stroke)->Unit(benchmark::kMillisecond);

void BM_Airbrush(benchmark::State& state) {
  SeededBrushRandom random(1);
  paint::CAirBrush brush(random);
  brush.SetWidth(40, 10, 0);
  brush.SetDensity(90);
  brush.SetColours(0x00336699, 0);
  RunStrokes(state, brush, 1000);
}
BENCHMARK(BM_Airbrush)->Unit(benchmark::kMillisecond);

void BM_WaterSmear(benchmark::State& state) {
  paint::CWaterBrush brush;
  brush.SetSize(30);
  brush.SetManner(paint::kWaterSmear);
  RunStrokes(state, brush, 1000);
}
BENCHMARK(BM_WaterSmear)->Unit(benchmark::kMillisecond);

void BM_BuildBrushMask(benchmark::State& state) {
  const int edge = static_cast<int>(state.range(0));
  SeededBrushRandom random(1);
  paint::CPaintBrush brush(paint::kCmdPaintBrush, 100, random);
  brush.SetWidth(100, edge, 0);
  brush.SetShape(paint::kShapeRound);
  brush.BeginStroke();
  for (auto _ : state) benchmark::DoNotOptimize(brush.BuildBrushMask());
  state.SetItemsProcessed(state.iterations() * (100 + edge) * (100 + edge));
}
BENCHMARK(BM_BuildBrushMask)->Arg(0)->Arg(5)->Arg(20);

}  // namespace
