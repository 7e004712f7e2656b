// The image-sequence script writer.
#include "lang/SequenceScript.h"

#include <cstdint>
#include <cstdio>

#include "lang/Lexer.h"

namespace lang {

namespace {

struct SequenceNames {
  const char* begin;
  const char* add;
  const char* end;
};

constexpr SequenceNames kSequenceNames[3] = {
    {"BeginDIBSeq", "AddToDIBSeq", "EndDIBSeq"},
    {"BeginTARGASeq", "AddToTARGASeq", "EndTARGASeq"},
    {"BeginJPEGSeq", "AddToJPEGSeq", "EndJPEGSeq"},
};

// start + (end - start) * frame / frames, truncated toward zero.
std::int32_t Between(std::int64_t start, std::int64_t end, int frame, int frames) {
  return static_cast<std::int32_t>(start + (end - start) * frame / frames);
}

std::string Group(const std::int32_t* values, int count) {
  std::string out = "{";
  for (int i = 0; i < count; ++i) out += (i > 0 ? "," : "") + std::to_string(values[i]);
  return out + "}";
}

// One interpolated value; false when either token does not convert.
bool InterpolateValue(const std::string& startToken, const std::string& endToken, const std::string& conversion, int frame,
                      int frames, std::string& out) {
  if (conversion == "%s") {
    out += frame < frames / 2 ? startToken : endToken;
    return true;
  }
  LangValue a, b;
  if (!ConvertArgument(startToken, conversion, a) || !ConvertArgument(endToken, conversion, b)) return false;
  if (conversion == "%d") {
    out += std::to_string(Between(a.number, b.number, frame, frames));
  } else if (conversion == "%c") {
    std::int32_t rgb[3];
    for (int k = 0; k < 3; ++k)
      rgb[k] = Between((a.color >> (8 * k)) & 0xFF, (b.color >> (8 * k)) & 0xFF, frame, frames);
    out += Group(rgb, 3);
  } else {
    const int count = conversion == "%p" ? 2 : 4;
    std::int32_t v[4];
    for (int k = 0; k < count; ++k) v[k] = Between(a.numbers[k], b.numbers[k], frame, frames);
    out += Group(v, count);
  }
  return true;
}

}  // namespace

bool InterpolateArguments(std::string_view startArguments, std::string_view endArguments, std::string_view format,
                          int frame, int frames, std::string& out) {
  if (frame == 0) {
    out.assign(startArguments);
    return true;
  }
  if (frame == frames) {
    out.assign(endArguments);
    return true;
  }
  if (frames <= 0) return false;
  out.clear();
  std::string_view startFormat = format, endFormat = format;
  std::string startToken, endToken, startSpec, endSpec;
  for (bool first = true;; first = false) {
    if (!ScanNextArgument(startArguments, startFormat, startToken, startSpec) ||
        !ScanNextArgument(endArguments, endFormat, endToken, endSpec))
      return true;
    if (!first) out += ",";
    if (!InterpolateValue(startToken, endToken, startSpec, frame, frames, out)) return false;
  }
}

bool MakeSequenceScript(LineList& lines, std::string_view toolName, std::string_view basePath, int kind, int frames,
                        std::string_view format, std::string_view startArguments, std::string_view endArguments) {
  if (kind < 0 || kind > 2) return false;
  const SequenceNames& names = kSequenceNames[kind];
  lines.push_back("SelectWholeImage();");
  lines.push_back(std::string(names.begin) + "(" + QuoteLangString(basePath) + ");");
  std::string arguments;
  for (int i = 1; i <= frames; ++i) {
    if (!InterpolateArguments(startArguments, endArguments, format, i, frames, arguments)) return false;
    lines.push_back(std::string(toolName) + "(" + arguments + ");");
    lines.push_back(std::string(names.add) + "();");
    lines.push_back("Undo();");
  }
  lines.push_back(std::string(names.end) + "();");
  return true;
}

}  // namespace lang
