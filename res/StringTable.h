// The texts of the program's string table by id, for portable code and
// native tests. Generated at build time from the STRINGTABLE of
// res/Lumo40.rc, which the Windows program also carries as resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace res {

struct StringEntry {
  std::uint32_t id;
  const char* text;
};

// Every entry, sorted by id (generated).
extern const StringEntry kStringTable[];
extern const std::size_t kStringTableSize;

inline std::span<const StringEntry> AllStrings() { return {kStringTable, kStringTableSize}; }

// The text of the entry; the empty string when the table has no such id.
std::string_view String(std::uint32_t id);
bool HasString(std::uint32_t id);

// The text with %1 .. %9 replaced by the arguments (missing ones by
// nothing); "%%" stands for one percent sign.
std::string FormatString(std::uint32_t id, std::initializer_list<std::string_view> arguments);
std::string FormatText(std::string_view text, std::initializer_list<std::string_view> arguments);

}  // namespace res
