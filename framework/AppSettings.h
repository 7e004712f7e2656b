// The program's settings as the framework reads and writes them (window
// placement, control-bar state). The profile classes implement it; a
// private-profile stand-in serves until they are installed.
#pragma once

#include <string>

namespace fw {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual int GetInt(const std::string& section, const std::string& key, int defaultValue) = 0;
  virtual std::string GetString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) = 0;
  virtual bool WriteInt(const std::string& section, const std::string& key, int value) = 0;
  virtual bool WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
};

}  // namespace fw
