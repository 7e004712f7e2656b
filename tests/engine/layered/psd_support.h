// Shared by the layered-file tests: building file bytes by hand, memory
// files to read them from and write into, and small layer helpers.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/layered/BigEndian.h"
#include "engine/layers/LayerMng.h"
#include "engine/layered/LayeredIO.h"
#include "platform/stream_file.h"

namespace lumora::testing {

using Bytes = std::vector<std::uint8_t>;

// Big-endian bytes appended field by field.
class ByteWriter {
 public:
  ByteWriter& U8(int v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  ByteWriter& U16(int v) {
    U8(v >> 8);
    return U8(v);
  }
  ByteWriter& U32(std::uint32_t v) {
    U16(static_cast<int>(v >> 16));
    return U16(static_cast<int>(v & 0xFFFF));
  }
  ByteWriter& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
  ByteWriter& Tag(const char* tag) {
    for (int i = 0; i < 4; ++i) U8(static_cast<unsigned char>(tag[i]));
    return *this;
  }
  ByteWriter& Raw(const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  ByteWriter& Zeros(std::size_t n) {
    bytes.insert(bytes.end(), n, 0);
    return *this;
  }
  // A length-prefixed block: u32 length then the content.
  ByteWriter& Block(const Bytes& content) {
    U32(static_cast<std::uint32_t>(content.size()));
    return Raw(content);
  }
  Bytes bytes;
};

// A read-only memory file over a copy of the bytes.
class ReadFile {
 public:
  explicit ReadFile(Bytes bytes) : data_(std::move(bytes)) {
    file.Attach(data_.data(), static_cast<std::uint32_t>(data_.size()));
  }
  MemFile file;

 private:
  Bytes data_;
};

inline Bytes Contents(const MemFile& file) {
  return Bytes(file.Data(), file.Data() + file.GetLength());
}

inline LayeredFileHeader MakeHeader(int type, int width, int height, int ownFormat = 0) {
  LayeredFileHeader header;
  header.imageType = static_cast<std::uint32_t>(type);
  header.width = static_cast<std::uint32_t>(width);
  header.height = static_cast<std::uint32_t>(height);
  header.ownFormat = static_cast<std::uint32_t>(ownFormat);
  header.progress = 0;
  return header;
}

}  // namespace lumora::testing
