// Byte order of the layered file: big-endian loads and stores, the in-place
// swaps the file's readers and writers apply to every number, and 16.16
// fixed point.
#pragma once

#include <cstdint>

namespace lumora {

inline std::uint16_t LoadBE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
inline std::uint32_t LoadBE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}
inline std::uint64_t LoadBE64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(LoadBE32(p)) << 32 | LoadBE32(p + 4);
}
inline void StoreBE16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
inline void StoreBE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}
inline void StoreBE64(std::uint8_t* p, std::uint64_t v) {
  StoreBE32(p, static_cast<std::uint32_t>(v >> 32));
  StoreBE32(p + 4, static_cast<std::uint32_t>(v));
}

}  // namespace lumora

// Reverse 2, 4 or 8 bytes in place.
void SwapShortBytes(void* p);
void SwapLongBytes(void* p);
void SwapDoubleBytes(void* p);
// A 16.16 value as a double: (low 16 bits) / 65536 + (high 16 bits), the
// high half taken as unsigned.
double FixedToDouble(std::uint32_t value);
