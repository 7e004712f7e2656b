// libmypaint's dab beside ours (bench/vs-mypaint): one round soft dab of the
// given diameter per iteration, opaque colour, hardness 0.5, laid on a fixed
// tiled surface and rendered (end of the atomic step), so items per second
// is pixels of the dab's square per second as BM_Dab counts them.
#include <benchmark/benchmark.h>

extern "C" {
#include <mypaint-fixed-tiled-surface.h>
#include <mypaint-surface.h>
}

namespace {

void BM_MyPaintDab(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const int side = size + 16;
  MyPaintFixedTiledSurface* surface = mypaint_fixed_tiled_surface_new(side, side);
  MyPaintSurface* target = mypaint_fixed_tiled_surface_interface(surface);
  const float centre = 8.0f + size / 2.0f;
  for (auto _ : state) {
    mypaint_surface_begin_atomic(target);
    mypaint_surface_draw_dab(target, centre, centre, size / 2.0f, 200 / 255.0f, 100 / 255.0f, 50 / 255.0f, 1.0f,
                             0.5f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
    MyPaintRectangle changed;
    mypaint_surface_end_atomic(target, &changed);
    benchmark::DoNotOptimize(changed);
  }
  state.SetItemsProcessed(state.iterations() * size * size);
  mypaint_surface_unref(target);
}
BENCHMARK(BM_MyPaintDab)->Arg(9)->Arg(49)->Arg(299);

}  // namespace
