// Large zero-filled blocks straight from the system, for pixels. The first
// touch of each page of a fresh block is a page fault, and on some machines
// a fault costs several times a copy of the page; where the system maps
// memory in large pages on request (2 MB on x86-64), large blocks ask for
// them, so a 36 MB layer takes 18 faults instead of some 9,000. Also the
// page faults a thread has taken, for the benchmarks' profiles.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumora {

// Blocks from this size on come from the system's page allocator.
inline constexpr std::size_t kPageBlockThreshold = std::size_t{1} << 20;

// A zero-filled block of `bytes` bytes, null when memory is short. Free it
// with FreeZeroedBlock and the same size.
std::uint8_t* AllocateZeroedBlock(std::size_t bytes) noexcept;
void FreeZeroedBlock(std::uint8_t* block, std::size_t bytes) noexcept;

// Whether large blocks are mapped in large pages here (a request the
// system honours when it has them free).
bool LargePagesRequested() noexcept;

// The minor page faults the calling thread has taken so far; 0 where the
// system does not tell.
std::uint64_t ThreadMinorFaults() noexcept;

}  // namespace lumora
