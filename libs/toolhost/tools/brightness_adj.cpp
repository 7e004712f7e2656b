// "brightness_adj": Image/Adjust/Brightness, a value added to each channel.
#include "libs/toolhost/Registry.h"
#include "libs/toolhost/tools/LevelTables.h"

namespace lumora::toolhost {
namespace {

// (brightness -255..255)
int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  LevelTable table;
  for (int v = 0; v < 256; ++v) table[v] = ClampByte(v + params[0]);
  return ApplyLevelTable(src, dst, table, poll) ? 0 : kToolStopped;
}

}  // namespace

extern const ToolDescriptor kTool_brightness_adj = {
    "brightness_adj", ":4", "&Brightness", kProcessingTool, 21620,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    1, {{'d', 20, -255, 255}},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
