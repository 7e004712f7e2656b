// The picture the test TWAIN source delivers, in each pixel type it can
// send, and the colour each pixel must have in the program afterwards.
// Shared by the source (sane.ds) and the test that acquires from it.
#pragma once

#include <cstdint>
#include <cstring>

namespace lumora::testing::twain_picture {

constexpr int kWidth = 7;
constexpr int kHeight = 5;
constexpr int kXResolution = 300;
constexpr int kYResolution = 150;
constexpr char kProductName[] = "Lumora Test Scanner";
// The pixel type and layout to send, by name (environment variable).
constexpr char kModeVariable[] = "LUMORA_TWAIN_MODE";
// Where the source fails, by name (environment variable; unset or empty:
// nowhere): "open" (as a source without its device), "enable", "strip"
// (the second strip of a memory transfer) or "native" (a native transfer).
constexpr char kFailVariable[] = "LUMORA_TWAIN_FAIL";

enum class Mode { kRgb, kRgbPlanar, kGray8, kGray4, kBw, kPal4Rgb, kPal8Rgb, kPal8Ramp, kPal8Cmy, kYuv, kCompressed };

struct ModeName {
  const char* name;
  Mode mode;
};
constexpr ModeName kModes[] = {{"rgb", Mode::kRgb},         {"rgbplanar", Mode::kRgbPlanar}, {"gray8", Mode::kGray8},
                               {"gray4", Mode::kGray4},     {"bw", Mode::kBw},               {"pal4rgb", Mode::kPal4Rgb},
                               {"pal8rgb", Mode::kPal8Rgb}, {"pal8ramp", Mode::kPal8Ramp},   {"pal8cmy", Mode::kPal8Cmy},
                               {"yuv", Mode::kYuv},         {"compressed", Mode::kCompressed}};

inline Mode ModeOf(const char* name) {
  for (const ModeName& m : kModes) {
    if (std::strcmp(m.name, name) == 0) return m.mode;
  }
  return Mode::kRgb;
}

// The 24-bit picture (x, y from the top): what native transfers send.
inline std::uint32_t Rgb(int x, int y) {
  return static_cast<std::uint32_t>((30 * x + 20) << 16 | (40 * y + 10) << 8 | ((x * y * 13 + 5) & 0xFF));
}

inline int PaletteColours(Mode mode) {
  switch (mode) {
    case Mode::kPal4Rgb: return 16;
    case Mode::kPal8Rgb: return 40;
    case Mode::kPal8Ramp: return 256;
    case Mode::kPal8Cmy: return 20;
    default: return 0;
  }
}
// Palette entry i as the source sends it (its three channels).
inline std::uint32_t PaletteEntry(Mode mode, int i) {
  if (mode == Mode::kPal8Ramp) return static_cast<std::uint32_t>(i) * 0x010101u;
  return static_cast<std::uint32_t>((11 * i) & 0xFF) << 16 | static_cast<std::uint32_t>(200 - 3 * i) << 8 |
         static_cast<std::uint32_t>((i * 7 + 1) & 0xFF);
}
inline int PaletteIndex(Mode mode, int x, int y) {
  const int colours = PaletteColours(mode);
  return mode == Mode::kPal8Ramp ? (20 * x + 9 * y) & 0xFF : (x + 3 * y) % colours;
}

// The sample of a one-sample pixel type as sent.
inline unsigned Grey(Mode mode, int x, int y) {
  switch (mode) {
    case Mode::kGray8: return static_cast<unsigned>(30 * x + 10 * y);
    case Mode::kGray4: return static_cast<unsigned>(x + 2 * y) & 15u;
    case Mode::kBw: return static_cast<unsigned>(x + y) & 1u;
    default: return 0;
  }
}

// The three YUV samples as sent.
inline void Yuv(int x, int y, unsigned* s0, unsigned* s1, unsigned* s2) {
  *s0 = static_cast<unsigned>(100 + 10 * x);
  *s1 = static_cast<unsigned>(5 * y);
  *s2 = static_cast<unsigned>(3 * x);
}

}  // namespace lumora::testing::twain_picture
