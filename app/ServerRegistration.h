// The registry entries of the program's OLE objects: the embeddable image
// document ("Lumo40.Document") and the automation object
// ("Lumo40.Application"), written at every plain start so that they follow
// the program when it moves.
#pragma once

#include <string>
#include <vector>

#include "app/ClassesRegistry.h"
#include "app/FileTypes.h"

namespace lumora {

// What the document's entries are made of: the template's type id and
// name, its file extension (".LUD") and the program's full path.
struct ServerTarget {
  std::string typeName;
  std::string extension;
  std::string programPath;
};

std::vector<ClassesValue> ServerRegistryValues(const ServerTarget& target);

// Writes every value; false at the first refusal.
bool RegisterServers(ClassesRegistry& registry, const ServerTarget& target);

}  // namespace lumora
