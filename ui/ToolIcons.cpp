#include "ui/ToolIcons.h"

#include <algorithm>

namespace lumora {
namespace {

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

std::optional<ToolIconPicture> ComposeIconOnFace(const std::uint8_t* data, std::size_t size, std::uint32_t face) {
  // Header and first directory entry: 6 + 16 bytes.
  if (data == nullptr || size < 22) return std::nullopt;
  if (U16(data + 2) != 1 || U16(data + 4) == 0) return std::nullopt;
  const int width = data[6] == 0 ? 256 : data[6];
  const int height = data[7] == 0 ? 256 : data[7];
  const std::uint64_t offset = U32(data + 18);
  if (offset + 40 > size) return std::nullopt;
  const std::uint8_t* info = data + offset;
  const std::uint32_t headerSize = U32(info);
  const std::uint32_t bits = U16(info + 14);
  if (headerSize < 40 || bits != 4 || U32(info + 16) != 0) return std::nullopt;
  std::uint32_t colours = data[8] != 0 ? data[8] : 16;
  if (colours > 16) return std::nullopt;
  const std::uint64_t table = offset + headerSize;
  const std::uint64_t colourStride = ((static_cast<std::uint64_t>(width) * 4 + 31) / 32) * 4;
  const std::uint64_t maskStride = ((static_cast<std::uint64_t>(width) + 31) / 32) * 4;
  const std::uint64_t colourBits = table + colours * 4;
  const std::uint64_t maskBits = colourBits + colourStride * static_cast<std::uint64_t>(height);
  if (maskBits + maskStride * static_cast<std::uint64_t>(height) > size) return std::nullopt;
  std::uint32_t palette[16] = {};
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::uint8_t* q = data + table + i * 4;  // blue, green, red, reserved
    palette[i] = (static_cast<std::uint32_t>(q[2]) << 16) | (static_cast<std::uint32_t>(q[1]) << 8) | q[0];
  }
  ToolIconPicture out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    // Bottom-up rows.
    const std::uint8_t* colourRow = data + colourBits + colourStride * static_cast<std::uint64_t>(height - 1 - y);
    const std::uint8_t* maskRow = data + maskBits + maskStride * static_cast<std::uint64_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t pair = colourRow[x / 2];
      const std::uint32_t index = (x % 2 == 0) ? (pair >> 4) : (pair & 0x0F);
      const bool keep = (maskRow[x / 8] >> (7 - x % 8)) & 1;
      out.pixels[static_cast<std::size_t>(y) * width + x] = ((keep ? face : 0u) | palette[index]) & 0xFFFFFF;
    }
  }
  return out;
}

ToolIconPicture CentreOnFace(const ToolIconPicture& icon, std::uint32_t face, int width, int height) {
  ToolIconPicture out;
  out.width = width;
  out.height = height;
  out.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), face);
  int left = icon.width, top = icon.height, right = -1, bottom = -1;
  for (int y = 0; y < icon.height; ++y) {
    for (int x = 0; x < icon.width; ++x) {
      if (icon.At(x, y) == face) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return out;
  const int boxWidth = right - left + 1, boxHeight = bottom - top + 1;
  const int dx = (width - boxWidth) / 2, dy = (height - boxHeight) / 2;
  for (int y = 0; y < boxHeight; ++y) {
    for (int x = 0; x < boxWidth; ++x) {
      const int tx = dx + x, ty = dy + y;
      if (tx < 0 || ty < 0 || tx >= width || ty >= height) continue;
      out.pixels[static_cast<std::size_t>(ty) * width + tx] = icon.At(left + x, top + y);
    }
  }
  return out;
}

std::string ResourceListFile(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "vrctl32c.ini";
}

std::string LibraryPathIn(const std::string& folder, const std::string& entry) {
  if (entry.empty()) return entry;
  const bool absolute = entry[0] == '\\' || entry[0] == '/' || (entry.size() > 1 && entry[1] == ':');
  if (absolute) return entry;
  std::string base = folder;
  if (!base.empty() && base.back() != '\\') base += '\\';
  return base + entry;
}

}  // namespace lumora
