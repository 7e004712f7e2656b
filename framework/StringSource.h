// Texts of the string table by id. An installed provider answers first (on
// Windows the executable's own string table); otherwise, and for ids the
// provider lacks, the table generated from res/Lumo40.rc.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fw {

// Returns the text of string `id`, or "" when there is none.
std::string ResourceString(std::uint32_t id);

// Installs a string source (null leaves the generated table alone).
using StringProvider = std::function<std::string(std::uint32_t id)>;
void SetStringProvider(StringProvider provider);

// Replaces %1 … %9 in `pattern` by the arguments.
std::string FormatString(const std::string& pattern, const std::vector<std::string>& args);

// A command's string holds "status prompt\ntooltip".
std::string PromptOf(const std::string& commandString);
std::string TooltipOf(const std::string& commandString);

}  // namespace fw
