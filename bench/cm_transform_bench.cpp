// The display transform of colour management on a 12 MP BGRA buffer, one
// thread: BM_CmTransform/0 sRGB -> wide gamut, /1 back, through the cached
// table transform; BM_CmTransformLcms the same through LittleCMS's own
// cmsDoTransform, as transicc runs it.
#include <benchmark/benchmark.h>

#include <lcms2.h>

#include <cstdint>
#include <vector>

#include "libs/draw/cm_transform.h"
#include "tests/support/cm_profiles.h"

namespace lumora::bench {
namespace {

constexpr int kWidth = 4000, kHeight = 3000;

const std::vector<std::uint32_t>& Photo() {
  static const std::vector<std::uint32_t> pixels = [] {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(kWidth) * kHeight);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        seed = seed * 1664525u + 1013904223u;
        // Smooth gradients with a little noise, opaque.
        const std::uint32_t r = (x * 255 / kWidth + (seed >> 28)) & 0xFF;
        const std::uint32_t g = (y * 255 / kHeight + (seed >> 24 & 7)) & 0xFF;
        const std::uint32_t b = ((x + y) * 255 / (kWidth + kHeight)) & 0xFF;
        px[static_cast<std::size_t>(y) * kWidth + x] = 0xFF000000u | r << 16 | g << 8 | b;
      }
    }
    return px;
  }();
  return pixels;
}

const draw::CmProfile& Wide() {
  static const draw::CmProfile wide = [] {
    const std::vector<std::uint8_t> bytes = testing::WideGamutProfileBytes();
    return draw::CmProfile::FromMemory(bytes.data(), bytes.size());
  }();
  return wide;
}

void BM_CmTransform(benchmark::State& state) {
  const draw::CmProfile srgb = draw::CmProfile::Srgb();
  const bool back = state.range(0) == 1;
  const std::vector<std::uint32_t>& in = Photo();
  std::vector<std::uint32_t> out(in.size());
  for (auto _ : state) {
    auto t = draw::CachedCmTransform(back ? Wide() : srgb, back ? srgb : Wide(), draw::kIntentPerceptual,
                                     draw::CmProfile(), 0);
    t->Apply(in.data(), out.data(), in.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(in.size()));
}
BENCHMARK(BM_CmTransform)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CmTransformLcms(benchmark::State& state) {
  const draw::CmProfile srgb = draw::CmProfile::Srgb();
  const bool back = state.range(0) == 1;
  cmsHTRANSFORM t = cmsCreateTransform(back ? Wide().Handle() : srgb.Handle(), TYPE_BGRA_8,
                                       back ? srgb.Handle() : Wide().Handle(), TYPE_BGRA_8,
                                       INTENT_PERCEPTUAL, 0);
  const std::vector<std::uint32_t>& in = Photo();
  std::vector<std::uint32_t> out(in.size());
  for (auto _ : state) {
    cmsDoTransform(t, in.data(), out.data(), static_cast<cmsUInt32Number>(in.size()));
    benchmark::DoNotOptimize(out.data());
  }
  cmsDeleteTransform(t);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(in.size()));
}
BENCHMARK(BM_CmTransformLcms)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumora::bench
