// A store's list or a whole brush file written to and read from bytes
// through the framework's archive (tests and the fuzz targets).
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Archive.h"
#include "platform/stream_file.h"

namespace painttest {

template <typename Serializable>
std::vector<std::uint8_t> StoreBytes(Serializable& store) {
  lumora::MemFile file;
  {
    fw::Archive archive(file, fw::Archive::store);
    store.Serialize(archive);
    archive.Close();
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekFromCurrent(-static_cast<std::int64_t>(file.GetPosition()));
  file.Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return bytes;
}

// Throws the archive's exception for damaged bytes.
template <typename Serializable>
void LoadBytes(Serializable& store, const std::uint8_t* data, std::size_t size) {
  lumora::MemFile file;
  file.Write(data, static_cast<std::uint32_t>(size));
  file.SeekFromCurrent(-static_cast<std::int64_t>(file.GetPosition()));
  fw::Archive archive(file, fw::Archive::load);
  store.Serialize(archive);
}

}  // namespace painttest
