// The shell's DDE commands to the program (service: the program's file name
// without extension, topic "System"): one or more [open("path")] in a row.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumora {

inline constexpr char kDdeTopic[] = "System";

// The paths of a command string; none when any command in it is not an
// open of one quoted path (the whole string is then refused).
std::optional<std::vector<std::string>> ParseDdeOpenCommands(const std::string& text);

// The DDE service name of a program path: its file name without extension.
std::string DdeServiceName(const std::string& programPath);

}  // namespace lumora
