// Own parameters of a tool by format letter.
#include "libs/toolhost/ParamValue.h"

#include <algorithm>
#include <cstring>

#include "hostapi/toolhost.h"

namespace lumora::toolhost {

namespace {

bool InRange(const ToolParam& param, std::int32_t v) {
  if (param.format == 'c') return static_cast<std::uint32_t>(v) <= static_cast<std::uint32_t>(param.maximum);
  return v >= param.minimum && v <= param.maximum;
}

}  // namespace

int ParamDimension(const ToolParam& param) {
  switch (param.format) {
    case 'p': return 2;
    case 'r': return 4;
    default: return 1;
  }
}

void SetParamDefault(const ToolParam& param, ParamValue& value) {
  value.scalar = param.defaultValue;
  std::fill(std::begin(value.numbers), std::end(value.numbers), param.defaultValue);
  if (param.format == 'p') value.numbers[1] = param.defaultY;
  value.text.clear();
}

bool StoreParamValue(const ToolParam& param, const void* source, ParamValue& value) {
  if (param.format == 's') {
    const auto* text = static_cast<const char*>(source);
    const std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(std::max(param.maximum, 0)),
                                                    kLUParamTextSize - 1);
    // Reads at most one byte past the limit: the text may be unterminated.
    const std::size_t length = strnlen(text, limit + 1);
    if (length > limit) return false;
    value.text.assign(text, length);
    return true;
  }
  const int count = param.format == 'p' || param.format == 'r' ? ParamDimension(param) : 1;
  std::int32_t read[4];
  std::memcpy(read, source, sizeof(std::int32_t) * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    if (!InRange(param, read[i])) return false;
  if (count == 1)
    value.scalar = read[0];
  else
    std::copy(read, read + count, value.numbers);
  return true;
}

void LoadParamValue(const ToolParam& param, const ParamValue& value, void* out) {
  switch (param.format) {
    case 's': {
      char* text = static_cast<char*>(out);
      std::memcpy(text, value.text.data(), value.text.size());
      text[value.text.size()] = 0;
      return;
    }
    case 'p':
    case 'r':
      std::memcpy(out, value.numbers, sizeof(std::int32_t) * static_cast<std::size_t>(ParamDimension(param)));
      return;
    default:
      std::memcpy(out, &value.scalar, sizeof value.scalar);
      return;
  }
}

}  // namespace lumora::toolhost
