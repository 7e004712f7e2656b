// "heavysharp_filt": unsharp masking against the window's mean, amount 2.5.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

void Sharpen(const ConstImageView& src, const ImageView& dst, int w, int h) { UnsharpFilter(src, dst, w, h, 10); }

}  // namespace

extern const ToolDescriptor kTool_heavysharp_filt =
    WindowFilterTool("heavysharp_filt", "Sharpen", "Sharpen &More", 21550, RunWindow<Sharpen>);

}  // namespace lumora::toolhost
