// The string table of the program's own resources as the string source.
#include "framework/win/ModuleStrings.h"

#include "framework/StringSource.h"
#include "platform/win32types.h"

namespace fw {

std::string ModuleString(std::uint32_t id) {
  char buffer[4096];
  int got = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

void InstallModuleStrings() { SetStringProvider(&ModuleString); }

}  // namespace fw
