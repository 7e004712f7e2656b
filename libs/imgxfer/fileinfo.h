// The facts the file-information box shows, read from a file's headers.
#pragma once

#include <cstdint>
#include <string>

namespace lumora::imgxfer {

struct FileFacts {
  std::string format;  // the codec's description
  int width = 0, height = 0, type = 0;
  int colours = 0;  // palette entries, 0 for true colour
  int xDpi = 0, yDpi = 0;
  std::uint64_t fileSize = 0;
};

// Reads the headers only; false with `error` set when the file is no image
// the library reads.
bool ReadFileFacts(const std::string& path, FileFacts* facts, std::string* error);
// The facts as "Label:\tvalue" lines ended by "\r\n".
std::string DescribeFileFacts(const FileFacts& facts);

}  // namespace lumora::imgxfer
