// "median_filt": removes noise by the median over a window.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_median_filt =
    WindowFilterTool("median_filt", "&Noise", "&Median", 21530, RunWindow<MedianFilter>);

}  // namespace lumora::toolhost
