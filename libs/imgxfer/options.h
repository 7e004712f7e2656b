// The save options record: defaults, its versioned storage and where it
// is kept between runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostapi/imgxfer.h"

namespace lumora::imgxfer {

ImExpSaveOptions DefaultSaveOptions();
// Each field brought into its range.
ImExpSaveOptions ClampSaveOptions(ImExpSaveOptions options);
// Options handed in by a caller, read up to the size the caller declared
// (older, shorter records keep the defaults for the fields they lack).
ImExpSaveOptions OptionsFromCaller(const ImExpSaveOptions* options);

// "LXOP", version, field count, then the fields, each little-endian 32 bits.
std::vector<std::uint8_t> SerializeSaveOptions(const ImExpSaveOptions& options);
// False when the bytes are no options record; fields a record lacks keep
// their defaults, fields it has beyond ours are skipped.
bool DeserializeSaveOptions(const std::vector<std::uint8_t>& bytes, ImExpSaveOptions* options);

// The file the options are kept in: $LUMORA_IMGXFER_OPTIONS when set, else
// "imgxfer.opt" in the user's application-data folder.
std::string SaveOptionsPath();
ImExpSaveOptions LoadSaveOptions();
bool StoreSaveOptions(const ImExpSaveOptions& options);

}  // namespace lumora::imgxfer
