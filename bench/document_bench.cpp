// The document's undo steps: one pixel step on a ten-layer 6000 x 4000 RGB
// document with masks, and bringing the backup copies up to date after a
// refresh of a given side (0: the whole layer).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "document/ImageDocument.h"
#include "engine/pixels/WAccess.h"
#include "platform/rect.h"
#include "tests/document/null_host.h"

namespace {

using lumora::CreationRecord;
using lumora::ImageDocument;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

using BenchHost = lumora::testing::NullDocumentHost;

// Snapshots share the live stack's buffers; counts the pixel bytes of the
// buffers the history clones before a step writes them.
class CountingCopier : public lumora::SnapshotCopier {
 public:
  VrWA2000::WA* CloneBuffer(const VrWA2000::WA& buffer) override {
    bytes += static_cast<std::uint64_t>(buffer.GetBPLine()) * buffer.GetH();
    const auto start = std::chrono::steady_clock::now();
    VrWA2000::WA* clone = SnapshotCopier::CloneBuffer(buffer);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return clone;
  }
  std::uint64_t bytes = 0;
  double seconds = 0;
};

// A document of `layers` full-size RGB layers, each with a mask; the top
// one active.
void AddMaskedLayers(ImageDocument& doc, int layers) {
  doc.NewImage(CreationRecord{2, kWidth, kHeight, 0x00480048u, 0xFFFFFFu});
  CLayersManager* stack = doc.GetLayers();
  WAPtr mask = WAPtr::Adopt(NewWA(kWAType8Grey, kWidth, kHeight, nullptr));
  stack->GetLayer(0)->SetMask(mask.get());
  for (int i = 1; i < layers; ++i) {
    WAPtr image = WAPtr::Adopt(NewWA(kWAType24, kWidth, kHeight, nullptr));
    stack->AddLayerFromImage(image.get(), POINT{0, 0}, 1);
    WAPtr layerMask = WAPtr::Adopt(NewWA(kWAType8Grey, kWidth, kHeight, nullptr));
    stack->GetLayer(i)->SetMask(layerMask.get());
  }
  doc.SetActiveLayerByIndex(layers - 1, true, true);
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A brush-sized change (64 x 64) to the active layer, pushed as a pixel
// step, 50 times, under the default history limit of 50 items. Counters:
// the pixel bytes copied per step (the history's clones and the backup
// copies), their ratio to one layer (image and mask), the step's time
// against the time of its clone of that layer, the growth of pixel memory
// per step and the peak resident size after the 50 steps.
void BM_UndoPixelStep(benchmark::State& state) {
  BenchHost host;
  CountingCopier copier;
  ImageDocument doc(&host, &copier);
  AddMaskedLayers(doc, 10);
  doc.History().TrimToLimit(50, 1);
  doc.BackupImageByName("Brush");
  const std::uint64_t firstClones = copier.bytes;
  const std::uint64_t firstInUse = VrWA2000::WA::MM_BytesInUse();
  std::uint64_t backupBytes = 0;
  const double firstCloneSeconds = copier.seconds;
  double stepSeconds = 0;
  int step = 0;
  for (auto _ : state) {
    state.PauseTiming();
    WAPtr image = doc.GetActiveImage();
    const int x = (step * 97) % (kWidth - 64);
    const int y = (step * 61) % (kHeight - 64);
    for (int r = 0; r < 64; ++r) image->Row(kHeight - 1 - y - r)[x * 3] ^= 0xFF;
    const RECT brush = lumora::MakeRect(x, y, x + 64, y + 64);
    doc.InvalidateImageRect(&brush, false, false);
    doc.Queue().StopThread();
    ++step;
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    doc.BackupImageByName("Brush");
    stepSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    backupBytes += doc.LastBackupBytes();
  }
  const double steps = std::max(1.0, static_cast<double>(state.iterations()));
  const double layerBytes = static_cast<double>(kWidth) * 3 * kHeight + kWidth * kHeight;
  const double copied = static_cast<double>(copier.bytes - firstClones + backupBytes) / steps;
  state.counters["bytes_copied_per_step"] = copied;
  state.counters["layer_bytes"] = layerBytes;
  state.counters["copied_per_layer"] = copied / layerBytes;
  // The whole step against the time its clone of the layer took.
  const double cloneSeconds = copier.seconds - firstCloneSeconds;
  state.counters["step_per_layer_copy"] = cloneSeconds > 0 ? stepSeconds / cloneSeconds : 0;
  state.counters["pixel_bytes_added_per_step"] =
      static_cast<double>(VrWA2000::WA::MM_BytesInUse() - firstInUse) / steps;
  state.counters["undo_items"] = doc.History().UndoCount();
  state.counters["peak_rss_kb"] = static_cast<double>(PeakKilobytes());
}
BENCHMARK(BM_UndoPixelStep)->Unit(benchmark::kMillisecond)->Iterations(50);

// The yardstick of BM_UndoPixelStep: one copy of the changed layer (image
// and mask cloned), 50 times, every copy kept as the history keeps its
// snapshots.
void BM_UndoLayerCopy(benchmark::State& state) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, kWidth, kHeight, nullptr));
  WAPtr mask = WAPtr::Adopt(NewWA(kWAType8Grey, kWidth, kHeight, nullptr));
  std::vector<WAPtr> kept;
  for (auto _ : state) {
    kept.push_back(WAPtr::Adopt(CloneWA(image.get())));
    kept.push_back(WAPtr::Adopt(CloneWA(mask.get())));
  }
}
BENCHMARK(BM_UndoLayerCopy)->Unit(benchmark::kMillisecond)->Iterations(50);

// UpdateBackupImages after a refresh of side x side (0: the whole layer).
void BM_BackupStep(benchmark::State& state) {
  BenchHost host;
  ImageDocument doc(&host);
  AddMaskedLayers(doc, 1);
  doc.UpdateBackupImages();
  const int side = static_cast<int>(state.range(0));
  const RECT damage = side == 0 ? lumora::MakeRect(0, 0, kWidth, kHeight)
                                : lumora::MakeRect(1000, 1000, 1000 + side, 1000 + side);
  for (auto _ : state) {
    state.PauseTiming();
    doc.InvalidateImageRect(&damage, false, false);
    doc.Queue().StopThread();
    state.ResumeTiming();
    doc.UpdateBackupImages();
  }
  state.counters["bytes_copied"] = static_cast<double>(doc.LastBackupBytes());
}
BENCHMARK(BM_BackupStep)->Arg(64)->Arg(512)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
