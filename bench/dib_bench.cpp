// DIB conversion of a 12-megapixel picture (4000 x 3000) against a plain
// copy of the same bytes into new memory, as any conversion must make its
// result somewhere. Items are pixels.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/bench_image.h"
#include "engine/pixels/Dib.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

std::vector<std::uint8_t> NoiseDib24() {
  const WAPtr image = lumora::bench::NoiseImage(kWidth, kHeight, 7);
  return ImageToDIBBytes(image.get(), RECT{0, 0, kWidth, kHeight});
}

// A 32-bit DIB (blue, green, red, unused) of the same picture.
std::vector<std::uint8_t> NoiseDib32() {
  std::vector<std::uint8_t> dib = NoiseDib24();
  std::vector<std::uint8_t> out(40 + std::size_t{4} * kWidth * kHeight);
  std::memcpy(out.data(), dib.data(), 40);
  out[14] = 32;
  const std::size_t rowBytes = (std::size_t{24} * kWidth + 31) / 32 * 4;
  for (int y = 0; y < kHeight; ++y) {
    const std::uint8_t* src = dib.data() + 40 + y * rowBytes;
    std::uint8_t* dst = out.data() + 40 + std::size_t{4} * kWidth * y;
    for (int x = 0; x < kWidth; ++x) std::memcpy(dst + 4 * x, src + 3 * x, 3);
  }
  return out;
}

void BM_MemcpyDib24(benchmark::State& state) {
  const std::vector<std::uint8_t> dib = NoiseDib24();
  for (auto _ : state) {
    std::unique_ptr<std::uint8_t, decltype(&std::free)> copy(
        static_cast<std::uint8_t*>(std::calloc(dib.size(), 1)), &std::free);
    std::memcpy(copy.get(), dib.data(), dib.size());
    benchmark::DoNotOptimize(copy.get());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_MemcpyDib24)->Unit(benchmark::kMillisecond);

void BM_DIBToImage24(benchmark::State& state) {
  const std::vector<std::uint8_t> dib = NoiseDib24();
  for (auto _ : state) {
    const WAPtr image = WAPtr::Adopt(DIBToImage(dib.data(), dib.size(), 1));
    if (!image) state.SkipWithError("no image");
    benchmark::DoNotOptimize(image.get());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DIBToImage24)->Unit(benchmark::kMillisecond);

void BM_DIBToImage32(benchmark::State& state) {
  const std::vector<std::uint8_t> dib = NoiseDib32();
  for (auto _ : state) {
    const WAPtr image = WAPtr::Adopt(DIBToImage(dib.data(), dib.size(), 1));
    if (!image) state.SkipWithError("no image");
    benchmark::DoNotOptimize(image.get());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DIBToImage32)->Unit(benchmark::kMillisecond);

void BM_ImageToDIB24(benchmark::State& state) {
  const WAPtr image = lumora::bench::NoiseImage(kWidth, kHeight, 7);
  const RECT whole{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    std::unique_ptr<std::uint8_t, decltype(&std::free)> dib(
        static_cast<std::uint8_t*>(std::calloc(ImageToDIBSize(image.get(), whole), 1)), &std::free);
    if (!WriteImageToDIB(image.get(), whole, dib.get())) state.SkipWithError("no DIB");
    benchmark::DoNotOptimize(dib.get());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ImageToDIB24)->Unit(benchmark::kMillisecond);

}  // namespace
