// "Noise": uniform noise on a share of the pixels, in grey or colour.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

// (amount %, share of pixels %, colour %)
int Execute(const ConstImageView& src, const ImageView& dst, const std::int32_t* params, RowPoll& poll) {
  return NoiseFilter(src, dst, params[0], params[1], params[2], poll) ? 0 : kToolStopped;
}

}  // namespace

extern const ToolDescriptor kTool_Noise = {
    "Noise", "&Noise", "Add &Noise", kProcessingTool, 21580,
    {kCapsGreyAndColour[0], kCapsGreyAndColour[1], kCapsGreyAndColour[2], kCapsGreyAndColour[3], kCapsGreyAndColour[4]},
    3, {{'d', 10, 0, 100}, {'d', 100, 0, 100}, {'d', 0, 0, 100}},
    Execute, NoToolHelp};

}  // namespace lumora::toolhost
