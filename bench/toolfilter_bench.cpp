// The tools' window filters on a 4000 x 3000 RGB picture, one thread:
// BM_ToolFilter/<name>/<window side>. The forms with a poll, asked every
// band of rows as in the program's tool runs.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_image.h"
#include "libs/toolhost/Filters.h"

namespace {

using lumora::toolhost::ConstImageView;
using lumora::toolhost::ImageView;
using lumora::toolhost::RowPoll;
using FilterFn = bool (*)(const ConstImageView&, const ImageView&, int, int, RowPoll&);

bool Sharpen(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) {
  return lumora::toolhost::UnsharpFilter(src, dst, w, h, 4, poll);
}

// A run's progress: counts the questions, never stops.
bool CountQuestion(void* context, int, int) {
  ++*static_cast<int*>(context);
  return false;
}

void RunFilter(benchmark::State& state, FilterFn filter, int size) {
  const auto src = lumora::bench::NoiseImage(4000, 3000, 11);
  const auto dst = lumora::bench::NoiseImage(4000, 3000, 12);
  const ConstImageView in{src->Bits(), src->GetW(), src->GetH(), src->GetBPLine(), 3};
  const ImageView out{dst->Bits(), dst->GetW(), dst->GetH(), dst->GetBPLine(), 3};
  int questions = 0;
  for (auto _ : state) {
    RowPoll poll(CountQuestion, &questions);
    if (!filter(in, out, size, size, poll)) state.SkipWithError("stopped");
    benchmark::DoNotOptimize(dst->Bits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}

const int kRegistered = [] {
  const struct {
    const char* name;
    FilterFn filter;
  } filters[] = {{"mean", lumora::toolhost::MeanFilter},
                 {"minimum", lumora::toolhost::MinimumFilter},
                 {"maximum", lumora::toolhost::MaximumFilter},
                 {"median", lumora::toolhost::MedianFilter},
                 {"sharpen", Sharpen}};
  for (const auto& f : filters) {
    for (int size : {3, 11}) {
      const std::string name = std::string("BM_ToolFilter/") + f.name + "/" + std::to_string(size);
      benchmark::RegisterBenchmark(name.c_str(), RunFilter, f.filter, size)->Unit(benchmark::kMillisecond);
    }
  }
  return 0;
}();

}  // namespace
