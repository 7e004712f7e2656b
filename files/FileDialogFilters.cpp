// Filter lists of the image file dialogs.
#include "files/FileDialogFilters.h"

#include <algorithm>
#include <cctype>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

// Where the file name (after the last "\" "/" or ":") begins.
std::size_t NameStart(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? 0 : slash + 1;
}

// The extension with its dot, or empty.
std::string ExtensionOf(const std::string& path) {
  const std::size_t start = NameStart(path);
  const std::size_t dot = path.rfind('.');
  return dot == std::string::npos || dot < start ? std::string() : path.substr(dot);
}

// Drive, folder and base name: the path without its extension.
std::string WithoutExtension(const std::string& path) {
  return path.substr(0, path.size() - ExtensionOf(path).size());
}

// "*.ext" gives "ext"; "*.*" and the like give nothing.
std::string PatternExtension(const std::string& pattern) {
  if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0) return {};
  const std::string ext = pattern.substr(2);
  return ext.find_first_of("*?") == std::string::npos ? ext : std::string();
}

}  // namespace

std::vector<FilterEntry> ParseFilter(const std::string& filter) {
  std::vector<FilterEntry> entries;
  const std::vector<std::string> parts = Split(filter, '|');
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) break;
    entries.push_back({parts[i], parts[i + 1]});
  }
  return entries;
}

int CountFilters(const std::string& filter) { return static_cast<int>(ParseFilter(filter).size()); }

std::vector<std::string> GetFilterExtensions(const std::string& filter, int index) {
  const std::vector<FilterEntry> entries = ParseFilter(filter);
  if (index < 1 || index > static_cast<int>(entries.size())) return {};
  return Split(entries[static_cast<std::size_t>(index - 1)].patterns, ';');
}

std::string BuildOpenFilter(bool noNativeTypes, const std::string& readable) {
  std::string formats = readable;
  std::replace(formats.begin(), formats.end(), '\0', '|');
  std::vector<FilterEntry> library = ParseFilter(formats);
  std::vector<FilterEntry> native;
  if (!noNativeTypes) {
    native.push_back({std::string(res::String(IDS_LUD_FILTER)), std::string(res::String(IDS_LUD_PATTERN))});
    native.push_back({std::string(res::String(IDS_PSD_FILTER)), std::string(res::String(IDS_PSD_PATTERN))});
  }
  std::string text;
  std::string all;
  auto add = [&](const FilterEntry& e) { text += e.description + "|" + e.patterns + "|"; };
  auto join = [&](const FilterEntry& e) { all += (all.empty() ? "" : ";") + e.patterns; };
  for (const FilterEntry& e : native) add(e);
  for (const FilterEntry& e : library) add(e);
  for (const FilterEntry& e : library) join(e);
  for (const FilterEntry& e : native) join(e);
  text += std::string(res::String(IDS_ALL_SUPPORTED_FILES)) + "|" + all + "||";
  return text;
}

bool ExtensionInFilter(const std::string& path, const std::string& filter) {
  const std::string ext = Lower(ExtensionOf(path));
  if (ext.size() < 2) return false;
  for (const FilterEntry& e : ParseFilter(filter)) {
    for (const std::string& pattern : Split(Lower(e.patterns), ';')) {
      if (pattern == "*" + ext) return true;
    }
  }
  return false;
}

bool HasNativeExtension(const std::string& path) {
  const std::string ext = Lower(ExtensionOf(path));
  auto is = [&](std::uint32_t id) { return !ext.empty() && Lower(std::string(res::String(id))) == "*" + ext; };
  return is(IDS_PSD_PATTERN) || is(IDS_LUD_PATTERN);
}

SaveFilterMatch MatchSaveFilter(const std::string& filter, const std::string& fileName) {
  SaveFilterMatch match;
  match.fileName = fileName;
  const std::vector<FilterEntry> entries = ParseFilter(filter);
  const std::string wanted = "*" + Lower(ExtensionOf(fileName));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    for (const std::string& pattern : Split(entries[i].patterns, ';')) {
      if (Lower(pattern) != wanted) continue;
      match.filterIndex = static_cast<int>(i) + 1;
      match.defaultExt = PatternExtension(pattern);
      return match;
    }
  }
  if (!entries.empty() && !fileName.empty()) {
    const std::string ext = PatternExtension(Split(entries.front().patterns, ';').front());
    if (!ext.empty()) match.fileName = WithoutExtension(fileName) + "." + ext;
  }
  return match;
}

std::string NameForType(const std::string& filter, int index, const std::string& name, std::string* newExt) {
  const std::vector<std::string> patterns = GetFilterExtensions(filter, index);
  const std::string ext = patterns.empty() ? std::string() : PatternExtension(patterns.front());
  if (newExt != nullptr) *newExt = ext;
  if (ext.empty() || name.empty()) return name;
  return WithoutExtension(name) + "." + ext;
}

}  // namespace lumora
