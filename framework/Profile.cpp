// The portable settings-file reader and writer, and the number parsing that
// both implementations share.
#include "framework/Profile.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/safe_write.h"

namespace fw {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// One line of the file as read: a section header, a key (with or without a
// value) or anything else (comments, blank lines), which is kept verbatim.
struct Line {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string text;  // the line as it stands in the file
  std::string name;  // section or key name
  std::string value;
};

Line ParseLine(std::string text) {
  Line line;
  const std::string_view body = Trim(text);
  if (!body.empty() && body.front() == '[') {
    const std::size_t close = body.find(']');
    line.kind = Line::kSection;
    line.name = Trim(body.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  } else if (!body.empty() && body.front() != ';') {
    const std::size_t equals = body.find('=');
    line.kind = Line::kKey;
    line.name = Trim(body.substr(0, equals));
    if (equals != std::string_view::npos) line.value = Trim(body.substr(equals + 1));
  }
  line.text = std::move(text);
  return line;
}

std::vector<Line> ReadLines(const std::string& path) {
  std::vector<Line> lines;
  std::ifstream in(path, std::ios::binary);
  std::string text;
  while (std::getline(in, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    lines.push_back(ParseLine(std::move(text)));
  }
  return lines;
}

std::string LowerName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = Lower(c);
  return lower;
}

// Another profile's answers, writes refused: the snapshot of a profile that
// is no file.
class ReadOnlyView final : public Profile {
 public:
  explicit ReadOnlyView(Profile& profile) : profile_(profile) {}
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) override {
    return profile_.GetString(section, key, defaultValue);
  }
  int GetInt(std::string_view section, std::string_view key, int defaultValue) override {
    return profile_.GetInt(section, key, defaultValue);
  }
  bool WriteString(std::string_view, std::string_view, std::string_view) override { return false; }
  bool Remove(std::string_view, std::optional<std::string_view>) override { return false; }
  std::vector<std::string> GetKeyNames(std::string_view section) override { return profile_.GetKeyNames(section); }

 private:
  Profile& profile_;
};

// The whole file written through a temporary file that replaces it only
// once complete: a program killed while writing leaves the old file whole.
bool WriteLines(const std::string& path, const std::vector<Line>& lines) {
  std::string text;
  for (const Line& line : lines) text.append(line.text).append("\r\n");
  std::string error;
  return lumora::WriteBytesSafely(path, text.data(), text.size(), &error);
}

// The lines [first, end) of a section: `first` is its header, or
// lines.size() when the section is missing.
struct SectionRange {
  std::size_t first;
  std::size_t end;
};

SectionRange FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != Line::kSection || !SameName(lines[i].name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && lines[end].kind != Line::kSection) ++end;
    return {i, end};
  }
  return {lines.size(), lines.size()};
}

// The index of the key inside the section, or range.end.
std::size_t FindKey(const std::vector<Line>& lines, SectionRange range, std::string_view key) {
  for (std::size_t i = range.first + 1; i < range.end; ++i) {
    if (lines[i].kind == Line::kKey && SameName(lines[i].name, key)) return i;
  }
  return range.end;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  c = Lower(c);
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 10);
  return 99;
}

}  // namespace

int ParseProfileInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (IsBlank(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    const char prefix = Lower(text[i + 1]);
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  std::uint32_t value = 0;
  for (; i < text.size() && DigitValue(text[i]) < base; ++i) value = value * base + DigitValue(text[i]);
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value) {
  return !HasLineBreak(section) && !HasLineBreak(key) && !HasLineBreak(value) &&
         section.find(']') == std::string_view::npos && key.find('=') == std::string_view::npos &&
         !Trim(key).empty();
}

std::string ProfilePathForProgram(std::string_view programPath) {
  const std::size_t slash = programPath.find_last_of("\\/");
  const std::size_t dot = programPath.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
  return std::string(programPath.substr(0, hasExtension ? dot : programPath.size())) + ".INI";
}

int Profile::GetInt(std::string_view section, std::string_view key, int defaultValue) {
  const std::string text = GetString(section, key);
  return text.empty() ? defaultValue : ParseProfileInt(text);
}

bool Profile::WriteInt(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

std::unique_ptr<Profile> Profile::Snapshot() { return std::make_unique<ReadOnlyView>(*this); }

std::unique_ptr<ProfileSnapshot> ProfileSnapshot::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return std::make_unique<ProfileSnapshot>(text.str());
}

ProfileSnapshot::ProfileSnapshot(std::string_view text) {
  Section* current = nullptr;  // null before the first section and in repeated ones
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const Line line = ParseLine(std::string(raw));
    if (line.kind == Line::kSection) {
      // The first section of a name is the one read; later ones are not.
      const auto [at, added] = sections_.try_emplace(LowerName(line.name));
      current = added ? &at->second : nullptr;
    } else if (line.kind == Line::kKey && current != nullptr) {
      if (current->values.try_emplace(LowerName(line.name), line.value).second) current->names.push_back(line.name);
    }
  }
}

