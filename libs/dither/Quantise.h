// The palette chooser of the dithering library: a colour histogram at six
// bits a channel, Wu's variance-minimising box cut, then a few k-means
// passes over the histogram's mean colours. Distances are weighted per
// channel (green counts most, blue least), close to how the eye weighs
// errors without leaving plain RGB.
#pragma once

#include <cstdint>
#include <vector>

namespace lumora::dither {

// Channel weights of every colour distance, in the order blue, green, red.
constexpr int kWeightB = 2;
constexpr int kWeightG = 3;
constexpr int kWeightR = 2;

struct Colour {
  std::uint8_t b = 0, g = 0, r = 0;
};

// Pixel counts and colour sums per 6-bit cell, and the distinct colours
// while there are no more than 256, so that images of few colours keep
// them exactly.
class Histogram {
 public:
  static constexpr int kCells = 1 << 18;
  Histogram();
  void AddRow(const std::uint8_t* bgr, int width);
  // How the k-means passes find each colour's nearest centre: from the
  // centre it had in the pass before (the program's way), or by the plain
  // search over the centres sorted by green. Both give the same palette.
  enum class CentreSearch { kFromLastPass, kPlain };
  // At most `wanted` colours that represent the pixels added so far.
  std::vector<Colour> ChoosePalette(int wanted, CentreSearch search = CentreSearch::kFromLastPass) const;
  std::uint64_t PixelCount() const { return pixels_; }

 private:
  struct Cell {
    std::uint64_t sumB = 0, sumG = 0, sumR = 0;
    std::uint32_t count = 0;
  };
  void NoteDistinct(std::uint32_t colour);
  std::vector<Cell> cells_;
  std::vector<std::uint32_t> distinctSlots_;  // open addressing; 0 is empty (colours carry bit 24)
  int distinctCount_ = 0;
  bool tooManyColours_ = false;
  std::uint64_t pixels_ = 0;
};

// Nearest palette entry (weighted distance) for any colour, cached per
// block of colour space and found on first use by a search over the
// palette sorted by green, which stops once green alone is too far. The
// block's centre decides: blocks of 2 levels a side for plain mapping
// (a choice off by at most half a level), of 4 under error diffusion,
// which corrects the difference at the next pixels and gains a cache that
// stays in the processor's.
class NearestMap {
 public:
  NearestMap(std::vector<Colour> palette, int blockShift);
  int Nearest(int b, int g, int r) {
    const std::uint32_t colour = 0x01000000u | (static_cast<std::uint32_t>(b) << 16) | (g << 8) | r;
    for (std::uint32_t slot = Hash(colour);; slot = (slot + 1) & (kExactSlots - 1)) {
      if (exact_[slot] == 0) break;
      if (exact_[slot] == colour) return exactIndex_[slot];
    }
    const int key = ((b >> shift_) << (2 * bits_)) | ((g >> shift_) << bits_) | (r >> shift_);
    const int cached = cache_[key];
    return cached >= 0 ? cached : Search(key);
  }
  const Colour& Entry(int index) const { return palette_[index]; }
  int Size() const { return static_cast<int>(palette_.size()); }

 private:
  static constexpr std::uint32_t kExactSlots = 1024;
  static std::uint32_t Hash(std::uint32_t colour) { return (colour * 2654435761u) >> 22; }
  int Search(int key);
  // Colours of the palette itself always map to their own entry.
  std::uint32_t exact_[kExactSlots] = {};
  std::uint8_t exactIndex_[kExactSlots] = {};
  int shift_;
  int bits_;
  std::vector<Colour> palette_;
  std::vector<int> order_;           // palette indices by green
  std::vector<int> greenTwice_;      // 2 x green of order_'s entries
  std::vector<std::int16_t> cache_;  // -1: not found yet
};

}  // namespace lumora::dither
