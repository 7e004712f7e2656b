// Compositing the render queue's pieces through a layer stack.
#include "engine/render/StackCellRenderer.h"

namespace lumora {

void StackCellRenderer::Render(const RECT& rect) {
  if (CLayersManager* stack = stack_.load()) stack->Render(rect);
}

}  // namespace lumora