std::string ProfileSnapshot::GetString(std::string_view section, std::string_view key, std::string_view defaultValue) {
  const auto s = sections_.find(LowerName(section));
  if (s == sections_.end()) return std::string(defaultValue);
  const auto k = s->second.values.find(LowerName(key));
  if (k == s->second.values.end()) return std::string(defaultValue);
  return std::string(Unquote(k->second));
}

std::vector<std::string> ProfileSnapshot::GetKeyNames(std::string_view section) {
  const auto s = sections_.find(LowerName(section));
  return s == sections_.end() ? std::vector<std::string>() : s->second.names;
}

std::unique_ptr<Profile> ProfileSnapshot::Snapshot() { return std::make_unique<ProfileSnapshot>(*this); }

std::string IniFile::GetString(std::string_view section, std::string_view key, std::string_view defaultValue) {
  const std::vector<Line> lines = ReadLines(path_);
  const SectionRange range = FindSection(lines, section);
  const std::size_t at = range.first < lines.size() ? FindKey(lines, range, key) : range.end;
  if (at == range.end) return std::string(defaultValue);
  return std::string(Unquote(lines[at].value));
}

std::vector<std::string> IniFile::GetKeyNames(std::string_view section) {
  const std::vector<Line> lines = ReadLines(path_);
  const SectionRange range = FindSection(lines, section);
  std::vector<std::string> names;
  if (range.first == lines.size()) return names;
  for (std::size_t i = range.first + 1; i < range.end; ++i) {
    if (lines[i].kind != Line::kKey) continue;
    const auto same = [&](const std::string& name) { return SameName(name, lines[i].name); };
    if (std::none_of(names.begin(), names.end(), same)) names.push_back(lines[i].name);
  }
  return names;
}

std::unique_ptr<Profile> IniFile::Snapshot() { return ProfileSnapshot::ReadFile(path_); }

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsWritableProfileEntry(section, key, value)) return false;
  std::vector<Line> lines = ReadLines(path_);
  const SectionRange range = FindSection(lines, section);
  if (range.first == lines.size()) {
    if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back(ParseLine(""));
    lines.push_back(ParseLine("[" + std::string(section) + "]"));
    lines.push_back(ParseLine(std::string(key) + "=" + std::string(value)));
    return WriteLines(path_, lines);
  }
  const std::size_t at = FindKey(lines, range, key);
  if (at != range.end) {
    // A value written again as it stands leaves the file alone.
    if (lines[at].value == value && lines[at].text == lines[at].name + "=" + lines[at].value) return true;
    lines[at] = ParseLine(lines[at].name + "=" + std::string(value));
    return WriteLines(path_, lines);
  }
  // After the section's last key, so blank lines before the next section stay there.
  std::size_t insertAt = range.end;
  while (insertAt > range.first + 1 && Trim(lines[insertAt - 1].text).empty()) --insertAt;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
               ParseLine(std::string(key) + "=" + std::string(value)));
  return WriteLines(path_, lines);
}

bool IniFile::Remove(std::string_view section, std::optional<std::string_view> key) {
  std::vector<Line> lines = ReadLines(path_);
  const SectionRange range = FindSection(lines, section);
  if (range.first == lines.size()) return true;
  if (key) {
    const std::size_t at = FindKey(lines, range, *key);
    if (at == range.end) return true;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
  } else {
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(range.first),
                lines.begin() + static_cast<std::ptrdiff_t>(range.end));
  }
  return WriteLines(path_, lines);
}

#ifndef _WIN32
std::unique_ptr<Profile> OpenProfile(const std::string& path) { return std::make_unique<IniFile>(path); }
#endif

}  // namespace fw
