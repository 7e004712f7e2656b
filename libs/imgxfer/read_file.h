// Reading a file from disk and from memory, shared by the entry points and
// the file information.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "libs/imgxfer/codec.h"

namespace lumora::imgxfer {

// The whole file; false with `message` set when it cannot be read (or,
// with a claim, when the memory cap refuses its size).
bool LoadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* message,
                   MemoryClaim* claim = nullptr);
ImExpStatus ReadImageFile(const std::string& path, CAbstractReadWA& adapter, CProgress* progress,
                          std::string* message);

}  // namespace lumora::imgxfer
