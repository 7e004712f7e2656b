// Temporary files and atomic replacement with Win32 calls.
#include <windows.h>

#include "platform/file_replace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash + 1);
}

void SetError(std::string* error, const char* what) {
  if (error == nullptr) return;
  char text[512] = {};
  const DWORD code = GetLastError();
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  *error = std::string(what) + ": " + (text[0] != 0 ? text : std::to_string(code));
  while (!error->empty() && (error->back() == '\n' || error->back() == '\r')) error->pop_back();
}

}  // namespace

std::vector<std::string> FindTempFilesOf(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string base = folder == "." ? "" : folder;
  const std::string targetName = target.substr(base.size());
  std::vector<std::string> stale;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((base + TempNamePrefix(targetName) + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return stale;
  do {
    if (IsTempNameOf(found.cFileName, targetName)) stale.push_back(base + found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return stale;
}

std::string CreateTempFileBeside(const std::string& target, std::string* error) {
  const std::string folder = FolderOf(target);
  const std::string targetName = target.substr(folder == "." ? 0 : folder.size());
  const std::string base = folder == "." ? "" : folder;
  // The temporary files that earlier saves of the target left (one still
  // being written by another program stays: it cannot be deleted).
  for (const std::string& stale : FindTempFilesOf(target)) DeleteFileA(stale.c_str());
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uint32_t seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ GetCurrentThreadId();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = base + TempNamePrefix(targetName);
    for (int i = 0; i < 6; ++i) {
      seed = seed * 1664525u + 1013904223u;
      name.push_back(kChars[(seed >> 16) % 36]);
    }
    // CREATE_NEW: a name in use is never taken over.
    const HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return name;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  SetError(error, "no temporary file can be made beside the file");
  return {};
}

bool FlushFileToDisk(const std::string& path, std::string* error) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    SetError(error, "the file could not be written to the disk");
    return false;
  }
  const BOOL flushed = FlushFileBuffers(file);
  if (!flushed) SetError(error, "the file could not be written to the disk");
  CloseHandle(file);
  return flushed != FALSE;
}

bool ReplaceFileAtomically(const std::string& source, const std::string& target, std::string* error) {
  // A file marked read-only is not written over (the system refuses it;
  // under Wine the move would succeed).
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    if (error != nullptr) *error = "the file is read-only";
    return false;
  }
  if (!MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    SetError(error, "the file could not be replaced");
    return false;
  }
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

std::uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace lumora
