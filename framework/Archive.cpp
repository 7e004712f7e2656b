// Archive: buffered little-endian reading and writing, strings, counts and
// class-tagged objects, with every read checked against the file.
#include "framework/Archive.h"

#include <algorithm>
#include <limits>

namespace fw {

namespace {

constexpr std::uint16_t kNullTag = 0;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTagFlag = 0x8000;
// The largest index a class tag can carry (0x8000 | 0x7FFF would be the new-class tag).
constexpr std::uint32_t kMaxIndex = 0x7FFE;
constexpr std::size_t kMaxClassNameLength = 255;
// Objects inside objects: deeper nesting in a file is refused rather than
// risking the stack.
constexpr int kMaxDepth = 64;
constexpr std::size_t kStringChunk = 1 << 16;

[[noreturn]] void ThrowEndOfFile() {
  throw FileException(FileException::endOfFile, -1, {}, "the archive ends inside a record");
}

// Faults of the program rather than of the file: limits and wrong use.
[[noreturn]] void ThrowMisuse(const char* message) {
  throw FileException(FileException::genericException, -1, {}, message);
}

struct DepthGuard {
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  int& depth_;
};

}  // namespace

Archive::Archive(StreamFile& file, Mode mode, std::size_t bufferSize)
    : file_(file), mode_(mode), buffer_(std::max<std::size_t>(bufferSize, 16)) {}

Archive::~Archive() {
  if (!open_ || mode_ != store) return;
  try {
    Flush();
  } catch (const FileException&) {
    // A destructor cannot report it; Close does.
  }
}

void Archive::Flush() {
  if (mode_ == store) {
    if (end_ > 0) file_.Write(buffer_.data(), static_cast<std::uint32_t>(end_));
    end_ = 0;
    file_.Flush();
  } else if (end_ > begin_) {
    file_.SeekFromCurrent(-static_cast<std::int64_t>(end_ - begin_));
    begin_ = end_ = 0;
  }
}

void Archive::Close() {
  if (!open_) return;
  open_ = false;
  Flush();
}

void Archive::Write(const void* data, std::size_t size) {
  if (mode_ != store) ThrowMisuse("writing to an archive that loads");
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    if (end_ == buffer_.size()) {
      file_.Write(buffer_.data(), static_cast<std::uint32_t>(end_));
      end_ = 0;
    }
    const std::size_t n = std::min(size, buffer_.size() - end_);
    std::memcpy(buffer_.data() + end_, bytes, n);
    end_ += n;
    bytes += n;
    size -= n;
  }
}

void Archive::FillBuffer() {
  begin_ = 0;
  end_ = file_.Read(buffer_.data(), static_cast<std::uint32_t>(buffer_.size()));
  if (end_ == 0) ThrowEndOfFile();
}

void Archive::Read(void* data, std::size_t size) {
  if (mode_ != load) ThrowMisuse("reading from an archive that stores");
  auto* bytes = static_cast<std::uint8_t*>(data);
  while (size > 0) {
    if (begin_ == end_) FillBuffer();
    const std::size_t n = std::min(size, end_ - begin_);
    std::memcpy(bytes, buffer_.data() + begin_, n);
    begin_ += n;
    bytes += n;
    size -= n;
  }
}

std::uint64_t Archive::BytesLeft() const {
  const std::uint64_t length = file_.GetLength();
  const std::uint64_t position = file_.GetPosition();
  return (end_ - begin_) + (length > position ? length - position : 0);
}

void Archive::Invalid(const char* message) const {
  throw FileException(FileException::invalidFile, -1, {}, message);
}

std::uint32_t Archive::TakeIndex() {
  if (nextIndex_ > kMaxIndex) {
    if (mode_ == load) Invalid("the archive holds more objects than its tags can number");
    ThrowMisuse("too many objects for one archive");
  }
  return nextIndex_++;
}

// ---- strings and counts ----

void Archive::WriteString(std::string_view text) {
  const std::size_t length = text.size();
  if (length < 0xFF) {
    *this << static_cast<std::uint8_t>(length);
  } else if (length < 0xFFFE) {
    *this << std::uint8_t{0xFF} << static_cast<std::uint16_t>(length);
  } else {
    if (length > std::numeric_limits<std::uint32_t>::max()) ThrowMisuse("a string too long for an archive");
    *this << std::uint8_t{0xFF} << std::uint16_t{0xFFFF} << static_cast<std::uint32_t>(length);
  }
  Write(text.data(), length);
}

