// The random source of the brushes (dither patterns, random angles, jitter,
// airbrush dots): injected so that a seeded stroke repeats exactly.
#pragma once

#include <cstdint>
#include <random>

class BrushRandom {
 public:
  virtual ~BrushRandom() = default;
  // A uniformly distributed 32-bit value.
  virtual std::uint32_t Next() = 0;
  // A value in 0 .. range - 1 (range > 0); the full 32-bit draw keeps large
  // ranges such as every pixel of a 299 x 299 dab reachable.
  std::uint32_t Below(std::uint32_t range) { return Next() % range; }
};

// The program's generator: seeded once, 32 bits per draw.
class SeededBrushRandom final : public BrushRandom {
 public:
  explicit SeededBrushRandom(std::uint32_t seed) : engine_(seed) {}
  std::uint32_t Next() override { return static_cast<std::uint32_t>(engine_()); }

 private:
  std::mt19937 engine_;
};
