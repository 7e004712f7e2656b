// Memory and disk files for the selection stream, and file exceptions.
#include "platform/stream_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#ifdef _WIN32
#include <share.h>
#endif

namespace lumora {

namespace {

const char* CauseText(FileException::Cause cause) {
  switch (cause) {
    case FileException::fileNotFound: return "the file was not found";
    case FileException::badPath: return "the path is not valid";
    case FileException::accessDenied: return "access to the file was denied";
    case FileException::invalidFile: return "the file is not a valid selection file";
    case FileException::badSeek: return "a position outside the file was asked for";
    case FileException::hardIO: return "the file could not be read or written";
    case FileException::diskFull: return "the disk is full";
    case FileException::endOfFile: return "the file ended too early";
    case FileException::sharingViolation: return "the file is in use by another program";
    default: return "the file could not be used";
  }
}

FileException::Cause CauseOfErrno(int error) {
  switch (error) {
    case ENOENT: return FileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return FileException::badPath;
    case EACCES:
    case EPERM:
    case EROFS: return FileException::accessDenied;
    case ENOSPC:
    case EFBIG: return FileException::diskFull;
    case EIO: return FileException::hardIO;
    default: return FileException::genericException;
  }
}

int Seek64(std::FILE* f, std::int64_t offset, int origin) {
#ifdef _WIN32
  return _fseeki64(f, offset, origin);
#else
  return fseeko(f, static_cast<off_t>(offset), origin);
#endif
}

std::int64_t Tell64(std::FILE* f) {
#ifdef _WIN32
  return _ftelli64(f);
#else
  return static_cast<std::int64_t>(ftello(f));
#endif
}

}  // namespace

FileException::FileException(Cause cause, long osError, std::string fileName, std::string message)
    : cause_(cause),
      osError_(osError),
      fileName_(std::move(fileName)),
      message_(std::move(message)) {
  if (message_.empty()) {
    message_ = CauseText(cause);
    if (!fileName_.empty()) message_ += ": " + fileName_;
  }
}

void ThrowInvalidFile(const char* message) {
  throw FileException(FileException::invalidFile, -1, {}, message != nullptr ? message : "");
}

// ---- MemFile ----

MemFile::MemFile(std::uint32_t growBytes) : growBytes_(growBytes) {}

MemFile::~MemFile() {
  // A derived file's Free no longer runs here: such files Close themselves.
  if (buffer_ != nullptr) Close();
}

std::uint32_t MemFile::Read(void* buffer, std::uint32_t count) {
  if (position_ >= fileSize_ || count == 0) return 0;
  const std::uint64_t n = std::min<std::uint64_t>(count, fileSize_ - position_);
  std::memcpy(buffer, buffer_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return static_cast<std::uint32_t>(n);
}

void MemFile::Write(const void* buffer, std::uint32_t count) {
  if (count == 0) return;
  const std::uint64_t end = position_ + count;
  if (end > bufferSize_) Grow(end);
  // A write after a seek past the end leaves zeros in the gap, not old memory.
  if (position_ > fileSize_) std::memset(buffer_ + fileSize_, 0, static_cast<std::size_t>(position_ - fileSize_));
  std::memcpy(buffer_ + position_, buffer, count);
  position_ = end;
  fileSize_ = std::max(fileSize_, end);
}

std::uint64_t MemFile::SeekFromCurrent(std::int64_t offset) {
  if (offset < 0 && static_cast<std::uint64_t>(-offset) > position_) {
    throw FileException(FileException::badSeek);
  }
  position_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(position_) + offset);
  return position_;
}

void MemFile::Grow(std::uint64_t needed) {
  if (growBytes_ == 0 || needed > std::numeric_limits<std::uint32_t>::max()) {
    throw FileException(FileException::diskFull);
  }
  const std::uint64_t size = (needed + growBytes_ - 1) / growBytes_ * growBytes_;
  std::uint8_t* block = buffer_ == nullptr ? Alloc(static_cast<std::size_t>(size))
                                           : Realloc(buffer_, static_cast<std::size_t>(size));
  if (block == nullptr) throw FileException(FileException::diskFull);
  buffer_ = block;
  bufferSize_ = size;
}

void MemFile::Attach(std::uint8_t* buffer, std::uint32_t size, std::uint32_t growBytes) {
  Close();
  buffer_ = buffer;
  bufferSize_ = size;
  fileSize_ = growBytes == 0 ? size : 0;
  growBytes_ = growBytes;
  position_ = 0;
  ownsBuffer_ = false;
}

std::uint8_t* MemFile::Detach() {
  std::uint8_t* block = std::exchange(buffer_, nullptr);
  bufferSize_ = fileSize_ = position_ = 0;
  ownsBuffer_ = true;
  return block;
}

void MemFile::Close() {
  std::uint8_t* block = buffer_;
  const bool owned = ownsBuffer_;
  Detach();
  if (block != nullptr && owned) Free(block);
}

std::uint8_t* MemFile::Alloc(std::size_t bytes) {
  return static_cast<std::uint8_t*>(std::malloc(bytes));
}

std::uint8_t* MemFile::Realloc(std::uint8_t* block, std::size_t bytes) {
  return static_cast<std::uint8_t*>(std::realloc(block, bytes));
}

void MemFile::Free(std::uint8_t* block) { std::free(block); }

// ---- DiskFile ----

namespace {

const char* OpenModeText(DiskFile::Mode mode) {
  switch (mode) {
    case DiskFile::kRead: return "rb";
    case DiskFile::kCreateWrite: return "wb";
    case DiskFile::kReadWrite: return "r+b";
    case DiskFile::kCreateReadWrite: return "w+b";
  }
  return "rb";
}

}  // namespace

DiskFile::DiskFile(const std::string& path, Mode mode, Share share) : path_(path) {
  errno = 0;
#ifdef _WIN32
  const int shareFlag = share == kShareExclusive ? _SH_DENYRW : share == kShareDenyWrite ? _SH_DENYWR : _SH_DENYNO;
  _doserrno = 0;
  file_ = _fsopen(path.c_str(), OpenModeText(mode), shareFlag);
  // The system's sharing and lock violations (errors 32 and 33) reach errno as EACCES.
  if (file_ == nullptr && (_doserrno == 32 || _doserrno == 33)) Fail(FileException::sharingViolation, errno);
#else
  (void)share;
  file_ = std::fopen(path.c_str(), OpenModeText(mode));
#endif
  if (file_ == nullptr) Fail(CauseOfErrno(errno), errno);
}

DiskFile::~DiskFile() {
  if (file_ != nullptr) std::fclose(file_);
}

// A C stream open for update needs a seek between a write and a read
// that follows it, and the other way round.
void DiskFile::SwitchDirection(Direction next) {
  if (direction_ != kIdle && direction_ != next && Seek64(file_, 0, SEEK_CUR) != 0) Fail(FileException::badSeek, errno);
  direction_ = next;
}

std::uint32_t DiskFile::Read(void* buffer, std::uint32_t count) {
  SwitchDirection(kReading);
  const std::size_t n = std::fread(buffer, 1, count, file_);
  if (n < count && std::ferror(file_)) Fail(FileException::hardIO, errno);
  return static_cast<std::uint32_t>(n);
}

void DiskFile::Write(const void* buffer, std::uint32_t count) {
  SwitchDirection(kWriting);
  errno = 0;
  if (std::fwrite(buffer, 1, count, file_) != count) Fail(CauseOfErrno(errno), errno);
}

std::uint64_t DiskFile::SeekFromCurrent(std::int64_t offset) {
  if (Seek64(file_, offset, SEEK_CUR) != 0) Fail(FileException::badSeek, errno);
  direction_ = kIdle;
  return GetPosition();
}

std::uint64_t DiskFile::GetPosition() const {
  const std::int64_t pos = Tell64(file_);
  if (pos < 0) Fail(FileException::badSeek, errno);
  return static_cast<std::uint64_t>(pos);
}

std::uint64_t DiskFile::GetLength() const {
  const std::int64_t here = Tell64(file_);
  if (here < 0 || Seek64(file_, 0, SEEK_END) != 0) Fail(FileException::badSeek, errno);
  const std::int64_t end = Tell64(file_);
  if (end < 0 || Seek64(file_, here, SEEK_SET) != 0) Fail(FileException::badSeek, errno);
  return static_cast<std::uint64_t>(end);
}

void DiskFile::Flush() {
  errno = 0;
  if (std::fflush(file_) != 0) Fail(CauseOfErrno(errno), errno);
}

std::uint64_t DiskFile::SeekTo(std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
      Seek64(file_, static_cast<std::int64_t>(position), SEEK_SET) != 0) {
    Fail(FileException::badSeek, errno);
  }
  direction_ = kIdle;
  return GetPosition();
}

void DiskFile::Close() {
  std::FILE* f = std::exchange(file_, nullptr);
  errno = 0;
  if (f != nullptr && std::fclose(f) != 0) Fail(CauseOfErrno(errno), errno);
}

void DiskFile::Fail(FileException::Cause cause, int error) const {
  throw FileException(cause, error, path_);
}

}  // namespace lumora
