// Fuzz target of the brush and paper store's list: any bytes must read as
// a list or end in a file exception with the store left empty, never crash
// or allocate beyond what the bytes hold. A list that reads must write to
// bytes that read and write again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/Archive.h"
#include "fuzz/fuzz_target.h"
#include "paint/ImageStore.h"
#include "platform/stream_file.h"

namespace {

std::vector<std::uint8_t> Store(paint::CFileManager& store) {
  lumora::MemFile file;
  fw::Archive archive(file, fw::Archive::store);
  store.Serialize(archive);
  archive.Close();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekFromCurrent(-static_cast<std::int64_t>(file.GetPosition()));
  file.Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return bytes;
}

bool Load(paint::CFileManager& store, const std::uint8_t* data, std::size_t size) {
  lumora::MemFile file;
  file.Write(data, static_cast<std::uint32_t>(size));
  file.SeekFromCurrent(-static_cast<std::int64_t>(file.GetPosition()));
  fw::Archive archive(file, fw::Archive::load);
  try {
    store.Serialize(archive);
  } catch (const fw::FileException&) {
    if (store.GetCount() != 0) std::abort();  // a damaged list leaves nothing
    return false;
  }
  return true;
}

}  // namespace

LUMORA_FUZZ_TARGET(brush_store)(const std::uint8_t* data, std::size_t size) {
  paint::CFileManager store("");
  if (!Load(store, data, size)) return 0;
  const std::vector<std::uint8_t> first = Store(store);
  paint::CFileManager again("");
  if (!Load(again, first.data(), first.size())) std::abort();
  if (Store(again) != first) std::abort();
  return 0;
}
