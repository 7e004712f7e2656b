// "outline_filt": dark outlines on white, the Sobel gradient of the window's mean.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_outline_filt =
    WindowFilterTool("outline_filt", "St&ylize", "&Outline", 21560, RunWindow<OutlineFilter>);

}  // namespace lumora::toolhost
