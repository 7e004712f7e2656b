// Shared by the row-loop tests: running a test body once per implementation
// level, and seeded random rows.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/blend/CompositeRows.h"

namespace lumora::testing {

// Sets a level for a scope and restores the previous one.
class LevelScope {
 public:
  explicit LevelScope(CompositeLevel level) : previous_(GetCompositeLevel()) {
    SetCompositeLevel(level);
  }
  ~LevelScope() { SetCompositeLevel(previous_); }
  LevelScope(const LevelScope&) = delete;
  LevelScope& operator=(const LevelScope&) = delete;

 private:
  CompositeLevel previous_;
};

inline std::vector<CompositeLevel> AvailableLevels() {
  std::vector<CompositeLevel> levels;
  for (int l = 0; l <= static_cast<int>(BestCompositeLevel()); ++l) {
    levels.push_back(static_cast<CompositeLevel>(l));
  }
  return levels;
}

inline std::string LevelName(CompositeLevel level) {
  switch (level) {
    case CompositeLevel::kGeneric:
      return "generic";
    case CompositeLevel::kSse2:
      return "sse2";
    case CompositeLevel::kAvx2:
      return "avx2";
  }
  return "?";
}

// The blend record of a layer in the mode at the opacity (0..255).
inline BlendContext BlendLayer(int mode, int opacity) {
  BlendContext ctx;
  ctx.mergeMode = mode;
  ctx.SetOpacity(static_cast<std::uint8_t>(opacity));
  return ctx;
}

inline std::vector<std::uint8_t> RandomBytes(std::mt19937& rng, std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

// Coverage with the values that take different paths: 0, 255 and between.
inline std::vector<std::uint8_t> RandomCoverage(std::mt19937& rng, std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) {
    const unsigned r = rng() % 4;
    b = r == 0 ? 0 : r == 1 ? 255 : static_cast<std::uint8_t>(rng());
  }
  return v;
}

}  // namespace lumora::testing
