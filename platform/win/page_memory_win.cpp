// Large zero-filled blocks on Windows: fresh pages of the system's own,
// starting on a large page and, under Wine on Linux, mapped in large pages
// (Windows gives large pages only to programs with the right to lock
// memory; the kernel under Wine gives them on request).
#include "platform/page_memory.h"

#include "platform/win/linux_host.h"

#include <windows.h>

#include <cstdlib>

namespace lumora {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

std::uint8_t* AllocateZeroedBlock(std::size_t bytes) noexcept {
  if (bytes < kPageBlockThreshold) return static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  if (bytes > SIZE_MAX - kLargePage) return nullptr;
  // A large page's worth more, so that the block can start on one; the
  // system's allocation base is found again when the block is freed.
  auto* base = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, bytes + kLargePage, MEM_RESERVE | MEM_COMMIT,
                                                       PAGE_READWRITE));
  if (base == nullptr) return nullptr;
  const auto at = reinterpret_cast<std::uintptr_t>(base);
  auto* block = reinterpret_cast<std::uint8_t*>((at + kLargePage - 1) & ~(std::uintptr_t{kLargePage} - 1));
  LinuxAdviseLargePages(block, bytes);
  return block;
}

void FreeZeroedBlock(std::uint8_t* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (bytes < kPageBlockThreshold) {
    std::free(block);
    return;
  }
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(block, &info, sizeof info) != 0) VirtualFree(info.AllocationBase, 0, MEM_RELEASE);
}

bool LargePagesRequested() noexcept { return RunsOnWineLinux(); }

std::uint64_t ThreadMinorFaults() noexcept { return 0; }

}  // namespace lumora
