// Temporary files and atomic replacement with Win32 calls.
#include <windows.h>

#include "platform/file_replace.h"

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

std::string CreateTempFileBeside(const std::string& target, std::string* error) {
  char name[MAX_PATH] = {};
  // Unique number 0: the system picks a free name and creates the file.
  if (GetTempFileNameA(FolderOf(target).c_str(), "tmp", 0, name) == 0) {
    SetError(error, "no temporary file can be made beside the file");
    return {};
  }
  return name;
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
  if (!MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    SetError(error, "the file could not be replaced");
    return false;
  }
  return true;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

std::uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

}  // namespace lumora
