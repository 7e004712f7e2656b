// Settings in an INI file through the Win32 private-profile functions: the
// stand-in store until the program's profile classes are installed.
#pragma once

#include <string>

#include "framework/AppSettings.h"

namespace fw {

class IniFileSettings : public SettingsStore {
 public:
  explicit IniFileSettings(std::string path) : path_(std::move(path)) {}
  int GetInt(const std::string& section, const std::string& key, int defaultValue) override;
  std::string GetString(const std::string& section, const std::string& key, const std::string& defaultValue) override;
  bool WriteInt(const std::string& section, const std::string& key, int value) override;
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The program's INI file: beside the executable, its name with ".INI".
std::string DefaultIniPath();

}  // namespace fw
