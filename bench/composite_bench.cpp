// Row compositing: CompositeRow24 and CompositeRow8 over 4096-pixel rows in
// every merge mode, one benchmark per mode (BM_CompositeRow24_<Mode>,
// BM_CompositeRow8_<Mode>, the mode's name without spaces). The argument is
// the case: 0 no mask over a fully covered destination, 1 a mask over a
// fully covered destination, 2 a mask over partial coverage. The layer is at
// full opacity; pixels, mask and coverage are seeded random bytes (the
// coverage of case 2 a mix of 0, 255 and values between, restored before
// every pass so that it stays partial). items_per_second is pixels per
// second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/blend/CompositeRows.h"
#include "engine/blend/MergeModes.h"

namespace {

constexpr int kPixels = 4096;

std::vector<std::uint8_t> Random(std::mt19937& rng, std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

void CompositeRowBench(benchmark::State& state, int mode, int bytesPerPixel) {
  std::mt19937 rng(1234);
  lumora::BlendContext layer;
  layer.mergeMode = mode;
  layer.blendFunction = &lumora::GetBlendMode(mode);
  layer.uniqueId = 99;
  const int kind = static_cast<int>(state.range(0));
  std::vector<std::uint8_t> src = Random(rng, static_cast<std::size_t>(bytesPerPixel) * kPixels);
  std::vector<std::uint8_t> dst = Random(rng, static_cast<std::size_t>(bytesPerPixel) * kPixels);
  std::vector<std::uint8_t> mask = Random(rng, kPixels);
  std::vector<std::uint8_t> coverage(kPixels, 255);
  if (kind == 2) {
    for (auto& c : coverage) {
      const unsigned r = rng() % 3;
      c = r == 0 ? 0 : r == 1 ? 255 : static_cast<std::uint8_t>(rng());
    }
  }
  const std::vector<std::uint8_t> partial = coverage;
  const std::uint8_t* weight = kind == 0 ? nullptr : mask.data();
  for (auto _ : state) {
    if (kind == 2) std::memcpy(coverage.data(), partial.data(), kPixels);
    if (bytesPerPixel == 3) {
      CompositeRow24(layer, dst.data(), src.data(), weight, nullptr, kPixels, coverage.data(), 0,
                     0);
    } else {
      CompositeRow8(layer, dst.data(), src.data(), weight, nullptr, kPixels, coverage.data(), 0, 0);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

std::string WithoutSpaces(std::string name) {
  std::string out;
  for (char c : name) {
    if (c != ' ') out += c;
  }
  return out;
}

const bool kRegistered = [] {
  for (int bpp : {3, 1}) {
    for (int mode = 0; mode < lumora::kMergeModeCount; ++mode) {
      const std::string name = std::string(bpp == 3 ? "BM_CompositeRow24_" : "BM_CompositeRow8_") +
                               WithoutSpaces(GetMergeModeName(mode));
      benchmark::RegisterBenchmark(name.c_str(), CompositeRowBench, mode, bpp)
          ->Arg(0)
          ->Arg(1)
          ->Arg(2);
    }
  }
  return true;
}();

}  // namespace
