// Text rasterising where the platform offers no fonts (the portable build):
// text fragments keep their font and text and cover nothing.
#ifndef _WIN32

#include "libs/fragment/text_fragment.h"

namespace lumora::frg {

bool RasterizeText(const LOGFONTA&, const std::string&, TextBitmap*) { return false; }

}  // namespace lumora::frg

#endif
