// Strings from the executable's string table.
#pragma once

#include <cstdint>
#include <string>

namespace fw {

std::string ModuleString(std::uint32_t id);
// Makes the executable's string table the source of ResourceString.
void InstallModuleStrings();

}  // namespace fw
