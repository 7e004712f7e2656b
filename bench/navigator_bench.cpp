// The navigator's thumbnail from the composite of the ten-layer 4000 x 3000
// stack of the rendering benchmarks, through the draw core the document's
// RenderThumbnail draws with, fitted into the navigator's default image
// area (196 x 147): BM_NavigatorRefresh/0 the whole thumbnail,
// BM_NavigatorRefresh/1 what a change of one 256 x 256 piece redraws.
// items_per_second is composite pixels per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_stack.h"
#include "libs/draw/render.h"
#include "view/NavigatorMath.h"

namespace lumora::bench {
namespace {

// The composite as a binary PPM (top row first, RGB) for libvips to make
// its thumbnail of (bench/vs-vips names the file in
// LUMORA_NAVIGATOR_COMPOSITE).
void WriteCompositeForVips(const VrWA2000::WA& composite) {
  const char* path = std::getenv("LUMORA_NAVIGATOR_COMPOSITE");
  static bool written = false;
  if (path == nullptr || written) return;
  written = true;
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return;
  std::fprintf(f, "P6\n%d %d\n255\n", composite.GetW(), composite.GetH());
  std::vector<std::uint8_t> row(static_cast<std::size_t>(composite.GetW()) * 3);
  for (int y = composite.GetH() - 1; y >= 0; --y) {
    const std::uint8_t* p = composite.Row(y);
    for (int x = 0; x < composite.GetW(); ++x) {
      row[3 * x] = p[3 * x + 2];
      row[3 * x + 1] = p[3 * x + 1];
      row[3 * x + 2] = p[3 * x];
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  std::fclose(f);
}

void BM_NavigatorRefresh(benchmark::State& state) {
  CLayersManager* stack = TenLayerStack();
  const WAPtr composite = stack->GetCompositeImage();
  WriteCompositeForVips(*composite);
  const WAPtr coverage = stack->GetCompositeMask();
  const RECT thumb = FitThumbnail(RECT{0, 0, 196, 147}, kStackWidth, kStackHeight);
  const int width = thumb.right - thumb.left, height = thumb.bottom - thumb.top;
  draw::RenderSettings settings;
  settings.image = composite.get();
  settings.coverage = coverage.get();
  settings.map = VRXFORM(kStackWidth, kStackHeight, XFFACT(width, kStackWidth), XFFACT(height, kStackHeight));
  RECT area{0, 0, width, height};
  std::int64_t pixels = std::int64_t{kStackWidth} * kStackHeight;
  if (state.range(0) == 1) {
    // A piece in the middle of the image, as the window shows it.
    area = RECT{1792, 1280, 2048, 1536};
    settings.map.RevXForm(&area, kXFRects);
    pixels = 256 * 256;
  }
  std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * height);
  for (auto _ : state) {
    draw::RenderRect(settings, area, out.data() + area.top * width + area.left, width);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * pixels);
}
BENCHMARK(BM_NavigatorRefresh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora::bench
