// The part of the registry's classes root that the program writes: file
// associations and its OLE server entries. Portable code decides what to
// write through this interface; the Windows side puts it in the registry,
// tests in a fake. Key names are relative to the classes root.
#pragma once

#include <string>

namespace lumora {

class ClassesRegistry {
 public:
  virtual ~ClassesRegistry() = default;
  // Creates the key as needed and sets the value (empty name: the key's
  // default value). False when the registry refuses.
  virtual bool SetValue(const std::string& key, const std::string& name, const std::string& data) = 0;
  // The key's default value; false when the key or the value is missing.
  virtual bool GetDefault(const std::string& key, std::string* data) const = 0;
  virtual bool KeyExists(const std::string& key) const = 0;
  // Removes a value, or a key with everything under it; true when it is
  // gone (also when it was never there).
  virtual bool DeleteValue(const std::string& key, const std::string& name) = 0;
  virtual bool DeleteTree(const std::string& key) = 0;
};

// Writes to the machine's classes and, where it refuses (no administrator
// right), to the user's; reads and deletes both.
class FallbackClassesRegistry : public ClassesRegistry {
 public:
  FallbackClassesRegistry(ClassesRegistry& machine, ClassesRegistry& user) : machine_(machine), user_(user) {}
  bool SetValue(const std::string& key, const std::string& name, const std::string& data) override;
  bool GetDefault(const std::string& key, std::string* data) const override;
  bool KeyExists(const std::string& key) const override;
  bool DeleteValue(const std::string& key, const std::string& name) override;
  bool DeleteTree(const std::string& key) override;

 private:
  ClassesRegistry& machine_;
  ClassesRegistry& user_;
};

}  // namespace lumora
