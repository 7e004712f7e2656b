// Inside the row loops: the per-row set-up and span dispatch shared by the
// plain and the rider loops.
#pragma once

#include "engine/blend/CompositeKernels.h"

namespace lumora::detail {

SpanSetup MakeSpanSetup(const BlendContext& layer, bool merge);
// Runs one span on the current level (n <= 0 does nothing).
void RunSpan(const SpanSetup& setup, const SpanArgs& args, int bytesPerPixel);

}  // namespace lumora::detail
