// "vr_rsmooth": smooths by the mean over a window.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_vr_rsmooth =
    WindowFilterTool("vr_rsmooth", "&Blur", "&Smooth", 21500, RunWindow<MeanFilter>);

}  // namespace lumora::toolhost
