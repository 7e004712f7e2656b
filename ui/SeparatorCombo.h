// The selection rule of a combo box whose items may be separators (items
// whose text is exactly "_"): a separator is never selected.
#pragma once

#include <string>
#include <vector>

namespace lumora {

bool IsSeparatorItem(const std::string& text);

// Where the selection goes when it changed from `previous` onto `chosen`:
// a separator reached by one step down moves on to the next item, by one
// step up to the item before; any other jump onto a separator returns to
// `previous`. A chosen item that is no separator stays.
int SettleSeparatorChoice(const std::vector<std::string>& items, int previous, int chosen);

}  // namespace lumora
