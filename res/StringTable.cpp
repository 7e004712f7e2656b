// Lookups in the generated string table.
#include "res/StringTable.h"

#include <algorithm>

namespace res {

namespace {

const StringEntry* Find(std::uint32_t id) {
  const auto table = AllStrings();
  const auto it = std::lower_bound(table.begin(), table.end(), id,
                                   [](const StringEntry& e, std::uint32_t wanted) { return e.id < wanted; });
  return (it != table.end() && it->id == id) ? &*it : nullptr;
}

}  // namespace

std::string_view String(std::uint32_t id) {
  const StringEntry* entry = Find(id);
  return entry ? std::string_view(entry->text) : std::string_view();
}

bool HasString(std::uint32_t id) { return Find(id) != nullptr; }

std::string FormatText(std::string_view text, std::initializer_list<std::string_view> arguments) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '%' && next >= '1' && next <= '9') {
      const std::size_t index = static_cast<std::size_t>(next - '1');
      if (index < arguments.size()) out += *(arguments.begin() + index);
      ++i;
    } else if (text[i] == '%' && next == '%') {
      out += '%';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string FormatString(std::uint32_t id, std::initializer_list<std::string_view> arguments) {
  return FormatText(String(id), arguments);
}

}  // namespace res
