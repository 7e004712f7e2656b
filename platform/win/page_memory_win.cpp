// Large zero-filled blocks on Windows: the C library's, which takes large
// blocks from the system's fresh pages.
#include "platform/page_memory.h"

#include <cstdlib>

namespace lumora {

std::uint8_t* AllocateZeroedBlock(std::size_t bytes) noexcept {
  return static_cast<std::uint8_t*>(std::calloc(bytes, 1));
}

void FreeZeroedBlock(std::uint8_t* block, std::size_t) noexcept { std::free(block); }

bool LargePagesRequested() noexcept { return false; }

std::uint64_t ThreadMinorFaults() noexcept { return 0; }

}  // namespace lumora
