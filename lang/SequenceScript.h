// The image-sequence script: one tool rendered over n frames into a
// numbered sequence of files, its arguments interpolated frame by frame.
#pragma once

#include <string>
#include <string_view>

#include "lang/Script.h"

namespace lang {

// Kinds: 0 device-independent bitmap, 1 TARGA, 2 JPEG. Appends the script
// to `lines`; false (with the lines so far kept) when an argument cannot be
// interpolated; any other kind appends nothing.
bool MakeSequenceScript(LineList& lines, std::string_view toolName, std::string_view basePath, int kind, int frames,
                        std::string_view format, std::string_view startArguments, std::string_view endArguments);

// The tool's argument text for frame `frame` of `frames`: the start text at
// 0, the end text at `frames`, linear in between (truncating), colours,
// points and rectangles component by component, strings switching at half
// way. The scan stops at the shorter of the two texts. False when a value
// of either text does not convert by its conversion.
bool InterpolateArguments(std::string_view startArguments, std::string_view endArguments, std::string_view format,
                          int frame, int frames, std::string& out);

}  // namespace lang
