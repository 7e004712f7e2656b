// The layered file on one thread. BM_LayeredRead and BM_LayeredWrite: a
// 4000 x 3000 RGB document of ten full-size layers with masks (photo-like
// noise in every other layer, smooth gradients in the rest, soft-edged
// masks; about 200 MB of channel data) read from and written to a file in
// the system's temporary folder (the write is CRWLayers::Write into a disk
// file, merged image included; Save only adds the flush to the disk and
// the rename). BM_LayeredRead's counters give each read's stages in
// milliseconds (file_ms: the file's bytes into working memory, unpack_ms:
// PackBits rows decoded, join_ms: channel rows joined into the layers'
// pixels and transparency, fold_ms: user masks folded in, merged_ms: the
// merged image, wait_ms: waiting for buffers helper threads make ahead,
// other_ms: the rest: records, buffers, the stack) and the minor page
// faults of the reading thread (faults) and of each stage (*_faults).
// BM_LayeredReadHelpers/N: the same read with N helper threads making the
// layers' buffers ahead. BM_PackBits and BM_UnpackBits: 4000-byte rows, argument 0
// photo-like, 1 flat. items_per_second is pixels (bytes for the codec) per
// second. BM_OpenAndSettle: what the program does from the file to a
// settled view, without the window: the same file read into a document's
// layer stack, installed, the whole image queued and the render queue
// drained; counter settle_ms is the drain alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "bench/bench_image.h"
#include "document/ImageDocument.h"
#include "tests/document/null_host.h"
#include "engine/layered/PackBits.h"
#include "engine/layered/BuffersAhead.h"
#include "engine/layered/RWLayers.h"
#include "engine/layered/ReadProfile.h"
#include "platform/page_memory.h"
#include "platform/stream_file.h"

namespace {

using lumora::bench::FillMask;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kLayers = 10;

std::uint32_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  return x ^ (x >> 16);
}

// Photo-like: a gradient with a few bits of noise; smooth: a gradient
// whose values change every few pixels.
void FillImage(VrWA2000::WA* image, int seed) {
  const bool noisy = seed % 2 == 0;
  for (int y = 0; y < image->GetH(); ++y) {
    std::uint8_t* row = image->Row(y);
    for (int i = 0; i < 3 * image->GetW(); ++i) {
      const int base = (i / 3 + y / 2 + seed * 37 + (i % 3) * 50) / (noisy ? 16 : 24);
      row[i] = static_cast<std::uint8_t>(
          noisy ? base + (Hash(static_cast<std::uint32_t>(y * 12007 + i + seed)) & 7) : base);
    }
  }
}

CLayersManager* Document() {
  static CLayersManager* stack = [] {
    auto* s = new CLayersManager(kWAType24, nullptr, kWidth, kHeight, 0x00600060u, 0xFFFFFFu, 1);
    for (int i = 0; i < kLayers; ++i) {
      LAYER_INFO info;
      info.name = "Layer " + std::to_string(i + 1);
      InitLayerInfo(info);
      info.mergeMode = i % 2 == 0 ? lumora::kMergeNormal : lumora::kMergeMultiply;
      const RECT rect{0, 0, kWidth, kHeight};
      CLayer* layer = new CLayer(&rect, info, kWAType24, 1);
      FillImage(layer->PeekImage(), i);
      FillMask(layer->PeekMask(), kWidth * (0.35 + 0.03 * i), kHeight * (0.4 + 0.02 * i),
               kWidth * (0.45 - 0.01 * i), kHeight * (0.5 - 0.015 * i));
      s->AddLayer(layer);
      layer->Release();
    }
    s->SetActiveLayerByIndex(0);
    s->SetNativeFormat(0);
    return s;
  }();
  return stack;
}

std::string FilePath() {
  return (std::filesystem::temp_directory_path() / "lumora_layered_bench.psd").string();
}

void WriteDocument(const std::string& path) {
  lumora::DiskFile file(path, lumora::DiskFile::kCreateWrite);
  CRWLayers(Document(), &file).Write(1);
  file.Close();
}

