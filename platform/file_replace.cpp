// Temporary files and atomic replacement with POSIX calls (the Windows
// build has its own in win/).
#ifndef _WIN32
#include "platform/file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace lumora {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SetError(std::string* error, const char* what) {
  if (error != nullptr) *error = std::string(what) + ": " + std::strerror(errno);
}

// Makes a file's directory entry durable too (a rename is only as safe as
// the folder that holds it).
void SyncFolder(const std::string& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::vector<std::string> FindTempFilesOf(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string targetName = NameOf(target);
  std::vector<std::string> found;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return found;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsTempNameOf(entry->d_name, targetName)) found.push_back(folder + "/" + entry->d_name);
  }
  ::closedir(dir);
  return found;
}

std::string CreateTempFileBeside(const std::string& target, std::string* error) {
  const std::string folder = FolderOf(target);
  const std::string targetName = NameOf(target);
  // The temporary files that earlier saves of the target left.
  for (const std::string& stale : FindTempFilesOf(target)) ::unlink(stale.c_str());
  std::string pattern = folder + "/" + TempNamePrefix(targetName) + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    SetError(error, "no temporary file can be made beside the file");
    return {};
  }
  // The replacement keeps the permissions the target has, or those a new
  // file would get.
  struct stat existing;
  mode_t mode;
  if (::stat(target.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  ::close(fd);
  return std::string(name.data());
}

bool FlushFileToDisk(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0 || ::fsync(fd) != 0) {
    SetError(error, "the file could not be written to the disk");
    if (fd >= 0) ::close(fd);
    return false;
  }
  ::close(fd);
  return true;
}

bool ReplaceFileAtomically(const std::string& source, const std::string& target, std::string* error) {
  // A file nobody may write is not written over (a rename would replace
  // it, and the owner of the folder could).
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    if (error != nullptr) *error = "the file is read-only";
    return false;
  }
  if (std::rename(source.c_str(), target.c_str()) != 0) {
    SetError(error, "the file could not be replaced");
    return false;
  }
  SyncFolder(target);
  return true;
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

}  // namespace lumora
#endif
