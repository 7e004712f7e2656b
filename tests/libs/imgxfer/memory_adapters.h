// Small exchange-interface implementations over plain memory for the
// file-format library's tests and fuzz targets: a read adapter that keeps
// what the library hands it, a write adapter over given rows, a progress
// object that records and can cancel.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hostapi/imgxfer.h"

namespace lumora::testing {

inline int RowBytes(int type, int width) {
  const int bits = type == 1 ? 1 : type == 2 ? 4 : type == 16 ? 24 : 8;
  return (width * bits + 31) / 32 * 4;
}

// An image in the exchange layout: rows top-down here (index 0 the top).
struct ExchangeImage {
  int width = 0, height = 0, type = 0, xDpi = 0, yDpi = 0;
  int paletteCount = 0;
  PALETTEENTRY palette[256] = {};
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<std::uint8_t> colorProfile;  // embedded ICC profile, empty: none

  // Blue, green, red of a pixel whatever the type.
  void Pixel(int x, int y, std::uint8_t* bgr) const {
    const std::uint8_t* row = rows[y].data();
    if (type == 16) {
      std::memcpy(bgr, row + 3 * x, 3);
      return;
    }
    const int index = type == 1   ? (row[x / 8] >> (7 - x % 8)) & 1
                      : type == 2 ? (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15
                                  : row[x];
    if (type == 8) {
      bgr[0] = bgr[1] = bgr[2] = static_cast<std::uint8_t>(index);
      return;
    }
    bgr[0] = palette[index].peBlue;
    bgr[1] = palette[index].peGreen;
    bgr[2] = palette[index].peRed;
  }
};

// Keeps the image; refuses images over `maxPixels` at SetSize (the fuzz
// targets' memory cap) and can fail at a chosen row.
class MemoryReadAdapter : public CAbstractReadWA {
 public:
  int SetImageCount(int) override { return 0; }
  int SetSubImageCount(int, int) override { return 0; }
  int SetSize(int, int, int width, int height) override {
    if (static_cast<std::int64_t>(width) * height > maxPixels) return 1;
    image.width = width;
    image.height = height;
    return 0;
  }
  int SetType(int, int, int type) override {
    image.type = type;
    return 0;
  }
  int SetPalette(int, int, const PALETTEENTRY* entries, int count) override {
    image.paletteCount = count;
    std::memcpy(image.palette, entries, sizeof(PALETTEENTRY) * (count < 256 ? count : 256));
    return 0;
  }
  int SetResolution(int, int, int x, int y) override {
    image.xDpi = x;
    image.yDpi = y;
    return 0;
  }
  int PutRow(int, int, int row, const std::uint8_t* bytes) override {
    if (image.rows.empty()) {
      image.rows.assign(image.height, std::vector<std::uint8_t>(RowBytes(image.type, image.width)));
    }
    if (row < 0 || row >= image.height) return 1;
    std::memcpy(image.rows[image.height - 1 - row].data(), bytes, image.rows[0].size());
    ++rowsPut;
    return 0;
  }
  int SetColorProfile(int, const std::uint8_t* bytes, std::size_t size) override {
    if (!image.rows.empty()) return 1;  // after the first row: too late
    image.colorProfile.assign(bytes, bytes + size);
    return 0;
  }

  ExchangeImage image;
  std::int64_t maxPixels = std::int64_t{1} << 40;
  int rowsPut = 0;
};

// Presents an ExchangeImage; GetRow fails from row `failFromRow` on
// (counted in calls) to imitate a source that breaks off halfway.
class MemoryWriteAdapter : public CAbstractWriteWA {
 public:
  explicit MemoryWriteAdapter(const ExchangeImage& image) : image_(image) {}
  int GetImageCount(int* count) override {
    *count = 1;
    return 0;
  }
  int GetSubImageCount(int, int* count) override {
    *count = 1;
    return 0;
  }
  int GetSize(int, int, int* width, int* height) override {
    *width = image_.width;
    *height = image_.height;
    return 0;
  }
  int GetType(int, int, int* type) override {
    *type = image_.type;
    return 0;
  }
  int GetPalette(int, int, PALETTEENTRY* out) override {
    const int bits = image_.type == 1 ? 1 : image_.type == 2 ? 4 : 8;
    std::memcpy(out, image_.palette, sizeof(PALETTEENTRY) << bits);
    return 0;
  }
  int GetResolution(int, int, int* x, int* y) override {
    if (x != nullptr) *x = image_.xDpi;
    if (y != nullptr) *y = image_.yDpi;
    return 0;
  }
  int GetRow(int, int, int row, std::uint8_t* out) override {
    if (failFromRow >= 0 && rowsGiven >= failFromRow) return 1;
    ++rowsGiven;
    const auto& r = image_.rows[image_.height - 1 - row];
    std::memcpy(out, r.data(), r.size());
    return 0;
  }

  int GetColorProfile(int, const std::uint8_t** bytes, std::size_t* size) override {
    if (image_.colorProfile.empty()) return 1;
    *bytes = image_.colorProfile.data();
    *size = image_.colorProfile.size();
    return 0;
  }

  int failFromRow = -1;
  int rowsGiven = 0;

 private:
  const ExchangeImage& image_;
};

class CountingProgress : public CProgress {
 public:
  void Begin() override { ++begins; }
  void End() override { ++ends; }
  int Step(int position, int total) override {
    ++steps;
    if (position < lastPosition) ++backwards;
    lastPosition = position;
    lastTotal = total;
    return cancelAtStep >= 0 && steps > cancelAtStep ? 0 : 1;
  }
  int begins = 0, ends = 0, steps = 0, backwards = 0, lastPosition = -1, lastTotal = 0;
  int cancelAtStep = -1;
};

}  // namespace lumora::testing
