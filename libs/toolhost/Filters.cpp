// The tools' filters without a poll (the kernels are in FilterKernels.h).
// Mean, minimum and maximum are separable: down the columns of whole rows
// (running sums, van Herk / Gil-Werman extremes), then across each row. The
// median keeps a histogram per column (ConstantTimeMedian).
#include "libs/toolhost/Filters.h"

#include <cstdlib>

#include "libs/toolhost/FilterKernels.h"

namespace lumora::toolhost {

bool RowPoll::AskNow() {
  if (!stopped_ && ask_ != nullptr) stopped_ = ask_(context_, done_, total_ > done_ ? total_ : done_);
  next_ = stopped_ ? done_ : done_ + kBand;
  return stopped_;
}

void MeanFilter(const ConstImageView& src, const ImageView& dst, int w, int h) {
  NoPoll none;
  MeanImpl(src, dst, w, h, none);
}
void MinimumFilter(const ConstImageView& src, const ImageView& dst, int w, int h) {
  NoPoll none;
  MinimumImpl(src, dst, w, h, none);
}
void MaximumFilter(const ConstImageView& src, const ImageView& dst, int w, int h) {
  NoPoll none;
  MaximumImpl(src, dst, w, h, none);
}
void MedianFilter(const ConstImageView& src, const ImageView& dst, int w, int h) {
  NoPoll none;
  MedianImpl(src, dst, w, h, none);
}
void UnsharpFilter(const ConstImageView& src, const ImageView& dst, int w, int h, int amountQuarters) {
  NoPoll none;
  UnsharpImpl(src, dst, w, h, amountQuarters, none);
}
void OutlineFilter(const ConstImageView& src, const ImageView& dst, int w, int h) {
  NoPoll none;
  OutlineImpl(src, dst, w, h, none);
}
void EmbossFilter(const ConstImageView& src, const ImageView& dst, int angle, std::uint32_t colour) {
  NoPoll none;
  EmbossImpl(src, dst, angle, colour, none);
}
void NoiseFilter(const ConstImageView& src, const ImageView& dst, int amount, int share, int colour) {
  NoPoll none;
  NoiseImpl(src, dst, amount, share, colour, none);
}

void LimitChange(const ConstImageView& original, const ImageView& result, int threshold, int keepPercent) {
  const int keep = Clamp(keepPercent, 0, 100);
  if (threshold <= 0 && keep == 0) return;
  // change[d + 255]: what a difference d leaves, 0 within the threshold.
  std::int16_t change[511];
  for (int d = -255; d <= 255; ++d) {
    const int q = d * (100 - keep);
    const int kept = q >= 0 ? (q + 50) / 100 : -((-q + 50) / 100);
    change[d + 255] = static_cast<std::int16_t>(std::abs(d) <= threshold ? 0 : kept);
  }
  const int bytes = original.width * original.channels;
  for (int y = 0; y < original.height; ++y) {
    const std::uint8_t* o = original.Row(y);
    std::uint8_t* r = result.Row(y);
    for (int i = 0; i < bytes; ++i) r[i] = static_cast<std::uint8_t>(o[i] + change[r[i] - o[i] + 255]);
  }
}

}  // namespace lumora::toolhost
