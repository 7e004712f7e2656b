// The clipboard's and Apply Image's pixel work on a 12-megapixel picture
// (4000 x 3000): a copy of the whole image (the snapshot, and apart the
// CF_DIB and mask block rendered from it),
// a 32-bit DIB pasted as an inserted layer with its undo step, and Apply
// Image's recompute (Multiply, with and without a mask). Items are pixels;
// BM_MemcpyDib24 (dib_bench.cpp) is the floor to read them against.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/bench_image.h"
#include "dialogs/ApplyImage.h"
#include "document/Clipboard.h"
#include "document/ImageDocument.h"
#include "engine/blend/MergeModes.h"
#include "engine/pixels/Dib.h"
#include "tests/document/null_host.h"

namespace {

using lumora::CreationRecord;
using lumora::ImageDocument;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A document of one noise layer over the whole image, its top layer active.
void NoiseDocument(ImageDocument& doc, int layers) {
  doc.NewImage(CreationRecord{2, kWidth, kHeight, 0x00480048u, 0xFFFFFFu});
  CLayersManager* stack = doc.GetLayers();
  for (int i = 0; i < layers; ++i) {
    const WAPtr image = lumora::bench::NoiseImage(kWidth, kHeight, 11u + static_cast<std::uint32_t>(i));
    stack->AddLayerFromImage(image.get(), POINT{0, 0}, 1);
    stack->GetLayer(stack->GetLayerCount() - 1)->SetName(i == 0 ? "A" : "B");
  }
  doc.SetActiveLayerByIndex(stack->GetLayerCount() - 1, true, true);
}

// Edit/Copy itself: the copy's snapshot (its layer shares the document's
// pixels) and the selection it keeps; the formats are rendered when a
// program asks for them (BM_CopyRender).
void BM_CopySnapshot(benchmark::State& state) {
  lumora::testing::NullDocumentHost host;
  ImageDocument doc(&host);
  NoiseDocument(doc, 1);
  LURECT all{0, 0, kWidth, kHeight};
  Fragment* selection = CreateRectFrg(&all, 0);
  for (auto _ : state) {
    CLayersManagerPtr snapshot = lumora::BuildCopySnapshot(doc, selection, false);
    if (!snapshot) state.SkipWithError("no snapshot");
    Fragment* kept = lumora::ClipboardFragmentOf(selection);
    benchmark::DoNotOptimize(snapshot.get());
    DeleteFragment(kept);
  }
  DeleteFragment(selection);
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_CopySnapshot)->Unit(benchmark::kMillisecond);

// What a program pasting the copy asks for: the CF_DIB of the snapshot's
// merged image and the selection block.
void BM_CopyRender(benchmark::State& state) {
  lumora::testing::NullDocumentHost host;
  ImageDocument doc(&host);
  NoiseDocument(doc, 1);
  LURECT all{0, 0, kWidth, kHeight};
  Fragment* selection = CreateRectFrg(&all, 0);
  CLayersManagerPtr snapshot = lumora::BuildCopySnapshot(doc, selection, false);
  Fragment* kept = lumora::ClipboardFragmentOf(selection);
  for (auto _ : state) {
    if (!snapshot) state.SkipWithError("no snapshot");
    const WAPtr merged = snapshot->CreateMergedImage(1, 255, 255, 255);
    const std::vector<std::uint8_t> dib = ImageToDIBBytes(merged.get(), RECT{0, 0, kWidth, kHeight});
    const std::vector<std::uint8_t> mask = lumora::WriteMaskBlock(kWidth, kHeight, kept);
    benchmark::DoNotOptimize(dib.data());
    benchmark::DoNotOptimize(mask.data());
  }
  DeleteFragment(kept);
  DeleteFragment(selection);
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_CopyRender)->Unit(benchmark::kMillisecond);

// A 32-bit DIB (blue, green, red, unused) of noise.
std::vector<std::uint8_t> NoiseDib32() {
  const WAPtr image = lumora::bench::NoiseImage(kWidth, kHeight, 7);
  std::vector<std::uint8_t> out(40 + std::size_t{4} * kWidth * kHeight);
  const std::uint32_t header[] = {40, kWidth, kHeight};
  std::memcpy(out.data(), header, sizeof header);
  out[12] = 1;
  out[14] = 32;
  for (int y = 0; y < kHeight; ++y) {
    const std::uint8_t* src = image->Row(y);
    std::uint8_t* dst = out.data() + 40 + std::size_t{4} * kWidth * y;
    for (int x = 0; x < kWidth; ++x) std::memcpy(dst + 4 * x, src + 3 * x, 3);
  }
  return out;
}

void BM_PasteDib(benchmark::State& state) {
  lumora::testing::NullDocumentHost host;
  ImageDocument doc(&host);
  NoiseDocument(doc, 1);
  const std::vector<std::uint8_t> dib = NoiseDib32();
  for (auto _ : state) {
    const WAPtr image = WAPtr::Adopt(DIBToImage(dib.data(), dib.size(), 0));
    const WAPtr mask = WAPtr::Adopt(DIBAlphaToMask(dib.data(), dib.size()));
    if (!image) state.SkipWithError("no image");
    const POINT origin = lumora::CentredOrigin(kWidth, kHeight, image->GetW(), image->GetH());
    CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image.get(), origin, mask ? 1 : 0, mask.get(), 0));
    layer->SetName(doc.GetLayers()->MakeUniqueLayerName(std::string(), 0, nullptr));
    if (!doc.InsertLayer(doc.GetActiveLayer(), layer.get(), true, true, true)) state.SkipWithError("not inserted");
    state.PauseTiming();
    doc.UndoRedo(false);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_PasteDib)->Unit(benchmark::kMillisecond);

// Apply Image's recompute: "A" Multiply over "B", with the mask open (the
// Grey of "A" masking the source) or closed.
void BM_ApplyImage(benchmark::State& state) {
  lumora::testing::NullDocumentHost host;
  ImageDocument doc(&host);
  NoiseDocument(doc, 2);
  CLayersManager& stack = *doc.GetLayers();
  CLayer* target = stack.FindLayerByName("B");
  lumora::ApplyImageSource source(&stack, nullptr);
  const lumora::ApplyWork work = lumora::MakeApplyWork(stack, target, false);
  lumora::ApplyBlend blend;
  blend.mergeMode = lumora::kMergeMultiply;
  const bool masked = state.range(0) != 0;
  for (auto _ : state) {
    CLayerPtr s = lumora::BuildApplySource(source, false, "A", lumora::kChannelRGB, false, work);
    if (masked) {
      CLayerPtr k = lumora::BuildApplyMaskSource(source, false, "A", lumora::kChannelGrey, work);
      s = lumora::MaskApplyLayer(*s, *k, lumora::kChannelGrey, false);
    }
    CLayerPtr result = lumora::BlendApplyLayer(stack, s.get(), *target, blend);
    if (!result) state.SkipWithError("no result");
    benchmark::DoNotOptimize(result.get());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ApplyImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
