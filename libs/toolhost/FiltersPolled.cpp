// The filters' forms with a poll: the kernels counting their rows on a
// RowPoll (see FilterKernels.h).
#include "libs/toolhost/FilterKernels.h"

namespace lumora::toolhost {

bool MeanFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) { return MeanImpl(src, dst, w, h, poll); }
bool MinimumFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) { return MinimumImpl(src, dst, w, h, poll); }
bool MaximumFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) { return MaximumImpl(src, dst, w, h, poll); }
bool MedianFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) { return MedianImpl(src, dst, w, h, poll); }
bool UnsharpFilter(const ConstImageView& src, const ImageView& dst, int w, int h, int amountQuarters, RowPoll& poll) { return UnsharpImpl(src, dst, w, h, amountQuarters, poll); }
bool OutlineFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll) { return OutlineImpl(src, dst, w, h, poll); }
bool EmbossFilter(const ConstImageView& src, const ImageView& dst, int angle, std::uint32_t colour, RowPoll& poll) { return EmbossImpl(src, dst, angle, colour, poll); }
bool NoiseFilter(const ConstImageView& src, const ImageView& dst, int amount, int share, int colour, RowPoll& poll) { return NoiseImpl(src, dst, amount, share, colour, poll); }

}  // namespace lumora::toolhost
