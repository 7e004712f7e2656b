// Parsing the shared-memory section's descriptor.
#include "app/CapDescriptor.h"

#include <cctype>
#include <cstring>

namespace lumora {

namespace {

bool ReadHexGroup(const char* text, std::uint32_t* out) {
  std::uint32_t value = 0;
  for (int i = 0; i < 8; ++i) {
    const char c = text[i];
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  *out = value;
  return true;
}

}  // namespace

CapDescriptor ParseCapDescriptor(const char* text) {
  CapDescriptor d;
  if (text == nullptr || std::strlen(text) < 16) return d;
  if (!ReadHexGroup(text, &d.handOver) || !ReadHexGroup(text + 8, &d.ownerWindow)) return CapDescriptor{};
  d.name = std::string(text + 16);
  if (d.name.size() > kCapSectionNameChars) d.name.resize(kCapSectionNameChars);
  d.valid = true;
  return d;
}

}  // namespace lumora
