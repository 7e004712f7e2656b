// Fuzz target of the brush file: any bytes must read as stores, presets and
// page settings or end in a file exception with everything empty, never
// crash or allocate beyond what the bytes hold. A file that reads must
// write bytes that read and write again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/Archive.h"
#include "fuzz/fuzz_target.h"
#include "paint/BrushFile.h"
#include "paint/store_archive.h"

namespace {

bool Empty(const paint::BrushFile& file) {
  if (file.brushFiles.GetCount() != 0 || file.paperFiles.GetCount() != 0) return false;
  for (const paint::BrushPage& page : file.pages)
    if (!page.presets.empty()) return false;
  return true;
}

bool Load(paint::BrushFile& file, const std::uint8_t* data, std::size_t size) {
  try {
    painttest::LoadBytes(file, data, size);
  } catch (const fw::FileException&) {
    if (!Empty(file)) std::abort();  // a damaged file leaves nothing
    return false;
  }
  return true;
}

}  // namespace

LUMORA_FUZZ_TARGET(brush_file)(const std::uint8_t* data, std::size_t size) {
  paint::BrushFile file("");
  if (!Load(file, data, size)) return 0;
  const std::vector<std::uint8_t> first = painttest::StoreBytes(file);
  paint::BrushFile again("");
  if (!Load(again, first.data(), first.size())) std::abort();
  if (painttest::StoreBytes(again) != first) std::abort();
  return 0;
}
