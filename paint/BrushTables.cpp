// Rotation tables of the brushes.
#include "paint/BrushTables.h"

#include <array>
#include <cmath>

namespace paint {
namespace {

constexpr double kRadiansPerDegree = 0.01745327777777778;  // 3.14159 / 180

struct TrigTables {
  std::array<std::int32_t, 361> sine{};
  std::array<std::int32_t, 360> cosine{};
  TrigTables() {
    for (int i = 0; i <= 360; ++i) {
      sine[i] = static_cast<std::int32_t>(std::sin(i * kRadiansPerDegree) * kTrigScale);
    }
    for (int i = 0; i < 360; ++i) {
      cosine[i] = static_cast<std::int32_t>(std::cos(i * kRadiansPerDegree) * kTrigScale);
    }
  }
};

const TrigTables& Tables() {
  static const TrigTables tables;
  return tables;
}

}  // namespace

const std::int32_t* SineTable() { return Tables().sine.data(); }
const std::int32_t* CosineTable() { return Tables().cosine.data(); }

int NormalizeAngle(int degrees) {
  const int rest = degrees % 360;
  return rest < 0 ? rest + 360 : rest;
}

}  // namespace paint
