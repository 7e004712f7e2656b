// The image-information dialog's header reader and texts.
#include "dialogs/ImageInfoForm.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr double kInchesPerCm = 0.39370078740157477;
constexpr std::uint16_t kResolutionResource = 0x03ED;

bool ReadBytes(std::istream& in, void* to, std::size_t count) {
  in.read(static_cast<char*>(to), static_cast<std::streamsize>(count));
  return static_cast<std::size_t>(in.gcount()) == count;
}

bool ReadU16(std::istream& in, std::uint16_t* value) {
  std::uint8_t b[2];
  if (!ReadBytes(in, b, 2)) return false;
  *value = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
  return true;
}

bool ReadU32(std::istream& in, std::uint32_t* value) {
  std::uint8_t b[4];
  if (!ReadBytes(in, b, 4)) return false;
  *value = static_cast<std::uint32_t>(b[0]) << 24 | static_cast<std::uint32_t>(b[1]) << 16 |
           static_cast<std::uint32_t>(b[2]) << 8 | b[3];
  return true;
}

// Seeking past the end succeeds on a file: the bytes are read instead, so
// a length that runs past the end fails the read.
bool Skip(std::istream& in, std::uint64_t count) {
  char buffer[4096];
  while (count > 0) {
    const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof buffer));
    if (!ReadBytes(in, buffer, part)) return false;
    count -= part;
  }
  return true;
}

int KindOfMode(std::uint16_t mode) {
  switch (mode) {
    case 0: return 1;
    case 1: return 8;
    case 2: return 4;
    case 3: return 16;
    default: return 0;
  }
}

// Walks the image resources to the resolution block; false for a block
// that runs past the section.
bool ReadResources(std::istream& in, std::uint32_t length, LayeredHeaderInfo* info) {
  std::uint64_t left = length;
  while (left > 0) {
    char signature[4];
    std::uint16_t id = 0;
    std::uint8_t nameLength = 0;
    if (left < 12 || !ReadBytes(in, signature, 4) || !ReadU16(in, &id) || !ReadBytes(in, &nameLength, 1)) return false;
    if (std::memcmp(signature, "8BIM", 4) != 0 && std::memcmp(signature, "WIN4", 4) != 0) return false;
    const std::uint64_t namePad = nameLength + ((nameLength + 1u) % 2u);
    const std::uint64_t head = 7 + namePad + 4;
    std::uint32_t size = 0;
    if (head > left || !Skip(in, namePad) || !ReadU32(in, &size)) return false;
    left -= head;
    if (size > left) return false;
    if (id == kResolutionResource && size >= 16) {
      std::uint16_t widthUnit = 0, heightUnit = 0;
      if (!ReadU32(in, &info->xResolution) || !ReadU16(in, &info->xUnit) || !ReadU16(in, &widthUnit) ||
          !ReadU32(in, &info->yResolution) || !ReadU16(in, &info->yUnit) || !ReadU16(in, &heightUnit)) {
        return false;
      }
      info->hasResolution = true;
      return true;
    }
    if (!Skip(in, size)) return false;
    left -= size;
    // Data padded to even; a last block may lack its pad.
    if ((size & 1u) != 0 && left > 0) {
      if (!Skip(in, 1)) return false;
      --left;
    }
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::optional<LayeredHeaderInfo> ReadLayeredHeaderInfo(std::istream& in) {
  char signature[4];
  std::uint16_t version = 0, channels = 0, depth = 0, mode = 0;
  std::uint32_t height = 0, width = 0, colourLength = 0, resourceLength = 0;
  if (!ReadBytes(in, signature, 4) || !ReadU16(in, &version) || !Skip(in, 6) || !ReadU16(in, &channels) ||
      !ReadU32(in, &height) || !ReadU32(in, &width) || !ReadU16(in, &depth) || !ReadU16(in, &mode)) {
    return std::nullopt;
  }
  if (std::memcmp(signature, "8BPS", 4) != 0 && std::memcmp(signature, "LU40", 4) != 0) return std::nullopt;
  LayeredHeaderInfo info;
  info.kind = KindOfMode(mode);
  if (info.kind == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return std::nullopt;
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  if (!ReadU32(in, &colourLength) || !Skip(in, colourLength) || !ReadU32(in, &resourceLength)) return std::nullopt;
  if (!ReadResources(in, resourceLength, &info)) return std::nullopt;
  return info;
}

std::string FormatInfoResolution(double value) {
  const long long hundredths = static_cast<long long>(std::clamp(value, 0.0, 1e12) * 100.0);
  const long long whole = hundredths / 100;
  const int decimals = static_cast<int>(hundredths % 100);
  char text[48];
  if (decimals == 0) {
    std::snprintf(text, sizeof text, "%lld", whole);
  } else if (decimals % 10 == 0) {
    std::snprintf(text, sizeof text, "%lld.%d", whole, decimals / 10);
  } else {
    std::snprintf(text, sizeof text, "%lld.%02d", whole, decimals);
  }
  return text;
}

std::string DescribeResolution(const LayeredHeaderInfo& info) {
  // The stored values are dots per inch whatever unit is shown; both are
  // shown in the horizontal one.
  const bool inches = info.xUnit == 1;
  const double factor = inches ? 1.0 : kInchesPerCm;
  const double x = info.xResolution / 65536.0 * factor;
  const double y = info.yResolution / 65536.0 * factor;
  return FormatInfoResolution(x) + " X " + FormatInfoResolution(y) + " " + (inches ? "dot/inch" : "dot/cm");
}

ImageInfoTexts DescribeLayeredFile(const std::string& path) {
  ImageInfoTexts texts;
  const std::filesystem::path file(path);
  texts.fileName = file.filename().string();
  const std::string extension = Lower(file.extension().string());
  const std::string pattern = Lower(std::string(res::String(IDS_PSD_PATTERN)));
  const bool photoshop = !extension.empty() && pattern.find(extension) != std::string::npos;
  texts.format = std::string(res::String(photoshop ? IDS_PSD_IMAGE_FORMAT : IDS_LUMORA_IMAGE_FORMAT));
  std::ifstream in(file, std::ios::binary);
  const std::optional<LayeredHeaderInfo> info = in ? ReadLayeredHeaderInfo(in) : std::nullopt;
  if (!info) return texts;
  switch (info->kind) {
    case 1: texts.type = "Black & White"; texts.colors = "2"; break;
    case 4: texts.type = "Color Paletted"; texts.colors = "256"; break;
    case 8: texts.type = "GreyScale"; texts.colors = "256"; break;
    default: texts.type = "RGB"; texts.colors = "16,777,216"; break;
  }
  texts.dimensions = std::to_string(info->width) + " X " + std::to_string(info->height);
  texts.compression = std::string(res::String(IDS_UNCOMPRESSED));
  if (info->hasResolution) texts.resolution = DescribeResolution(*info);
  return texts;
}

}  // namespace lumora
