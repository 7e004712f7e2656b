// Fuzz target of the layered file reader: any bytes must read as a
// document or end in a layer_error, never crash, hang or allocate beyond
// what the file can back. A document that reads must write (native
// variant, which keeps every attribute) and read again to the same bytes;
// the merged image is left out of that comparison because a Dissolve
// layer's pattern follows the layer's run-time id.
#include <cstdint>
#include <vector>

#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/RWLayers.h"
#include "fuzz/fuzz_target.h"
#include "platform/stream_file.h"

namespace {

// Documents larger than this are read but not written back (rendering them
// would only slow the fuzzer down).
constexpr std::int64_t kMaxWrittenPixels = 1 << 18;

CLayersManagerPtr Read(std::vector<std::uint8_t> bytes) {
  lumora::MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  try {
    return CLayersManagerPtr::Adopt(new CLayersManager(nullptr, &file));
  } catch (const layer_error&) {
    return {};
  }
}

std::vector<std::uint8_t> Write(CLayersManager& stack, int native, int merged) {
  stack.SetNativeFormat(static_cast<std::uint32_t>(native));
  lumora::MemFile file(1 << 14);
  CRWLayers(&stack, &file).Write(merged);
  return std::vector<std::uint8_t>(file.Data(), file.Data() + file.GetLength());
}

void ReadComposite(std::vector<std::uint8_t> bytes) {
  lumora::MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  ReadLayeredFileComposite(file);
}

}  // namespace

LUMORA_FUZZ_TARGET(layered_file)(const std::uint8_t* data, std::size_t size) {
  // Whatever the header claims, no image buffer beyond this is made.
  VrWA2000::ReadWA::MM_SetMemoryLimits(256u << 20);
  const std::vector<std::uint8_t> input(data, data + size);
  ReadComposite(input);
  CLayersManagerPtr stack = Read(input);
  if (stack && static_cast<std::int64_t>(stack->GetWidth()) * stack->GetHeight() <= kMaxWrittenPixels) {
    try {
      Write(*stack, 0, 1);
      const std::vector<std::uint8_t> once = Write(*stack, 1, 0);
      CLayersManagerPtr again = Read(once);
      if (!again || Write(*again, 1, 0) != once) __builtin_trap();
    } catch (const layer_err_fwrite&) {
      // Out of the memory the cap allows while writing.
    }
  }
  VrWA2000::ReadWA::MM_SetMemoryLimits(0);
  return 0;
}
