// The save options: defaults, range checks, versioned field-by-field
// storage in a small file of the user's.
#include "libs/imgxfer/options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lumora::imgxfer {

namespace {

constexpr char kMagic[4] = {'L', 'X', 'O', 'P'};
constexpr int kFieldCount = 7;

// The stored fields in file order.
std::int32_t* Fields(ImExpSaveOptions& o, int i) {
  std::int32_t* fields[kFieldCount] = {&o.jpegQuality, &o.jpegProgressive, &o.pngCompression,
                                       &o.pngInterlace, &o.bmpRle,         &o.tgaRle,
                                       &o.tiffCompression};
  return fields[i];
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

ImExpSaveOptions DefaultSaveOptions() {
  ImExpSaveOptions o{};
  o.version = kImExpSaveOptionsVersion;
  o.size = sizeof(ImExpSaveOptions);
  o.jpegQuality = 90;
  o.jpegProgressive = 1;
  o.pngCompression = 6;
  o.pngInterlace = kImExpOff;
  o.bmpRle = kImExpOff;
  o.tgaRle = kImExpOff;
  o.tiffCompression = kImExpTiffLzw;
  return o;
}

namespace {

// A switch: 1 or kImExpOff, 0 the default.
std::int32_t Switch(std::int32_t value, std::int32_t fallback) {
  return value == 0 ? fallback : value > 0 ? 1 : kImExpOff;
}

}  // namespace

ImExpSaveOptions ClampSaveOptions(ImExpSaveOptions o) {
  const ImExpSaveOptions d = DefaultSaveOptions();
  o.version = kImExpSaveOptionsVersion;
  o.size = sizeof(ImExpSaveOptions);
  o.jpegQuality = o.jpegQuality == 0 ? d.jpegQuality : std::clamp(o.jpegQuality, 1, 100);
  o.jpegProgressive = Switch(o.jpegProgressive, d.jpegProgressive);
  o.pngCompression = o.pngCompression == 0 ? d.pngCompression
                     : o.pngCompression < 0 ? kImExpOff
                                            : std::min(o.pngCompression, 9);
  o.pngInterlace = Switch(o.pngInterlace, d.pngInterlace);
  o.bmpRle = Switch(o.bmpRle, d.bmpRle);
  o.tgaRle = Switch(o.tgaRle, d.tgaRle);
  o.tiffCompression = o.tiffCompression == 0 ? d.tiffCompression
                      : o.tiffCompression < 0 ? kImExpTiffNone
                                              : std::min(o.tiffCompression, 3);
  return o;
}

ImExpSaveOptions OptionsFromCaller(const ImExpSaveOptions* options) {
  if (options == nullptr) return LoadSaveOptions();
  ImExpSaveOptions result{};
  const std::size_t size = std::min<std::size_t>(options->size, sizeof(ImExpSaveOptions));
  if (size > 2 * sizeof(std::uint32_t)) std::memcpy(&result, options, size);
  return ClampSaveOptions(result);
}

std::vector<std::uint8_t> SerializeSaveOptions(const ImExpSaveOptions& options) {
  ImExpSaveOptions o = options;
  std::vector<std::uint8_t> out(kMagic, kMagic + 4);
  PutU32(out, kImExpSaveOptionsVersion);
  PutU32(out, kFieldCount);
  for (int i = 0; i < kFieldCount; ++i) PutU32(out, static_cast<std::uint32_t>(*Fields(o, i)));
  return out;
}

bool DeserializeSaveOptions(const std::vector<std::uint8_t>& bytes, ImExpSaveOptions* options) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), kMagic, 4) != 0) return false;
  const std::uint32_t count = GetU32(bytes.data() + 8);
  if (GetU32(bytes.data() + 4) == 0 || bytes.size() < 12 + static_cast<std::uint64_t>(count) * 4) {
    return false;
  }
  ImExpSaveOptions o = DefaultSaveOptions();
  // Records of version 1 wrote "off", "none" and level 0 as 0, which now
  // means the default.
  const bool zeroIsOff = GetU32(bytes.data() + 4) == 1;
  for (int i = 0; i < kFieldCount && i < static_cast<int>(count); ++i) {
    std::int32_t value = static_cast<std::int32_t>(GetU32(bytes.data() + 12 + 4 * i));
    if (zeroIsOff && value == 0 && i > 0) value = kImExpOff;
    *Fields(o, i) = value;
  }
  *options = ClampSaveOptions(o);
  return true;
}

std::string SaveOptionsPath() {
  if (const char* path = std::getenv("LUMORA_IMGXFER_OPTIONS"); path != nullptr && *path != '\0') {
    return path;
  }
#ifdef _WIN32
  const char* base = std::getenv("APPDATA");
  const std::string folder = base != nullptr ? std::string(base) + "\\Lumora" : "Lumora";
  return folder + "\\imgxfer.opt";
#else
  const char* home = std::getenv("HOME");
  const std::string folder = std::string(home != nullptr ? home : ".") + "/.config/lumora";
  return folder + "/imgxfer.opt";
#endif
}

ImExpSaveOptions LoadSaveOptions() {
  std::ifstream in(std::filesystem::u8path(SaveOptionsPath()), std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ImExpSaveOptions options = DefaultSaveOptions();
  DeserializeSaveOptions(bytes, &options);
  return options;
}

bool StoreSaveOptions(const ImExpSaveOptions& options) {
  const std::filesystem::path path = std::filesystem::u8path(SaveOptionsPath());
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  const std::vector<std::uint8_t> bytes = SerializeSaveOptions(options);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace lumora::imgxfer
