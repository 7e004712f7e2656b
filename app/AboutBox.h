// The About box's figures, formatted without a window.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

// The free-disk text: `format` (the string table's "%lu KB Free on %c:")
// with the free kilobytes counted in 64 bits (a 32-bit "%lu" wraps above
// 4 TiB) and the drive letter. The format's integer conversion takes the
// kilobytes, "%c" the letter, "%%" a percent sign.
std::string FormatDiskFree(const std::string& format, std::uint64_t freeBytes, char drive);

}  // namespace lumora
