// "vr_rsmooth": smooths the image by the mean over a window.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params) {
  return RunWindowFilter(MeanFilter, src, dst, params);
}

}  // namespace

extern const ToolDescriptor kTool_vr_rsmooth = {
    "vr_rsmooth", "Blur", "&Smooth", kProcessingTool, 21500,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    4, {kWindowParams[0], kWindowParams[1], kWindowParams[2], kWindowParams[3]},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
