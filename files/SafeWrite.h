// Writing an export file so that a failure leaves no partial file and the
// old file, if any, untouched: the bytes go to a temporary file beside the
// target, which replaces the target only once it is complete.
#pragma once

#include <functional>
#include <string>

#include "platform/stream_file.h"

namespace lumora {

// `write` fills the stream and returns false (with `error` set) on
// failure; it may also throw. Returns true when the target holds the new
// file; false with `error` set and the target as it was.
bool WriteFileSafely(const std::string& path, const std::function<bool(StreamFile&, std::string*)>& write,
                     std::string* error);

}  // namespace lumora
