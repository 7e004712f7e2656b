// The registry of classes known by name.
#include "framework/RuntimeClass.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace fw {

namespace {

struct Registry {
  std::mutex lock;
  std::map<std::string, const RuntimeClass*, std::less<>> classes;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

const RuntimeClass Object::kRuntimeClass{"Object", 0xFFFF, nullptr, nullptr};

bool RuntimeClass::IsDerivedFrom(const RuntimeClass& other) const {
  for (const RuntimeClass* c = this; c != nullptr; c = c->base) {
    if (c == &other) return true;
  }
  return false;
}

const RuntimeClass* RuntimeClass::FromName(std::string_view name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto it = registry.classes.find(name);
  return it == registry.classes.end() ? nullptr : it->second;
}

bool RegisterRuntimeClass(const RuntimeClass& runtimeClass) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  return registry.classes.emplace(runtimeClass.name, &runtimeClass).second;
}

}  // namespace fw
