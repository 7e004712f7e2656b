// The filter lists of the image open and save dialogs, as "|"-separated
// texts of description and pattern pairs ended by "||": the open list
// (native types, the library's readable formats, all supported files),
// the save dialog's match of a file name to its type, and the name a type
// change gives.
#pragma once

#include <string>
#include <vector>

namespace lumora {

struct FilterEntry {
  std::string description;
  std::string patterns;  // "*.a;*.b"
};

std::vector<FilterEntry> ParseFilter(const std::string& filter);
// The number of description and pattern pairs.
int CountFilters(const std::string& filter);
// The patterns of entry `index` (1-based), split at ";"; empty out of range.
std::vector<std::string> GetFilterExtensions(const std::string& filter, int index);

// The open dialog's list: unless `noNativeTypes`, the two native entries;
// then `readable` (the library's NUL- or "|"-separated list); then "All
// supported files" joining every pattern (readable first, native last).
std::string BuildOpenFilter(bool noNativeTypes, const std::string& readable);

// Whether the path's extension is among the filter's patterns.
bool ExtensionInFilter(const std::string& path, const std::string& filter);
// Whether the path ends in ".PSD" or ".LUD", in any case.
bool HasNativeExtension(const std::string& path);

struct SaveFilterMatch {
  int filterIndex = 1;       // 1-based
  std::string defaultExt;    // without the dot; empty without a match
  std::string fileName;      // the name, given the first type's extension when none matched
};
// The entry whose pattern matches the name's extension; without one the
// name takes the first entry's extension, keeping drive, folder and base.
SaveFilterMatch MatchSaveFilter(const std::string& filter, const std::string& fileName);

// The name after the user chose entry `index`: drive, folder and base name
// kept, the entry's first extension put on. `newExt` receives it.
std::string NameForType(const std::string& filter, int index, const std::string& name, std::string* newExt);

}  // namespace lumora
