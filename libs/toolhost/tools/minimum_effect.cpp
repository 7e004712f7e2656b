// "minimum_effect": spreads dark areas: the minimum over a window.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params) {
  return RunWindowFilter(MinimumFilter, src, dst, params);
}

}  // namespace

extern const ToolDescriptor kTool_minimum_effect = {
    "minimum_effect", "Other", "Mi&nimum", kProcessingTool, 21510,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    4, {kWindowParams[0], kWindowParams[1], kWindowParams[2], kWindowParams[3]},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
