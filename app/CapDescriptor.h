// The descriptor string another process hands to the shared-memory section
// class: 8 hexadecimal digits of the hand-over handle, 8 of the owner
// window, then the section's name.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

// The name field holds 51 characters and its terminating zero.
inline constexpr std::size_t kCapSectionNameChars = 51;

struct CapDescriptor {
  bool valid = false;            // 16 digits or more came
  std::uint32_t handOver = 0;
  std::uint32_t ownerWindow = 0;
  std::string name;              // cut to 51 characters
};

// A descriptor shorter than 16 characters, or whose groups are not
// hexadecimal, is not valid: it names nothing to open.
CapDescriptor ParseCapDescriptor(const char* text);

}  // namespace lumora
