// "sharp_filt": unsharp masking against the window's mean, amount 1.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_sharp_filt =
    WindowFilterTool("sharp_filt", "S&harpen", "&Sharpen", 21540, RunWindow<SharpenBy<4>>);

}  // namespace lumora::toolhost
