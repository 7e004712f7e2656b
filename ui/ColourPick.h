// The colour a pick over an image takes: the mean of the pixels of an
// image rectangle whose composite coverage is not zero.
#pragma once

#include <cstdint>

#include "hostapi/imagebuf.h"
#include "platform/win32types.h"

namespace lumora {

// `rect` in image coordinates with both edges included (left <= right,
// top <= bottom; clipped to the image). `coverage`, 8-bit of the image's
// size, may be null (a flat image covers everything). A 1-bit image counts
// a set pixel white and a clear one black, a grey image three equal
// channels, a palette image its palette entry, a true-colour image its
// three channels; each channel's sum divided by the count (truncating).
// -1 when nothing is counted: no pixel, or none with coverage (the pick
// then keeps the colour as it was).
std::int64_t MeanCoveredColour(const VrWA2000::WA& image, const VrWA2000::WA* coverage, RECT rect);

}  // namespace lumora
