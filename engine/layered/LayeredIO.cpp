// Checked reading and back-patched writing of the layered file.
#include "engine/layered/LayeredIO.h"

#include <algorithm>

#include "engine/layered/BigEndian.h"
#include "engine/layered/LayerFileErrors.h"

namespace lumora {

namespace {
constexpr std::uint64_t kChunk = 1u << 30;  // stream files move at most 4 GB a call
}  // namespace

std::uint8_t* ScratchBuffers::Get(int slot, std::size_t bytes) {
  if (bytes > size_[slot]) {
    data_[slot].reset();  // the old block goes before the larger one comes
    data_[slot].reset(new std::uint8_t[bytes]);
    size_[slot] = bytes;
  }
  return data_[slot].get();
}

LayeredReader::LayeredReader(StreamFile& file)
    : file_(file), position_(file.GetPosition()), length_(file.GetLength()), limit_(length_) {
  if (position_ > length_) position_ = length_;
}

void LayeredReader::Read(void* buffer, std::uint64_t count) {
  if (count > Remaining()) throw layer_err_fread("the file ends early");
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    const auto want = static_cast<std::uint32_t>(std::min(count, kChunk));
    const std::uint32_t got = file_.Read(out, want);
    position_ += got;
    if (got != want) throw layer_err_fread("the file ends early");
    out += got;
    count -= got;
  }
}

std::uint8_t LayeredReader::U8() {
  std::uint8_t v;
  Read(&v, 1);
  return v;
}

std::uint16_t LayeredReader::U16() {
  std::uint8_t b[2];
  Read(b, 2);
  return LoadBE16(b);
}

std::uint32_t LayeredReader::U32() {
  std::uint8_t b[4];
  Read(b, 4);
  return LoadBE32(b);
}

void LayeredReader::Seek(std::uint64_t position) {
  if (position > limit_) throw layer_err_fread("the file ends early");
  if (position == position_) return;
  position_ = file_.SeekFromCurrent(static_cast<std::int64_t>(position - position_));
  if (position_ != position) throw layer_err_fread("the file cannot be positioned");
}

void LayeredReader::Require(std::uint64_t count) const {
  if (count <= Remaining()) return;
  // Past the file itself rather than past a section of it: the file was
  // cut short (a transfer or a copy that stopped).
  if (position_ + count > length_) throw layer_err_fread("the file ends early (it is cut short)");
  Fail();
}

void LayeredReader::Fail() { throw layer_err_fread("a block of the file runs past its end"); }

LayeredWriter::LayeredWriter(StreamFile& file) : file_(file), position_(file.GetPosition()) {}

void LayeredWriter::Write(const void* buffer, std::uint64_t count) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    const auto n = static_cast<std::uint32_t>(std::min(count, kChunk));
    file_.Write(in, n);
    position_ += n;
    in += n;
    count -= n;
  }
}

void LayeredWriter::U16(std::uint16_t v) {
  std::uint8_t b[2];
  StoreBE16(b, v);
  Write(b, 2);
}

void LayeredWriter::U32(std::uint32_t v) {
  std::uint8_t b[4];
  StoreBE32(b, v);
  Write(b, 4);
}

void LayeredWriter::Zeros(std::uint64_t count) {
  static const std::uint8_t kZeros[64] = {};
  while (count > 0) {
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, sizeof kZeros));
    Write(kZeros, n);
    count -= n;
  }
}

void LayeredWriter::Seek(std::uint64_t position) {
  if (position == position_) return;
  position_ = file_.SeekFromCurrent(static_cast<std::int64_t>(position) -
                                    static_cast<std::int64_t>(position_));
}

void LayeredWriter::PatchU32(std::uint64_t at, std::uint32_t value) {
  const std::uint64_t back = position_;
  Seek(at);
  U32(value);
  Seek(back);
}

void LayeredWriter::PatchLengthFrom(std::uint64_t at) {
  const std::uint64_t length = position_ - (at + 4);
  if (length > 0xFFFFFFFFu) throw layer_err_fwrite("the document is too large for the file format");
  PatchU32(at, static_cast<std::uint32_t>(length));
}

void LayeredWriter::PushLengthPositions(std::vector<std::uint64_t> positions) {
  lengthPositions_.push_back(std::move(positions));
}

std::vector<std::uint64_t> LayeredWriter::PopLengthPositions() {
  if (lengthPositions_.empty()) return {};
  std::vector<std::uint64_t> front = std::move(lengthPositions_.front());
  lengthPositions_.pop_front();
  return front;
}

}  // namespace lumora
