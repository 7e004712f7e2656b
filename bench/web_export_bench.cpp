// The web export: colour reduction in every mode on a 2 MP and a 12 MP
// photo-like picture, the GIF, PNG and JPEG writers on 12 MP, and the GIF
// size estimate the dialog runs after every change (2 MP).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>

#include "files/JpegExport.h"
#include "files/PrepGifState.h"
#include "files/WebWriters.h"

namespace lumora::bench {
namespace {

// Smooth colour fields of several scales with soft blobs, hard-edged
// shapes and a little grain: the statistics of a photograph, not of noise.
WAPtr MakePhotoLike(int width, int height) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, width, height, nullptr));
  std::uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return seed;
  };
  double phase[12];
  for (double& p : phase) p = (next() >> 8) * (6.2831853 / 16777216.0);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image->Row(y);
    const double v = double(y) / height;
    for (int x = 0; x < width; ++x) {
      const double u = double(x) / width;
      double r = 120 + 70 * std::sin(3.1 * u + 2.3 * v + phase[0]) + 30 * std::sin(17 * u * v + phase[1]) +
                 12 * std::sin(41 * u - 29 * v + phase[2]);
      double g = 110 + 60 * std::sin(2.3 * v - 1.7 * u + phase[3]) + 35 * std::cos(13 * u + phase[4]) +
                 10 * std::sin(53 * v + phase[5]);
      double b = 100 + 80 * std::cos(2.9 * u * v + phase[6]) + 25 * std::sin(11 * v + 7 * u + phase[7]) +
                 9 * std::cos(47 * u + 37 * v + phase[8]);
      const double dx = u - 0.35, dy = v - 0.55;
      const double blob = std::exp(-(dx * dx + dy * dy) * 40);
      r = r * (1 - blob) + 235 * blob;
      g = g * (1 - blob) + 190 * blob;
      b = b * (1 - blob) + 160 * blob;
      if (u > 0.62 && u < 0.8 && v > 0.15 && v < 0.45) {
        r = 30 + 40 * v;
        g = 60 + 80 * u;
        b = 150;
      }
      const int grain = static_cast<int>(next() >> 29) - 4;
      row[3 * x] = static_cast<std::uint8_t>(std::clamp(int(b) + grain, 0, 255));
      row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(int(g) + grain, 0, 255));
      row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(int(r) + grain, 0, 255));
    }
  }
  return image;
}

struct Size {
  const char* name;
  int width, height;
};
constexpr Size kSizes[] = {{"2MP", 1632, 1224}, {"12MP", 4000, 3000}};

VrWA2000::WA* Photo(const Size& size) {
  static std::map<std::string, WAPtr> cache;
  WAPtr& image = cache[size.name];
  if (!image) image = MakePhotoLike(size.width, size.height);
  return image.get();
}

std::string ScratchPath(const std::string& name) {
  const std::filesystem::path shm("/dev/shm");
  return ((std::filesystem::exists(shm) ? shm : std::filesystem::temp_directory_path()) / ("lumora-bench-" + name))
      .string();
}

void Reduce(benchmark::State& st, const Size& size, int depth, int palette, int dither) {
  CPrepGIFState state;
  state.SetSource(Photo(size));
  state.depthBits = depth;
  state.paletteChoice = palette;
  state.dither = dither;
  for (auto _ : st) {
    if (state.Reduce() != CPrepGIFState::Outcome::kReduced) st.SkipWithError("reduction failed");
  }
  st.SetItemsProcessed(st.iterations() * size.width * size.height);
}

WAPtr Reduced8(const Size& size) {
  CPrepGIFState state;
  state.SetSource(Photo(size));
  state.Reduce();
  return WAPtr::Share(state.Result());
}

void WriteFile(benchmark::State& st, VrWA2000::WA* image, const std::string& path,
               bool (*write)(const std::string&, VrWA2000::WA*, const WebWriteOptions&, std::string*)) {
  std::string error;
  for (auto _ : st) {
    if (!write(path, image, {}, &error)) st.SkipWithError(error.c_str());
  }
  std::filesystem::remove(path);
  st.SetItemsProcessed(st.iterations() * image->GetW() * image->GetH());
}

void BM_WritePNG(benchmark::State& st) { WriteFile(st, Photo(kSizes[1]), ScratchPath("w.png"), WriteWebPNG); }

void BM_WriteGIF(benchmark::State& st) {
  WAPtr image = Reduced8(kSizes[1]);
  WriteFile(st, image.get(), ScratchPath("w.gif"), WriteWebGIF);
}

void BM_WriteJPEG(benchmark::State& st) {
  const std::string path = ScratchPath("w.jpg");
  std::string error;
  for (auto _ : st) {
    if (!SaveJPEG(path, *Photo(kSizes[1]), {70, 0, 0}, &error)) st.SkipWithError(error.c_str());
  }
  std::filesystem::remove(path);
  st.SetItemsProcessed(st.iterations() * kSizes[1].width * kSizes[1].height);
}

void BM_EstimateGIF(benchmark::State& st) {
  WAPtr image = Reduced8(kSizes[0]);
  for (auto _ : st) benchmark::DoNotOptimize(EstimateWebGIF(image.get(), {}));
  st.SetItemsProcessed(st.iterations() * kSizes[0].width * kSizes[0].height);
}

const bool gRegistered = [] {
  for (const Size& size : kSizes) {
    for (int palette : {0, 1}) {
      for (int dither : {0, 1}) {
        const std::string mode = std::string(palette ? "optimised/" : "standard/") + std::to_string(dither) + "/" + size.name;
        benchmark::RegisterBenchmark(("BM_Reduce8/" + mode).c_str(), Reduce, size, 8, palette, dither)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_Reduce4/" + mode).c_str(), Reduce, size, 4, palette, dither)
            ->Unit(benchmark::kMillisecond);
      }
    }
    for (int dither : {0, 1}) {
      benchmark::RegisterBenchmark(("BM_Reduce1/" + std::to_string(dither) + "/" + size.name).c_str(), Reduce, size,
                                   1, 0, dither)
          ->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

BENCHMARK(BM_WritePNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteGIF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteJPEG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EstimateGIF)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora::bench
