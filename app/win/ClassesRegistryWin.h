// The classes root of the registry for the association and server entries:
// HKEY_CLASSES_ROOT, and the user's HKEY_CURRENT_USER\Software\Classes where
// the machine's refuses the writes.
#pragma once

#include <windows.h>

#include <string>

#include "app/ClassesRegistry.h"

namespace lumora {

class Win32ClassesRoot : public ClassesRegistry {
 public:
  // Keys are made under `root`\`prefix` (the prefix may be empty).
  Win32ClassesRoot(HKEY root, std::string prefix) : root_(root), prefix_(std::move(prefix)) {}
  bool SetValue(const std::string& key, const std::string& name, const std::string& data) override;
  bool GetValue(const std::string& key, const std::string& name, std::string* data) const override;
  bool KeyExists(const std::string& key) const override;
  bool DeleteValue(const std::string& key, const std::string& name) override;
  bool DeleteTree(const std::string& key) override;

 private:
  std::string Full(const std::string& key) const { return prefix_.empty() ? key : prefix_ + "\\" + key; }
  HKEY root_;
  std::string prefix_;
};

// The machine's classes with the user's behind them.
class ProgramClassesRegistry : public FallbackClassesRegistry {
 public:
  ProgramClassesRegistry() : FallbackClassesRegistry(machine_, user_) {}

 private:
  Win32ClassesRoot machine_{HKEY_CLASSES_ROOT, ""};
  Win32ClassesRoot user_{HKEY_CURRENT_USER, "Software\\Classes"};
};

}  // namespace lumora
