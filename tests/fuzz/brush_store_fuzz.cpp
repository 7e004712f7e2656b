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
#include "paint/store_archive.h"

namespace {

bool Load(paint::CFileManager& store, const std::uint8_t* data, std::size_t size) {
  try {
    painttest::LoadBytes(store, data, size);
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
  const std::vector<std::uint8_t> first = painttest::StoreBytes(store);
  paint::CFileManager again("");
  if (!Load(again, first.data(), first.size())) std::abort();
  if (painttest::StoreBytes(again) != first) std::abort();
  return 0;
}
