// A most-recently-used list of paths kept in the settings file (keys
// "File1", "File2", ... of its own section) and shown as numbered items of
// a menu whose command ids follow one another from a first id.
//
//   fw::RecentFileList files("Recent File List", fw::kFirstRecentFileId, 4);
//   files.Load(profile);
//   files.Add("C:\\Images\\cat.lud");
//   for (const fw::RecentMenuItem& item : files.MenuItems()) ...  // (id, "&1 cat.lud")
//   files.Save(profile);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Profile.h"

namespace fw {

// The command ids that recent-file menus may use.
inline constexpr std::uint32_t kFirstRecentFileId = 57616;
inline constexpr std::uint32_t kLastRecentFileId = 57631;
// The recent-workspace list's first id and the section names the program uses.
inline constexpr std::uint32_t kFirstRecentWorkspaceId = 57625;
inline constexpr char kRecentFileSection[] = "Recent File List";
inline constexpr char kRecentWorkspaceSection[] = "Recent Workspace File List";

struct RecentMenuItem {
  std::uint32_t id;
  std::string text;
};

class RecentFileList {
 public:
  // At most `capacity` entries, never more than the ids from `firstId` up to
  // kLastRecentFileId allow. Menu texts are cut to `displayLength` characters
  // (not counting the "&N " prefix).
  RecentFileList(std::string section, std::uint32_t firstId, int capacity, int displayLength = 30);

  // Puts the path first; a path already listed (compared without regard to
  // case) moves up instead of appearing twice; the oldest entry drops off.
  void Add(std::string_view path);
  void Remove(int index);
  void Clear() { paths_.clear(); }

  int size() const { return static_cast<int>(paths_.size()); }
  int capacity() const { return capacity_; }
  const std::string& operator[](int index) const { return paths_[static_cast<std::size_t>(index)]; }
  std::uint32_t firstId() const { return firstId_; }
  // Whether the command id belongs to this list; IndexOfId gives the entry.
  bool OwnsId(std::uint32_t id) const { return id >= firstId_ && id < firstId_ + static_cast<std::uint32_t>(capacity_); }
  int IndexOfId(std::uint32_t id) const { return static_cast<int>(id - firstId_); }

  // Reads "File1".."FileN" of the section; empty keys are skipped.
  void Load(Profile& profile);
  // Replaces the section with the current entries.
  bool Save(Profile& profile) const;

  // The menu items for the current entries, newest first: ids from firstId,
  // texts "&1 name" with '&' in names doubled. Paths in `currentFolder` show
  // their file name only; long paths are shortened with "...".
  std::vector<RecentMenuItem> MenuItems(std::string_view currentFolder = {}) const;

 private:
  std::string section_;
  std::uint32_t firstId_;
  int capacity_;
  int displayLength_;
  std::vector<std::string> paths_;
};

// A path cut to at most `maxLength` characters: the root and the last
// components with "..." between them, else the file name alone, itself cut
// when longer than `maxLength`.
std::string AbbreviatePath(std::string_view path, int maxLength);

}  // namespace fw
