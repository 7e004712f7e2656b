// "emboss_effect": the difference along a direction, over a given colour.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

// (angle in degrees, colour)
int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  return EmbossFilter(src, dst, params[0], static_cast<std::uint32_t>(params[1]), poll) ? 0 : kToolStopped;
}

}  // namespace

extern const ToolDescriptor kTool_emboss_effect = {
    "emboss_effect", "Stylize", "&Emboss", kProcessingTool, 21570,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    2, {{'d', 135, -360, 360}, {'c', 0x808080, 0, 0xFFFFFF}},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