std::string Archive::ReadString() {
  std::uint8_t shortLength = 0;
  *this >> shortLength;
  std::uint32_t length = shortLength;
  if (shortLength == 0xFF) {
    std::uint16_t mediumLength = 0;
    *this >> mediumLength;
    length = mediumLength;
    if (mediumLength == 0xFFFE) Invalid("the archive holds a string of an unknown kind");
    if (mediumLength == 0xFFFF) *this >> length;
  }
  if (length > BytesLeft()) ThrowEndOfFile();
  // In chunks, so memory grows only with bytes actually read.
  std::string text;
  while (text.size() < length) {
    const std::size_t n = std::min<std::size_t>(kStringChunk, length - text.size());
    const std::size_t at = text.size();
    text.resize(at + n);
    Read(text.data() + at, n);
  }
  return text;
}

void Archive::WriteCount(std::uint64_t count) {
  if (count < 0xFFFF) {
    *this << static_cast<std::uint16_t>(count);
    return;
  }
  if (count > std::numeric_limits<std::uint32_t>::max()) ThrowMisuse("a count too large for an archive");
  *this << std::uint16_t{0xFFFF} << static_cast<std::uint32_t>(count);
}

std::uint32_t Archive::ReadCount(std::size_t minItemBytes) {
  std::uint16_t shortCount = 0;
  *this >> shortCount;
  std::uint32_t count = shortCount;
  if (shortCount == 0xFFFF) *this >> count;
  if (minItemBytes > 0 && static_cast<std::uint64_t>(count) * minItemBytes > BytesLeft()) {
    Invalid("the archive counts more items than it holds");
  }
  return count;
}

// ---- objects ----

void Archive::WriteObject(const Object* object) {
  if (object == nullptr) {
    *this << kNullTag;
    return;
  }
  const RuntimeClass& runtimeClass = *object->GetRuntimeClass();
  if (runtimeClass.create == nullptr) ThrowMisuse("an object of a class that cannot be read back");
  const auto known = storedClasses_.find(&runtimeClass);
  if (known != storedClasses_.end()) {
    *this << static_cast<std::uint16_t>(kClassTagFlag | known->second);
  } else {
    const std::string_view name = runtimeClass.name;
    *this << kNewClassTag << runtimeClass.schema << static_cast<std::uint16_t>(name.size());
    Write(name.data(), name.size());
    storedClasses_.emplace(&runtimeClass, TakeIndex());
  }
  TakeIndex();
  if (depth_ >= kMaxDepth) ThrowMisuse("objects nested too deeply for an archive");
  DepthGuard guard(depth_);
  // Serialize reads or writes by the archive's mode; storing does not change the object.
  const_cast<Object*>(object)->Serialize(*this);
}

std::unique_ptr<Object> Archive::ReadObject(const RuntimeClass* expected) {
  std::uint16_t tag = 0;
  *this >> tag;
  if (tag == kNullTag) return nullptr;
  const RuntimeClass* runtimeClass = nullptr;
  if (tag == kNewClassTag) {
    std::uint16_t schema = 0;
    std::uint16_t nameLength = 0;
    *this >> schema >> nameLength;
    if (nameLength == 0 || nameLength > kMaxClassNameLength) Invalid("the archive names a class badly");
    std::string name(nameLength, '\0');
    Read(name.data(), name.size());
    runtimeClass = RuntimeClass::FromName(name);
    // Only serialisable classes come from archives (not, say, a frame
    // class that templates create by name).
    if (runtimeClass == nullptr || runtimeClass->create == nullptr || runtimeClass->schema == 0xFFFF) {
      Invalid("the archive holds an unknown class");
    }
    if (runtimeClass->schema != schema) Invalid("the archive holds a class of another version");
    loadedClasses_.emplace(TakeIndex(), runtimeClass);
  } else if (tag & kClassTagFlag) {
    const auto known = loadedClasses_.find(tag & ~kClassTagFlag);
    if (known == loadedClasses_.end()) Invalid("the archive refers to a class it has not named");
    runtimeClass = known->second;
  } else {
    Invalid("the archive refers back to an object");
  }
  if (expected != nullptr && !runtimeClass->IsDerivedFrom(*expected)) {
    Invalid("the archive holds an object of an unexpected class");
  }
  if (depth_ >= kMaxDepth) Invalid("the archive nests objects too deeply");
  TakeIndex();
  std::unique_ptr<Object> object(runtimeClass->CreateObject());
  DepthGuard guard(depth_);
  object->Serialize(*this);
  return object;
}

}  // namespace fw
