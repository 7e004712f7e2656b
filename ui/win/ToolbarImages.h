// The button pictures of registered tools: the tool's own "IBV" icon from
// its module, else from the resource libraries listed in "vrctl32c.ini"
// beside the program (loaded as data only: none of their code runs).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lumora {

struct ResourceModules {
  std::vector<HMODULE> handles;  // null where an entry could not be loaded
  ResourceModules() = default;
  ResourceModules(const ResourceModules&) = delete;
  ResourceModules& operator=(const ResourceModules&) = delete;
  ~ResourceModules();
};

// The executable's full path.
std::string ProgramFilePath();
// Reads the list beside `programPath` and loads each library; false
// without the list's Number.
bool LoadResourceModules(const std::string& programPath, ResourceModules& out);
void FreeResourceModules(ResourceModules& modules);
// The picture of icon `name` of a module on the button face, cropped and
// centred on `size`; null when the module has no such well-formed icon.
HBITMAP LoadToolIcon(HMODULE module, const char* name, SIZE size);
// The tool's picture: its own icon (through the tool host), else the
// first library holding an icon of that name; null when none.
HBITMAP GetRegToolIcon(const void* site, int tool, SIZE size, const ResourceModules& modules);

}  // namespace lumora
