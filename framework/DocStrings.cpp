// Text rules of templates, documents and frames.
#include "framework/DocStrings.h"

#include <cctype>

#include "framework/CommandIds.h"
#include "framework/StringSource.h"

namespace fw {

std::string DocStringPart(const std::string& docString, DocStringIndex index) {
  std::size_t start = 0;
  for (int i = 0; i < static_cast<int>(index); ++i) {
    std::size_t nl = docString.find('\n', start);
    if (nl == std::string::npos) return {};
    start = nl + 1;
  }
  return docString.substr(start, docString.find('\n', start) - start);
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(a[i])));
    char y = b[i] == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(b[i])));
    if (x != y) return false;
  }
  return true;
}

std::string FileTitleOf(const std::string& path) {
  std::size_t sep = path.find_last_of("\\/:");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

MatchConfidence MatchDocType(const std::string& path, const std::string& filterExt,
                             const std::vector<std::string>& openPaths) {
  for (const std::string& open : openPaths) {
    if (SamePath(open, path)) return MatchConfidence::kYesAlreadyOpen;
  }
  std::string name = FileTitleOf(path);
  std::size_t dot = name.rfind('.');
  if (!filterExt.empty() && dot != std::string::npos && SamePath(name.substr(dot), filterExt)) {
    return MatchConfidence::kMaybeNative;
  }
  return MatchConfidence::kMaybeForeign;
}

std::string DefaultDocTitle(const std::string& docName, int untitledCount) {
  if (docName.empty()) return ResourceString(kIdsUntitled);
  return docName + std::to_string(untitledCount + 1);
}

std::string ChildFrameTitle(const std::string& docTitle, int windowNumber) {
  return windowNumber > 0 ? docTitle + ":" + std::to_string(windowNumber) : docTitle;
}

std::string AppFrameTitle(const std::string& appTitle, const std::string& docTitle) {
  return docTitle.empty() ? appTitle : docTitle + " - " + appTitle;
}

std::string BuildOpenFilter(const std::vector<std::pair<std::string, std::string>>& nameAndExt,
                            const std::string& allFilesName) {
  std::string filter;
  for (const auto& [name, ext] : nameAndExt) {
    if (name.empty() || ext.empty()) continue;
    filter += name;
    filter += '\0';
    filter += "*" + ext;
    filter += '\0';
  }
  filter += allFilesName;
  filter += '\0';
  filter += "*.*";
  filter += '\0';
  return filter;
}

std::vector<std::string> SplitMultiSelect(const char* buffer, std::size_t size) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < size && buffer[i] != '\0') {
    std::size_t start = i;
    while (i < size && buffer[i] != '\0') ++i;
    parts.emplace_back(buffer + start, i - start);
    ++i;
  }
  if (parts.size() <= 1) return parts;
  std::string folder = parts[0];
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  std::vector<std::string> paths;
  for (std::size_t k = 1; k < parts.size(); ++k) paths.push_back(folder + parts[k]);
  return paths;
}

}  // namespace fw
