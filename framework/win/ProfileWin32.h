// The settings file through the system's private-profile functions, which
// every Windows program and the system itself use on INI files.
#pragma once

#include <string>

#include "framework/Profile.h"

namespace fw {

class PrivateProfile : public Profile {
 public:
  explicit PrivateProfile(std::string path) : path_(std::move(path)) {}

  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue = {}) override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  bool Remove(std::string_view section, std::optional<std::string_view> key = std::nullopt) override;
  int GetInt(std::string_view section, std::string_view key, int defaultValue) override;
  std::vector<std::string> GetKeyNames(std::string_view section) override;
  // The file as it stands, pending writes flushed first.
  std::unique_ptr<Profile> Snapshot() override;

  // Drops the system's cached copy of the file, so a change made by other
  // means is seen by the next read.
  void FlushCache();

 private:
  std::string path_;
};

}  // namespace fw
