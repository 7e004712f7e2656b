// Fuzz target of a toolbar's saved layout, the state file and its image
// file as a bar reads them at start-up. Input: one byte of flags (bit 0:
// no image file), the state file's length (u32, little-endian, cut to what
// follows), the state file, then the image file. Any pair gives no state,
// the default bar, a damaged state or a layout a bar can have: sizes,
// counts and images within the bar's limits, every button's image in the
// strip. A layout that is applied writes and reads again to the same pair.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/Archive.h"
#include "fuzz/fuzz_target.h"
#include "ui/ToolbarState.h"
#include "ui/ToolbarStateFiles.h"

namespace {

using namespace lumora;

std::vector<std::uint8_t> StateBytes(const ToolbarStateRecord& state) {
  fw::MemFile memory;
  {
    fw::Archive ar(memory, fw::Archive::store);
    WriteToolbarState(ar, state);
    ar.Close();
  }
  return std::vector<std::uint8_t>(memory.Data(), memory.Data() + memory.GetLength());
}

void CheckApplied(const ToolbarLayoutPlan& plan) {
  const ToolbarStateRecord& s = plan.state;
  if (ToolbarStateFault(s) != nullptr || s.buttons.empty() || s.buttonWidth == 0 || s.buttonHeight == 0) __builtin_trap();
  if (s.buttonWidth > kMaxButtonSide || s.buttonHeight > kMaxButtonSide || s.buttons.size() > kMaxToolbarButtons) {
    __builtin_trap();
  }
  const ImageStrip& strip = plan.strip;
  if (plan.imageCount < 0 || !ImagesFitStrip(s, plan.imageCount)) __builtin_trap();
  if (strip.width < 0 || strip.height < 0 ||
      strip.pixels.size() != static_cast<std::size_t>(strip.width) * static_cast<std::size_t>(strip.height) ||
      strip.pixels.size() > kMaxStripPixels) {
    __builtin_trap();
  }
  if (plan.imageCount > 0 && (strip.height != s.imageHeight || strip.width != plan.imageCount * s.imageWidth)) {
    __builtin_trap();
  }
  // Saved again (as a bar saves what it shows), the pair reads the same.
  ToolbarStatePair again;
  again.stateFound = again.imagesFound = true;
  again.state = StateBytes(s);
  again.images = EncodeStripBitmap(strip, s.stamp);
  const ToolbarLayoutPlan second = PlanToolbarLayout(again);
  if (second.kind != ToolbarLayoutPlan::kApply || second.imageCount != plan.imageCount ||
      second.strip.pixels != strip.pixels || StateBytes(second.state) != again.state) {
    __builtin_trap();
  }
}

}  // namespace

LUMORA_FUZZ_TARGET(toolbar_state)(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const std::size_t stateLength = std::min<std::size_t>(
      size - 5, data[1] | data[2] << 8 | data[3] << 16 | static_cast<std::size_t>(data[4]) << 24);
  ToolbarStatePair pair;
  pair.stateFound = true;
  pair.state.assign(data + 5, data + 5 + stateLength);
  pair.imagesFound = (data[0] & 1) == 0;
  if (pair.imagesFound) pair.images.assign(data + 5 + stateLength, data + size);
  const ToolbarLayoutPlan plan = PlanToolbarLayout(pair);
  switch (plan.kind) {
    case ToolbarLayoutPlan::kNoState: __builtin_trap();
    case ToolbarLayoutPlan::kApply: CheckApplied(plan); break;
    default: break;
  }
  return 0;
}
