// The value of one of a tool's own parameters, by its format letter: an
// integer ('d') or colour ('c') in `scalar`, a point ('p', two values) or
// rectangle ('r', left, top, right, bottom) in `numbers`, a text ('s').
#pragma once

#include <cstdint>
#include <string>

#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

struct ParamValue {
  std::int32_t scalar = 0;
  std::int32_t numbers[4] = {};
  std::string text;
};

// How many values the parameter holds: 2 for a point, 4 for a rectangle,
// else 1.
int ParamDimension(const ToolParam& param);
// The parameter's default: the default value in every number (a point's y
// its own), an empty text.
void SetParamDefault(const ToolParam& param, ParamValue& value);
// Stores `source` as the format reads it ('d', 'c': const int32*; 'p', 'r':
// const int32[2] / [4], each number within the range; 's': a NUL-ended text
// of at most `maximum` bytes, and never more than kLUParamTextSize - 1).
// false, with `value` unchanged, when out of range.
bool StoreParamValue(const ToolParam& param, const void* source, ParamValue& value);
// Writes the value as StoreParamValue reads it; a text into a buffer of
// kLUParamTextSize bytes, NUL-ended.
void LoadParamValue(const ToolParam& param, const ParamValue& value, void* out);

}  // namespace lumora::toolhost
