// What the texture, redraw and deform tools share: a random sequence that
// depends only on the parameters and the image size (so a preview and the
// run it foretells agree), scratch images, pixel access, nearest sampling
// through a coordinate map, and the grey of a pixel.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "libs/toolhost/Filters.h"
#include "libs/toolhost/Registry.h"
#include "libs/toolhost/tools/LevelTables.h"

namespace lumora::toolhost::effects {

inline int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// splitmix64 over a seed folded from the values and the image size.
class Seeded {
 public:
  Seeded(std::initializer_list<std::int32_t> values, int width, int height) {
    state_ = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(width)) << 32) ^
             static_cast<std::uint32_t>(height);
    for (std::int32_t v : values) state_ = (state_ ^ static_cast<std::uint32_t>(v)) * 0x100000001B3ull + 0x9E37ull;
  }
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n - 1 (n >= 1), by the high bits' product: no division.
  int Below(int n) { return static_cast<int>(((Next() >> 32) * static_cast<std::uint64_t>(n)) >> 32); }
  // -span .. span.
  int Within(int span) { return Below(2 * span + 1) - span; }

 private:
  std::uint64_t state_;
};

// An image of the source's size and layout owned by the tool's run.
struct Scratch {
  std::vector<std::uint8_t> bytes;
  ImageView view;
  explicit Scratch(const ConstImageView& like)
      : bytes(static_cast<std::size_t>(like.width) * like.channels * like.height),
        view{bytes.data(), like.width, like.height, static_cast<std::ptrdiff_t>(like.width) * like.channels,
             like.channels} {}
};

inline void CopyImage(const ConstImageView& src, const ImageView& dst) {
  const std::size_t bytes = static_cast<std::size_t>(src.width) * src.channels;
  for (int y = 0; y < src.height; ++y) std::memcpy(dst.Row(y), src.Row(y), bytes);
}

inline const std::uint8_t* PixelAt(const ConstImageView& v, int x, int y) { return v.Row(y) + x * v.channels; }
inline std::uint8_t* PixelAt(const ImageView& v, int x, int y) { return v.Row(y) + x * v.channels; }

// The grey of a pixel: 24-bit pixels hold blue, green, red, so grey =
// (29 B + 150 G + 77 R) / 256, the usual weights in 8-bit fixed point.
inline int GreyOf(const std::uint8_t* p, int channels) {
  return channels == 1 ? p[0] : (29 * p[0] + 150 * p[1] + 77 * p[2]) >> 8;
}

inline void SetAll(std::uint8_t* p, int channels, int value) {
  for (int c = 0; c < channels; ++c) p[c] = static_cast<std::uint8_t>(value);
}

// dst(x, y) = src(map(x, y)) with the nearest pixel; a mapped point outside
// the image takes the nearest edge pixel. `map` writes the source point.
template <class Map>
bool WarpNearest(const ConstImageView& src, const ImageView& dst, RowPoll& poll, Map map) {
  const int ch = src.channels;
  poll.Expect(src.height);
  for (int y = 0; y < src.height; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < src.width; ++x) {
      double sx = x, sy = y;
      map(x, y, sx, sy);
      const int ix = ClampInt(static_cast<int>(std::lround(sx)), 0, src.width - 1);
      const int iy = ClampInt(static_cast<int>(std::lround(sy)), 0, src.height - 1);
      std::memcpy(d + x * ch, PixelAt(src, ix, iy), static_cast<std::size_t>(ch));
    }
    if (poll.Row()) return false;
  }
  return true;
}

// Smooth value noise 0..255: random values at the corners of a lattice of
// cells sx x sy, blended bilinearly.
class ValueNoise {
 public:
  ValueNoise(Seeded& random, int width, int height, int sx, int sy)
      : sx_(sx < 1 ? 1 : sx), sy_(sy < 1 ? 1 : sy), columns_(width / sx_ + 2), rows_(height / sy_ + 2),
        lattice_(static_cast<std::size_t>(columns_) * rows_) {
    for (auto& v : lattice_) v = static_cast<std::uint8_t>(random.Below(256));
  }
  double At(int x, int y) const {
    const int cx = x / sx_, cy = y / sy_;
    const double fx = static_cast<double>(x - cx * sx_) / sx_, fy = static_cast<double>(y - cy * sy_) / sy_;
    const double a = Corner(cx, cy), b = Corner(cx + 1, cy), c = Corner(cx, cy + 1), d = Corner(cx + 1, cy + 1);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
  }

 private:
  double Corner(int cx, int cy) const { return lattice_[static_cast<std::size_t>(cy) * columns_ + cx]; }
  int sx_, sy_, columns_, rows_;
  std::vector<std::uint8_t> lattice_;
};

constexpr double kPi = 3.14159265358979323846;

}  // namespace lumora::toolhost::effects
