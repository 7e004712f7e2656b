// Fuzz target of the selection-file reader: any bytes must read back as a
// fragment or fail with the format's file exception, never crash or hang;
// a fragment that reads must write and read again to the same bytes, and
// its mask (when small) must render.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "hostapi/fragment.h"
#include "select/storeSel.h"

namespace {

std::vector<std::uint8_t> WriteAgain(const Fragment* f) {
  lumora::MemFile file(4096);
  CSelStream stream(&file);
  stream.Write(f);
  return std::vector<std::uint8_t>(file.Data(), file.Data() + file.GetLength());
}

Fragment* ReadFrom(std::vector<std::uint8_t> bytes) {
  lumora::MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  CSelStream stream(&file);
  Fragment* f = nullptr;
  stream.Read(&f);
  return f;
}

// Exercises the masks of what was read, within a bounded area.
void Render(const Fragment* f) {
  LURECT b{};
  GetFragmentBoundRect(f, &b);
  if (static_cast<std::int64_t>(b.width) * b.height > (1 << 16)) return;
  const LURECT area{b.x - 1, b.y - 1, b.width + 2, b.height + 2};
  Fragment* mask = CreateEmptyMask(&area);
  if (mask == nullptr) return;
  PutFragmentToMask(mask, f, kFrgAdd);
  const POINT p{b.x, b.y};
  PointInFragment(f, &p);
  DeleteFragment(mask);
  if (GetFragmentType(f) == kFrgComplex) DeleteFragment(GetComplexFrgMask(f));
  // A soft edge a few pixels wide, of a type picked by the shape's size.
  Fragment* copy = CreateFragmentIndirect(f);
  if (copy == nullptr) return;
  SetSmoothEdge(copy, 10 + (b.width % 40), b.height % 3, nullptr);
  DeleteFragment(GetSmoothMask(copy));
  DeleteFragment(copy);
}

}  // namespace

LUMORA_FUZZ_TARGET(selection_file)(const std::uint8_t* data, std::size_t size) {
  Fragment* f = nullptr;
  try {
    f = ReadFrom(std::vector<std::uint8_t>(data, data + size));
  } catch (const lumora::FileException&) {
    return 0;
  }
  const std::vector<std::uint8_t> once = WriteAgain(f);
  Fragment* again = ReadFrom(once);
  if (WriteAgain(again) != once) __builtin_trap();
  Render(f);
  DeleteFragment(again);
  DeleteFragment(f);
  return 0;
}
