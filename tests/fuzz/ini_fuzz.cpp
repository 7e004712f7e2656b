// Fuzz target of the settings reader (Lumo40.INI and the other files kept
// as INI text). The file is read both ways the program reads it, key by
// key from the file and in one pass into memory, and both give every
// section's keys and values alike, each value read as a number too. A key
// written into the file is read back by both, and every other key keeps
// its value.
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/Profile.h"
#include "fuzz/fuzz_target.h"

namespace {

// The section names the text may hold: what follows a '[' that begins a
// line, up to its ']' (a name that is no section simply reads as none).
std::vector<std::string> SectionNames(std::string_view text) {
  std::vector<std::string> names{""};
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (!line.empty() && line.front() == '[') {
      line.remove_prefix(1);
      line = line.substr(0, line.find_first_of("]\r"));
      while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
      while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
      names.emplace_back(line);
    }
    at = end + 1;
  }
  return names;
}

bool IsWrittenKey(const std::pair<std::string, std::string>& key) {
  static const std::string kName = "fuzzwritten";
  if (key.first.size() != kName.size()) return false;
  for (std::size_t i = 0; i < kName.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(key.first[i])) != kName[i]) return false;
  }
  return true;
}

using Contents = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

Contents Read(fw::Profile& profile, const std::vector<std::string>& sections) {
  Contents contents;
  for (const std::string& section : sections) {
    auto& keys = contents.emplace_back(section, std::vector<std::pair<std::string, std::string>>{}).second;
    for (const std::string& key : profile.GetKeyNames(section)) {
      // A key listed is present: two defaults cannot both come back.
      keys.emplace_back(key, profile.GetString(section, key, "\x01a"));
      if (keys.back().second == "\x01a" && profile.GetString(section, key, "\x01b") == "\x01b") __builtin_trap();
      (void)fw::ParseProfileInt(keys.back().second);
    }
  }
  return contents;
}

}  // namespace

LUMORA_FUZZ_TARGET(ini)(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 13)) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("lumora-ini-fuzz-" + std::to_string(getpid()) + ".ini")).string();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  std::vector<std::string> sections = SectionNames(text);
  fw::IniFile file(path);
  fw::ProfileSnapshot memory(text);
  const Contents before = Read(file, sections);
  if (Read(memory, sections) != before) __builtin_trap();

  // A new key in the last section named (or a new section).
  const std::string section = sections.back().empty() ? "Fuzz" : sections.back();
  if (sections.back().empty()) sections.push_back(section);
  if (fw::IsWritableProfileEntry(section, "FuzzWritten", "7") && file.WriteString(section, "FuzzWritten", "7")) {
    Contents after = Read(file, sections);
    if (Read(*file.Snapshot(), sections) != after || file.GetInt(section, "FuzzWritten", 0) != 7) __builtin_trap();
    // Apart from the key written, every key reads as before.
    Contents expected = before;
    if (sections.size() > before.size()) expected.emplace_back(section, std::vector<std::pair<std::string, std::string>>{});
    for (auto& [name, keys] : after) {
      std::erase_if(keys, IsWrittenKey);
    }
    for (auto& [name, keys] : expected) {
      std::erase_if(keys, IsWrittenKey);
    }
    if (after != expected) __builtin_trap();
  }
  std::remove(path.c_str());
  return 0;
}
