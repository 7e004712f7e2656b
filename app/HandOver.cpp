// The hand-over block, written and read field by field.
#include "app/HandOver.h"

namespace lumora {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

std::vector<std::uint8_t> MakeDropFilesBlock(const std::string& path) {
  // Header {pFiles, pt.x, pt.y, fNC, fWide}, the name, its zero, the list's zero.
  std::vector<std::uint8_t> block(kDropFilesHeader + path.size() + 2, 0);
  PutU32(block, 0, kDropFilesHeader);
  std::copy(path.begin(), path.end(), block.begin() + kDropFilesHeader);
  return block;
}

std::vector<std::string> ReadDropFilesBlock(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> names;
  if (data == nullptr || size < kDropFilesHeader) return names;
  std::uint32_t offset = GetU32(data);
  bool wide = GetU32(data + 16) != 0;
  if (wide || offset < kDropFilesHeader || offset >= size) return names;
  std::size_t at = offset;
  while (at < size && data[at] != 0) {
    std::size_t end = at;
    while (end < size && data[end] != 0) ++end;
    if (end == size) return {};  // unterminated: refuse the whole block
    names.emplace_back(reinterpret_cast<const char*>(data + at), end - at);
    at = end + 1;
  }
  return names;
}

}  // namespace lumora
