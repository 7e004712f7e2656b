// "heavysharp_filt": unsharp masking against the window's mean, amount 2.5.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_heavysharp_filt =
    WindowFilterTool("heavysharp_filt", "S&harpen", "Sharpen &More", 21550, RunWindow<SharpenBy<10>>);

}  // namespace lumora::toolhost
