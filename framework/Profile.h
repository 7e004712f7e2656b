// The program's settings file: an INI file read and written by section and
// key, both compared without regard to case. One interface with two
// implementations that read each other's files: a portable one (IniFile)
// and, on Windows, the system's private-profile functions.
//
//   std::unique_ptr<fw::Profile> profile = fw::OpenProfile("C:\\Lumo\\Lumo40.INI");
//   int speed = profile->GetInt("LoadOptions", "AnimationSpeed", 3);
//   profile->WriteInt("LoadOptions", "AnimationSpeed", speed);
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fw {

class Profile {
 public:
  virtual ~Profile() = default;

  // The text of the key, without the blanks around it and without one pair of
  // matching quotes around it; `defaultValue` when the key is missing (a key
  // present with an empty value reads as the empty string).
  virtual std::string GetString(std::string_view section, std::string_view key,
                                std::string_view defaultValue = {}) = 0;
  // Writes the key (creating section and file as needed); returns false when
  // the file cannot be written or the entry is not IsWritableProfileEntry.
  virtual bool WriteString(std::string_view section, std::string_view key, std::string_view value) = 0;
  // Removes one key, or with no key the whole section.
  virtual bool Remove(std::string_view section, std::optional<std::string_view> key = std::nullopt) = 0;

  // The key read as a number (see ParseProfileInt); `defaultValue` when the
  // key is missing or empty.
  virtual int GetInt(std::string_view section, std::string_view key, int defaultValue);
  // Writes the number in decimal.
  bool WriteInt(std::string_view section, std::string_view key, int value);

  // The names of a section's keys in file order, each name once (none for a
  // missing section): what a count stored in the file can be checked against.
  virtual std::vector<std::string> GetKeyNames(std::string_view section) = 0;

  // A read-only copy of the file as it stands, read and parsed in one pass:
  // a load that reads many keys asks the copy, so the file is read once per
  // load rather than once per key. The copy refuses writes. A profile that
  // is no file answers through itself.
  virtual std::unique_ptr<Profile> Snapshot();
};

// A settings file read once into memory (see Profile::Snapshot): sections
// and keys compared without regard to case, the first of each name counting
// as the file readers do; writes are refused.
class ProfileSnapshot : public Profile {
 public:
  // The file's text; a file that cannot be read holds nothing.
  static std::unique_ptr<ProfileSnapshot> ReadFile(const std::string& path);
  explicit ProfileSnapshot(std::string_view text);

  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue = {}) override;
  bool WriteString(std::string_view, std::string_view, std::string_view) override { return false; }
  bool Remove(std::string_view, std::optional<std::string_view> = std::nullopt) override { return false; }
  std::vector<std::string> GetKeyNames(std::string_view section) override;
  std::unique_ptr<Profile> Snapshot() override;

 private:
  struct Section {
    std::unordered_map<std::string, std::string> values;  // by lower-case name
    std::vector<std::string> names;                       // as spelt, in file order
  };
  std::unordered_map<std::string, Section> sections_;  // by lower-case name
};

// Reads a stored number as the system does: blanks skipped, an optional sign,
// then "0x" hexadecimal, "0o" octal, "0b" binary or decimal digits up to the
// first other character; no digits give 0; overflow wraps at 32 bits.
int ParseProfileInt(std::string_view text);

// Whether the names and the value can be written without changing the
// file's structure: no line breaks, no ']' in the section name, no '=' in
// the key and a key that is not blank.
bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

// The settings file of a program: its path with the extension replaced by
// ".INI" (added when the file name has none).
std::string ProfilePathForProgram(std::string_view programPath);

// The settings file at `path`: on Windows through the system's
// private-profile functions, natively through IniFile.
std::unique_ptr<Profile> OpenProfile(const std::string& path);

// The portable implementation. Every call reads the file again (loads read
// a Snapshot) and every write rewrites it whole, keeping comments, blank lines and the spelling
// of names it does not touch; lines end in CR LF.
class IniFile : public Profile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue = {}) override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  bool Remove(std::string_view section, std::optional<std::string_view> key = std::nullopt) override;
  std::vector<std::string> GetKeyNames(std::string_view section) override;
  std::unique_ptr<Profile> Snapshot() override;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace fw
