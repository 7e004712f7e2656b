// The marching ants of a selection with 10,082 straight sides: a 71 x 71
// checkerboard of 8-pixel cells whose light cells are selected (2,521
// squares of four sides). BM_AntsSelectionFile writes it as a selection
// file for bench/ants-idle; BM_AntsEdgeBands is what the view computes once
// per selection, zoom or scroll change at 1:1: the edge's banded runs (each
// tick then fills their region with the dash brush at the next phase).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "select/storeSel.h"
#include "view/SelectionEdge.h"

namespace {

constexpr int kCells = 71;
constexpr int kCell = 8;
constexpr int kSide = kCells * kCell;

Fragment* CheckerSelection() {
  auto* mask = new VrWA2000::WA(8, kSide, kSide, static_cast<const PALETTEENTRY*>(nullptr), true);
  for (int y = 0; y < kSide; ++y) {
    std::uint8_t* row = mask->Row(y);
    for (int x = 0; x < kSide; ++x) row[x] = ((x / kCell + y / kCell) & 1) == 0 ? 255 : 0;
  }
  Fragment* f = CreateMaskUsingWA(mask, 0, 0);
  mask->Release();
  return f;
}

void BM_AntsSelectionFile(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() / "lumora_ants.frg").string();
  Fragment* f = CheckerSelection();
  for (auto _ : state) benchmark::DoNotOptimize(SaveSelectionToFile(f, path.c_str()));
  DeleteFragment(f);
}
BENCHMARK(BM_AntsSelectionFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_AntsEdgeBands(benchmark::State& state) {
  Fragment* f = CheckerSelection();
  lumora::SelectionCoverage coverage;
  lumora::SelectionCoverageOf(f, kSide, kSide, &coverage);
  lumora::WindowSampling sampling;
  for (int i = -1; i <= kSide; ++i) {
    sampling.columns.push_back(i >= 0 && i < kSide ? i : -1);
    sampling.rows.push_back(i >= 0 && i < kSide ? kSide - 1 - i : -1);
  }
  lumora::SelectionEdge edge;
  std::size_t bands = 0;
  for (auto _ : state) {
    edge.Build(coverage, sampling);
    bands = edge.AllRunsBanded().size();
    benchmark::DoNotOptimize(bands);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(edge.Pixels().size()));
  state.counters["edge_pixels"] = static_cast<double>(edge.Pixels().size());
  state.counters["rects"] = static_cast<double>(bands);
  DeleteFragment(f);
}
BENCHMARK(BM_AntsEdgeBands)->Unit(benchmark::kMicrosecond);

}  // namespace
