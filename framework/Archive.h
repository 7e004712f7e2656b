// Serialisation of settings, maps and objects to a byte file through a
// 4096-byte buffer, in a fixed little-endian layout:
//
//   integers      little-endian, of their own width
//   string        length, then the bytes without terminator; the length
//                 is 1 byte below 0xFF, else 0xFF and a u16 below 0xFFFE,
//                 else 0xFF, 0xFFFF and a u32
//   count         u16 below 0xFFFF, else 0xFFFF and a u32
//   object        u16 tag: 0 for none; 0xFFFF for a class not seen before,
//                 followed by its schema (u16), its name's length (u16) and
//                 the name; 0x8000 | index for a class seen before; then
//                 the object's own fields
//
// Every new class and every object takes the next index (from 1; 0 is
// none), on writing and on reading alike. Reading checks every length and
// tag against what the file can hold: a damaged or hostile file ends in a
// FileException (endOfFile or invalidFile), never in a huge allocation.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/File.h"
#include "framework/RuntimeClass.h"

namespace fw {

class Archive {
 public:
  enum Mode { load, store };
  static constexpr std::size_t kBufferSize = 4096;

  Archive(StreamFile& file, Mode mode, std::size_t bufferSize = kBufferSize);
  // A storing archive still open writes its buffer out (faults ignored):
  // call Close to see them.
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  bool IsLoading() const { return mode_ == load; }
  bool IsStoring() const { return mode_ == store; }
  StreamFile& GetFile() { return file_; }

  // Writes the buffer to the file (storing), or drops what is buffered
  // and leaves the file's position after what was read (loading).
  void Flush();
  // Flushes and detaches from the file.
  void Close();

  void Write(const void* data, std::size_t size);
  // Reads exactly `size` bytes or throws endOfFile.
  void Read(void* data, std::size_t size);

  template <typename T>
  Archive& operator<<(T value) {
    static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>, "fixed-width numbers only");
    std::uint8_t bytes[sizeof(T)];
    PutLittleEndian(value, bytes);
    Write(bytes, sizeof(T));
    return *this;
  }
  template <typename T>
  Archive& operator>>(T& value) {
    static_assert(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>, "fixed-width numbers only");
    std::uint8_t bytes[sizeof(T)];
    Read(bytes, sizeof(T));
    value = GetLittleEndian<T>(bytes);
    return *this;
  }

  void WriteString(std::string_view text);
  std::string ReadString();
  Archive& operator<<(std::string_view text) { WriteString(text); return *this; }
  Archive& operator<<(const std::string& text) { WriteString(text); return *this; }
  Archive& operator<<(const char* text) { WriteString(text); return *this; }
  Archive& operator>>(std::string& text) { text = ReadString(); return *this; }

  // The number of items that follow. Reading refuses a count larger than
  // the bytes left when every item takes at least `minItemBytes`.
  void WriteCount(std::uint64_t count);
  std::uint32_t ReadCount(std::size_t minItemBytes = 1);

  // An object with its class tag (none for null). Reading creates the
  // object by its class's name; the class must be registered, have the
  // stored schema and be `expected` or derived from it.
  void WriteObject(const Object* object);
  std::unique_ptr<Object> ReadObject(const RuntimeClass* expected = nullptr);
  template <typename T>
  std::unique_ptr<T> ReadObjectOf() {
    return std::unique_ptr<T>(static_cast<T*>(ReadObject(&T::kRuntimeClass).release()));
  }

  // The bytes a reader may still consume: what is buffered and what the
  // file holds after its position.
  std::uint64_t BytesLeft() const;

 private:
  template <typename T>
  static void PutLittleEndian(T value, std::uint8_t* bytes);
  template <typename T>
  static T GetLittleEndian(const std::uint8_t* bytes);

  void FillBuffer();
  [[noreturn]] void Invalid(const char* message) const;
  std::uint32_t TakeIndex();

  StreamFile& file_;
  Mode mode_;
  bool open_ = true;
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0;  // loading: next unread byte
  std::size_t end_ = 0;    // loading: end of buffered bytes; storing: bytes waiting
  std::uint32_t nextIndex_ = 1;
  int depth_ = 0;
  std::map<const RuntimeClass*, std::uint32_t> storedClasses_;
  std::map<std::uint32_t, const RuntimeClass*> loadedClasses_;
};

template <typename T>
void Archive::PutLittleEndian(T value, std::uint8_t* bytes) {
  using U = std::conditional_t<sizeof(T) == 1, std::uint8_t,
                               std::conditional_t<sizeof(T) == 2, std::uint16_t,
                                                  std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
  U raw;
  static_assert(sizeof(U) == sizeof(T));
  std::memcpy(&raw, &value, sizeof(T));
  for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<std::uint8_t>(raw >> (8 * i));
}

template <typename T>
T Archive::GetLittleEndian(const std::uint8_t* bytes) {
  using U = std::conditional_t<sizeof(T) == 1, std::uint8_t,
                               std::conditional_t<sizeof(T) == 2, std::uint16_t,
                                                  std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
  U raw = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) raw = static_cast<U>(raw | (static_cast<U>(bytes[i]) << (8 * i)));
  T value;
  std::memcpy(&value, &raw, sizeof(T));
  return value;
}

}  // namespace fw
