// Writes that fall back to the user's classes.
#include "app/ClassesRegistry.h"

namespace lumora {

bool FallbackClassesRegistry::SetValue(const std::string& key, const std::string& name, const std::string& data) {
  return machine_.SetValue(key, name, data) || user_.SetValue(key, name, data);
}

bool FallbackClassesRegistry::GetDefault(const std::string& key, std::string* data) const {
  // The user's entries win, as the merged classes root shows them.
  return user_.GetDefault(key, data) || machine_.GetDefault(key, data);
}

bool FallbackClassesRegistry::KeyExists(const std::string& key) const {
  return user_.KeyExists(key) || machine_.KeyExists(key);
}

bool FallbackClassesRegistry::DeleteValue(const std::string& key, const std::string& name) {
  const bool user = user_.DeleteValue(key, name);
  const bool machine = machine_.DeleteValue(key, name);
  return user && machine;
}

bool FallbackClassesRegistry::DeleteTree(const std::string& key) {
  const bool user = user_.DeleteTree(key);
  const bool machine = machine_.DeleteTree(key);
  return user && machine;
}

}  // namespace lumora
