// Fuzz target of the image browser's thumbnail database (LUBRWS.TMP) as
// the browser reads it. Every entry kept is a thumbnail of at most
// 120 x 90 whose stored bitmap header describes its record exactly, as it
// is handed to the system to draw; what is kept writes and reads again to
// the same entries.
#include <cstdint>
#include <vector>

#include "files/ThumbnailDb.h"
#include "fuzz/fuzz_target.h"

namespace {

using namespace lumora;

std::uint32_t Field(const std::vector<std::uint8_t>& dib, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(dib[at + static_cast<std::size_t>(i)]) << (8 * i);
  return v;
}

void CheckEntry(const ThumbnailItem& item) {
  if (item.width > static_cast<std::uint32_t>(kThumbWidth) || item.height > static_cast<std::uint32_t>(kThumbHeight)) {
    __builtin_trap();
  }
  if (item.width == 0 || item.height == 0) {
    if (item.width != 0 || item.height != 0 || !item.dib.empty()) __builtin_trap();
    return;
  }
  const std::vector<std::uint8_t>& d = item.dib;
  if (d.size() != 40 + static_cast<std::size_t>(ThumbnailStride(item.width)) * item.height) __builtin_trap();
  if (Field(d, 0, 4) != 40 || Field(d, 4, 4) != item.width || Field(d, 8, 4) != item.height || Field(d, 12, 2) != 1 ||
      Field(d, 14, 2) != 24 || Field(d, 16, 4) != 0 || Field(d, 32, 4) != 0) {
    __builtin_trap();
  }
}

}  // namespace

LUMORA_FUZZ_TARGET(thumbnail_db)(const std::uint8_t* data, std::size_t size) {
  ThumbnailDb db;
  db.Parse(std::vector<std::uint8_t>(data, data + size));
  for (const auto& [path, item] : db.items) CheckEntry(item);
  const std::vector<std::uint8_t> once = db.Serialize();
  ThumbnailDb again;
  if (!again.Parse(once) || again.Serialize() != once || again.items.size() != db.items.size()) __builtin_trap();
  return 0;
}
