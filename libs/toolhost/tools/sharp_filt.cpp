// "sharp_filt": unsharp masking against the window's mean, amount 1.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

void Sharpen(const ConstImageView& src, const ImageView& dst, int w, int h) { UnsharpFilter(src, dst, w, h, 4); }

int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params) {
  return RunWindowFilter(Sharpen, src, dst, params);
}

}  // namespace

extern const ToolDescriptor kTool_sharp_filt = {
    "sharp_filt", "Sharpen", "&Sharpen", kProcessingTool, 21540,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    4, {kWindowParams[0], kWindowParams[1], kWindowParams[2], kWindowParams[3]},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
