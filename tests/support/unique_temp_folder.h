// A new, empty folder in the temporary directory. Tests run in parallel
// processes whose seeds, counters and (under the sanitizers) heap addresses
// repeat, so the name is random and remade until the folder is really new:
// one test never removes another's folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

namespace lumora::testing {

inline std::filesystem::path MakeUniqueTempFolder(const std::string& prefix) {
  std::random_device random;
  for (;;) {
    const std::uint64_t tag = (std::uint64_t{random()} << 32) ^ random();
    std::filesystem::path path = std::filesystem::temp_directory_path() / (prefix + std::to_string(tag));
    if (std::filesystem::create_directories(path)) return path;
  }
}

}  // namespace lumora::testing
