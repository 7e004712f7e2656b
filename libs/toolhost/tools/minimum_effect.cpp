// "minimum_effect": spreads dark areas: the minimum over a window.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_minimum_effect =
    WindowFilterTool("minimum_effect", "&Other", "Mi&nimum", 21510, RunWindow<MinimumFilter>);

}  // namespace lumora::toolhost
