// The history beside a render worker, as a document runs it: steps push
// snapshots of the live stack while the worker composites it (both under
// the document lock); undo and redo stop the worker while they restore.
// Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "tests/document/undo_rig.h"

namespace lumora::undo_testing {
namespace {

// Composites random cells of the live stack until stopped.
class RenderWorker {
 public:
  explicit RenderWorker(CLayersManager* stack) : stack_(stack) {}
  ~RenderWorker() { Stop(); }

  // Returns once the worker is compositing.
  void Start() {
    stop_.store(false);
    const int before = rendered_.load();
    thread_ = std::thread([this] {
      std::mt19937 cells(3);
      while (!stop_.load()) {
        const LONG left = static_cast<LONG>(cells() % UndoRig::kWidth);
        const LONG top = static_cast<LONG>(cells() % UndoRig::kHeight);
        stack_->Render(RECT{left, top, left + 3, top + 3});
        rendered_.fetch_add(1);
      }
    });
    while (rendered_.load() == before) std::this_thread::yield();
  }
  void Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }

 private:
  CLayersManager* stack_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> rendered_{0};
};

TEST(UndoThreaded, StepsUndoAndRedoBesideTheRenderWorker) {
  UndoRig rig;
  RenderWorker worker(rig.live.get());
  worker.Start();
  std::mt19937 rng(12);
  for (int op = 0; op < 150; ++op) {
    const unsigned kind = rng() % 4;
    if (kind < 2) {
      ASSERT_TRUE(rig.Step(kind == 0));
    } else {
      worker.Stop();
      if (kind == 2) {
        rig.Undo();
      } else {
        rig.Redo();
      }
      worker.Start();
    }
  }
  worker.Stop();
  rig.Check("after the run");
}

}  // namespace
}  // namespace lumora::undo_testing
