// The document side of a render queue for a layer stack: each piece is
// composited by the stack's own Render, which takes the document lock.
#pragma once

#include <atomic>

#include "engine/layers/LayerMng.h"
#include "engine/render/RenderQueueClient.h"

namespace lumora {

class StackCellRenderer : public CellRenderer {
 public:
  explicit StackCellRenderer(CLayersManager* stack = nullptr) : stack_(stack) {}

  // The stack to composite (not owned; it outlives the queue's use). Set
  // while the queue's worker is stopped.
  void SetStack(CLayersManager* stack) { stack_.store(stack); }
  CLayersManager* GetStack() const { return stack_.load(); }

  void Render(const RECT& rect) override;
  // Nothing to tell here; a document tells its palette and navigator.
  void OnQueueEmpty() override {}

 private:
  std::atomic<CLayersManager*> stack_;
};

}  // namespace lumora
