// "maximum_effect": spreads light areas: the maximum over a window.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_maximum_effect =
    WindowFilterTool("maximum_effect", "&Other", "Ma&ximum", 21520, RunWindow<MaximumFilter>);

}  // namespace lumora::toolhost
