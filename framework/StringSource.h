// Texts of the string table by id. The program's resources provide them;
// until a provider is installed, the framework's own texts answer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fw {

// Returns the text of string `id`, or "" when there is none.
std::string ResourceString(std::uint32_t id);

// Installs the program's string table (null restores the built-in one).
using StringProvider = std::function<std::string(std::uint32_t id)>;
void SetStringProvider(StringProvider provider);

// The framework's own texts (range messages, untitled, prompts).
std::string BuiltInString(std::uint32_t id);

// Replaces %1 … %9 in `pattern` by the arguments.
std::string FormatString(const std::string& pattern, const std::vector<std::string>& args);

// A command's string holds "status prompt\ntooltip".
std::string PromptOf(const std::string& commandString);
std::string TooltipOf(const std::string& commandString);

}  // namespace fw
