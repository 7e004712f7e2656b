// Seeded random image buffers and a byte-exact buffer comparison for the
// kernel tests that check fast paths against their references.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "engine/pixels/WAccess.h"

namespace lumora::testing {

// A buffer of the type and size whose every row byte (padding included) is
// random; palette types get a random palette.
inline WAPtr RandomBuffer(int type, int width, int height, std::mt19937& rng) {
  WAPtr wa = WAPtr::Adopt(NewWA(type, width, height, nullptr));
  if (!wa) return wa;
  std::uniform_int_distribution<int> byte(0, 255);
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < wa->GetBPLine(); ++i) wa->Row(y)[i] = static_cast<std::uint8_t>(byte(rng));
  }
  if (type != kWAType24 && type != kWAType8Grey) {
    PALETTEENTRY palette[256];
    for (auto& e : palette) {
      e = PALETTEENTRY{static_cast<BYTE>(byte(rng)), static_cast<BYTE>(byte(rng)),
                       static_cast<BYTE>(byte(rng)), 0};
    }
    wa->SetPaletteEntries(0, static_cast<std::uint16_t>(1 << wa->GetBPP()), palette);
  }
  return wa;
}

// A buffer from rows of bytes given top row first in `bytes` (row 0 of the
// buffer is the first row given), each row `rowBytes` long.
inline WAPtr BufferFromBytes(int type, int width, int height, const std::uint8_t* bytes,
                             int rowBytes) {
  WAPtr wa = WAPtr::Adopt(NewWA(type, width, height, nullptr));
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < rowBytes; ++i) wa->Row(y)[i] = bytes[y * rowBytes + i];
  }
  return wa;
}

// Same type and size and the same bytes in every row, padding included.
inline ::testing::AssertionResult SameBuffers(const VrWA2000::WA* a, const VrWA2000::WA* b) {
  if (a == nullptr || b == nullptr) return ::testing::AssertionFailure() << "missing buffer";
  if (a->GetType() != b->GetType() || a->GetW() != b->GetW() || a->GetH() != b->GetH()) {
    return ::testing::AssertionFailure()
           << "type/size " << a->GetType() << " " << a->GetW() << "x" << a->GetH() << " vs "
           << b->GetType() << " " << b->GetW() << "x" << b->GetH();
  }
  for (int y = 0; y < a->GetH(); ++y) {
    for (int i = 0; i < a->GetBPLine(); ++i) {
      if (a->Row(y)[i] != b->Row(y)[i]) {
        return ::testing::AssertionFailure() << "row " << y << " byte " << i << ": "
                                             << int{a->Row(y)[i]} << " vs " << int{b->Row(y)[i]};
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Same type and size and the same pixels; the bits after a row's last pixel
// are not compared.
inline ::testing::AssertionResult SamePixels(const VrWA2000::WA* a, const VrWA2000::WA* b) {
  if (a == nullptr || b == nullptr) return ::testing::AssertionFailure() << "missing buffer";
  if (a->GetType() != b->GetType() || a->GetW() != b->GetW() || a->GetH() != b->GetH()) {
    return ::testing::AssertionFailure() << "type or size differs";
  }
  const int bits = a->GetW() * a->GetBPP();
  for (int y = 0; y < a->GetH(); ++y) {
    for (int i = 0; i < (bits + 7) / 8; ++i) {
      const int used = bits - 8 * i >= 8 ? 8 : bits - 8 * i;
      const int mask = (0xFF00 >> used) & 0xFF;
      if (((a->Row(y)[i] ^ b->Row(y)[i]) & mask) != 0) {
        return ::testing::AssertionFailure() << "row " << y << " byte " << i;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace lumora::testing
