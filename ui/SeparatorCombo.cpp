#include "ui/SeparatorCombo.h"

namespace lumora {

bool IsSeparatorItem(const std::string& text) { return text == "_"; }

int SettleSeparatorChoice(const std::vector<std::string>& items, int previous, int chosen) {
  const int count = static_cast<int>(items.size());
  if (chosen < 0 || chosen >= count || !IsSeparatorItem(items[static_cast<std::size_t>(chosen)])) return chosen;
  if (chosen == previous + 1 && chosen + 1 < count) return chosen + 1;
  if (chosen == previous - 1 && chosen - 1 >= 0) return chosen - 1;
  return previous;
}

}  // namespace lumora
