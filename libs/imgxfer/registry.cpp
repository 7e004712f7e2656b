// The table of codecs, in the order of the format lists, and how a file
// finds its codec.
#include <algorithm>
#include <cctype>

#include "libs/imgxfer/codec.h"

namespace lumora::imgxfer {

const std::vector<const Codec*>& AllCodecs() {
  static const std::vector<const Codec*> codecs = {&kBmpCodec, &kPngCodec, &kJpegCodec,
                                                   &kGifCodec, &kTgaCodec, &kTiffCodec};
  return codecs;
}

namespace {

std::string LowerExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

bool PatternsHold(const char* patterns, const std::string& ext) {
  std::string list = patterns;
  std::transform(list.begin(), list.end(), list.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (list.compare(start, end - start, "*." + ext) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

const Codec* CodecForExtension(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (ext.empty()) return nullptr;
  for (const Codec* codec : AllCodecs()) {
    if (PatternsHold(codec->patterns, ext)) return codec;
  }
  return nullptr;
}

const Codec* CodecForContent(const std::uint8_t* data, std::size_t size, const std::string& path) {
  for (const Codec* codec : AllCodecs()) {
    if (codec->matches != nullptr && codec->matches(data, size)) return codec;
  }
  const Codec* byExtension = CodecForExtension(path);
  return byExtension != nullptr && byExtension->matches == nullptr ? byExtension : nullptr;
}

}  // namespace lumora::imgxfer
