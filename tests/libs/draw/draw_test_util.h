// Seeded images and coverage masks for the draw tests, and a helper that
// draws through the core and through the per-pixel reference.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "hostapi/draw.h"
#include "hostapi/imagebuf.h"
#include "libs/draw/render.h"
#include "platform/ref_ptr.h"

namespace lumora::testing {

using WARef = RefPtr<VrWA2000::WA>;

inline WARef MakeImage(int type, int width, int height) {
  return WARef::Adopt(new VrWA2000::WA(type, width, height, static_cast<const PALETTEENTRY*>(nullptr), false));
}

// Every byte random; palette types get a random palette.
inline WARef RandomImage(int type, int width, int height, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  WARef wa = MakeImage(type, width, height);
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < wa->GetBPLine(); ++i) wa->Row(y)[i] = static_cast<std::uint8_t>(byte(rng));
  if (type != kWAType24 && type != kWAType8Grey) {
    PALETTEENTRY palette[256];
    for (auto& e : palette)
      e = PALETTEENTRY{static_cast<BYTE>(byte(rng)), static_cast<BYTE>(byte(rng)), static_cast<BYTE>(byte(rng)), 0};
    wa->SetPaletteEntries(0, static_cast<std::uint16_t>(wa->GetPaletteSize()), palette);
  }
  return wa;
}

// Coverage with runs of 255 and 0 and random values between.
inline WARef RandomCoverage(int width, int height, std::uint32_t seed) {
  std::mt19937 rng(seed);
  WARef wa = MakeImage(kWAType8Grey, width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int kind = static_cast<int>(rng() % 4);
      wa->Row(y)[x] = kind == 0 ? 0 : kind == 1 ? static_cast<std::uint8_t>(rng() % 256) : 255;
    }
  return wa;
}

inline XFFACT Shifted(std::int64_t d, std::int64_t i, std::int64_t shift) {
  XFFACT f(d, i);
  f.shift(shift);
  return f;
}

// The core's pixels of `area`, row-major.
inline std::vector<std::uint32_t> CorePixels(const draw::RenderSettings& s, const RECT& area) {
  const std::ptrdiff_t w = area.right - area.left, h = area.bottom - area.top;
  std::vector<std::uint32_t> out(static_cast<std::size_t>(w * h), 0xDEADBEEF);
  draw::RenderRect(s, area, out.data(), w);
  return out;
}

// Byte-for-byte agreement of the core with the reference walk over `area`.
inline ::testing::AssertionResult MatchesReference(const draw::RenderSettings& s, const RECT& area) {
  const std::vector<std::uint32_t> core = CorePixels(s, area);
  const std::ptrdiff_t w = area.right - area.left;
  int mismatches = 0;
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  for (LONG v = area.top; v < area.bottom; ++v)
    for (LONG u = area.left; u < area.right; ++u) {
      const std::uint32_t want = draw::ReferencePixel(s, u, v);
      const std::uint32_t got = core[(v - area.top) * w + (u - area.left)];
      if (want != got && mismatches++ == 0) {
        result = ::testing::AssertionFailure() << "pixel " << u << "," << v << ": core " << std::hex << got
                                               << " reference " << want;
      }
    }
  if (mismatches) result << " (" << std::dec << mismatches << " pixels differ)";
  return result;
}

}  // namespace lumora::testing
