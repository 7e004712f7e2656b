// A document for stroke tests: the real layer stack behind a counting lock,
// with the undo steps and refreshed rectangles recorded.
#pragma once

#include <memory>
#include <vector>

#include "engine/layers/DocumentLock.h"
#include "engine/layers/stack_support.h"
#include "paint/StrokeBrush.h"

namespace painttest {

class CountingLock final : public lumora::DocumentLock {
 public:
  void Lock() override {
    inner_.Lock();
    ++entries;
  }
  void Unlock() override { inner_.Unlock(); }
  int entries = 0;

 private:
  lumora::ReentrantDocumentLock inner_;
};

class FakeDocument final : public paint::StrokeDocument {
 public:
  // width x height of `type`, one target layer of grey 100 / colour
  // (100, 100, 100) over `targetRect`, opaque (mask 255).
  FakeDocument(int width, int height, int type, RECT targetRect) {
    stack = CLayersManagerPtr::Adopt(new CLayersManager(type, &lock, width, height, 0x00600060u, 0, 1));
    CLayerPtr layer = type == kWAType24 ? lumora::testing::ColourLayer(targetRect, 100, 100, 100, 255)
                                        : lumora::testing::GreyLayer(targetRect, 100, 255);
    stack->AddLayer(layer.get());
    stack->SetActiveLayer(layer.get());
    target = layer.get();
  }
  CLayersManager* Layers() override { return stack.get(); }
  void OpenUndoStep(int id) override { undoSteps.push_back(id); }
  void InvalidateImageRect(const RECT& rect) override { refreshed.push_back(rect); }
  bool ResizeLayer(CLayer* layer, const RECT& rect) override {
    lumora::DocumentLockScope scope(&lock);
    return layer->SetLayerRect(rect);
  }
  CLayer* FindUndoSnapshotLayer(std::uint64_t id) override {
    return snapshot ? snapshot->FindLayerById(id) : nullptr;
  }
  // Takes the stack as it stands as the snapshot of the last action.
  void TakeSnapshot() { snapshot = CLayersManagerPtr::Adopt(new CLayersManager(stack.get())); }
  std::uint8_t Byte(int x, int y, int channel = 0) const {
    const RECT& r = target->GetRect();
    const int bytes = target->GetImageType() == kWAType24 ? 3 : 1;
    return target->PeekImage()->Row(y - r.top)[(x - r.left) * bytes + channel];
  }

  CountingLock lock;
  CLayersManagerPtr stack;
  CLayersManagerPtr snapshot;
  CLayer* target = nullptr;
  std::vector<int> undoSteps;
  std::vector<RECT> refreshed;
};

}  // namespace painttest
