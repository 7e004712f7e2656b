// Lookups in the generated menu plan.
#include "res/MenuPlan.h"

namespace res {

const MenuPlanRow* FindMenuPlanRow(std::uint32_t id) {
  for (const MenuPlanRow& row : MenuPlan()) {
    if (row.kind == MenuPlanRow::kCommand && row.firstId <= id && id <= row.lastId) return &row;
  }
  return nullptr;
}

}  // namespace res
