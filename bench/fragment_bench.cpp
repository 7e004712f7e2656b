// Fragment masks at 4000 x 3000: an ellipse, a 1000-point polygon, and the
// smoothed-edge mask of the ellipse.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "hostapi/fragment.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A star-like polygon of `n` points around the centre, radii varying.
std::vector<POINT> BenchPolygon(int n) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> radius(0.55, 1.0);
  std::vector<POINT> pts;
  for (int i = 0; i < n; ++i) {
    const double t = 6.283185307179586 * i / n;
    const double r = radius(rng);
    pts.push_back(POINT{static_cast<LONG>(kWidth / 2 + r * (kWidth / 2 - 1) * std::cos(t)),
                        static_cast<LONG>(kHeight / 2 + r * (kHeight / 2 - 1) * std::sin(t))});
  }
  return pts;
}

// Draws the fragment into a new 4000 x 3000 mask each iteration.
void DrawMask(benchmark::State& state, Fragment* f) {
  const LURECT area{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    Fragment* mask = CreateEmptyMask(&area);
    PutFragmentToMask(mask, f, kFrgAdd);
    benchmark::DoNotOptimize(mask);
    DeleteFragment(mask);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_MaskEllipse(benchmark::State& state) {
  const LURECT bounds{0, 0, kWidth, kHeight};
  Fragment* ellipse = CreateEllipticFrg(&bounds, 0);
  DrawMask(state, ellipse);
  DeleteFragment(ellipse);
}
BENCHMARK(BM_MaskEllipse)->Unit(benchmark::kMillisecond);

void BM_MaskPolygon(benchmark::State& state) {
  const std::vector<POINT> pts = BenchPolygon(1000);
  Fragment* polygon =
      CreatePolygonFrg(pts.data(), static_cast<int>(pts.size()), kFrgFillWinding, 0);
  DrawMask(state, polygon);
  DeleteFragment(polygon);
}
BENCHMARK(BM_MaskPolygon)->Unit(benchmark::kMillisecond);

// The smoothed-edge mask of the ellipse with a 10-pixel soft edge.
void BM_SmoothEdge(benchmark::State& state) {
  const LURECT bounds{0, 0, kWidth, kHeight};
  Fragment* ellipse = CreateEllipticFrg(&bounds, 0);
  SetSmoothEdge(ellipse, 100, kFrgSmoothCentred, nullptr);
  std::int64_t pixels = 0;
  for (auto _ : state) {
    Fragment* mask = GetSmoothMask(ellipse);
    LURECT r{};
    GetMaskRect(mask, &r);
    pixels += static_cast<std::int64_t>(r.width) * r.height;
    DeleteFragment(mask);
  }
  state.SetItemsProcessed(pixels);
  DeleteFragment(ellipse);
}
BENCHMARK(BM_SmoothEdge)->Unit(benchmark::kMillisecond);

}  // namespace
