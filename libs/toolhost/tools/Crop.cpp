// "Crop_Tool": the interactive crop of Image/Crop... (see CropTool.h).
#include "libs/toolhost/CropTool.h"
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

// Nothing to run: the tool crops through its hook.
int Execute(const ConstImageView&, const ImageView&, const std::int32_t*, RowPoll&) { return kLUErrNotFromScript; }

}  // namespace

// A hidden group keeps it out of the Tools menu; Image/Crop... opens it.
extern const ToolDescriptor kTool_Crop = {
    "Crop_Tool", "Hidden Group", "&Crop", kInteractiveTool, 21900,
    {0, 0, 0, 0, 0},
    1, {{'d', 0, 0, 1}},
    Execute, NoToolHelp, CropToolActivate};

}  // namespace lumora::toolhost
