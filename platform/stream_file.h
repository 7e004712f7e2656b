// Byte files: a small stream interface with a memory file and a disk file,
// and the exception that file and format faults throw.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

namespace lumora {

// A fault of a file or of a stored format.
class FileException : public std::exception {
 public:
  enum Cause {
    none,
    genericException,
    fileNotFound,
    badPath,
    accessDenied,
    invalidFile,
    badSeek,
    hardIO,
    diskFull,
    endOfFile,
    sharingViolation,  // another program holds the file open in a way that excludes this use
  };

  FileException(Cause cause, long osError = -1, std::string fileName = {},
                std::string message = {});
  const char* what() const noexcept override { return message_.c_str(); }

  Cause cause() const { return cause_; }
  long osError() const { return osError_; }
  const std::string& fileName() const { return fileName_; }

 private:
  Cause cause_;
  long osError_;
  std::string fileName_;
  std::string message_;
};

// Throws FileException(invalidFile), with no system error and no file name.
[[noreturn]] void ThrowInvalidFile(const char* message = nullptr);

// Sequential bytes with a position, as the stream uses them. Reading past
// the end is not an error (Read returns fewer bytes); writing faults throw.
class StreamFile {
 public:
  virtual ~StreamFile() = default;
  // Returns the number of bytes read.
  virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
  virtual void Write(const void* buffer, std::uint32_t count) = 0;
  // Moves the position by `offset` from the current one; returns the new one.
  virtual std::uint64_t SeekFromCurrent(std::int64_t offset) = 0;
  virtual std::uint64_t GetPosition() const = 0;
  virtual std::uint64_t GetLength() const = 0;
  virtual void Flush() = 0;
};

// A file in memory that grows in steps, or reads a block attached to it.
// Derived files decide where the memory comes from (Alloc, Realloc, Free).
class MemFile : public StreamFile {
 public:
  explicit MemFile(std::uint32_t growBytes = 1024);
  ~MemFile() override;
  MemFile(const MemFile&) = delete;
  MemFile& operator=(const MemFile&) = delete;

  std::uint32_t Read(void* buffer, std::uint32_t count) override;
  void Write(const void* buffer, std::uint32_t count) override;
  std::uint64_t SeekFromCurrent(std::int64_t offset) override;
  std::uint64_t GetPosition() const override { return position_; }
  std::uint64_t GetLength() const override { return fileSize_; }
  void Flush() override {}

  // Uses `buffer` as the file. With growBytes 0 the file is the block's
  // `size` bytes and cannot grow; otherwise it starts empty and grows by
  // reallocating the block. The file does not free an attached block.
  void Attach(std::uint8_t* buffer, std::uint32_t size, std::uint32_t growBytes = 0);
  // Gives up the block (the caller owns it) and empties the file.
  std::uint8_t* Detach();
  // Frees the block when the file owns it, and empties the file.
  void Close();
  const std::uint8_t* Data() const { return buffer_; }

 protected:
  virtual std::uint8_t* Alloc(std::size_t bytes);
  virtual std::uint8_t* Realloc(std::uint8_t* block, std::size_t bytes);
  virtual void Free(std::uint8_t* block);
  // For a derived destructor, which must Close while its Free still runs.
  bool HasBuffer() const { return buffer_ != nullptr; }

 private:
  void Grow(std::uint64_t needed);

  std::uint32_t growBytes_;
  std::uint64_t position_ = 0;
  std::uint64_t bufferSize_ = 0;
  std::uint64_t fileSize_ = 0;
  std::uint8_t* buffer_ = nullptr;
  bool ownsBuffer_ = true;
};

// A file on disk. Opening failures and write faults throw FileException
// with the path.
class DiskFile : public StreamFile {
 public:
  enum Mode {
    kRead,             // an existing file, for reading
    kCreateWrite,      // a new or emptied file, for writing
    kReadWrite,        // an existing file, for reading and writing, kept as it is
    kCreateReadWrite,  // a new or emptied file, for reading and writing
  };
  // What other openers may do while this file is open. Only Windows
  // enforces it; another opener refused gets sharingViolation.
  enum Share { kShareDenyNone, kShareDenyWrite, kShareExclusive };

  DiskFile(const std::string& path, Mode mode, Share share = kShareDenyNone);
  ~DiskFile() override;
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;

  std::uint32_t Read(void* buffer, std::uint32_t count) override;
  void Write(const void* buffer, std::uint32_t count) override;
  std::uint64_t SeekFromCurrent(std::int64_t offset) override;
  std::uint64_t GetPosition() const override;
  std::uint64_t GetLength() const override;
  void Flush() override;
  // Closes the file, throwing when the last bytes cannot be written.
  void Close();
  // Moves to an absolute position; returns it.
  std::uint64_t SeekTo(std::uint64_t position);
  const std::string& path() const { return path_; }

 private:
  enum Direction { kIdle, kReading, kWriting };
  void SwitchDirection(Direction next);
  [[noreturn]] void Fail(FileException::Cause cause, int error) const;

  std::FILE* file_ = nullptr;
  Direction direction_ = kIdle;
  std::string path_;
};

}  // namespace lumora
