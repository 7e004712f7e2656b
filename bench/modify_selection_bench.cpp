// The modify-selection filters at radius 1, 10 and 100 on a 4000 x 3000
// selection mask (an ellipse with a polygon cut out, anti-aliased edges),
// and the smoothing filter on noise, its slowest input.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/pixels/WAccess.h"
#include "select/ModifySelection.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

WAPtr SelectionMask(bool threshold) {
  const LURECT area{0, 0, kWidth, kHeight};
  Fragment* mask = CreateEmptyMask(&area);
  const LURECT bounds{100, 100, kWidth - 200, kHeight - 200};
  Fragment* ellipse = CreateEllipticFrg(&bounds, 0);
  std::vector<POINT> pts;
  for (int i = 0; i < 1000; ++i) {
    const double t = 6.283185307179586 * i / 1000;
    const double r = (i % 2 == 0) ? 700 : 350;
    pts.push_back(POINT{static_cast<LONG>(kWidth / 2 + r * std::cos(t)),
                        static_cast<LONG>(kHeight / 2 + r * std::sin(t))});
  }
  Fragment* star = CreatePolygonFrg(pts.data(), 1000, kFrgFillWinding, 0);
  PutFragmentToMask(mask, ellipse, kFrgAdd);
  PutFragmentToMask(mask, star, kFrgSubtract);
  WAPtr buffer = WAPtr::Adopt(GetMaskWA(mask));
  DeleteFragment(star);
  DeleteFragment(ellipse);
  DeleteFragment(mask);
  if (threshold) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) buffer->Row(y)[x] = buffer->Row(y)[x] > 127 ? 255 : 0;
    }
  }
  return buffer;
}

WAPtr NoiseMask() {
  WAPtr buffer = WAPtr::Adopt(NewWA(kWAType8Grey, kWidth, kHeight, nullptr));
  std::mt19937 rng(5);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) buffer->Row(y)[x] = static_cast<std::uint8_t>(rng());
  }
  return buffer;
}

// Runs `filter` on a fresh copy of `source` each iteration; the copy is not timed.
template <class Filter>
void Run(benchmark::State& state, const WAPtr& source, Filter filter) {
  WAPtr work = WAPtr::Adopt(CloneWA(source.get()));
  const std::size_t bytes = static_cast<std::size_t>(source->GetBPLine()) * kHeight;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work->Bits(), source->Bits(), bytes);
    state.ResumeTiming();
    if (!filter(work.get(), static_cast<int>(state.range(0))))
      state.SkipWithError("the filter refused");
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_ModifySelection_Border(benchmark::State& state) {
  static const WAPtr mask = SelectionMask(true);
  Run(state, mask, [](VrWA2000::WA* wa, int r) {
    return FilterMaskBorder(wa, r, &BorderGrowRow, r, &BorderClearRow, nullptr, 0, nullptr);
  });
}

void BM_ModifySelection_Smooth(benchmark::State& state) {
  static const WAPtr mask = SelectionMask(false);
  Run(state, mask, [](VrWA2000::WA* wa, int r) {
    return FilterMaskRows(wa, r, &SmoothMaskRow, nullptr, 0, nullptr);
  });
}

void BM_ModifySelection_Expand(benchmark::State& state) {
  static const WAPtr mask = SelectionMask(false);
  Run(state, mask, [](VrWA2000::WA* wa, int r) {
    return FilterMaskRows(wa, r, &ExpandMaskRow, nullptr, 0, nullptr);
  });
}

void BM_ModifySelection_Contract(benchmark::State& state) {
  static const WAPtr mask = SelectionMask(false);
  Run(state, mask, [](VrWA2000::WA* wa, int r) {
    return FilterMaskRows(wa, r, &ContractMaskRow, nullptr, 0, nullptr);
  });
}

void BM_ModifySelection_SmoothNoise(benchmark::State& state) {
  static const WAPtr mask = NoiseMask();
  Run(state, mask, [](VrWA2000::WA* wa, int r) {
    return FilterMaskRows(wa, r, &SmoothMaskRow, nullptr, 0, nullptr);
  });
}

BENCHMARK(BM_ModifySelection_Border)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModifySelection_Smooth)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModifySelection_Expand)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModifySelection_Contract)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModifySelection_SmoothNoise)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
