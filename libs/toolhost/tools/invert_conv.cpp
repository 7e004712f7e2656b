// "invert_conv": Image/Convert/Invert, each channel mixed toward its
// negative by an amount.
#include "libs/toolhost/Registry.h"
#include "libs/toolhost/tools/LevelTables.h"

namespace lumora::toolhost {
namespace {

// (amount %)
int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  LevelTable table;
  for (int v = 0; v < 256; ++v) table[v] = static_cast<std::uint8_t>(MixPercent(v, 255 - v, params[0]));
  return ApplyLevelTable(src, dst, table, poll) ? 0 : kToolStopped;
}

}  // namespace

extern const ToolDescriptor kTool_invert_conv = {
    "invert_conv", ":3", "&Invert", kProcessingTool, 21610,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    1, {{'d', 100, 0, 100}},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
