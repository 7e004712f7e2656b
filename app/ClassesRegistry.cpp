// Writes that fall back to the user's classes.
#include "app/ClassesRegistry.h"

namespace lumora {

bool FallbackClassesRegistry::SetValue(const std::string& key, const std::string& name, const std::string& data) {
  return machine_.SetValue(key, name, data) || user_.SetValue(key, name, data);
}

bool FallbackClassesRegistry::GetValue(const std::string& key, const std::string& name, std::string* data) const {
  // The user's entries win, as the merged classes root shows them.
  return user_.GetValue(key, name, data) || machine_.GetValue(key, name, data);
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

std::pair<bool, std::string> ChangeNotingClassesRegistry::Now(const std::string& key, const std::string& name) const {
  std::string data;
  const bool has = inner_.GetValue(key, name, &data);
  return {has, has ? data : std::string()};
}

bool ChangeNotingClassesRegistry::SetValue(const std::string& key, const std::string& name, const std::string& data) {
  const auto before = Now(key, name);
  const bool ok = inner_.SetValue(key, name, data);
  if (Now(key, name) != before) changed_ = true;
  return ok;
}

bool ChangeNotingClassesRegistry::GetValue(const std::string& key, const std::string& name, std::string* data) const {
  return inner_.GetValue(key, name, data);
}

bool ChangeNotingClassesRegistry::KeyExists(const std::string& key) const { return inner_.KeyExists(key); }

bool ChangeNotingClassesRegistry::DeleteValue(const std::string& key, const std::string& name) {
  const auto before = Now(key, name);
  const bool ok = inner_.DeleteValue(key, name);
  if (Now(key, name) != before) changed_ = true;
  return ok;
}

bool ChangeNotingClassesRegistry::DeleteTree(const std::string& key) {
  const bool before = inner_.KeyExists(key);
  const bool ok = inner_.DeleteTree(key);
  if (inner_.KeyExists(key) != before) changed_ = true;
  return ok;
}

}  // namespace lumora
