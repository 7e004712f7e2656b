// The image browser's thumbnails without windows: the database kept
// between runs (LUBRWS.TMP, field by field in the class library's archive
// layout), the readable-file test, the thumbnail's size and its sampling.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/pixels/WAccess.h"

namespace lumora {

constexpr int kThumbWidth = 120;
constexpr int kThumbHeight = 90;

// One file's thumbnail, stamped with the file's last-write time. `dib` is
// a packed 24-bit DIB (40-byte header, bottom-up rows padded to 4 bytes),
// empty for a file that could not be read.
struct ThumbnailItem {
  std::uint32_t timeLow = 0;
  std::uint32_t timeHigh = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> dib;
  bool selected = false;  // not stored
};

// Bytes per thumbnail row.
inline std::uint32_t ThumbnailStride(std::uint32_t width) { return (3 * width + 3) / 4 * 4; }

// The thumbnail's size for an image of w x h: the longer side against
// 120 x 90, never below one pixel.
void ThumbnailSize(int imageWidth, int imageHeight, int* width, int* height);

// The thumbnail of an image (formats 16, 8, 4, 2, 1), nearest neighbour.
ThumbnailItem MakeThumbnail(const VrWA2000::WA& image);

// The database: full path to item.
class ThumbnailDb {
 public:
  std::map<std::string, ThumbnailItem> items;

  // Reads the file. A file that ends early, or whose entries claim more
  // than a thumbnail may hold, keeps the entries read before it; false
  // then (and for a missing file). An entry whose stored bitmap header
  // does not describe its record (size, depth, compression, table) is
  // left out and the rest read on.
  bool Load(const std::string& path);
  bool Parse(const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> Serialize() const;
  // Writes the whole file or nothing (the old file stays).
  bool Save(const std::string& path, std::string* error) const;
  // The entry for a path when it was made at that last-write time; null
  // when there is none or the file changed since.
  const ThumbnailItem* Current(const std::string& path, std::uint32_t timeLow, std::uint32_t timeHigh) const {
    const auto found = items.find(path);
    if (found == items.end() || found->second.timeLow != timeLow || found->second.timeHigh != timeHigh) return nullptr;
    return &found->second;
  }
};

// Whether a file's extension (with its dot, letter case ignored) occurs
// in the readable list: the native types and `formats` (the file-format
// library's read list, entries separated by "|" or NUL).
bool IsReadableImagePath(const std::string& path, const std::string& formats);

}  // namespace lumora
