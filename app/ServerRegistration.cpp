// The OLE server entries of the program.
#include "app/ServerRegistration.h"

#include "document/ClassIds.h"

namespace lumora {

std::vector<ClassesValue> ServerRegistryValues(const ServerTarget& t) {
  const std::string doc = std::string("CLSID\\") + kDocumentClsidText;
  const std::string app = std::string("CLSID\\") + kApplicationClsidText;
  const std::string quoted = "\"" + t.programPath + "\"";
  return {
      {kDocumentProgId, "", t.typeName},
      {std::string(kDocumentProgId) + "\\CLSID", "", kDocumentClsidText},
      {std::string(kDocumentProgId) + "\\Insertable", "", ""},
      {doc, "", t.typeName},
      {doc + "\\ProgID", "", kDocumentProgId},
      {doc + "\\DefaultExtension", "", t.extension},
      {doc + "\\DefaultIcon", "", t.programPath + ",1"},
      // COM adds "-Embedding" to the command when it starts the server.
      {doc + "\\LocalServer32", "", quoted},
      {doc + "\\InprocHandler32", "", "ole32.dll"},
      {doc + "\\Insertable", "", ""},
      {doc + "\\verb\\0", "", "&Edit,0,2"},
      {doc + "\\verb\\1", "", "&Open,0,2"},
      // OLEMISC_RECOMPOSEONRESIZE: the container asks again for the drawing
      // at a new size rather than stretching the cached one.
      {doc + "\\MiscStatus", "", "1"},
      {doc + "\\AuxUserType\\2", "", t.typeName},
      {kApplicationProgId, "", kApplicationProgId},
      {std::string(kApplicationProgId) + "\\CLSID", "", kApplicationClsidText},
      {app, "", kApplicationProgId},
      {app + "\\ProgID", "", kApplicationProgId},
      {app + "\\LocalServer32", "", quoted + " /Automation"},
  };
}

bool RegisterServers(ClassesRegistry& registry, const ServerTarget& target) {
  for (const ClassesValue& v : ServerRegistryValues(target)) {
    if (!registry.SetValue(v.key, v.name, v.data)) return false;
  }
  return true;
}

}  // namespace lumora
