// "outline_filt": dark outlines on white, the Sobel gradient of the window's
// mean.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params) {
  return RunWindowFilter(OutlineFilter, src, dst, params);
}

}  // namespace

extern const ToolDescriptor kTool_outline_filt = {
    "outline_filt", "Stylize", "&Outline", kProcessingTool, 21560,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    4, {kWindowParams[0], kWindowParams[1], kWindowParams[2], kWindowParams[3]},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
