// "posterize_adj": Image/Adjust/Posterize, each channel rounded to the
// nearest of a number of evenly spaced levels.
#include "libs/toolhost/Registry.h"
#include "libs/toolhost/tools/LevelTables.h"

namespace lumora::toolhost {
namespace {

// (levels 2..255)
int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  const int steps = params[0] - 1;
  LevelTable table;
  for (int v = 0; v < 256; ++v) {
    const int level = (v * steps + 127) / 255;
    table[v] = static_cast<std::uint8_t>((level * 255 + steps / 2) / steps);
  }
  return ApplyLevelTable(src, dst, table, poll) ? 0 : kToolStopped;
}

}  // namespace

extern const ToolDescriptor kTool_posterize_adj = {
    "posterize_adj", ":4", "&Posterize", kProcessingTool, 21640,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    1, {{'d', 4, 2, 255}},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
