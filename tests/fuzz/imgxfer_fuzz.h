// Feeds fuzz input to one reader of the file-format library through a
// memory adapter that refuses images over 4 megapixels (the memory cap of
// the fuzz targets; the library's own limits bound everything else).
#pragma once

#include <cstddef>
#include <cstdint>

#include "libs/imgxfer/codec.h"
#include "libs/imgxfer/memory_adapters.h"

namespace lumora::fuzz {

inline int ReadWithCodec(const imgxfer::Codec& codec, const std::uint8_t* data, std::size_t size) {
  testing::MemoryReadAdapter adapter;
  adapter.maxPixels = 4 << 20;
  imgxfer::Failure failure;
  imgxfer::ImageSink sink(adapter, nullptr, failure);
  codec.read(data, size, sink);
  return 0;
}

}  // namespace lumora::fuzz
