// Render queue: queueing many small damages, the latency of the piece under
// the pointer, and the worker's throughput. BM_WorkerCells composites
// through the real layer stack (the shared ten-layer stack of
// bench_stack.h, rendered by StackCellRenderer under its document lock);
// BM_PointerCellLatency through a stand-in document that blends ten RGBA
// layers into an RGB composite per piece.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "bench/bench_stack.h"
#include "engine/render/MapRect.h"
#include "engine/render/StackCellRenderer.h"

namespace {

using Clock = std::chrono::steady_clock;
using lumora::CMapRect;

constexpr LONG kWidth = 4000;
constexpr LONG kHeight = 3000;

class BenchView : public lumora::RenderQueueView {
 public:
  explicit BenchView(RECT visible) : visible_(visible) {}
  void SetPointer(POINT at) {
    pointer_ = at;
    hasPointer_ = true;
  }
  // Records the time at which a piece holding the pointer is announced.
  void Arm() {
    std::lock_guard<std::mutex> lock(m_);
    pointerDone_ = false;
  }
  Clock::time_point WaitForPointerPiece() {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [&] { return pointerDone_; });
    return doneAt_;
  }

  bool IsLive() const override { return true; }
  RECT GetVisibleImageRect() override { return visible_; }
  bool GetPointerImagePos(POINT* at, bool) override {
    *at = pointer_;
    return hasPointer_;
  }
  void OnCellDone(const RECT& r) override {
    if (!hasPointer_ || pointer_.x < r.left || pointer_.x >= r.right || pointer_.y < r.top ||
        pointer_.y >= r.bottom) {
      return;
    }
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(m_);
    doneAt_ = now;
    pointerDone_ = true;
    cv_.notify_all();
  }
  void OnCellDoneNow(const RECT&) override {}

 private:
  RECT visible_;
  POINT pointer_{0, 0};
  bool hasPointer_ = false;
  std::mutex m_;
  std::condition_variable cv_;
  bool pointerDone_ = false;
  Clock::time_point doneAt_;
};

// Counts the queue's empty notices, so that an iteration can wait until
// the worker has gone through everything queued.
template <class Renderer>
class CountsEmptyNotices : public Renderer {
 public:
  using Renderer::Renderer;
  void OnQueueEmpty() override {
    std::lock_guard<std::mutex> lock(m_);
    ++emptyNotices_;
    cv_.notify_all();
  }
  int EmptyNotices() {
    std::lock_guard<std::mutex> lock(m_);
    return emptyNotices_;
  }
  void WaitForEmptyNotices(int count) {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [&] { return emptyNotices_ >= count; });
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  int emptyNotices_ = 0;
};

// Blends ten layers into the composite over each piece: per channel
// c = (c * (255 - a) + s * a) / 255, rounded; a = alpha * opacity / 255.
// x / 255 rounded is (x + 128 + ((x + 128) >> 8)) >> 8 for x <= 65025.
class BlendingDocument : public CountsEmptyNotices<lumora::CellRenderer> {
 public:
  static constexpr int kLayers = 10;
  static constexpr int kTile = 1024;  // layer pixels repeat every 1024

  BlendingDocument() : composite_(static_cast<std::size_t>(kWidth) * kHeight * 3) {
    std::mt19937 rng(1);
    for (auto& layer : layers_) {
      layer.resize(static_cast<std::size_t>(kTile) * kTile * 4);
      for (auto& byte : layer) byte = static_cast<std::uint8_t>(rng());
    }
  }

  void Render(const RECT& r) override {
    std::lock_guard<std::mutex> document(documentLock_);
    for (int i = 0; i < kLayers; ++i) {
      const std::uint32_t opacity = 128 + 12 * i;
      for (LONG y = r.top; y < r.bottom; ++y) {
        std::uint8_t* out = &composite_[(static_cast<std::size_t>(y) * kWidth + r.left) * 3];
        const std::uint8_t* in = &layers_[i][((y % kTile) * kTile) * 4];
        for (LONG x = r.left; x < r.right; ++x, out += 3) {
          const std::uint8_t* px = in + (x % kTile) * 4;
          const std::uint32_t a = Div255(px[3] * opacity);
          for (int c = 0; c < 3; ++c) {
            out[c] = static_cast<std::uint8_t>(Div255(out[c] * (255 - a) + px[c] * a));
          }
        }
      }
    }
  }

 private:
  static std::uint32_t Div255(std::uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
  }

  std::mutex documentLock_;
  std::vector<std::uint8_t> composite_;
  std::vector<std::uint8_t> layers_[kLayers];
};

// Holds the worker inside its first piece, so queueing is measured alone.
class HeldDocument : public lumora::CellRenderer {
 public:
  ~HeldDocument() override { Release(); }
  void Render(const RECT&) override {
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait(lock, [&] { return released_; });
  }
  void OnQueueEmpty() override {}
  void Release() {
    std::lock_guard<std::mutex> lock(m_);
    released_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool released_ = false;
};

std::vector<RECT> RandomDamage(int count, int minSide, int maxSide, RECT area) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> side(minSide, maxSide);
  std::vector<RECT> rects;
  for (int i = 0; i < count; ++i) {
    const LONG w = side(rng), h = side(rng);
    const LONG x = std::uniform_int_distribution<LONG>(area.left, area.right - w)(rng);
    const LONG y = std::uniform_int_distribution<LONG>(area.top, area.bottom - h)(rng);
    rects.push_back(RECT{x, y, x + w, y + h});
  }
  return rects;
}

