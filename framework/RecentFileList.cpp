// Recent-file lists: order, persistence and the texts of their menu items.
#include "framework/RecentFileList.h"

#include <algorithm>

namespace fw {

namespace {

bool SamePath(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
           auto slash = [&](char c) { return c == '/' ? '\\' : lower(c); };
           return slash(x) == slash(y);
         });
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string DoubleAmpersands(std::string_view text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

// The folder part of a path including its last separator, or empty.
std::string_view FolderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

RecentFileList::RecentFileList(std::string section, std::uint32_t firstId, int capacity, int displayLength)
    : section_(std::move(section)), firstId_(firstId), displayLength_(displayLength) {
  const int idsLeft = firstId > kLastRecentFileId ? 0 : static_cast<int>(kLastRecentFileId - firstId + 1);
  capacity_ = std::clamp(capacity, 0, idsLeft);
}

void RecentFileList::Add(std::string_view path) {
  if (path.empty() || capacity_ == 0) return;
  auto found = std::find_if(paths_.begin(), paths_.end(), [&](const std::string& p) { return SamePath(p, path); });
  if (found != paths_.end()) paths_.erase(found);
  paths_.insert(paths_.begin(), std::string(path));
  if (static_cast<int>(paths_.size()) > capacity_) paths_.resize(static_cast<std::size_t>(capacity_));
}

void RecentFileList::Remove(int index) {
  if (index >= 0 && index < size()) paths_.erase(paths_.begin() + index);
}

void RecentFileList::Load(Profile& profile) {
  paths_.clear();
  for (int i = 1; i <= capacity_; ++i) {
    const std::string path = profile.GetString(section_, "File" + std::to_string(i));
    if (!path.empty()) paths_.push_back(path);
  }
}

bool RecentFileList::Save(Profile& profile) const {
  bool ok = profile.Remove(section_);
  for (int i = 0; i < size(); ++i) ok = profile.WriteString(section_, "File" + std::to_string(i + 1), (*this)[i]) && ok;
  return ok;
}

std::vector<RecentMenuItem> RecentFileList::MenuItems(std::string_view currentFolder) const {
  std::vector<RecentMenuItem> items;
  for (int i = 0; i < size(); ++i) {
    std::string_view path = (*this)[i];
    if (!currentFolder.empty() && SamePath(FolderOf(path), currentFolder)) path = FileNameOf(path);
    const std::string number = i < 9 ? "&" + std::to_string(i + 1) : std::to_string(i + 1);
    items.push_back({firstId_ + static_cast<std::uint32_t>(i),
                     number + " " + DoubleAmpersands(AbbreviatePath(path, displayLength_))});
  }
  return items;
}

std::string AbbreviatePath(std::string_view path, int maxLength) {
  const std::size_t limit = static_cast<std::size_t>(std::max(maxLength, 4));
  if (path.size() <= limit) return std::string(path);
  const std::string_view name = FileNameOf(path);
  if (name.size() + 4 > limit) {
    return name.size() <= limit ? std::string(name) : std::string(name.substr(0, limit - 3)) + "...";
  }
  // The root: a drive ("C:\") or a server share's first component ("\\server\").
  std::size_t rootEnd = 0;
  while (rootEnd < path.size() && IsSeparator(path[rootEnd])) ++rootEnd;
  while (rootEnd < path.size() && !IsSeparator(path[rootEnd])) ++rootEnd;
  if (rootEnd < path.size()) ++rootEnd;
  // Keep as many trailing components as fit after "root...\".
  std::size_t tailStart = path.size() - name.size() - 1;  // the separator before the name
  for (;;) {
    const std::size_t previous = tailStart == 0 ? std::string_view::npos : path.find_last_of("\\/", tailStart - 1);
    if (previous == std::string_view::npos || previous < rootEnd) break;
    if (rootEnd + 3 + (path.size() - previous) > limit) break;
    tailStart = previous;
  }
  const std::string withRoot = std::string(path.substr(0, rootEnd)) + "..." + std::string(path.substr(tailStart));
  if (withRoot.size() <= limit) return withRoot;
  return "..." + std::string(path.substr(tailStart));
}

}  // namespace fw
