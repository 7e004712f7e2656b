// Shared by the layer tests: buffers filled with a pattern and small
// helpers to read pixels.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/layers/Layer.h"

namespace lumora::testing {

// A buffer whose byte i of row y is f(y, i).
inline WAPtr PatternBuffer(int type, int width, int height, const std::function<int(int, int)>& f) {
  WAPtr wa = WAPtr::Adopt(NewWA(type, width, height, nullptr));
  const int bytes = type == kWAType24 ? 3 * width : width;
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < bytes; ++i) wa->Row(y)[i] = static_cast<std::uint8_t>(f(y, i));
  }
  return wa;
}

inline WAPtr SolidBuffer(int type, int width, int height, int value) {
  return PatternBuffer(type, width, height, [value](int, int) { return value; });
}

inline bool AllBytes(const VrWA2000::WA* wa, int value) {
  const int bytes = wa->GetType() == kWAType24 ? 3 * wa->GetW() : wa->GetW();
  for (int y = 0; y < wa->GetH(); ++y) {
    for (int i = 0; i < bytes; ++i) {
      if (wa->Row(y)[i] != value) return false;
    }
  }
  return true;
}

inline LAYER_INFO DefaultInfo(const char* name = "Layer") {
  LAYER_INFO info;
  info.name = name;
  InitLayerInfo(info);
  return info;
}

// A layer of the type over `r` with the default attributes, with or
// without a mask.
inline CLayerPtr MakeLayer(int type, RECT r, bool mask) {
  return CLayerPtr::Adopt(new CLayer(&r, DefaultInfo(), type, mask ? 1 : 0));
}

}  // namespace lumora::testing
