// Blue-green-red pixels to channel rows and back: byte shuffles (SSSE3)
// over 48-byte blocks of sixteen pixels, chosen at run time, and the plain
// loops for the rest of a row and for processors without them.
#include "engine/layered/ChannelShuffle.h"

#include <immintrin.h>

#include <array>

namespace lumora {

namespace {

// Shuffle controls: for channel c (0 blue, 1 green, 2 red) and the k-th
// 16-byte block of 48 pixel bytes, the bytes of that block that hold the
// channel, placed at their pixel's position (0x80: none).
using Control = std::array<std::uint8_t, 16>;

constexpr Control SplitControl(int c, int k) {
  Control control{};
  for (int j = 0; j < 16; ++j) {
    const int at = 3 * j + c - 16 * k;
    control[j] = (at >= 0 && at < 16) ? static_cast<std::uint8_t>(at) : 0x80;
  }
  return control;
}

// For the k-th output block: which pixel of channel c goes to each byte.
constexpr Control JoinControl(int c, int k) {
  Control control{};
  for (int t = 0; t < 16; ++t) {
    const int p = 16 * k + t;
    control[t] = p % 3 == c ? static_cast<std::uint8_t>(p / 3) : 0x80;
  }
  return control;
}

template <Control (*Make)(int, int)>
constexpr std::array<std::array<Control, 3>, 3> Controls() {
  std::array<std::array<Control, 3>, 3> all{};
  for (int c = 0; c < 3; ++c) {
    for (int k = 0; k < 3; ++k) all[c][k] = Make(c, k);
  }
  return all;
}

constexpr auto kSplit = Controls<SplitControl>();
constexpr auto kJoin = Controls<JoinControl>();

bool HasShuffles() {
  static const bool has = __builtin_cpu_supports("ssse3") != 0;
  return has;
}

__attribute__((target("ssse3"))) inline __m128i Load(const Control& control) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(control.data()));
}

__attribute__((target("ssse3"))) int SplitBlocks(const std::uint8_t* pixels, std::uint8_t* red,
                                                  std::uint8_t* green, std::uint8_t* blue, int width) {
  std::uint8_t* const out[3] = {blue, green, red};
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i v[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 3 * x)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 3 * x + 16)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 3 * x + 32))};
    for (int c = 0; c < 3; ++c) {
      const __m128i channel = _mm_or_si128(
          _mm_or_si128(_mm_shuffle_epi8(v[0], Load(kSplit[c][0])), _mm_shuffle_epi8(v[1], Load(kSplit[c][1]))),
          _mm_shuffle_epi8(v[2], Load(kSplit[c][2])));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out[c] + x), channel);
    }
  }
  return x;
}

__attribute__((target("ssse3"))) int JoinBlocks(std::uint8_t* pixels, const std::uint8_t* red,
                                                 const std::uint8_t* green, const std::uint8_t* blue,
                                                 int width) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i in[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + x)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + x)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + x))};
    for (int k = 0; k < 3; ++k) {
      const __m128i block = _mm_or_si128(
          _mm_or_si128(_mm_shuffle_epi8(in[0], Load(kJoin[0][k])), _mm_shuffle_epi8(in[1], Load(kJoin[1][k]))),
          _mm_shuffle_epi8(in[2], Load(kJoin[2][k])));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + 3 * x + 16 * k), block);
    }
  }
  return x;
}

}  // namespace

void SplitPixelsPlain(const std::uint8_t* pixels, std::uint8_t* red, std::uint8_t* green,
                      std::uint8_t* blue, int width) {
  for (int x = 0; x < width; ++x) {
    blue[x] = pixels[3 * x];
    green[x] = pixels[3 * x + 1];
    red[x] = pixels[3 * x + 2];
  }
}

void JoinPixelsPlain(std::uint8_t* pixels, const std::uint8_t* red, const std::uint8_t* green,
                     const std::uint8_t* blue, int width) {
  for (int x = 0; x < width; ++x) {
    pixels[3 * x] = blue[x];
    pixels[3 * x + 1] = green[x];
    pixels[3 * x + 2] = red[x];
  }
}

void SplitPixels(const std::uint8_t* pixels, std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue,
                 int width) {
  const int done = HasShuffles() ? SplitBlocks(pixels, red, green, blue, width) : 0;
  SplitPixelsPlain(pixels + 3 * done, red + done, green + done, blue + done, width - done);
}

void JoinPixels(std::uint8_t* pixels, const std::uint8_t* red, const std::uint8_t* green,
                const std::uint8_t* blue, int width) {
  const int done = HasShuffles() ? JoinBlocks(pixels, red, green, blue, width) : 0;
  JoinPixelsPlain(pixels + 3 * done, red + done, green + done, blue + done, width - done);
}

}  // namespace lumora
