// The registry of class descriptions.
#include "framework/RuntimeClass.h"

#include <cstring>
#include <vector>

namespace fw {
namespace {

std::vector<const RuntimeClass*>& Registry() {
  static std::vector<const RuntimeClass*> classes;
  return classes;
}

}  // namespace

bool RuntimeClass::IsDerivedFrom(const RuntimeClass& other) const {
  for (const RuntimeClass* rc = this; rc != nullptr; rc = rc->base) {
    if (rc == &other) return true;
  }
  return false;
}

void RegisterRuntimeClass(const RuntimeClass& rc) { Registry().push_back(&rc); }

const RuntimeClass* FindRuntimeClass(const char* name) {
  for (const RuntimeClass* rc : Registry()) {
    if (std::strcmp(rc->name, name) == 0) return rc;
  }
  return nullptr;
}

}  // namespace fw
