// The size texts of the export dialogs' "Uncompressed:" and "Compressed:"
// fields.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

// "%d b" below 1024 bytes; then kilobytes and from 1048576 on megabytes, as
// " %i Kb" for a whole number or " w.ttt Kb" with the thousandths
// (truncated) written without trailing zeros.
std::string FormatSizeText(std::uint64_t bytes);

}  // namespace lumora
