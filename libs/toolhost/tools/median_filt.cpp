// "median_filt": removes noise by the median over a window.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params) {
  return RunWindowFilter(MedianFilter, src, dst, params);
}

}  // namespace

extern const ToolDescriptor kTool_median_filt = {
    "median_filt", "Noise", "&Median", kProcessingTool, 21530,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    4, {kWindowParams[0], kWindowParams[1], kWindowParams[2], kWindowParams[3]},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