// Times queueing the damage (items are rectangles, not pixels) and reports
// the lengths of the lists it leaves.
void QueueAll(benchmark::State& state, int viewCount, const std::vector<RECT>& damage) {
  std::size_t render = 0, deferred = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      HeldDocument document;
      BenchView first(RECT{1000, 900, 2920, 1980});
      BenchView second(RECT{200, 1500, 1480, 2524});
      auto queue = std::make_unique<CMapRect>();
      queue->SetDocument(&document);
      queue->SetImageSize(kWidth, kHeight);
      queue->AddView(&first);
      if (viewCount > 1) queue->AddView(&second);
      queue->PrioritizeView(&first);
      state.ResumeTiming();
      for (const RECT& r : damage) queue->QueueRect(&r);
      state.PauseTiming();
      render = queue->RenderList().size();
      deferred = queue->DeferredList().size();
      document.Release();
      queue.reset();
    }
    state.ResumeTiming();
  }
  state.counters["list_length"] = static_cast<double>(render + deferred);
  state.counters["render_list"] = static_cast<double>(render);
  state.counters["deferred_list"] = static_cast<double>(deferred);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(damage.size()));
}

// 10,000 damages of 8 to 32 pixels a side over the image, one or two views.
void BM_QueueRects(benchmark::State& state) {
  QueueAll(state, static_cast<int>(state.range(0)),
           RandomDamage(10000, 8, 32, RECT{0, 0, kWidth, kHeight}));
}
BENCHMARK(BM_QueueRects)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// 10,000 damages of 1 to 8 pixels inside one cell: the worst case for the
// merge, which compares pieces of one cell.
void BM_QueueRectsDenseCell(benchmark::State& state) {
  QueueAll(state, 1, RandomDamage(10000, 1, 8, RECT{1024, 1280, 1280, 1536}));
}
BENCHMARK(BM_QueueRectsDenseCell)->Unit(benchmark::kMillisecond)->UseRealTime();

// From queueing the whole image on an idle worker to the announcement of the
// piece under the pointer, which lies in the cell composited last in row
// order.
void BM_PointerCellLatency(benchmark::State& state) {
  BlendingDocument document;
  BenchView view(RECT{0, 0, kWidth, kHeight});
  view.SetPointer(POINT{kWidth - 5, kHeight - 5});
  CMapRect queue;
  queue.SetDocument(&document);
  queue.SetImageSize(kWidth, kHeight);
  queue.AddView(&view);
  queue.PrioritizeView(&view);
  double worst = 0;
  for (auto _ : state) {
    view.Arm();
    const Clock::time_point queued = Clock::now();
    queue.QueueRect(nullptr);
    const Clock::time_point done = view.WaitForPointerPiece();
    const double seconds = std::chrono::duration<double>(done - queued).count();
    state.SetIterationTime(seconds);
    worst = std::max(worst, seconds);
    // Back to an idle worker with nothing listed.
    queue.StopThread();
    queue.SetImageSize(kWidth, kHeight);
  }
  state.counters["worst_ms"] = worst * 1e3;
}
BENCHMARK(BM_PointerCellLatency)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A document that composites nothing: the queue's own cost per piece.
class IdleDocument : public CountsEmptyNotices<lumora::CellRenderer> {
 public:
  void Render(const RECT&) override {}
};

// The real compositor: each piece is rendered by the ten-layer stack.
class StackDocument : public CountsEmptyNotices<lumora::StackCellRenderer> {
 public:
  StackDocument() : CountsEmptyNotices(lumora::bench::TenLayerStack()) {}
};
static_assert(lumora::bench::kStackWidth == kWidth && lumora::bench::kStackHeight == kHeight);

// The worker composites the whole image: 192 pieces of up to 256 x 256.
template <class Document>
void WorkerCells(benchmark::State& state, bool composites) {
  Document document;
  BenchView view(RECT{0, 0, kWidth, kHeight});
  CMapRect queue;
  queue.SetDocument(&document);
  queue.SetImageSize(kWidth, kHeight);
  queue.AddView(&view);
  queue.PrioritizeView(&view);
  const int cells = queue.Grid().Count();
  for (auto _ : state) {
    const int notices = document.EmptyNotices();
    queue.QueueRect(nullptr);
    document.WaitForEmptyNotices(notices + 1);
  }
  queue.StopThread();
  if (composites) {
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kWidth) * kHeight);
  }
  state.counters["cells_per_second"] =
      benchmark::Counter(static_cast<double>(cells), benchmark::Counter::kIsIterationInvariantRate);
}
void BM_WorkerCells(benchmark::State& state) { WorkerCells<StackDocument>(state, true); }
BENCHMARK(BM_WorkerCells)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with nothing composited: queueing, taking and announcing only.
void BM_WorkerCellsQueueOnly(benchmark::State& state) { WorkerCells<IdleDocument>(state, false); }
BENCHMARK(BM_WorkerCellsQueueOnly)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
