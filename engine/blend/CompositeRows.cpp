// Row loops: the per-row set-up (effective mode, parameter, which steps
// apply), the choice of implementation level, and the single-value
// operations.
#include "engine/blend/CompositeRows.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "engine/blend/CompositeKernels.h"
#include "engine/blend/CompositeSetup.h"

namespace lumora {
namespace {

bool ProcessorHasAvx2() {
#if (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}

CompositeLevel DetectBestLevel() {
  if (ProcessorHasAvx2() && detail::Avx2Kernels() != nullptr) return CompositeLevel::kAvx2;
  if (detail::Sse2Kernels() != nullptr) return CompositeLevel::kSse2;
  return CompositeLevel::kGeneric;
}

CompositeLevel StartLevel() {
  const CompositeLevel best = BestCompositeLevel();
  const char* env = std::getenv("LUMORA_COMPOSITE_LEVEL");
  if (env == nullptr) return best;
  const std::string_view name(env);
  CompositeLevel wanted = best;
  if (name == "generic") wanted = CompositeLevel::kGeneric;
  if (name == "sse2") wanted = CompositeLevel::kSse2;
  return wanted < best ? wanted : best;
}

std::atomic<int>& LevelSlot() {
  static std::atomic<int> slot{static_cast<int>(StartLevel())};
  return slot;
}

}  // namespace

CompositeLevel BestCompositeLevel() {
  static const CompositeLevel best = DetectBestLevel();
  return best;
}

CompositeLevel GetCompositeLevel() {
  return static_cast<CompositeLevel>(LevelSlot().load(std::memory_order_relaxed));
}

CompositeLevel SetCompositeLevel(CompositeLevel level) {
  const CompositeLevel best = BestCompositeLevel();
  if (level > best) level = best;
  LevelSlot().store(static_cast<int>(level), std::memory_order_relaxed);
  return level;
}

namespace detail {

const SpanKernels& CurrentKernels() {
  switch (GetCompositeLevel()) {
    case CompositeLevel::kAvx2:
      return *Avx2Kernels();
    case CompositeLevel::kSse2:
      return *Sse2Kernels();
    default:
      return GenericKernels();
  }
}

SpanSetup MakeSpanSetup(const BlendContext& layer, bool merge) {
  SpanSetup setup;
  setup.layer = &layer;
  setup.mode = &layer.EffectiveMode();
  setup.parameter = layer.ModeParameter();
  setup.opacity = layer.Opacity();
  setup.dissolve = setup.mode->code == kMergeDissolve;
  setup.applyOpacity = !setup.dissolve && setup.opacity != 255;
  setup.blendIf = layer.blendIfActive != 0;
  setup.merge = merge;
  setup.dissolveThreshold = DissolveThreshold(setup.opacity);
  return setup;
}

namespace {

bool AllOpaque(const std::uint8_t* weights, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t eight;
    std::memcpy(&eight, weights + i, 8);
    if (eight != ~std::uint64_t{0}) return false;
  }
  for (; i < n; ++i) {
    if (weights[i] != 255) return false;
  }
  return true;
}

}  // namespace

void RunSpan(const SpanSetup& setup, const SpanArgs& args, int bytesPerPixel) {
  if (args.n <= 0) return;
  // At opacity 0 every weight is 0 (and Dissolve keeps no pixel): nothing
  // changes.
  if (setup.opacity == 0) return;
  const SpanKernels& kernels = CurrentKernels();
  // A Normal layer at full opacity without weights or blend-if is its own
  // pixels, fully covering: a row copy. A first weight of 255 all along the
  // row weighs as no weight does (an opaque mask).
  if (&kernels != &GenericKernels() && setup.mode->code == kMergeNormal && setup.opacity == 255 &&
      args.weight2 == nullptr && !setup.blendIf && (args.weight1 == nullptr || AllOpaque(args.weight1, args.n))) {
    std::memcpy(args.dst, args.src, static_cast<std::size_t>(args.n) * bytesPerPixel);
    if (args.coverage != nullptr && !setup.merge) {
      std::memset(args.coverage, 255, static_cast<std::size_t>(args.n));
    }
    return;
  }
  (bytesPerPixel == 3 ? kernels.span24 : kernels.span8)(setup, args);
}

}  // namespace detail
}  // namespace lumora

