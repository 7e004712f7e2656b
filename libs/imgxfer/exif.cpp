// Reads tags of an EXIF block: "Exif\0\0", a TIFF header and the first
// image directory, every offset checked against the block.
#include "libs/imgxfer/exif.h"

#include <cstring>

namespace lumora::imgxfer {

namespace {

constexpr unsigned kTypeShort = 3;
constexpr unsigned kTypeRational = 5;

// The first image directory of a block, read in the block's byte order.
class Directory {
 public:
  Directory(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0) return;
    tiff_ = data + 6;
    length_ = size - 6;
    little_ = tiff_[0] == 'I' && tiff_[1] == 'I';
    if (!little_ && !(tiff_[0] == 'M' && tiff_[1] == 'M')) return;
    const std::uint32_t at = U32(4);
    if (at > length_ || length_ - at < 2) return;
    start_ = at;
    valid_ = true;
  }

  // The entry of `tag` with `type`: the offset of its 12 bytes, or 0.
  std::size_t Find(unsigned tag, unsigned type) const {
    if (!valid_) return 0;
    const unsigned count = U16(start_);
    for (unsigned i = 0; i < count; ++i) {
      const std::size_t entry = start_ + 2 + 12 * static_cast<std::size_t>(i);
      if (entry + 12 > length_) return 0;
      if (U16(entry) == tag && U16(entry + 2) == type) return entry;
    }
    return 0;
  }

  // A SHORT tag's value, or `fallback`.
  unsigned Short(unsigned tag, unsigned fallback) const {
    const std::size_t entry = Find(tag, kTypeShort);
    return entry != 0 ? U16(entry + 8) : fallback;
  }

  // A RATIONAL tag's value (held at the offset its entry gives); 0 when
  // missing, outside the block or with a zero denominator.
  double Rational(unsigned tag) const {
    const std::size_t entry = Find(tag, kTypeRational);
    if (entry == 0) return 0;
    const std::uint32_t at = U32(entry + 8);
    if (at > length_ || length_ - at < 8) return 0;
    const std::uint32_t numerator = U32(at), denominator = U32(at + 4);
    return denominator != 0 ? static_cast<double>(numerator) / denominator : 0;
  }

 private:
  unsigned U16(std::size_t at) const {
    return little_ ? tiff_[at] | (tiff_[at + 1] << 8) : (tiff_[at] << 8) | tiff_[at + 1];
  }
  std::uint32_t U32(std::size_t at) const {
    return little_ ? U16(at) | (static_cast<std::uint32_t>(U16(at + 2)) << 16)
                   : (static_cast<std::uint32_t>(U16(at)) << 16) | U16(at + 2);
  }

  const std::uint8_t* tiff_ = nullptr;
  std::size_t length_ = 0;
  std::size_t start_ = 0;
  bool little_ = false;
  bool valid_ = false;
};

// Dots per inch of a density in the unit, rounded; 0 outside 1..65535.
int DotsPerInch(double density, unsigned unit) {
  const double dpi = unit == 3 ? density * 2.54 : density;
  return dpi >= 0.5 && dpi < 65535.5 ? static_cast<int>(dpi + 0.5) : 0;
}

}  // namespace

int ExifOrientation(const std::uint8_t* data, std::size_t size) {
  const unsigned value = Directory(data, size).Short(0x0112, 1);
  return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

bool ExifResolution(const std::uint8_t* data, std::size_t size, int* xDpi, int* yDpi) {
  const Directory directory(data, size);
  const unsigned unit = directory.Short(0x0128, 2);
  if (unit != 2 && unit != 3) return false;
  const int x = DotsPerInch(directory.Rational(0x011A), unit);
  const int y = DotsPerInch(directory.Rational(0x011B), unit);
  if (x == 0 || y == 0) return false;
  *xDpi = x;
  *yDpi = y;
  return true;
}

}  // namespace lumora::imgxfer
