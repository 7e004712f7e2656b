// "contrast_adj": Image/Adjust/Contrast, each channel's distance from the
// middle grey (128) scaled by 100 + contrast per cent.
#include "libs/toolhost/Registry.h"
#include "libs/toolhost/tools/LevelTables.h"

namespace lumora::toolhost {
namespace {

// (contrast % -100..100)
int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  LevelTable table;
  for (int v = 0; v < 256; ++v) table[v] = ClampByte(MixPercent(128, v, 100 + params[0]));
  return ApplyLevelTable(src, dst, table, poll) ? 0 : kToolStopped;
}

}  // namespace

extern const ToolDescriptor kTool_contrast_adj = {
    "contrast_adj", ":4", "&Contrast", kProcessingTool, 21630,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    1, {{'d', 20, -100, 100}},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
