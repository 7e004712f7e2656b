// Disk files with open modes, and readable messages for file faults.
#include "framework/File.h"

#include <filesystem>
#include <system_error>

#include "res/StringTable.h"
#include "res/resource.h"

namespace fw {

namespace {

namespace fs = std::filesystem;

std::uint32_t MessageId(FileException::Cause cause) {
  switch (cause) {
    case FileException::fileNotFound: return IDS_FW_FILE_NOT_FOUND;
    case FileException::badPath: return IDS_FW_FILE_BAD_PATH;
    case FileException::accessDenied: return IDS_FW_FILE_ACCESS_DENIED;
    case FileException::invalidFile: return IDS_FW_FILE_INVALID;
    case FileException::badSeek: return IDS_FW_FILE_BAD_SEEK;
    case FileException::hardIO: return IDS_FW_FILE_HARD_IO;
    case FileException::diskFull: return IDS_FW_FILE_DISK_FULL;
    case FileException::endOfFile: return IDS_FW_FILE_END_OF_FILE;
    case FileException::sharingViolation: return IDS_FW_FILE_SHARING;
    default: return IDS_FW_FILE_GENERIC;
  }
}

lumora::DiskFile::Mode DiskMode(unsigned flags, bool exists) {
  const bool create = (flags & File::modeCreate) != 0 && !((flags & File::modeNoTruncate) != 0 && exists);
  const bool writeOnly = (flags & File::modeWrite) != 0;
  const bool readWrite = (flags & File::modeReadWrite) != 0;
  if (create) return readWrite ? lumora::DiskFile::kCreateReadWrite : lumora::DiskFile::kCreateWrite;
  if (readWrite || writeOnly) return lumora::DiskFile::kReadWrite;
  return lumora::DiskFile::kRead;
}

lumora::DiskFile::Share DiskShare(unsigned flags) {
  if (flags & File::shareExclusive) return lumora::DiskFile::kShareExclusive;
  if (flags & File::shareDenyWrite) return lumora::DiskFile::kShareDenyWrite;
  return lumora::DiskFile::kShareDenyNone;
}

}  // namespace

std::string FileErrorMessage(const FileException& error) {
  std::string text(res::String(MessageId(error.cause())));
  if (!error.fileName().empty()) text += "\n" + error.fileName();
  return text;
}

bool File::Open(const std::string& path, unsigned flags, FileException* error) {
  file_.reset();
  path_ = path;
  try {
    std::error_code ignored;
    const bool exists = fs::exists(fs::path(path), ignored);
    file_ = std::make_unique<lumora::DiskFile>(path, DiskMode(flags, exists), DiskShare(flags));
    return true;
  } catch (const FileException& e) {
    if (error == nullptr) throw;
    *error = e;
    return false;
  }
}

void File::Close() {
  if (!file_) return;
  std::unique_ptr<lumora::DiskFile> closing = std::move(file_);
  closing->Close();
}

lumora::DiskFile& File::Opened() const {
  if (!file_) throw FileException(FileException::genericException, -1, path_, "the file is not open");
  return *file_;
}

std::uint32_t File::Read(void* buffer, std::uint32_t count) { return Opened().Read(buffer, count); }
void File::Write(const void* buffer, std::uint32_t count) { Opened().Write(buffer, count); }
std::uint64_t File::SeekFromCurrent(std::int64_t offset) { return Opened().SeekFromCurrent(offset); }
std::uint64_t File::GetPosition() const { return Opened().GetPosition(); }
std::uint64_t File::GetLength() const { return Opened().GetLength(); }
void File::Flush() { Opened().Flush(); }

std::uint64_t File::Seek(std::int64_t offset, SeekFrom from) {
  lumora::DiskFile& file = Opened();
  const std::int64_t origin = from == begin     ? 0
                              : from == current ? static_cast<std::int64_t>(file.GetPosition())
                                                : static_cast<std::int64_t>(file.GetLength());
  const std::int64_t target = origin + offset;
  if (target < 0) throw FileException(FileException::badSeek, -1, path_);
  return file.SeekTo(static_cast<std::uint64_t>(target));
}

bool File::GetStatus(const std::string& path, Status& status) {
  std::error_code error;
  const fs::path p = fs::path(path);
  const fs::file_status s = fs::status(p, error);
  if (error || !fs::is_regular_file(s)) return false;
  status.size = fs::file_size(p, error);
  const auto written = fs::last_write_time(p, error);
  status.modified = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(
          written - fs::file_time_type::clock::now() + std::chrono::system_clock::now()));
  status.readOnly = (s.permissions() & fs::perms::owner_write) == fs::perms::none;
  return true;
}

void File::Remove(const std::string& path) {
  std::error_code error;
  const fs::path p = fs::path(path);
  if (fs::remove(p, error)) return;
  if (!error) throw FileException(FileException::fileNotFound, -1, path);
  const FileException::Cause cause = error == std::errc::permission_denied ? FileException::accessDenied
                                     : error == std::errc::no_such_file_or_directory ? FileException::fileNotFound
                                                                                     : FileException::genericException;
  throw FileException(cause, error.value(), path);
}

}  // namespace fw
