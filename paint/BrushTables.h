// Sine and cosine per whole degree, scaled by 4096 and truncated toward
// zero, with pi taken as 3.14159: the brushes' rotation tables.
#pragma once

#include <cstdint>

namespace paint {

constexpr int kTrigScale = 4096;
// 361 sine entries (0..360 degrees) and 360 cosine entries (0..359).
const std::int32_t* SineTable();
const std::int32_t* CosineTable();
// Any angle in degrees (negative too) brought into 0..359.
int NormalizeAngle(int degrees);

}  // namespace paint
