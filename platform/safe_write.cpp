// The one road by which the program's kept files are written: a temporary
// file beside the target, then one move over it.
#include "platform/safe_write.h"

#include <exception>

#include "platform/file_replace.h"

namespace lumora {

bool WriteFileSafelyByName(const std::string& path,
                           const std::function<bool(const std::string& temporary, std::string*)>& write,
                           std::string* error) {
  std::string message;
  const std::string temp = CreateTempFileBeside(path, &message);
  if (temp.empty()) {
    if (error != nullptr) *error = message;
    return false;
  }
  bool ok = false;
  try {
    ok = write(temp, &message);
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

bool WriteFileSafely(const std::string& path, const std::function<bool(StreamFile&, std::string*)>& write,
                     std::string* error) {
  return WriteFileSafelyByName(
      path,
      [&](const std::string& temp, std::string* message) {
        DiskFile file(temp, DiskFile::kCreateWrite);
        if (!write(file, message)) return false;
        file.Close();
        return true;
      },
      error);
}

bool WriteBytesSafely(const std::string& path, const void* data, std::size_t size, std::string* error) {
  if (size > 0xFFFFFFFFu) {
    if (error != nullptr) *error = "The file would be larger than 4 GB.";
    return false;
  }
  return WriteFileSafely(
      path,
      [&](StreamFile& out, std::string*) {
        out.Write(data, static_cast<std::uint32_t>(size));
        return true;
      },
      error);
}

}  // namespace lumora
