// Test images of every exchange type, temporary folders, and running the
// other programs that check our files (ImageMagick and friends).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "libs/imgxfer/memory_adapters.h"
#include "support/unique_temp_folder.h"
#include "libs/imgxfer/ui.h"

namespace lumora::testing {

// Failures are remembered but shown in no box unless a test turns boxes on
// (and closes them).
inline const bool kMessageBoxesOff = (imgxfer::SetMessageBoxesShown(false), true);

inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value);
#else
  if (*value == '\0') {
    unsetenv(name);
  } else {
    setenv(name, value, 1);
  }
#endif
}

// A picture with edges, gradients and every palette index in use; smooth
// (gradients only, a smooth palette) for lossy formats.
inline ExchangeImage PatternImage(int type, int width, int height, bool smooth = false) {
  ExchangeImage image;
  image.width = width;
  image.height = height;
  image.type = type;
  image.xDpi = 150;
  image.yDpi = 300;
  const int entries = type == 1 ? 2 : type == 2 ? 16 : 256;
  image.paletteCount = type == 16 ? 0 : entries;
  for (int i = 0; i < entries && type != 16; ++i) {
    const auto v = static_cast<BYTE>(i * 255 / (entries - 1));
    image.palette[i] = type == 8 || smooth ? PALETTEENTRY{v, v, static_cast<BYTE>(smooth ? 255 - v : v), 0}
                                 : PALETTEENTRY{v, static_cast<BYTE>(255 - v), static_cast<BYTE>((i * 77) & 255), 0};
  }
  image.rows.assign(height, std::vector<std::uint8_t>(RowBytes(type, width), 0));
  for (int y = 0; y < height; ++y) {
    auto& row = image.rows[y];
    for (int x = 0; x < width; ++x) {
      const int v = smooth ? (x * 3 + y * 2) & 255 : (x * 7 + y * 13 + (x / 5) * (y / 3)) & 255;
      switch (type) {
        case 1: row[x / 8] |= static_cast<std::uint8_t>(((v >> 3) & 1) << (7 - x % 8)); break;
        case 2: row[x / 2] |= static_cast<std::uint8_t>(((smooth ? v >> 4 : v) & 15) << (x % 2 == 0 ? 4 : 0)); break;
        case 16:
          row[3 * x] = static_cast<std::uint8_t>(v);
          row[3 * x + 1] = static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
          row[3 * x + 2] = static_cast<std::uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
          break;
        default: row[x] = static_cast<std::uint8_t>(v);
      }
    }
  }
  return image;
}

// A fresh folder removed with the fixture.
class TempFolder {
 public:
  TempFolder() : path_(lumora::testing::MakeUniqueTempFolder("lumora-imgxfer-")) {}
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Reads a file through the library; an empty image (width 0) when it fails.
inline ExchangeImage ReadThroughLibrary(const std::string& path, int formats = 16) {
  MemoryReadAdapter adapter;
  if (ImExp_ReadFile(&adapter, nullptr, path.c_str(), formats, nullptr, nullptr, 0) == 0) return {};
  return adapter.image;
}

inline int WriteThroughLibrary(const ExchangeImage& image, const std::string& path,
                               const ImExpSaveOptions* options = nullptr, int* status = nullptr) {
  MemoryWriteAdapter adapter(image);
  return ImExp_WriteFile(&adapter, nullptr, path.c_str(), status, nullptr, options, 0);
}

}  // namespace lumora::testing
