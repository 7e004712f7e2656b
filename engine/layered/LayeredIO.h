// Checked big-endian reading and writing of the layered file over a stream
// file. The reader never parses what it could not read: a short read, or a
// field that would run past the end of its block, section or file, throws
// layer_err_fread. The writer back-patches lengths known only afterwards.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/stream_file.h"

namespace lumora {

// Working memory reused through one read or write, so that every layer
// does not allocate (and fault in) its own. Contents are undefined.
class ScratchBuffers {
 public:
  static constexpr int kSlots = 10;
  std::uint8_t* Get(int slot, std::size_t bytes);

 private:
  std::unique_ptr<std::uint8_t[]> data_[kSlots];
  std::size_t size_[kSlots] = {};
};

class LayeredReader {
 public:
  // Reads from the file's current position on.
  explicit LayeredReader(StreamFile& file);

  std::uint64_t Position() const { return position_; }
  std::uint64_t Length() const { return length_; }
  // Bytes left before the current limit (the file's end, or the end of the
  // section being read, see SectionLimit).
  std::uint64_t Remaining() const { return limit_ - position_; }
  std::uint64_t Limit() const { return limit_; }

  // Exactly `count` bytes, or layer_err_fread.
  void Read(void* buffer, std::uint64_t count);
  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // Four bytes as they are (signatures and keys).
  void Tag(char out[4]) { Read(out, 4); }

  // Positions beyond the limit throw layer_err_fread.
  void Seek(std::uint64_t position);
  void Skip(std::uint64_t count) { Seek(position_ + count); }
  // Throws layer_err_fread unless `count` more bytes fit before the limit.
  void Require(std::uint64_t count) const;
  // The end of a block of `length` bytes starting here, which must fit.
  std::uint64_t BlockEnd(std::uint64_t length) const {
    Require(length);
    return position_ + length;
  }

  ScratchBuffers scratch;
  // Buffers helper threads make ahead for the layers (none: each layer
  // makes its own), and the index of the layer being read.
  class BuffersAhead* ahead = nullptr;
  std::size_t aheadLayer = 0;

 private:
  friend class SectionLimit;
  [[noreturn]] static void Fail();
  StreamFile& file_;
  std::uint64_t position_;
  std::uint64_t length_;
  std::uint64_t limit_;
};

// Confines a reader to the bytes before `end` (within the current limit)
// for its lifetime: a block's fields cannot reach into the next one.
class SectionLimit {
 public:
  // The section must lie within the current limit (layer_err_fread).
  SectionLimit(LayeredReader& in, std::uint64_t end) : in_(in), saved_(in.limit_) {
    if (end < in.position_) in.Fail();
    in.Require(end - in.position_);
    in.limit_ = end;
  }
  ~SectionLimit() { in_.limit_ = saved_; }
  SectionLimit(const SectionLimit&) = delete;
  SectionLimit& operator=(const SectionLimit&) = delete;

 private:
  LayeredReader& in_;
  std::uint64_t saved_;
};

class LayeredWriter {
 public:
  // Writes at the file's current position.
  explicit LayeredWriter(StreamFile& file);

  std::uint64_t Position() const { return position_; }
  void Write(const void* buffer, std::uint64_t count);
  void U8(std::uint8_t v) { Write(&v, 1); }
  void U16(std::uint16_t v);
  void U32(std::uint32_t v);
  void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void Tag(const char tag[4]) { Write(tag, 4); }
  void Zeros(std::uint64_t count);
  void Seek(std::uint64_t position);
  // Writes the value at an earlier position and comes back.
  void PatchU32(std::uint64_t at, std::uint32_t value);
  // The length of what was written after the 4-byte field at `at`, patched
  // into it; layer_err_fwrite when it does not fit the format's 32 bits.
  void PatchLengthFrom(std::uint64_t at);

  // The positions of the channel length fields of each layer record
  // written, consumed in the same order by the channel-data writer.
  void PushLengthPositions(std::vector<std::uint64_t> positions);
  std::vector<std::uint64_t> PopLengthPositions();

  ScratchBuffers scratch;

 private:
  StreamFile& file_;
  std::uint64_t position_;
  std::deque<std::vector<std::uint64_t>> lengthPositions_;
};

}  // namespace lumora
