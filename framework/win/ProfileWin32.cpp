// The settings file through GetPrivateProfileString and its relatives.
#include "framework/win/ProfileWin32.h"

#include <vector>

#include "platform/win32types.h"

namespace fw {

namespace {

// Section and key names live until the call returns.
std::string Str(std::string_view text) { return std::string(text); }

constexpr char kMissing[] = "\x01missing\x01";

}  // namespace

std::string PrivateProfile::GetString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) {
  // A marker default tells a missing key from one whose value equals the default.
  std::vector<char> buffer(256);
  for (;;) {
    const DWORD got = GetPrivateProfileStringA(Str(section).c_str(), Str(key).c_str(), kMissing, buffer.data(),
                                               static_cast<DWORD>(buffer.size()), path_.c_str());
    if (got + 1 < buffer.size()) {
      std::string value(buffer.data(), got);
      return value == kMissing ? std::string(defaultValue) : value;
    }
    buffer.resize(buffer.size() * 4);
  }
}

int PrivateProfile::GetInt(std::string_view section, std::string_view key, int defaultValue) {
  return static_cast<int>(
      GetPrivateProfileIntA(Str(section).c_str(), Str(key).c_str(), defaultValue, path_.c_str()));
}

// Writes go through the portable writer, which replaces the whole file in
// one step: the system's functions rewrite the file where it lies, so a
// program killed meanwhile would leave it cut. The system's copy of the
// file is dropped after each write, so its readers see the new file.
bool PrivateProfile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsWritableProfileEntry(section, key, value)) return false;
  const bool written = IniFile(path_).WriteString(section, key, value);
  FlushCache();
  return written;
}

bool PrivateProfile::Remove(std::string_view section, std::optional<std::string_view> key) {
  const bool removed = IniFile(path_).Remove(section, key);
  FlushCache();
  return removed;
}

std::vector<std::string> PrivateProfile::GetKeyNames(std::string_view section) {
  // With no key the reader lists the section's key names, each ended by a
  // zero, the list by a second one.
  std::vector<char> buffer(1024);
  DWORD got = 0;
  for (;;) {
    got = GetPrivateProfileStringA(Str(section).c_str(), nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                   path_.c_str());
    if (got + 2 < buffer.size()) break;
    buffer.resize(buffer.size() * 4);
  }
  std::vector<std::string> names;
  for (DWORD at = 0; at < got;) {
    const std::string name(buffer.data() + at);
    at += static_cast<DWORD>(name.size()) + 1;
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

std::unique_ptr<Profile> PrivateProfile::Snapshot() {
  FlushCache();
  return ProfileSnapshot::ReadFile(path_);
}

void PrivateProfile::FlushCache() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str()); }

std::unique_ptr<Profile> OpenProfile(const std::string& path) { return std::make_unique<PrivateProfile>(path); }

}  // namespace fw
