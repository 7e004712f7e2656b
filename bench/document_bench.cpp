// The document's undo steps: one pixel step on a ten-layer 6000 x 4000 RGB
// document with masks, and bringing the backup copies up to date after a
// refresh of a given side (0: the whole layer).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

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

// Counts the pixel bytes of every snapshot the history takes.
class CountingCopier : public lumora::SnapshotCopier {
 public:
  CLayersManager* Copy(const CLayersManager& stack) override {
    for (int i = 0; i < stack.GetLayerCount(); ++i) {
      const CLayer* layer = stack.GetLayer(i);
      const WAPtr image = layer->GetImage();
      const WAPtr mask = layer->GetMask();
      if (image) bytes += static_cast<std::uint64_t>(image->GetBPLine()) * image->GetH();
      if (mask) bytes += static_cast<std::uint64_t>(mask->GetBPLine()) * mask->GetH();
    }
    return SnapshotCopier::Copy(stack);
  }
  std::uint64_t bytes = 0;
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
// step, 50 times. Snapshots copy the whole stack today (about 1 GB each),
// so the history is limited to 3 items to stay within the machine's memory.
void BM_UndoPixelStep(benchmark::State& state) {
  BenchHost host;
  CountingCopier copier;
  ImageDocument doc(&host, &copier);
  AddMaskedLayers(doc, 10);
  doc.History().TrimToLimit(3, 1);
  doc.BackupImageByName("Brush");
  const std::uint64_t first = copier.bytes;
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
    doc.BackupImageByName("Brush");
  }
  const double steps = static_cast<double>(state.iterations());
  state.counters["snapshot_bytes_per_step"] =
      steps > 0 ? static_cast<double>(copier.bytes - first) / steps : 0;
  state.counters["backup_bytes_last_step"] = static_cast<double>(doc.LastBackupBytes());
  state.counters["layer_bytes"] = static_cast<double>(kWidth) * 3 * kHeight + kWidth * kHeight;
  state.counters["undo_items"] = doc.History().UndoCount();
  state.counters["peak_rss_kb"] = static_cast<double>(PeakKilobytes());
}
BENCHMARK(BM_UndoPixelStep)->Unit(benchmark::kMillisecond)->Iterations(50);

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
