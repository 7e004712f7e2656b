// Private-profile reads and writes.
#include "framework/win/IniFileSettings.h"

#include <vector>

#include "platform/win32types.h"

namespace fw {

int IniFileSettings::GetInt(const std::string& section, const std::string& key, int defaultValue) {
  return static_cast<int>(GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, path_.c_str()));
}

std::string IniFileSettings::GetString(const std::string& section, const std::string& key,
                                       const std::string& defaultValue) {
  std::vector<char> buffer(4096);
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                     static_cast<DWORD>(buffer.size()), path_.c_str());
  return std::string(buffer.data(), n);
}

bool IniFileSettings::WriteInt(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFileSettings::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str()) != 0;
}

std::string DefaultIniPath() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path, n);
  std::size_t dot = p.rfind('.');
  if (dot != std::string::npos && dot > p.find_last_of("\\/")) p.resize(dot);
  return p + ".INI";
}

}  // namespace fw
