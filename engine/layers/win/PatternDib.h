// The transparency pattern (bitmap resource 322 of the program) as a
// packed DIB at the depth of an image buffer: the loader the program
// installs with lumora::SetPatternDibLoader.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/pixels/WAccess.h"

inline constexpr int kPatternBitmapId = 322;

// Empty for a null image or when the module has no such bitmap.
std::vector<std::uint8_t> LoadPatternDIB(const VrWA2000::WA* like);
