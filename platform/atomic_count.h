// Interlocked increment and decrement for reference counts shared between
// threads (the user-interface thread and render or stroke workers).
#pragma once

#include <atomic>
#include <cstdint>

namespace lumora {

// Returns the new value, as InterlockedIncrement does.
inline std::int32_t InterlockedAdd1(std::atomic<std::int32_t>& count) noexcept {
  return count.fetch_add(1, std::memory_order_relaxed) + 1;
}

// Returns the new value; a result of 0 means the caller dropped the last
// reference and may destroy the object (acquire-release orders the object's
// last writes before its destruction).
inline std::int32_t InterlockedSub1(std::atomic<std::int32_t>& count) noexcept {
  return count.fetch_sub(1, std::memory_order_acq_rel) - 1;
}

}  // namespace lumora
