// Helpers of the fragment tests: owned handles and coverage read-outs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "hostapi/fragment.h"

namespace lumora::testing {

struct FragmentDeleter {
  void operator()(Fragment* f) const { DeleteFragment(f); }
};
using FrgPtr = std::unique_ptr<Fragment, FragmentDeleter>;

inline LURECT R(int x, int y, int w, int h) { return LURECT{x, y, w, h}; }

// Coverage bytes of a rectangle of the plane, row 0 (its lowest row) first.
struct Coverage {
  LURECT rect{};
  std::vector<std::uint8_t> bytes;

  int At(int x, int y) const {
    return bytes[static_cast<std::size_t>((y - rect.y) * rect.width + (x - rect.x))];
  }
  long long Sum() const {
    long long s = 0;
    for (std::uint8_t b : bytes) s += b;
    return s;
  }
};

// The bytes of a mask fragment's buffer over its mask rectangle.
inline Coverage MaskBytes(const Fragment* mask) {
  Coverage c;
  GetMaskRect(mask, &c.rect);
  VrWA2000::WA* wa = GetMaskWA(mask);
  for (int j = 0; j < c.rect.height; ++j) {
    c.bytes.insert(c.bytes.end(), wa->Row(j), wa->Row(j) + c.rect.width);
  }
  wa->Release();
  return c;
}

// The shape of f (its own inversion left out) over `rect`, drawn with code 14
// into an empty mask.
inline Coverage ShapeOver(const Fragment* f, const LURECT& rect) {
  FrgPtr mask(CreateEmptyMask(&rect));
  PutFragmentToMask(mask.get(), f, kFrgAdd);
  return MaskBytes(mask.get());
}

// What a mask fragment selects at (x, y), its inversion included.
inline int Selected(const Fragment* mask, int x, int y) {
  LURECT r;
  GetMaskRect(mask, &r);
  const int inverted = IsFrgInverted(mask);
  if (x < r.x || y < r.y || x >= r.x + r.width || y >= r.y + r.height) return inverted ? 255 : 0;
  VrWA2000::WA* wa = GetMaskWA(mask);
  const int v = wa->Row(y - r.y)[x - r.x];
  wa->Release();
  return inverted ? 255 - v : v;
}

}  // namespace lumora::testing
