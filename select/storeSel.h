// The selection stream: the one writer and reader of stored selections
// (selection files ".frg", macro temporary masks, workspace files and the
// private selection clipboard format).
//
// Layout, little-endian: "LUFRG" and a zero byte, a 16-bit version (0x0400;
// 0x0300 marks the older 1-bit mask records), then one fragment record:
// type byte, inverted byte, and a body by type (complex items nest).
#pragma once

#include <cstdint>
#include <string>

#include "hostapi/fragment.h"
#include "platform/stream_file.h"

namespace lumora {

// Thrown when a selection cannot be stored without losing part of it (a
// coordinate, count or font field beyond its 16-bit field, or nesting
// deeper than a file may hold). Its cause is invalidFile.
class SelectionRangeError : public FileException {
 public:
  explicit SelectionRangeError(const std::string& what);
};

}  // namespace lumora

class CSelStream {
 public:
  static constexpr std::uint16_t kVersion = 0x0400;
  static constexpr std::uint16_t kOldVersion = 0x0300;

  // A null file throws FileException(invalidFile).
  explicit CSelStream(lumora::StreamFile* file);

  // Writes the header and the fragment's record, then flushes the file.
  // Checks first that the whole fragment fits the format (else throws
  // SelectionRangeError and writes nothing); a fragment the library cannot
  // describe throws FileException(invalidFile).
  void Write(const Fragment* fragment);

  // Reads the header and one record into *out (null on failure). Every
  // fault of the data throws FileException(invalidFile); nothing is
  // allocated beyond what the rest of the file can fill.
  void Read(Fragment** out);

  bool OldFormat() const { return oldFormat_ != 0; }

 private:
  void WriteRecord(const Fragment* fragment);
  Fragment* ReadRecord(int depth);
  Fragment* ReadComplex(int depth, bool inverted);
  Fragment* ReadPolygon(bool inverted);
  Fragment* ReadText(bool inverted);
  Fragment* ReadMask();
  Fragment* ReadOldMask();
  void WriteComplex(const Fragment* fragment);
  void WriteText(const Fragment* fragment);
  void WriteMask(const Fragment* fragment);

  void ReadExact(void* buffer, std::uint32_t count);
  std::uint8_t ReadU8();
  std::uint16_t ReadU16();
  std::int32_t ReadI16();
  std::uint32_t ReadU32();
  // Throws unless at least `bytes` remain in the file.
  void RequireRemaining(std::uint64_t bytes);
  void WriteBytes(const void* data, std::uint32_t count);
  void WriteU8(std::uint32_t value);
  void WriteU16(std::uint32_t value);
  void WriteU32(std::uint32_t value);

  lumora::StreamFile* file_;
  char magic_[6];
  std::int32_t oldFormat_ = 0;
  std::uint16_t version_ = kVersion;
};

// Writes the selection to a file at `path`: into a temporary file beside it
// first, which replaces the target only when everything was written.
// Returns 1, or 0 on any failure (the target is then untouched); a
// selection that does not fit the format also records the reason as the
// tool host's error text.
int SaveSelectionToFile(const Fragment* fragment, const char* path);

// Reads a selection file. On success *status = 1 and the caller owns the
// fragment; on any failure tool-host error 126 is recorded (with the path
// as its text), *status = 2 and null is returned.
Fragment* LoadSelectionFromFile(int* status, const char* path);
