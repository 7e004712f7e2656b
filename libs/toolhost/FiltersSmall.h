// Fast paths of the window filters for small windows; each returns false
// (and writes nothing) when the window is not one it takes.
#pragma once

#include "libs/toolhost/Filters.h"

namespace lumora::toolhost {

bool SmallMinimum(const ConstImageView& src, const ImageView& dst, int w, int h);
bool SmallMaximum(const ConstImageView& src, const ImageView& dst, int w, int h);
bool SmallMean(const ConstImageView& src, const ImageView& dst, int w, int h);
bool Median3x3(const ConstImageView& src, const ImageView& dst, int w, int h);

}  // namespace lumora::toolhost