namespace {

void Row(const lumora::BlendContext& layer, bool merge, int bytesPerPixel, std::uint8_t* dst,
         const std::uint8_t* src, const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
         const std::uint8_t* coverage, int x, int y) {
  using namespace lumora::detail;
  SpanArgs args;
  args.dst = dst;
  args.src = src;
  args.weight1 = weight1;
  args.weight2 = weight2;
  args.n = n;
  // A merge only reads the coverage.
  args.coverage = const_cast<std::uint8_t*>(coverage);
  args.x = x;
  args.y = y;
  RunSpan(MakeSpanSetup(layer, merge), args, bytesPerPixel);
}

}  // namespace

void CompositeRow24(const lumora::BlendContext& layer, std::uint8_t* dst, const std::uint8_t* src,
                    const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
                    std::uint8_t* coverage, int x, int y) {
  Row(layer, false, 3, dst, src, weight1, weight2, n, coverage, x, y);
}

void CompositeRow8(const lumora::BlendContext& layer, std::uint8_t* dst, const std::uint8_t* src,
                   const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
                   std::uint8_t* coverage, int x, int y) {
  Row(layer, false, 1, dst, src, weight1, weight2, n, coverage, x, y);
}

void MergeRow24(const lumora::BlendContext& layer, std::uint8_t* dst, const std::uint8_t* src,
                const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
                const std::uint8_t* coverage, int x, int y) {
  Row(layer, true, 3, dst, src, weight1, weight2, n, coverage, x, y);
}

void MergeRow8(const lumora::BlendContext& layer, std::uint8_t* dst, const std::uint8_t* src,
               const std::uint8_t* weight1, const std::uint8_t* weight2, int n,
               const std::uint8_t* coverage, int x, int y) {
  Row(layer, true, 1, dst, src, weight1, weight2, n, coverage, x, y);
}

namespace {

// x / 255 for 0 <= x <= 65025, by multiplying and shifting.
int Div255(int x) {
  return static_cast<int>(lumora::Div255(static_cast<std::uint32_t>(x)));
}

// (s m + v (255 - m)) / 255 by the second weight alone: what a replacing
// work layer does to a value.
int ReplaceValue(int v, int s, const std::uint8_t* weight2) {
  if (weight2 == nullptr) return s;
  const int m = *weight2;
  if (m == 0) return v;
  if (m == 255) return s;
  return Div255(s * m + v * (255 - m));
}

}  // namespace

int BlendValue8(int v, const lumora::BlendContext& layer, std::uint8_t value,
                const std::uint8_t* weight1, const std::uint8_t* weight2, int column, int row) {
  if (layer.replace != 0) return ReplaceValue(v, value, weight2);
  int a = weight1 != nullptr ? *weight1 : 255;
  if (weight2 != nullptr) a = Div255(a * *weight2);
  const lumora::BlendMode& mode = layer.EffectiveMode();
  const bool dissolve = mode.code == lumora::kMergeDissolve;
  if (!dissolve) a = layer.OpacityTable()[a];
  if (dissolve && !lumora::DissolveKeeps(layer.Opacity(), column, row)) return v;
  const std::uint32_t r =
      mode.function(value, static_cast<std::uint32_t>(v), layer.ModeParameter());
  if ((r & lumora::kBlendDropped) != 0 || a == 0) return v;
  if (a == 255) return static_cast<int>(r & 255u);
  return Div255((255 - a) * v + static_cast<int>(r & 255u) * a);
}

int MergeCoverage8(int v, const lumora::BlendContext& layer, const std::uint8_t* weight1,
                   const std::uint8_t* weight2) {
  if (layer.replace != 0) return ReplaceValue(v, weight1 != nullptr ? *weight1 : 255, weight2);
  int a = weight1 != nullptr ? *weight1 : 255;
  if (weight2 != nullptr) a = Div255(a * *weight2);
  a = layer.OpacityTable()[a];
  if (v == 255) return 255;
  if (v == 0 || a == 255) return a;
  return 255 - Div255((255 - a) * (255 - v));
}