void BM_LayeredWrite(benchmark::State& state) {
  const std::string path = FilePath();
  Document();  // built before the timing
  for (auto _ : state) WriteDocument(path);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight * kLayers);
}
BENCHMARK(BM_LayeredWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same document with an 800 x 600 opaque layer on top, active, in the
// image's centre (where a view at 1:1 looks), written to
// "lumora_layer_drag.psd" in the temporary folder (bench/layer-drag drags
// that layer in the program).
void BM_LayeredWriteDragFile(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() / "lumora_layer_drag.psd").string();
  CLayersManager* stack = Document();
  LAYER_INFO info;
  info.name = "Drag";
  InitLayerInfo(info);
  const RECT rect{1600, 1200, 2400, 1800};
  CLayer* top = new CLayer(&rect, info, kWAType24, 0);
  FillImage(top->PeekImage(), 11);
  stack->AddLayer(top);
  stack->SetActiveLayer(top);
  for (auto _ : state) {
    lumora::DiskFile file(path, lumora::DiskFile::kCreateWrite);
    CRWLayers(stack, &file).Write(1);
    file.Close();
  }
  stack->SetActiveLayerByIndex(0);
  stack->RemoveLayer(top);  // the stack's reference comes back here
  top->Release();
  top->Release();
}
BENCHMARK(BM_LayeredWriteDragFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void ReadWithStages(benchmark::State& state) {
  const std::string path = FilePath();
  WriteDocument(path);
  lumora::LayeredReadProfile profile;
  double seconds = 0;
  std::uint64_t faults = 0;
  lumora::SetLayeredReadProfile(&profile);
  for (auto _ : state) {
    const std::uint64_t faultsBefore = lumora::ThreadMinorFaults();
    const auto start = std::chrono::steady_clock::now();
    CLayersManagerPtr doc = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, path));
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    faults += lumora::ThreadMinorFaults() - faultsBefore;
    benchmark::DoNotOptimize(doc.get());
  }
  lumora::SetLayeredReadProfile(nullptr);
  const auto n = static_cast<double>(state.iterations());
  const lumora::ReadStage stages[] = {profile.fileRead, profile.unpacking, profile.join, profile.maskFold,
                                      profile.merged, profile.waitAhead};
  const char* names[] = {"file", "unpack", "join", "fold", "merged", "wait"};
  double staged = 0;
  for (int i = 0; i < 6; ++i) {
    state.counters[std::string(names[i]) + "_ms"] = 1000 * stages[i].seconds / n;
    state.counters[std::string(names[i]) + "_faults"] = static_cast<double>(stages[i].faults) / n;
    staged += stages[i].seconds;
  }
  state.counters["other_ms"] = 1000 * (seconds - staged) / n;
  state.counters["faults"] = static_cast<double>(faults) / n;
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight * kLayers);
}

void BM_LayeredRead(benchmark::State& state) { ReadWithStages(state); }
BENCHMARK(BM_LayeredRead)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same read with N helper threads making the layers' buffers ahead and
// touching their pages (BuffersAhead); the pixels are the same.
void BM_LayeredReadHelpers(benchmark::State& state) {
  const int before = lumora::GetLayeredReadHelpers();
  lumora::SetLayeredReadHelpers(static_cast<int>(state.range(0)));
  ReadWithStages(state);
  lumora::SetLayeredReadHelpers(before);
}
BENCHMARK(BM_LayeredReadHelpers)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenAndSettle(benchmark::State& state) {
  const std::string path = FilePath();
  WriteDocument(path);
  lumora::testing::NullDocumentHost host;
  double settleSeconds = 0;
  for (auto _ : state) {
    lumora::ImageDocument doc(&host);
    CLayersManagerPtr stack = CLayersManagerPtr::Adopt(new CLayersManager(&doc, path));
    doc.InstallLayerStack(stack.get());
    const auto start = std::chrono::steady_clock::now();
    doc.InvalidateImageRect(nullptr, false, false);
    doc.Queue().RenderAllNow();
    settleSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["settle_ms"] = 1000 * settleSeconds / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_OpenAndSettle)->Unit(benchmark::kMillisecond)->UseRealTime();

std::vector<std::uint8_t> Row(int kind) {
  std::vector<std::uint8_t> row(kWidth);
  for (int x = 0; x < kWidth; ++x) {
    row[x] = kind == 0 ? static_cast<std::uint8_t>(x / 16 + (Hash(static_cast<std::uint32_t>(x)) & 7))
                       : static_cast<std::uint8_t>(x < 1500 ? 40 : x < 3900 ? 200 : 7);
  }
  return row;
}

void BM_PackBits(benchmark::State& state) {
  const std::vector<std::uint8_t> row = Row(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> out(PackBitsBound(kWidth));
  for (auto _ : state) {
    benchmark::DoNotOptimize(PackBits(row.data(), out.data(), kWidth));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_PackBits)->Arg(0)->Arg(1);

void BM_UnpackBits(benchmark::State& state) {
  const std::vector<std::uint8_t> row = Row(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> packed(PackBitsBound(kWidth));
  const std::uint32_t n = PackBits(row.data(), packed.data(), kWidth);
  std::vector<std::uint8_t> out(kWidth);
  for (auto _ : state) {
    UnpackBits(out.data(), packed.data(), n, kWidth);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth);
}
BENCHMARK(BM_UnpackBits)->Arg(0)->Arg(1);

}  // namespace
