// "sharp_filt": unsharp masking against the window's mean, amount 1.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

void Sharpen(const ConstImageView& src, const ImageView& dst, int w, int h) { UnsharpFilter(src, dst, w, h, 4); }

}  // namespace

extern const ToolDescriptor kTool_sharp_filt =
    WindowFilterTool("sharp_filt", "Sharpen", "&Sharpen", 21540, RunWindow<Sharpen>);

}  // namespace lumora::toolhost
