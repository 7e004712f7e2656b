// Writing a file the program keeps (images aside, which have their own
// writers on the same calls) so that a failure or a kill leaves no
// partial file and the old file, if any, untouched: the bytes go to a
// temporary file beside the target, flushed to the disk, which replaces
// the target only once it is complete. Temporary files that earlier
// writes of the same target left (the program was killed) are removed
// first.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/stream_file.h"

namespace lumora {

// `write` fills the stream and returns false (with `error` set) on
// failure; it may also throw. Returns true when the target holds the new
// file; false with `error` set and the target as it was.
bool WriteFileSafely(const std::string& path, const std::function<bool(StreamFile&, std::string*)>& write,
                     std::string* error);

// The same for bytes in memory.
bool WriteBytesSafely(const std::string& path, const void* data, std::size_t size, std::string* error);

// The same for a writer that needs a file name (a settings file written
// key by key): `write` fills the empty temporary file at the path it is
// given.
bool WriteFileSafelyByName(const std::string& path,
                           const std::function<bool(const std::string& temporary, std::string*)>& write,
                           std::string* error);

}  // namespace lumora
