// The part of the registry's classes root that the program writes: file
// associations and its OLE server entries. Portable code decides what to
// write through this interface; the Windows side puts it in the registry,
// tests in a fake. Key names are relative to the classes root.
#pragma once

#include <string>
#include <utility>

namespace lumora {

class ClassesRegistry {
 public:
  virtual ~ClassesRegistry() = default;
  // Creates the key as needed and sets the value (empty name: the key's
  // default value). False when the registry refuses.
  virtual bool SetValue(const std::string& key, const std::string& name, const std::string& data) = 0;
  // A text value (empty name: the key's default); false when the key or
  // the value is missing.
  virtual bool GetValue(const std::string& key, const std::string& name, std::string* data) const = 0;
  bool GetDefault(const std::string& key, std::string* data) const { return GetValue(key, "", data); }
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
  bool GetValue(const std::string& key, const std::string& name, std::string* data) const override;
  bool KeyExists(const std::string& key) const override;
  bool DeleteValue(const std::string& key, const std::string& name) override;
  bool DeleteTree(const std::string& key) override;

 private:
  ClassesRegistry& machine_;
  ClassesRegistry& user_;
};

// Passes everything on and notes whether a write left the registry
// otherwise than it found it (rewriting a value as it was changes nothing),
// so the shell is told only of real changes.
class ChangeNotingClassesRegistry : public ClassesRegistry {
 public:
  explicit ChangeNotingClassesRegistry(ClassesRegistry& inner) : inner_(inner) {}
  bool Changed() const { return changed_; }
  bool SetValue(const std::string& key, const std::string& name, const std::string& data) override;
  bool GetValue(const std::string& key, const std::string& name, std::string* data) const override;
  bool KeyExists(const std::string& key) const override;
  bool DeleteValue(const std::string& key, const std::string& name) override;
  bool DeleteTree(const std::string& key) override;

 private:
  // The value as it is now: whether there is one, and what it says.
  std::pair<bool, std::string> Now(const std::string& key, const std::string& name) const;
  ClassesRegistry& inner_;
  bool changed_ = false;
};

}  // namespace lumora
