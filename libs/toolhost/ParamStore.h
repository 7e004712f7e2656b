// The data file ("LUMODB.DAT") that keeps each tool's last parameters.
// Layout, little-endian: "LUDB", version (16 bits, 1), record count (16
// bits); per record: id name length (8 bits), the name, parameter count
// (8 bits), the parameters (32 bits each).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora::toolhost {

struct StoredParams {
  std::string idName;
  std::vector<std::int32_t> params;
};

// The file's records; empty for a missing or damaged file.
std::vector<StoredParams> ReadParamStore(const std::string& path);
// Replaces the tool's record (or adds it) and writes the file anew, never
// leaving a half-written one; false with `error` set.
bool WriteToolParams(const std::string& path, const StoredParams& record, std::string* error);

}  // namespace lumora::toolhost
