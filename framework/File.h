// Files for documents, settings archives and the like, on the byte files of
// platform/stream_file.h: fw::File opens a disk file with the usual open
// and sharing modes, fw::MemFile is the growable memory file (a derived
// class may supply the memory: select/win/HGlobalMemFile puts it on a
// movable global block), and
// fw::FileException carries the cause and the file name, with
// FileErrorMessage giving a text a user can read.
//
//   fw::File file;
//   fw::FileException error(fw::FileException::none);
//   if (!file.Open(path, fw::File::modeRead | fw::File::shareDenyWrite, &error))
//     ShowMessage(fw::FileErrorMessage(error));
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "platform/stream_file.h"

namespace fw {

using FileException = lumora::FileException;
using StreamFile = lumora::StreamFile;
using MemFile = lumora::MemFile;

// The string-table text for the cause, followed by the file name on a line
// of its own when there is one.
std::string FileErrorMessage(const FileException& error);

class File : public StreamFile {
 public:
  // One access mode, optionally with creation and one sharing mode.
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareDenyNone = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    modeCreate = 0x1000,      // create the file, or empty an existing one
    modeNoTruncate = 0x2000,  // with modeCreate: keep an existing file as it is
  };
  enum SeekFrom { begin, current, end };

  struct Status {
    std::uint64_t size = 0;
    std::time_t modified = 0;  // last write, seconds since 1970
    bool readOnly = false;
  };

  File() = default;
  // Opens or throws FileException.
  File(const std::string& path, unsigned flags) { Open(path, flags); }

  // Opens the file; on failure returns false and fills `error` when given,
  // else throws FileException.
  bool Open(const std::string& path, unsigned flags, FileException* error = nullptr);
  bool IsOpen() const { return file_ != nullptr; }
  // Closes the file, throwing when the last bytes cannot be written. A file
  // left open is closed by the destructor, which swallows that fault.
  void Close();
  // Closes without throwing.
  void Abort() { file_.reset(); }
  const std::string& GetFilePath() const { return path_; }

  std::uint32_t Read(void* buffer, std::uint32_t count) override;
  void Write(const void* buffer, std::uint32_t count) override;
  std::uint64_t SeekFromCurrent(std::int64_t offset) override;
  std::uint64_t GetPosition() const override;
  std::uint64_t GetLength() const override;
  void Flush() override;
  // Moves to `offset` from the start, the current position or the end;
  // returns the new position. A position before the start throws badSeek.
  std::uint64_t Seek(std::int64_t offset, SeekFrom from);

  // The file's size, time and read-only flag; false when it does not exist.
  static bool GetStatus(const std::string& path, Status& status);
  // Deletes the file, or throws FileException with the cause.
  static void Remove(const std::string& path);

 private:
  lumora::DiskFile& Opened() const;

  std::unique_ptr<lumora::DiskFile> file_;
  std::string path_;
};

}  // namespace fw
