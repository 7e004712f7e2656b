// The auto-scroll step decision.
#include "select/AutoScrollStep.h"

namespace lumora {
namespace {

int AxisStep(LONG at, LONG low, LONG high, const ScrollBarState& bar) {
  if (!bar.shown) return 0;
  if (at < low && bar.position > bar.minimum) return -1;
  if (at >= high && bar.position < bar.maximum) return 1;
  return 0;
}

}  // namespace

AutoScrollStep DecideAutoScroll(POINT cursor, const RECT& client, bool hasOwner, const ScrollBarState& horizontal,
                                const ScrollBarState& vertical) {
  AutoScrollStep step;
  const bool inside = cursor.x >= client.left && cursor.x < client.right && cursor.y >= client.top &&
                      cursor.y < client.bottom;
  if (inside || !hasOwner) return step;
  step.horizontal = AxisStep(cursor.x, client.left, client.right, horizontal);
  step.vertical = AxisStep(cursor.y, client.top, client.bottom, vertical);
  step.postMove = step.horizontal != 0 || step.vertical != 0;
  return step;
}

}  // namespace lumora
