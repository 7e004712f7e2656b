// The draw core painting a whole client area: BM_DrawContextPaint/<s> at
// ladder values 4 (1:4), 2 (1:2), 1 (1:1) and -4 (4:1), and BM_DrawContextPaintGrid/1
// with grid, subdivisions and 10 guides.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench/draw_scene.h"
#include "libs/draw/render.h"

namespace lumora::bench {
namespace {

draw::RenderSettings SceneSettings(int s) {
  const DrawScene& scene = SharedDrawScene();
  const ScenePlacement p = PlaceScene(s);
  XFFACT fx(p.displayed, p.image), fy(p.displayed, p.image);
  fx.shift(p.originX);
  fy.shift(p.originY);
  draw::RenderSettings settings;
  settings.image = scene.image.get();
  settings.coverage = scene.coverage.get();
  settings.map = VRXFORM(kSceneWidth, kSceneHeight, fx, fy);
  return settings;
}

void Paint(benchmark::State& state, const draw::RenderSettings& settings) {
  RECT area = settings.map.ImageWindowRect();
  area.left = std::max<LONG>(area.left, 0);
  area.top = std::max<LONG>(area.top, 0);
  area.right = std::min<LONG>(area.right, kClientWidth);
  area.bottom = std::min<LONG>(area.bottom, kClientHeight);
  std::vector<std::uint32_t> out(static_cast<std::size_t>(kClientWidth) * kClientHeight);
  for (auto _ : state) {
    draw::RenderRect(settings, area, out.data() + area.top * kClientWidth + area.left, kClientWidth);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * (area.right - area.left) * (area.bottom - area.top));
}

void BM_DrawContextPaint(benchmark::State& state) {
  Paint(state, SceneSettings(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_DrawContextPaint)->Arg(4)->Arg(2)->Arg(1)->Arg(-4)->Unit(benchmark::kMillisecond);

void BM_DrawContextPaintGrid(benchmark::State& state) {
  draw::RenderSettings settings = SceneSettings(static_cast<int>(state.range(0)));
  settings.gridShown = true;
  settings.grid = VR_GRIDSETTINGS{0x808080, kVrLineSolid, 64.0, 64.0, 4};
  settings.guidesShown = true;
  settings.guideStyle = VR_GUIDESETTINGS{0xFFFF00, kVrLineDashed};
  for (int k = 0; k < 5; ++k) {
    settings.guides.push_back({(400 + 150 * k) * 32 + 7, kVrGuideVertical});
    settings.guides.push_back({(1800 + 120 * k) * 32 + 21, kVrGuideHorizontal});
  }
  Paint(state, settings);
}
BENCHMARK(BM_DrawContextPaintGrid)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora::bench
