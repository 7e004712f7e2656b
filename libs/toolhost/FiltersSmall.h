// Fast paths of the window filters for small windows; each returns false
// (and writes nothing) when the window is not one it takes, and counts its
// rows on the poll (stopping early when it says so).
#pragma once

#include "libs/toolhost/Filters.h"

namespace lumora::toolhost {

bool SmallMinimum(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);
bool SmallMaximum(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);
bool SmallMean(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);
bool Median3x3(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);

}  // namespace lumora::toolhost
