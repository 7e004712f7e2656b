#include "files/SafeWrite.h"

#include "platform/file_replace.h"

namespace lumora {

bool WriteFileSafely(const std::string& path, const std::function<bool(StreamFile&, std::string*)>& write,
                     std::string* error) {
  std::string message;
  const std::string temp = CreateTempFileBeside(path, &message);
  if (temp.empty()) {
    if (error != nullptr) *error = message;
    return false;
  }
  bool ok = false;
  try {
    DiskFile file(temp, DiskFile::kCreateWrite);
    ok = write(file, &message);
    if (ok) file.Close();
  } catch (const std::exception& e) {
    message = e.what();
    ok = false;
  }
  if (ok) ok = FlushFileToDisk(temp, &message) && ReplaceFileAtomically(temp, path, &message);
  if (!ok) {
    RemoveFile(temp);
    if (error != nullptr) *error = message.empty() ? "The file could not be written." : message;
  }
  return ok;
}

}  // namespace lumora
