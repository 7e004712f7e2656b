// Where each control bar sits (docked side or floating place, shown or
// hidden), saved to and restored from the settings, one section per bar.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Profile.h"

namespace fw {

enum class DockSide : std::uint8_t { kTop = 0, kLeft = 1, kRight = 2, kBottom = 3, kFloating = 4 };

// The dock bar id of a side (59419 … 59423).
std::uint32_t DockBarId(DockSide side);

struct BarState {
  std::uint32_t barId = 0;
  bool visible = true;
  DockSide side = DockSide::kTop;
  std::int32_t floatX = 0;  // floating position, screen coordinates
  std::int32_t floatY = 0;
  std::int32_t order = 0;  // place among the bars of the same side
  std::int32_t row = 0;    // row of the side it shares with the bars of the same row
};

// Sections are "<prefix>-Bar<n>" with a "<prefix>-Summary" holding the count.
void SaveBarStates(Profile& store, const std::string& prefix, const std::vector<BarState>& bars);
// Missing or malformed entries leave a bar out; sides out of range are dropped.
std::vector<BarState> LoadBarStates(Profile& store, const std::string& prefix);

}  // namespace fw
